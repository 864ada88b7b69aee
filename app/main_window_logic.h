// The main window's logic: the start-up sequence, the close sequence, the
// tray toggle and the topmost state.
#pragma once

#include "app/power_actions.h"
#include "app/power_menu.h"
#include "platform/settings_store.h"
#include "platform/tray.h"
#include "platform/window.h"
#include "settings/settings_window_logic.h"

namespace kalvero::app {

class MainWindowLogic final : public settings::IAlwaysOnTop {
 public:
  MainWindowLogic(platform::ISettingsStore& store, platform::IMainWindow& window,
                  platform::ITrayIcon& tray, platform::IInstanceGuard& instance,
                  PowerActions& power, PowerMenu& menu)
      : store_(store), window_(window), tray_(tray), instance_(instance), power_(power), menu_(menu) {}

  // Runs before the window is first shown. False when another instance owns the
  // session: the caller then ends without showing anything. Every later step
  // runs even when an earlier one failed.
  bool OnLoad();
  // A close is never refused, whatever its origin. The position is written
  // first (when asked to at start-up), then the window goes to the tray: the
  // shell may already be going away. The caller then ends.
  bool OnClose();
  // Writes the position when asked to at start-up.
  bool SavePosition();
  // Command1 to Command3. The position is written before the request: a
  // forced shutdown may end the program without any close request.
  bool OnPowerButton(std::uint32_t (PowerActions::*request)());
  // The power buttons' menus: their lines, and a line chosen, carried out once
  // the position is written, as for the buttons.
  std::vector<MenuLine> MenuLines(int button) { return menu_.Lines(button); }
  void OnMenuCommand(int command);
  // Takes what the requests the menus made have done; true while some still run.
  bool PollRequests();
  // Seconds until the delay asked for from a menu ends, while one runs.
  std::optional<std::int64_t> SecondsToDelayEnd();
  // The tray icon's tooltip follows the delay: set when it starts, back to
  // "Kalvero" when it is cancelled or over.
  void RefreshTip();
  // The system's metrics, theme or screens changed and the window was resized:
  // moved back where the user can reach it, as a restored position would be.
  bool KeepReachable();

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
  PowerActions& power_;
  PowerMenu& menu_;
  std::wstring tip_ = L"Kalvero";
  double alwaysVisible_ = 0;     // from FenVisible
  double rememberPosition_ = 0;  // from DerPosition, read at start-up only
  bool trayPending_ = false;
};

}  // namespace kalvero::app
