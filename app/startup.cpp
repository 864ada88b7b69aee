#include "app/startup.h"

#include <cmath>
#include <limits>
#include <optional>

#include "app/placement.h"
#include "app/statement.h"
#include "settings/settings_logic.h"

namespace kalvero::app {

namespace s = kalvero::settings;

namespace {

// A stored coordinate narrowed to single precision; empty when it does not fit.
std::optional<double> ToSingle(std::optional<double> v) {
  if (!v || std::fabs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<double>(static_cast<float>(*v));
}

}  // namespace

std::wstring MainWindowLogic::Read(std::wstring_view key, std::wstring_view defaultText) {
  return store_.GetSetting(s::kAppName, s::kSection, key, defaultText);
}

bool MainWindowLogic::OnLoad() {
  if (instance_.AnotherInstanceRunning()) return false;

  Statement([&] {
    if (const auto n = s::TextToNumber(Read(s::kFenVisible, L"0"))) flags_.alwaysVisible = *n;
  });
  Statement([&] { ApplyAlwaysOnTop(); });
  std::optional<double> autoReduit;
  Statement([&] { autoReduit = s::TextToNumber(Read(s::kAutoReduit, L"0")); });
  if (autoReduit && s::IsOn(*autoReduit)) {
    Statement([&] { tray_.SetTipText(s::kAppName); });
    Statement([&] { SendToTray(); });
  }
  Statement([&] {
    if (const auto n = s::TextToNumber(Read(s::kDerPosition, L"0"))) flags_.rememberPosition = *n;
  });
  if (s::IsOn(flags_.rememberPosition)) RestorePosition();
  return true;
}

void MainWindowLogic::RestorePosition() {
  std::optional<double> top, left;
  Statement([&] { top = ToSingle(s::TextToNumber(Read(s::kHaut, L"10"))); });
  Statement([&] { left = ToSingle(s::TextToNumber(Read(s::kGauche, L"10"))); });
  Statement([&] {
    // A coordinate that could not be read keeps the platform's placement.
    const platform::Rect r = window_.WindowRect();
    const int dpi = window_.PositionDpi();
    const double topTw = top ? *top : PixelsToTwips(r.top, dpi);
    const double leftTw = left ? *left : PixelsToTwips(r.left, dpi);
    const Point p = PlaceRestoredWindow(leftTw, topTw, r.Width(), r.Height(), dpi,
                                        window_.Monitors());
    window_.MoveTo(p.x, p.y);
  });
}

void MainWindowLogic::OnCloseRequest() { SendToTray(); }

void MainWindowLogic::OnUnload() {
  if (!s::IsOn(flags_.rememberPosition)) return;
  const platform::Rect r = window_.WindowRect();
  const int dpi = window_.PositionDpi();
  store_.SaveSetting(s::kAppName, s::kSection, s::kHaut, s::CoordinateText(PixelsToTwips(r.top, dpi)));
  store_.SaveSetting(s::kAppName, s::kSection, s::kGauche,
                     s::CoordinateText(PixelsToTwips(r.left, dpi)));
}

void MainWindowLogic::ApplyAlwaysOnTop() { window_.SetTopmost(s::IsOn(flags_.alwaysVisible)); }

void MainWindowLogic::SendToTray() {
  tray_.ShowIcon();
  window_.Hide();
}

void MainWindowLogic::RestoreFromTray() {
  tray_.RemoveIcon();
  window_.Show();
}

// Decided by the icon's state alone, not by whether the window is visible.
void MainWindowLogic::ToggleTray() {
  if (tray_.InTray()) {
    RestoreFromTray();
  } else {
    SendToTray();
  }
}

void MainWindowLogic::OnTrayButton() {
  tray_.SetTipText(s::kAppName);
  ToggleTray();
}

void MainWindowLogic::OnTrayIconClick(int button) {
  if (button == platform::kTrayLeftButton) ToggleTray();
}

}  // namespace kalvero::app
