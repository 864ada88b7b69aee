// The benchmark's trace build (KALVERO_BENCH_TRACE defined) records when each
// start-up step ends, in microseconds since the process was created, and
// writes the marks to the file named by KALVERO_TRACE_FILE when it exits, so
// that writing costs the start-up nothing. Otherwise a mark is nothing at all.
#pragma once

#ifdef KALVERO_BENCH_TRACE
#include <windows.h>

namespace kalvero::platform {

class StartTrace {
 public:
  static void Mark(const char* step) {
    static StartTrace trace;
    if (trace.count_ < kMax) trace.marks_[trace.count_++] = {step, Now() - trace.created_};
  }

 private:
  static constexpr int kMax = 16;
  struct Entry {
    const char* step;
    long long us;
  };
  static long long Micro(const FILETIME& f) {
    return static_cast<long long>((ULONGLONG(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 10);
  }
  // The same clock as the process's creation time, at its finest where there is one.
  static long long Now() {
    using PreciseFn = void(WINAPI*)(FILETIME*);
    static const auto precise = reinterpret_cast<PreciseFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now;
    precise ? precise(&now) : GetSystemTimeAsFileTime(&now);
    return Micro(now);
  }
  StartTrace() {
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) created_ = Micro(created);
  }
  ~StartTrace() {
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

  long long created_ = 0;
  int count_ = 0;
  Entry marks_[kMax];
};

}  // namespace kalvero::platform
#define KALVERO_TRACE(step) kalvero::platform::StartTrace::Mark(step)
#else
#define KALVERO_TRACE(step) ((void)0)
#endif
