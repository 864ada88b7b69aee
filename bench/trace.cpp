// The trace build's marks (platform/win32_trace.h): when each start-up step
// ended, in microseconds since the process was created, kept in memory and
// written to the file named by KALVERO_TRACE_FILE when the program exits, so
// that writing costs the start-up nothing.
#include "platform/win32_trace.h"

#include <windows.h>

namespace kalvero::platform {
namespace {

long long Micro(const FILETIME& f) {
  return static_cast<long long>((ULONGLONG(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 10);
}

// The clock of the process's creation time, at its finest where there is one.
long long Now() {
  using PreciseFn = void(WINAPI*)(FILETIME*);
  static const auto precise = reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME now;
  precise ? precise(&now) : GetSystemTimeAsFileTime(&now);
  return Micro(now);
}

class Trace {
 public:
  Trace() {
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) created_ = Micro(created);
  }
  ~Trace() {
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KALVERO_TRACE_FILE", path, MAX_PATH)) return;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    for (int i = 0; i < count_; ++i) {
      char line[96];
      const int n = wsprintfA(line, "%d %s\n", static_cast<int>(marks_[i].us), marks_[i].step);
      DWORD written;
      WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    }
    CloseHandle(file);
  }
  void Mark(const char* step) {
    if (count_ < 16) marks_[count_++] = {step, Now() - created_};
  }

 private:
  long long created_ = 0;
  int count_ = 0;
  struct {
    const char* step;
    long long us;
  } marks_[16];
};

}  // namespace

void TraceMark(const char* step) {
  static Trace trace;
  trace.Mark(step);
}

}  // namespace kalvero::platform
