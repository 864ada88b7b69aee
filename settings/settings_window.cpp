#include "settings/settings_window.h"

#include "core/placement.h"
#include "platform/win32_dpi.h"
#include "resources/layout_settings.h"
#include "resources/resource_ids.h"

namespace kalvero::settings {

using namespace kalvero::layout;
using platform::ToRect;

namespace {
// No WS_CLIPCHILDREN: the frame is transparent and the window paints behind it.
const platform::ModalWindow::Look kLook{
    L"KalveroSettings", L"Kalvero - Réglages", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
    WS_EX_DLGMODALFRAME, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), IDI_SETTINGS};
}  // namespace

SettingsWindow::SettingsWindow(HINSTANCE instance, platform::ISettingsStore& store,
                               Autostart& autostart, platform::ModalWindow& about)
    : ModalWindow(instance, kLook, kSettingsLayout),
      store_(store),
      autostart_(autostart),
      about_(about) {}

void SettingsWindow::Open(HWND mainWindow, IAlwaysOnTop& main) {
  logic_.emplace(store_, main);
  ShowModal(mainWindow);
}

POINT SettingsWindow::Place(HWND owner, SIZE size) {
  RECT main{};
  GetWindowRect(owner, &main);
  const core::Point p =
      core::PlaceSettingsWindow(ToRect(main), size.cx, size.cy,  // its offsets at the strip's DPI
                                static_cast<int>(platform::DpiForWindow(owner)), ToRect(platform::WorkAreaNear(owner)));
  return {p.x, p.y};
}

bool SettingsWindow::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN) return false;
  SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
  result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  return true;
}

int SettingsWindow::State(int id) const {
  return static_cast<int>(SendMessageW(Item(id), BM_GETCHECK, 0, 0));
}

void SettingsWindow::SetState(int id, int state) {
  // Setting a state sends no click: no handler runs from here.
  SendMessageW(Item(id), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void SettingsWindow::OnLoad() {
  const OptionBoxes boxes = logic_->Load();
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
      about_.ShowModal(Window());  // unsaved box changes stay as they are beneath it
      break;
    default:
      break;  // neither button answers Enter or Escape
  }
}

void SettingsWindow::OnStartOnWinClicked() {
  const int wanted = State(kStartOnWin) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  SetState(kStartOnWin, wanted);
  UpdateWindow(Item(kStartOnWin));
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
  Close();
  logic_->Apply(boxes);
}

}  // namespace kalvero::settings
