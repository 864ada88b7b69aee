#include "app/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/win32_dpi.h"
#include "platform/win32_system_function.h"
#include "platform/win32_trace.h"
#include "resources/layout_main.h"

namespace kalvero::app {

using namespace kalvero::layout;
using namespace kalvero::platform;

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_APPWINDOW;
// A notification area that refuses the icon (a start with Windows before the
// taskbar is ready, Explorer restarting) is asked again from a timer, never
// by waiting: once a second for a minute.
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr int kTrayRetries = 60;
// While a request made from a menu runs (shutdown.exe exits within a moment),
// its end is looked for a few times a second; a delay's end is kept by a timer
// of its own, so that its tooltip goes when it is over.
constexpr UINT_PTR kRequestsTimer = 2, kDelayTimer = 3;
constexpr UINT kRequestsEveryMs = 200;
// A key message's previous key state: the key was down before this message.
constexpr LPARAM kKeyWasDown = 1 << 30;

HWND CreateMainWindow(HINSTANCE instance, void* self, WindowIcons& icons) {
  // Sized and given icons for the system DPI first; Layout() corrects both for
  // the DPI of the monitor the window actually lands on.
  const UINT dpi = DpiForSystem();
  icons.Load(instance, IDI_KALVERO, dpi);
  KALVERO_TRACE("icons loaded");
  if (!RegisterWindowClass(instance, MainWindow::kClassName, WindowProcOf<MainWindow>,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icons.Big(), icons.Small()))
    return nullptr;
  KALVERO_TRACE("class registered");
  const SIZE s = OuterSizeForClient(kMainLayout.clientWidth, kMainLayout.clientHeight, kStyle,
                                    kExStyle, dpi);
  return CreateWindowExW(kExStyle, MainWindow::kClassName, L"Kalvero", kStyle, CW_USEDEFAULT, 0,
                         s.cx, s.cy, nullptr, nullptr, instance, self);
}

int IndexOf(int id) {
  for (int i = 0; i < static_cast<int>(std::size(kMainControls)); ++i)
    if (kMainControls[i].id == id) return i;
  return -1;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, ISettingsStore& store, IInstanceGuard& instanceGuard,
                       PowerActions& power, PowerMenu& menu, settings::SettingsWindow& settings)
    : instance_(instance),
      settings_(settings),
      hwnd_(CreateMainWindow(instance, this, classIcons_)),
      tray_(instance, IDI_KALVERO, hwnd_),
      logic_(store, *this, tray_, instanceGuard, power, menu) {
  if (!hwnd_) return;
  KALVERO_TRACE("window created");
  // Explorer announces a restart with this message; it loses every icon then.
  // An elevated window hears it only when it lets it through.
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  if (auto allow = SystemFunction<FilterFn>(L"user32.dll", "ChangeWindowMessageFilterEx"))
    allow(hwnd_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
  // Made for the system DPI, with the class's icons: only a window on a
  // monitor of another DPI needs laying out again.
  const UINT dpi = DpiForWindow(hwnd_);
  CreateControls(hwnd_, instance_, kMainControls, dpi);
  if (dpi != DpiForSystem()) Layout(dpi);
  KALVERO_TRACE("controls");
}

bool MainWindow::Start() {
  if (!logic_.OnLoad()) return false;
  // A start in the tray leaves only the icon on screen.
  if (tray_.InTray()) {
    KALVERO_TRACE("in the tray");
  } else {
    KALVERO_TRACE("settings read");
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    KALVERO_TRACE("shown");
    UpdateWindow(hwnd_);
    KALVERO_TRACE("first paint");
  }
  if (logic_.TrayPending()) RetryTray();
  return true;
}

LRESULT MainWindow::Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_SETTINGCHANGE:
      if (wp == SPI_SETNONCLIENTMETRICS || wp == SPI_SETWORKAREA) OnSystemChange();
      break;
    case WM_THEMECHANGED:
    case WM_DISPLAYCHANGE:
      OnSystemChange();
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case kGetDpiScaledSize:
      return ScaledSize(hwnd, kMainLayout, static_cast<UINT>(wp), *reinterpret_cast<SIZE*>(lp));
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wp), lp);
      return 0;
    case WM_SETFOCUS:
      focus_.GiveBack(hwnd);
      return 0;
    case WM_ACTIVATE:
      focus_.OnActivate(hwnd, LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // never stand in the way of a log-off or shutdown
    case WM_ENDSESSION:
      // Only a session that really ends closes us: a cancelled shutdown leaves
      // the program running.
      if (wp) OnClose();
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
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void MainWindow::Layout(UINT dpi) {
  LayOut(hwnd_, kMainLayout, dpi);
  // Pictures for the new size are loaded as the buttons are drawn.
  for (std::size_t i = 0; i < std::size(kMainControls); ++i) {
    pictures_[i].reset();
    InvalidateRect(GetDlgItem(hwnd_, kMainControls[i].id), nullptr, FALSE);
  }
  icons_.Set(hwnd_, instance_, IDI_KALVERO, dpi);
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& di) {
  const int i = IndexOf(static_cast<int>(di.CtlID));
  if (i < 0) return;
  const RECT& r = di.rcItem;
  if (!pictures_[i]) {
    // Loaded when first drawn: a start in the tray loads none. They are
    // RLE8-compressed: a plain bitmap, which a DIB section could not hold.
    const int size = std::max(r.right - r.left, r.bottom - r.top);
    const int id = kMainControls[i].pictureId + ScaleIndex(kPictureSizes, size);
    pictures_[i].reset(static_cast<HBITMAP>(LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0)));
  }
  const bool pressed = (di.itemState & ODS_SELECTED) != 0;
  FillRect(di.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  // A pressed button shows its picture pushed in by one pixel.
  DrawPicture(di.hDC, r, pictures_[i].get(), PictureFit::Fill, pressed ? 1 : 0);
  if (pressed) {
    RECT edge = r;
    DrawEdge(di.hDC, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
  if ((di.itemState & ODS_FOCUS) && !(di.itemState & ODS_NOFOCUSRECT)) {
    RECT f = r;
    const int inset = std::max(2, static_cast<int>(r.right - r.left) / 11);
    InflateRect(&f, -inset, -inset);
    DrawFocusRect(di.hDC, &f);
  }
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case kCommand1: logic_.OnPowerButton(&PowerActions::ShutDown); break;
    case kCommand2: logic_.OnPowerButton(&PowerActions::Restart); break;
    case kCommand3: logic_.OnPowerButton(&PowerActions::LogOff); break;
    case kCommand4: settings_.Open(hwnd_, logic_); break;
    case kCommand5: logic_.OnTrayButton(); break;
    default: break;
  }
}

// The menu's lines as a Win32 menu; its submenus go with it.
static UniqueMenu BuildMenu(const std::vector<MenuLine>& lines) {
  UniqueMenu menu(CreatePopupMenu());
  for (const MenuLine& line : lines) {
    if (line.submenu.empty()) {
      AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(line.command), line.text.c_str());
    } else if (UniqueMenu submenu = BuildMenu(line.submenu);
               submenu && AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()), line.text.c_str())) {
      submenu.release();  // the menu owns it now
    }
    if (line.isDefault) SetMenuDefaultItem(menu.get(), static_cast<UINT>(line.command), FALSE);
  }
  return menu;
}

