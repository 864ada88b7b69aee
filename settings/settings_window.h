// The settings window, shown modally below the main window.
#pragma once

#include <windows.h>

#include "about/about_window.h"
#include "platform/win32_handle.h"
#include "platform/win32_window_base.h"
#include "settings/autostart.h"
#include "settings/settings_dialog.h"

namespace kalvero::settings {

class SettingsWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KalveroSettings";

  SettingsWindow(HINSTANCE instance, SettingsDialogLogic& logic, Autostart& autostart,
                 about::AboutWindow& about)
      : instance_(instance), logic_(logic), autostart_(autostart), about_(about) {}

  // Loads the window afresh, shows it below the main window and returns once
  // it is closed. The main window takes no input meanwhile.
  void ShowModal(HWND mainWindow);

 private:
  template <class T>
  friend LRESULT CALLBACK platform::WindowProcOf(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  bool Create(HWND mainWindow);
  void OnLoad();
  void OnCommand(int id);
  void OnApplyAndClose();
  void OnStartOnWinClicked();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void Unload();

  void Layout(UINT dpi);
  int State(int id) const;
  void SetState(int id, int state);

  HINSTANCE instance_;
  SettingsDialogLogic& logic_;
  Autostart& autostart_;
  about::AboutWindow& about_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  platform::UniqueFont font_, buttonFont_;
  platform::WindowIcons icons_;
};

}  // namespace kalvero::settings
