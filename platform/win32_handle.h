// One move-only owner for every kernel, registry and GDI handle the program
// holds, so none leaks on an early return.
#pragma once

#include <windows.h>

#include <utility>

namespace kalvero::platform {

#ifdef KALVERO_COUNT_HANDLES
// A test build counts the handles its owners hold, to show that nothing grows,
// and writes when each start-up step ends, in milliseconds, to its trace.
inline long g_liveHandles = 0;
#define KALVERO_COUNT(delta) (g_liveHandles += (delta))
inline void Trace(const char* step) {
  static LARGE_INTEGER start, frequency;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  if (!start.QuadPart) start = now, QueryPerformanceFrequency(&frequency);
  char line[96];
  const int n = wsprintfA(line, "%6d us %s\r\n", int((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart), step);
  HANDLE log = CreateFileA("C:\\kalvero-trace.log", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(log, line, DWORD(n), &written, nullptr);
  CloseHandle(log);
}
#define KALVERO_TRACE(step) kalvero::platform::Trace(step)
#else
#define KALVERO_COUNT(delta) ((void)0)
#define KALVERO_TRACE(step) ((void)0)
#endif

template <class T, class Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T h) { reset(h); }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Traits::Invalid());
    }
    return *this;
  }
  ~Unique() { reset(); }

  T get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  T release() {
    if (h_ != Traits::Invalid()) KALVERO_COUNT(-1);
    return std::exchange(h_, Traits::Invalid());
  }
  void reset(T h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_), KALVERO_COUNT(-1);
    if ((h_ = h) != Traits::Invalid()) KALVERO_COUNT(+1);
  }

 private:
  T h_ = Traits::Invalid();
};

struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
struct KernelTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static void Close(HICON h) { DestroyIcon(h); }
};
template <class G>
struct GdiTraits {
  static G Invalid() { return nullptr; }
  static void Close(G h) { DeleteObject(h); }
};

using UniqueKey = Unique<HKEY, KeyTraits>;
using UniqueHandle = Unique<HANDLE, KernelTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueFont = Unique<HFONT, GdiTraits<HFONT>>;

}  // namespace kalvero::platform
