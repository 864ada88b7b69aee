// What the program's windows share: class registration, the procedure that
// routes messages to an object, sizes in twips at a DPI, icons, controls made
// from a layout table, tooltips, pictures and the keyboard focus.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <span>
#include <vector>

#include "platform/layout.h"
#include "platform/win32_handle.h"
#include "platform/window.h"

namespace kalvero::platform {

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background,
                         HICON icon = nullptr, HICON smallIcon = nullptr);

// Windows 10 1607 scales a window's caption and frame with its monitor's DPI only
// when asked to, as the window is being created; later versions do it by themselves.
void ScaleNonClientArea(HWND window);

// Routes a window's messages to T::Handle, the object being passed as the
// creation parameter. The product has no exceptions: nothing can unwind into
// the system's code.
template <class T>
LRESULT CALLBACK WindowProcOf(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    ScaleNonClientArea(hwnd);
  }
  return self ? self->Handle(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

// Takes the place and size the system suggests with WM_DPICHANGED.
void MoveToSuggested(HWND window, const RECT& suggested);
// The outer size of a window whose client area is widthTw x heightTw twips.
SIZE OuterSizeForClient(int widthTw, int heightTw, DWORD style, DWORD exStyle, UINT dpi);
// Resizes the window so its client area is that of the layout at dpi, and
// places its controls.
void LayOut(HWND window, const WindowLayout& layout, UINT dpi);
// Sent from Windows 10 1703 on; the headers for Windows 7 do not name it.
inline constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE
// WM_GETDPISCALEDSIZE: the outer size the layout needs at the new DPI, so that
// a DPI change resizes the window once, not twice.
LRESULT ScaledSize(HWND window, const WindowLayout& layout, UINT dpi, SIZE& size);
// The work area (screen without the taskbar) of the monitor nearest to a window.
RECT WorkAreaNear(HWND window);
Rect ToRect(const RECT& r);
std::vector<Monitor> AllMonitors();

// Common Controls 6 for what is created while one of these lives: the windows
// get the themed controls of the manifest resource of this id, and comctl32
// loads only then. Without the context, classic controls.
inline constexpr int kCommonControlsManifest = 101;
class CommonControls {
 public:
  explicit CommonControls(HINSTANCE instance);
  ~CommonControls();
  CommonControls(const CommonControls&) = delete;
  CommonControls& operator=(const CommonControls&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// A window's controls, created from its table in tab order, in place at dpi.
void CreateControls(HWND parent, HINSTANCE instance, std::span<const Control> controls, UINT dpi);

struct Tip {
  HWND control;
  const wchar_t* text;
};
// A tooltip control that shows each tip over its control. owner may be null:
// under Wine a window that owns a topmost popup cannot itself be made topmost.
HWND CreateTooltips(HWND parent, HWND owner, HINSTANCE instance, std::initializer_list<Tip> tips);

enum class PictureFit { OwnSize, Fill };
// Draws a picture in its box, at its own size or filling the box; pushed
// shifts it by that many pixels, as a pressed button shows it.
void DrawPicture(HDC dc, const RECT& box, HBITMAP picture, PictureFit fit, int pushed = 0);

// An icon resource at a given size in pixels.
UniqueIcon LoadIconAtSize(HINSTANCE instance, int id, int size);

// A window's title-bar and Alt+Tab icons, loaded for its DPI. The window no
// longer uses the old ones once the new ones are set, so they go then.
class WindowIcons {
 public:
  void Load(HINSTANCE instance, int id, UINT dpi);
  void Set(HWND window, HINSTANCE instance, int id, UINT dpi);
  HICON Big() const { return big_.get(); }
  HICON Small() const { return small_.get(); }

 private:
  UniqueIcon big_, small_;
};

// Keeps the focus as a dialog does: the control that had it when the window
// was deactivated gets it back when the window is active again; the first
// control in tab order the first time.
class FocusKeeper {
 public:
  void OnActivate(HWND window, bool active);
  void GiveBack(HWND window);

 private:
  HWND last_ = nullptr;
};

}  // namespace kalvero::platform
