#include "platform/win32_window_base.h"

#include <algorithm>

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

POINT FitToWorkArea(HWND anchor, int x, int y, int width, int height) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfoW(MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST), &mi)) return {x, y};
  const RECT& w = mi.rcWork;
  return {std::max<LONG>(w.left, std::min<LONG>(x, w.right - width)),
          std::max<LONG>(w.top, std::min<LONG>(y, w.bottom - height))};
}

}  // namespace kalvero::platform
