// The benchmark's baseline: the least a Win32 program needs to put a window of
// Kalvero's outer shape on the screen (fixed border, close box only, a 161 x 33
// client area), built with the same compiler and size flags. Like Kalvero, it
// closes by putting an icon in the notification area and taking it away again,
// with shell32 loaded only then; "tray" on its command line starts it with
// only that icon, as Kalvero starts in the tray. A right-click shows the least
// menu: three lines, made when it opens, as Kalvero makes a button's. Its trace
// build marks the same points as Kalvero's: entry, first paint, icon added.
#include <windows.h>
#include <shellapi.h>

#include <initializer_list>

#include "platform/win32_trace.h"

namespace {

using NotifyFn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*);

BOOL Notify(HWND hwnd, DWORD message) {
  static NotifyFn notify = [] {
    wchar_t path[MAX_PATH];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH - 12);
    lstrcpyW(path + n, L"\\shell32.dll");
    HMODULE shell32 = LoadLibraryW(path);
    return shell32 ? reinterpret_cast<NotifyFn>(reinterpret_cast<void*>(GetProcAddress(shell32, "Shell_NotifyIconW")))
                   : nullptr;
  }();
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof d;
  d.hWnd = hwnd;
  d.uID = 1;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = WM_APP + 1;
  d.hIcon = static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON,  // IDI_APPLICATION
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  lstrcpyW(d.szTip, L"Bare window");
  return notify && notify(message, &d);
}

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  static bool inTray = false;
  switch (msg) {
    case WM_APP:  // the start in the tray
      inTray = Notify(hwnd, NIM_ADD);
      return 0;
    case WM_CLOSE:
      if (!inTray) inTray = Notify(hwnd, NIM_ADD);
      ShowWindow(hwnd, SW_HIDE);
      if (inTray) Notify(hwnd, NIM_DELETE);
      DestroyWindow(hwnd);
      return 0;
    case WM_CONTEXTMENU: {
      HMENU menu = CreatePopupMenu();
      for (const wchar_t* line : {L"&Un", L"&Deux", L"&Trois"}) AppendMenuW(menu, MF_STRING, 1, line);
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 0, 0, hwnd, nullptr);
      DestroyMenu(menu);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int show) {
  KALVERO_TRACE("wWinMain");
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = BareProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"KalveroBenchBare";
  if (!RegisterClassExW(&wc)) return 1;
  KALVERO_TRACE("class registered");

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, 161, 33};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Bare window", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  KALVERO_TRACE("window created");
  if (lstrcmpW(args, L"tray") == 0) {
    SendMessageW(hwnd, WM_APP, 0, 0);
    KALVERO_TRACE("icon added");
  } else {
    ShowWindow(hwnd, show);
    KALVERO_TRACE("shown");
    UpdateWindow(hwnd);
    KALVERO_TRACE("first paint");
  }
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}
