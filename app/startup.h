// The main window's logic: the start-up sequence, the close sequence and the
// topmost state.
#pragma once

#include "platform/settings_store.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace kalvero::app {

// Values read once and shared with the settings window.
struct ProgramFlags {
  double alwaysVisible = 0;     // from FenVisible
  double rememberPosition = 0;  // from DerPosition, read at start-up only
};

class MainWindowLogic {
 public:
  MainWindowLogic(platform::ISettingsStore& store, platform::IMainWindow& window,
                  platform::ITrayIcon& tray, platform::IInstanceGuard& instance)
      : store_(store), window_(window), tray_(tray), instance_(instance) {}

  // Runs before the window is first shown. False when another instance owns the
  // session: the caller then ends without showing anything. Every later step
  // runs even when an earlier one failed.
  bool OnLoad();
  // A close is never refused, whatever its origin; the window goes to the tray first.
  void OnCloseRequest();
  // Writes the position when asked to at start-up; the caller then ends.
  void OnUnload();

  void ApplyAlwaysOnTop();

  // Icon in, window hidden; icon out, window shown. Each stops at the icon's
  // failure, so the window is never hidden without an icon to bring it back.
  void SendToTray();
  void RestoreFromTray();
  void OnTrayButton();                 // Command5
  void OnTrayIconClick(int button);    // the icon's mouse notification

  ProgramFlags& Flags() { return flags_; }

 private:
  std::wstring Read(std::wstring_view key, std::wstring_view defaultText);
  void RestorePosition();
  void ToggleTray();

  platform::ISettingsStore& store_;
  platform::IMainWindow& window_;
  platform::ITrayIcon& tray_;
  platform::IInstanceGuard& instance_;
  ProgramFlags flags_;
};

}  // namespace kalvero::app
