// The move-only owner of the kernel, registry, icon, menu, GDI and activation-context
// handles the program keeps beyond one call, so none leaks on an early return.
#pragma once

#include <windows.h>

#include <utility>

namespace kalvero::platform {

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
    return std::exchange(h_, Traits::Invalid());
  }
  void reset(T h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
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
struct MenuTraits {
  static HMENU Invalid() { return nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }  // its submenus with it
};
template <class G>
struct GdiTraits {
  static G Invalid() { return nullptr; }
  static void Close(G h) { DeleteObject(h); }
};

using UniqueKey = Unique<HKEY, KeyTraits>;
using UniqueHandle = Unique<HANDLE, KernelTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;
using UniqueMenu = Unique<HMENU, MenuTraits>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueFont = Unique<HFONT, GdiTraits<HFONT>>;

}  // namespace kalvero::platform
