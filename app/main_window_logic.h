// The main window's logic: the start-up sequence, the close sequence, the
// tray toggle and the topmost state.
#pragma once

#include "platform/settings_store.h"
#include "platform/tray.h"
#include "platform/window.h"
#include "settings/settings_window_logic.h"

namespace kalvero::app {

class MainWindowLogic final : public settings::IAlwaysOnTop {
 public:
  MainWindowLogic(platform::ISettingsStore& store, platform::IMainWindow& window,
                  platform::ITrayIcon& tray, platform::IInstanceGuard& instance)
      : store_(store), window_(window), tray_(tray), instance_(instance) {}

  // Runs before the window is first shown. False when another instance owns the
  // session: the caller then ends without showing anything. Every later step
  // runs even when an earlier one failed.
  bool OnLoad();
  // A close is never refused, whatever its origin; the window goes to the tray first.
  bool OnCloseRequest();
  // Writes the position when asked to at start-up; the caller then ends.
  bool OnUnload();

  void SetAlwaysVisibleFlag(double flag) override { alwaysVisible_ = flag; }
  void ApplyAlwaysOnTop() override;

  // Icon in, window hidden; icon out, window shown. Each stops at the icon's
  // failure, so the window is never hidden without an icon to bring it back.
  bool SendToTray();
  bool RestoreFromTray();
  bool OnTrayButton();               // Command5
  bool OnTrayIconClick(int button);  // the icon's mouse notification
  // The start-up sequence wanted the tray but the notification area refused
  // the icon: the window stays shown until SendToTray works.
  bool TrayPending() const { return trayPending_; }

 private:
  std::wstring Read(std::wstring_view key, std::wstring_view defaultText);
  bool RestorePosition();
  bool ToggleTray();

  platform::ISettingsStore& store_;
  platform::IMainWindow& window_;
  platform::ITrayIcon& tray_;
  platform::IInstanceGuard& instance_;
  double alwaysVisible_ = 0;     // from FenVisible
  double rememberPosition_ = 0;  // from DerPosition, read at start-up only
  bool trayPending_ = false;
};

}  // namespace kalvero::app
