// The settings window, shown modally below the main window.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/settings_store.h"
#include "platform/win32_modal_window.h"
#include "settings/autostart.h"
#include "settings/settings_window_logic.h"

namespace kalvero::settings {

class SettingsWindow final : public platform::ModalWindow {
 public:
  // about: what "A propos" opens over this window.
  SettingsWindow(HINSTANCE instance, platform::ISettingsStore& store, Autostart& autostart,
                 platform::ModalWindow& about);

  // Loads the window afresh below the main window and returns once it is
  // closed. "Appliquer et fermer" changes main's topmost state at once.
  void Open(HWND mainWindow, IAlwaysOnTop& main);

 private:
  void OnLoad() override;
  POINT Place(HWND owner, SIZE size) override;
  void OnCommand(int id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void OnApplyAndClose();
  void OnStartOnWinClicked();

  int State(int id) const;
  void SetState(int id, int state);

  platform::ISettingsStore& store_;
  Autostart& autostart_;
  platform::ModalWindow& about_;
  std::optional<SettingsWindowLogic> logic_;
};

}  // namespace kalvero::settings
