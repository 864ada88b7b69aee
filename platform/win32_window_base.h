// What every window class of the program shares: its registration, the
// procedure that routes messages to the object's handlers, and the modal loop.
#pragma once

#include <windows.h>

#include "platform/win32_handle.h"

namespace kalvero::platform {

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background);

// Routes a window's messages to T::Handle, the object being passed as the
// creation parameter. A failure in a handler abandons that handler only; it
// never unwinds into the system's code.
template <class T>
LRESULT CALLBACK WindowProcOf(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return self->Handle(msg, wp, lp);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// Shows a window modally over its owner and returns once `alive` is null (the
// window clears it as it is destroyed). A quit message ends the loop and is
// passed on to the main loop.
void RunModal(HWND window, HWND owner, HWND& alive);

// Closes a modal window. Its owner takes input again first, so that it gets
// the activation back rather than some other program.
void EndModal(HWND window, HWND owner);

// Takes the place and size the system suggests with WM_DPICHANGED.
void MoveToSuggested(HWND window, const RECT& suggested);

// The outer size of a window whose client area is widthTw x heightTw twips.
SIZE OuterSizeForClient(int widthTw, int heightTw, DWORD style, DWORD exStyle, UINT dpi);
// Resizes the window so its client area is widthTw x heightTw twips at dpi.
void SizeClientForDpi(HWND window, int widthTw, int heightTw, UINT dpi);

// The work area (screen without the taskbar) of the monitor nearest to a window.
RECT WorkAreaNear(HWND window);

// An icon resource at a given size in pixels.
UniqueIcon LoadIconAtSize(HINSTANCE instance, int id, int size);

// A window's title-bar and Alt+Tab icons, loaded for its DPI. The window no
// longer uses the old ones once the new ones are set, so they go then.
class WindowIcons {
 public:
  void Set(HWND window, HINSTANCE instance, int id, UINT dpi);

 private:
  UniqueIcon big_, small_;
};

}  // namespace kalvero::platform
