#include "settings/settings_window.h"

#include <iterator>

#include "app/placement.h"
#include "platform/win32_dpi.h"
#include "platform/win32_window_base.h"
#include "resources/layout_settings.h"
#include "resources/resource_ids.h"

namespace kalvero::settings {

using namespace kalvero::layout;
using namespace kalvero::platform;

namespace {

// No WS_CLIPCHILDREN: the frame is transparent and the window paints behind it.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

DWORD ControlStyle(int id) {
  switch (id) {
    case kCheck1:
    case kCheck3:
      return BS_3STATE | WS_TABSTOP;  // a stored "2" shows greyed
    case kCheck2:
      return BS_3STATE | BS_MULTILINE | WS_TABSTOP;
    case kStartOnWin:
      return BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP;
    case kFrame1:
      return BS_GROUPBOX | WS_CLIPSIBLINGS;
    default:
      return BS_PUSHBUTTON | WS_TABSTOP;  // neither is the default button
  }
}

}  // namespace

void SettingsWindow::ShowModal(HWND mainWindow) {
  if (hwnd_ || !Create(mainWindow)) return;  // one settings window at a time
  OnLoad();

  RECT main{}, self{};
  GetWindowRect(mainWindow, &main);
  GetWindowRect(hwnd_, &self);
  const RECT work = WorkAreaNear(mainWindow);
  const app::Point p = app::PlaceSettingsWindow(
      {main.left, main.top, main.right, main.bottom}, self.right - self.left,
      self.bottom - self.top, static_cast<int>(DpiForSystem()),
      {work.left, work.top, work.right, work.bottom});
  SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // On a monitor of another DPI the window has just been resized for it.
  Layout(DpiForWindow(hwnd_));

  RunModal(hwnd_, owner_, hwnd_);
  if (hwnd_) Unload();
}

bool SettingsWindow::Create(HWND mainWindow) {
  if (!RegisterWindowClass(instance_, kClassName, WindowProcOf<SettingsWindow>,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
    return false;
  owner_ = mainWindow;
  // Owned by the main window: no taskbar button of its own, and always above it.
  if (!CreateWindowExW(kExStyle, kClassName, L"Kalvero - Réglages", kStyle, 0, 0, 100, 100,
                       mainWindow, nullptr, instance_, this))
    return false;
  // Created in tab order.
  for (const Control& c : kSettingsControls) {
    CreateWindowExW(0, L"BUTTON", c.text, WS_CHILD | WS_VISIBLE | ControlStyle(c.id), 0, 0, 0, 0,
                    hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_,
                    nullptr);
  }
  Layout(DpiForWindow(hwnd_));
  return true;
}

LRESULT SettingsWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_CLOSE:
      Unload();  // the close box writes nothing
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;  // also when the main window takes us down with it
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void SettingsWindow::Layout(UINT dpi) {
  SizeClientForDpi(hwnd_, kSettingsClientWidth, kSettingsClientHeight, dpi);
  font_.reset(CreateFontForDpi(dpi, 800, FW_NORMAL, L"MS Shell Dlg 2"));
  buttonFont_.reset(CreateFontForDpi(dpi, 825, FW_BOLD, L"MS Sans Serif"));
  for (const Control& c : kSettingsControls) {
    HWND child = GetDlgItem(hwnd_, c.id);
    const PixelRect p = ToPixels(c, static_cast<int>(dpi));
    SetWindowPos(child, nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
    const bool button = c.id == kAbout || c.id == kApplyAndClose;
    SendMessageW(child, WM_SETFONT,
                 reinterpret_cast<WPARAM>(button ? buttonFont_.get() : font_.get()), TRUE);
  }
  icons_.Set(hwnd_, instance_, IDI_SETTINGS, dpi);
}

int SettingsWindow::State(int id) const {
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, BM_GETCHECK, 0, 0));
}

void SettingsWindow::SetState(int id, int state) {
  // Setting a state sends no click: no handler runs from here.
  SendDlgItemMessageW(hwnd_, id, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void SettingsWindow::OnLoad() {
  const OptionBoxes boxes = logic_.Load();
  SetState(kCheck1, boxes.alwaysVisible);
  SetState(kCheck3, boxes.rememberPosition);
  SetState(kCheck2, boxes.startInTray);
  SetState(kStartOnWin, autostart_.OnLoad());
}

void SettingsWindow::OnCommand(int id) {
  switch (id) {
    case kCheck1:
    case kCheck2:
    case kCheck3:
      // The user only ever ticks or clears; a greyed box clears, as Windows cycles it.
      SetState(id, State(id) == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
      break;
    case kStartOnWin:
      OnStartOnWinClicked();
      break;
    case kApplyAndClose:
      OnApplyAndClose();
      break;
    case kAbout:
      about_.ShowModal(hwnd_);  // unsaved box changes stay as they are beneath it
      break;
    default:
      break;
  }
}

void SettingsWindow::OnStartOnWinClicked() {
  const int wanted = State(kStartOnWin) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  SetState(kStartOnWin, wanted);
  UpdateWindow(GetDlgItem(hwnd_, kStartOnWin));
  // The box then shows what the registry really holds.
  SetState(kStartOnWin, autostart_.OnClick(wanted));
}

void SettingsWindow::OnApplyAndClose() {
  OptionBoxes boxes;
  boxes.alwaysVisible = State(kCheck1);
  boxes.rememberPosition = State(kCheck3);
  boxes.startInTray = State(kCheck2);
  // Gone before the topmost state is applied: under Wine a window that still
  // owns another cannot itself be made topmost.
  Unload();
  logic_.Apply(boxes);
}

void SettingsWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  MoveToSuggested(hwnd_, suggested);
  Layout(dpi);
}

void SettingsWindow::Unload() { EndModal(hwnd_, owner_); }

}  // namespace kalvero::settings