void MainWindow::OnContextMenu(HWND control, LPARAM lp) {
  if (!control || GetParent(control) != hwnd_) return;
  const std::vector<MenuLine> lines = logic_.MenuLines(GetDlgCtrlID(control));
  const UniqueMenu menu = lines.empty() ? UniqueMenu() : BuildMenu(lines);
  if (!menu) return;
  UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN;
  POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  TPMPARAMS beside{};
  beside.cbSize = sizeof beside;
  const bool keyboard = lp == -1;  // the Menu key or Shift+F10
  if (keyboard) {
    // Under the button, or above it where the screen ends: never over it.
    GetWindowRect(control, &beside.rcExclude);
    at = {beside.rcExclude.left, beside.rcExclude.bottom};
    flags |= TPM_VERTICAL;
  }
  // A menu whose owner is not in the foreground does not close when the user
  // clicks elsewhere; the strip has just had the click or the key.
  SetForegroundWindow(hwnd_);
  const int command = TrackPopupMenuEx(menu.get(), flags, at.x, at.y, hwnd_, keyboard ? &beside : nullptr);
  if (command) OnMenuCommand(command);
}

void MainWindow::OnMenuCommand(int command) {
  logic_.OnMenuCommand(command);
  if (logic_.PollRequests()) SetTimer(hwnd_, kRequestsTimer, kRequestsEveryMs, nullptr);
  WatchDelay();
}

