#include "platform/win32_window_base.h"

#include "platform/win32_dpi.h"
#include "resources/layout.h"

namespace kalvero::platform {

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void RunModal(HWND window, HWND owner, HWND& alive) {
  EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  MSG msg;
  while (alive) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void EndModal(HWND window, HWND owner) {
  if (owner && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (window) DestroyWindow(window);
}

void MoveToSuggested(HWND window, const RECT& suggested) {
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE OuterSizeForClient(int widthTw, int heightTw, DWORD style, DWORD exStyle, UINT dpi) {
  const int d = static_cast<int>(dpi);
  RECT r{0, 0, layout::ToPixels(widthTw, d), layout::ToPixels(heightTw, d)};
  AdjustWindowRectForDpi(r, style, exStyle, dpi);
  return {r.right - r.left, r.bottom - r.top};
}

void SizeClientForDpi(HWND window, int widthTw, int heightTw, UINT dpi) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  const SIZE s = OuterSizeForClient(widthTw, heightTw, style, exStyle, dpi);
  SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT WorkAreaNear(HWND window) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi)) {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
  }
  return mi.rcWork;
}

UniqueIcon LoadIconAtSize(HINSTANCE instance, int id, int size) {
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

void WindowIcons::Set(HWND window, HINSTANCE instance, int id, UINT dpi) {
  UniqueIcon big = LoadIconAtSize(instance, id, SystemMetricForDpi(SM_CXICON, dpi));
  UniqueIcon small = LoadIconAtSize(instance, id, SystemMetricForDpi(SM_CXSMICON, dpi));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  big_ = std::move(big);
  small_ = std::move(small);
}

}  // namespace kalvero::platform
