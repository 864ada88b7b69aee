#include "app/main_window_logic.h"

#include <cmath>
#include <limits>
#include <optional>

#include "core/number_text.h"
#include "core/placement.h"
#include "core/steps.h"
#include "settings/setting_names.h"

namespace kalvero::app {

using core::IsOn;
using core::RunEach;
using core::TextToNumber;
using platform::PixelsToTwips;
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
  std::optional<double> autoReduit;
  RunEach(
      [&] {
        const auto n = TextToNumber(Read(s::kFenVisible, L"0"));
        if (n) alwaysVisible_ = *n;  // too large: the flag keeps its value
        return n.has_value();
      },
      [&] { ApplyAlwaysOnTop(); },
      [&] {
        autoReduit = TextToNumber(Read(s::kAutoReduit, L"0"));
        if (!autoReduit || !IsOn(*autoReduit)) return;
        // Sent to the tray even when the tip could not be set.
        RunEach([&] { return tray_.SetTipText(s::kAppName); },
                [&] {
                  trayPending_ = !SendToTray();
                  return !trayPending_;
                });
      },
      [&] {
        const auto n = TextToNumber(Read(s::kDerPosition, L"0"));
        if (n) rememberPosition_ = *n;
        return !IsOn(rememberPosition_) || RestorePosition();
      });
  return true;
}

bool MainWindowLogic::RestorePosition() {
  // A coordinate that cannot be read keeps the platform's placement.
  const auto top = ToSingle(TextToNumber(Read(s::kHaut, L"10")));
  const auto left = ToSingle(TextToNumber(Read(s::kGauche, L"10")));
  const auto r = window_.WindowRect();
  if (!r) return false;
  const int dpi = window_.PositionDpi();
  const double topTw = top ? *top : PixelsToTwips(r->top, dpi);
  const double leftTw = left ? *left : PixelsToTwips(r->left, dpi);
  const core::Point p = core::PlaceRestoredWindow(leftTw, topTw, window_, dpi, window_.Monitors());
  return window_.MoveTo(p.x, p.y);
}

bool MainWindowLogic::OnClose() {
  // Each step on its own: a tray that fails must not cost the saved position.
  return RunEach([&] { return SavePosition(); }, [&] { return SendToTray(); });
}

bool MainWindowLogic::OnPowerButton(std::uint32_t (PowerActions::*request)()) {
  SavePosition();
  return (power_.*request)() == 0;
}

void MainWindowLogic::OnMenuCommand(int command) {
  SavePosition();
  menu_.Choose(command);
  RefreshTip();
}

bool MainWindowLogic::PollRequests() {
  const bool more = menu_.Poll();
  RefreshTip();
  return more;
}

std::optional<std::int64_t> MainWindowLogic::SecondsToDelayEnd() { return menu_.SecondsLeft(); }

void MainWindowLogic::RefreshTip() {
  const std::wstring tip = menu_.TipText();
  if (tip != tip_ && tray_.SetTipText(tip)) tip_ = tip;
}

bool MainWindowLogic::KeepReachable() {
  const auto r = window_.WindowRect();
  if (!r) return false;
  const int dpi = window_.PositionDpi();
  const core::Point p = core::PlaceRestoredWindow(PixelsToTwips(r->left, dpi), PixelsToTwips(r->top, dpi),
                                                  window_, dpi, window_.Monitors());
  return (p.x == r->left && p.y == r->top) || window_.MoveTo(p.x, p.y);
}

bool MainWindowLogic::SavePosition() {
  if (!IsOn(rememberPosition_)) return true;
  const auto r = window_.WindowRect();
  if (!r) return false;
  const int dpi = window_.PositionDpi();
  return RunEach(
      [&] {
        return store_.SaveSetting(s::kAppName, s::kSection, s::kHaut,
                                  core::CoordinateText(PixelsToTwips(r->top, dpi)));
      },
      [&] {
        return store_.SaveSetting(s::kAppName, s::kSection, s::kGauche,
                                  core::CoordinateText(PixelsToTwips(r->left, dpi)));
      });
}

void MainWindowLogic::ApplyAlwaysOnTop() { window_.SetTopmost(IsOn(alwaysVisible_)); }

bool MainWindowLogic::SendToTray() {
  if (!tray_.ShowIcon()) return false;
  window_.Hide();
  return true;
}

bool MainWindowLogic::RestoreFromTray() {
  if (!tray_.RemoveIcon()) return false;
  window_.Show();
  return true;
}

// Decided by the icon's state alone, not by whether the window is visible.
bool MainWindowLogic::ToggleTray() { return tray_.InTray() ? RestoreFromTray() : SendToTray(); }

bool MainWindowLogic::OnTrayButton() { return tray_.SetTipText(tip_ = menu_.TipText()) && ToggleTray(); }

bool MainWindowLogic::OnTrayIconClick(int button) {
  return button != platform::kTrayLeftButton || ToggleTray();
}

}  // namespace kalvero::app
