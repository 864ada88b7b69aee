#include "app/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "platform/win32_dpi.h"
#include "platform/win32_window_base.h"
#include "resources/layout_main.h"

namespace kalvero::app {

using namespace kalvero::layout;
using namespace kalvero::platform;

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_APPWINDOW;

int IndexOf(int id) {
  for (int i = 0; i < static_cast<int>(std::size(kMainControls)); ++i)
    if (kMainControls[i].id == id) return i;
  return -1;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, MainWindowLogic& logic, PowerActions& power,
                       Win32MainWindow& windowOps, Win32TrayIcon& tray,
                       settings::SettingsWindow& settingsWindow)
    : instance_(instance),
      logic_(logic),
      power_(power),
      windowOps_(windowOps),
      tray_(tray),
      settingsWindow_(settingsWindow) {}

bool MainWindow::Create() {
  if (!RegisterWindowClass(instance_, kClassName, WindowProcOf<MainWindow>,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
    return false;

  // Sized for the system DPI first; Layout() corrects it for the DPI of the
  // monitor the window actually lands on.
  const SIZE s = OuterSizeForClient(kMainClientWidth, kMainClientHeight, kStyle, kExStyle,
                                    DpiForSystem());
  hwnd_ = CreateWindowExW(kExStyle, kClassName, L"Kalvero", kStyle, CW_USEDEFAULT, 0, s.cx, s.cy,
                          nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;
  windowOps_.Attach(hwnd_);
  tray_.Attach(hwnd_);
  // Explorer announces a restart with this message; it loses every icon then.
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  OnCreateControls();
  Layout(DpiForWindow(hwnd_));
  return true;
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // never stand in the way of a log-off or shutdown
    case WM_ENDSESSION:
      OnEndSession(wp != FALSE);
      return 0;
    case Win32TrayIcon::kCallbackMessage:
      OnTrayNotify(lp);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  if (msg == taskbarCreated_ && msg != 0) {
    OnTaskbarCreated();
    return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::OnCreateControls() {
  // Creation order is the tab order.
  std::array<const Control*, std::size(kMainControls)> order{};
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = &kMainControls[i];
  std::sort(order.begin(), order.end(),
            [](const Control* a, const Control* b) { return a->tabIndex < b->tabIndex; });

  for (const Control* c : order) {
    // The window text is the tooltip, so screen readers name the button.
    HWND b = CreateWindowExW(0, L"BUTTON", c->text,
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c->id)), instance_,
                             nullptr);
    buttons_[IndexOf(c->id)] = b;
  }
}

void MainWindow::CreateTooltips() {
  // Made on the first hover rather than at start-up: nobody sees a tooltip
  // before the pointer reaches the strip.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  // Not owned by the strip: under Wine a window that owns a topmost popup can
  // no longer be made topmost itself.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                             nullptr, instance_, nullptr);
  if (!tooltip_) return;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(buttons_[i]);
    ti.lpszText = const_cast<wchar_t*>(kMainControls[i].text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void MainWindow::Layout(UINT dpi) {
  SizeClientForDpi(hwnd_, kMainClientWidth, kMainClientHeight, dpi);
  for (std::size_t i = 0; i < std::size(kMainControls); ++i) {
    const PixelRect p = ToPixels(kMainControls[i], dpi);
    SetWindowPos(buttons_[i], nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
    const int picture = kMainControls[i].pictureId + PictureScaleIndex(std::max(p.width, p.height));
    pictures_[i].reset(static_cast<HBITMAP>(LoadImageW(instance_, MAKEINTRESOURCEW(picture),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    InvalidateRect(buttons_[i], nullptr, FALSE);
  }
  icons_.Set(hwnd_, instance_, IDI_KALVERO, dpi);
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& di) {
  const int i = IndexOf(static_cast<int>(di.CtlID));
  if (i < 0) return;
  const RECT& r = di.rcItem;
  const int w = r.right - r.left, h = r.bottom - r.top;
  const bool pressed = (di.itemState & ODS_SELECTED) != 0;
  FillRect(di.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (HBITMAP bmp = pictures_[i].get()) {
    BITMAP bm{};
    GetObjectW(bmp, sizeof bm, &bm);
    HDC mem = CreateCompatibleDC(di.hDC);
    HGDIOBJ old = SelectObject(mem, bmp);
    // A pressed button shows its picture pushed in by one pixel.
    const int o = pressed ? 1 : 0;
    if (bm.bmWidth == w && bm.bmHeight == h) {
      BitBlt(di.hDC, r.left + o, r.top + o, w - o, h - o, mem, 0, 0, SRCCOPY);
    } else {
      SetStretchBltMode(di.hDC, HALFTONE);
      SetBrushOrgEx(di.hDC, 0, 0, nullptr);
      StretchBlt(di.hDC, r.left + o, r.top + o, w - o, h - o, mem, 0, 0, bm.bmWidth - o,
                 bm.bmHeight - o, SRCCOPY);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  if (pressed) {
    RECT edge = r;
    DrawEdge(di.hDC, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  if ((di.itemState & ODS_FOCUS) && !(di.itemState & ODS_NOFOCUSRECT)) {
    RECT f = r;
    const int inset = std::max(2, w / 11);
    InflateRect(&f, -inset, -inset);
    DrawFocusRect(di.hDC, &f);
  }
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case kCommand1: power_.ShutDown(); break;
    case kCommand2: power_.Restart(); break;
    case kCommand3: power_.LogOff(); break;
    case kCommand4: settingsWindow_.ShowModal(hwnd_); break;
    case kCommand5: logic_.OnTrayButton(); break;
    default: break;
  }
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  MoveToSuggested(hwnd_, suggested);
  Layout(dpi);
  tray_.OnDpiChanged(dpi);
}

void MainWindow::OnTrayNotify(LPARAM lp) {
  if (const int button = Win32TrayIcon::ButtonOf(lp)) logic_.OnTrayIconClick(button);
}

void MainWindow::OnTaskbarCreated() {
  // Never leave a hidden window without an icon to bring it back.
  if (!tray_.OnTaskbarCreated()) windowOps_.Show();
}

void MainWindow::OnSetFocus() {
  HWND target = lastFocus_ ? lastFocus_ : buttons_[IndexOf(kCommand1)];
  if (target) SetFocus(target);
}

void MainWindow::OnActivate(bool active) {
  if (active) return;
  // Remember the focused button, as dialogs do, to give it back on return.
  if (HWND f = GetFocus(); f && GetParent(f) == hwnd_) lastFocus_ = f;
}

void MainWindow::OnClose() {
  if (closing_) return;
  closing_ = true;
  // Each step on its own: a tray that fails must not cost the saved position,
  // and the program ends all the same.
  try {
    logic_.OnCloseRequest();
  } catch (...) {
  }
  try {
    logic_.OnUnload();
  } catch (...) {
  }
  DestroyWindow(hwnd_);
}

void MainWindow::OnEndSession(bool ending) {
  // Only a session that really ends closes us: a cancelled shutdown leaves the
  // program running.
  if (ending) OnClose();
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (msg.message == WM_MOUSEMOVE && !tooltipsTried_ && GetParent(msg.hwnd) == hwnd_) {
    tooltipsTried_ = true;
    CreateTooltips();
    // The tooltip watches the buttons from now on; hand it this first move too.
    if (tooltip_) SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == hwnd_) {
      SendMessageW(focus, BM_CLICK, 0, 0);
      return true;
    }
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

}  // namespace kalvero::app