void MainWindow::OnTimer(UINT_PTR timer) {
  switch (timer) {
    case kTrayRetryTimer:
      if (logic_.SendToTray() || ++trayRetries_ >= kTrayRetries) KillTimer(hwnd_, kTrayRetryTimer);
      break;
    case kRequestsTimer:
      if (!logic_.PollRequests()) KillTimer(hwnd_, kRequestsTimer);
      WatchDelay();
      break;
    case kDelayTimer:
      logic_.RefreshTip();
      WatchDelay();
      break;
    default:
      break;
  }
}

void MainWindow::WatchDelay() {
  const auto left = logic_.SecondsToDelayEnd();
  if (!left) {
    KillTimer(hwnd_, kDelayTimer);
    return;
  }
  // A timer's period tops out near 24 days; a delay is two hours at most.
  SetTimer(hwnd_, kDelayTimer, static_cast<UINT>(std::clamp<std::int64_t>(*left + 1, 1, 86400) * 1000), nullptr);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  MoveToSuggested(hwnd_, suggested);
  Layout(dpi);
}

void MainWindow::OnSystemChange() {
  // A new caption height, border or theme changes the frame around the strip:
  // the outer size follows, so the client area stays exactly the strip.
  LayOut(hwnd_, kMainLayout, DpiForWindow(hwnd_));
  logic_.KeepReachable();
}

void MainWindow::OnTrayNotify(LPARAM lp) {
  if (const int button = tray_.ButtonOf(lp)) logic_.OnTrayIconClick(button);
}

void MainWindow::OnTaskbarCreated() {
  // Never leave a hidden window without an icon to bring it back.
  if (tray_.OnTaskbarCreated()) return;
  Show();
  RetryTray();
}

void MainWindow::RetryTray() {
  trayRetries_ = 0;
  SetTimer(hwnd_, kTrayRetryTimer, 1000, nullptr);
}

void MainWindow::OnClose() {
  if (closing_) return;
  closing_ = true;
  KillTimer(hwnd_, kTrayRetryTimer);
  logic_.OnClose();  // the program ends all the same
  DestroyWindow(hwnd_);
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (msg.message == WM_MOUSEMOVE && !tooltipsTried_ && GetParent(msg.hwnd) == hwnd_) {
    // Made on the first hover rather than at start-up: nobody sees a tooltip
    // before the pointer reaches the strip. Not owned by the strip, which
    // must stay free to become topmost.
    tooltipsTried_ = true;
    auto item = [&](int id) { return Tip{GetDlgItem(hwnd_, id), kMainControls[IndexOf(id)].text}; };
    tooltip_ = CreateTooltips(hwnd_, nullptr, instance_,
                              {item(kCommand1), item(kCommand2), item(kCommand3), item(kCommand4),
                               item(kCommand5)});
    // The tooltip watches the buttons from now on; hand it this first move too.
    if (tooltip_) SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == hwnd_) {
      // Only a fresh press clicks. A repeat, or a key that was already down when
      // the strip got the focus (Kalvero started with Enter from the Run box and
      // the key held), must not shut Windows down.
      if (!(msg.lParam & kKeyWasDown)) SendMessageW(focus, BM_CLICK, 0, 0);
      return true;
    }
  }
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void MainWindow::SetTopmost(bool topmost) {
  // "Not topmost" for a window not yet shown that is not topmost changes
  // nothing anyone can see, and costs Wine 15 ms of the start-up.
  const bool isTopmost = (GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (!topmost && !isTopmost && !IsWindowVisible(hwnd_)) return;
  SetWindowPos(hwnd_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void MainWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void MainWindow::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

std::optional<Rect> MainWindow::WindowRect() {
  // The normal place, even while minimised by another program; it comes in
  // work-area coordinates of its monitor.
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(hwnd_, &wp)) return std::nullopt;
  RECT r = wp.rcNormalPosition;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi))
    OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
  return ToRect(r);
}

bool MainWindow::MoveTo(int x, int y) {
  return SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

// Screen positions are stored in twips of the system DPI, so a position means
// the same place whichever monitor the window was on.
int MainWindow::PositionDpi() { return static_cast<int>(DpiForSystem()); }

std::vector<Monitor> MainWindow::Monitors() { return AllMonitors(); }

Size MainWindow::OuterSize(int dpi) {
  const SIZE s = OuterSizeForClient(kMainLayout.clientWidth, kMainLayout.clientHeight, kStyle, kExStyle,
                                    static_cast<UINT>(dpi));
  return {s.cx, s.cy};
}

}  // namespace kalvero::app
