// The main window: a fixed strip of five picture buttons.
#pragma once

#include <windows.h>

#include <array>

#include "app/power.h"
#include "app/startup.h"
#include "platform/win32_handle.h"
#include "platform/win32_tray.h"
#include "platform/win32_window.h"
#include "platform/win32_window_base.h"
#include "settings/settings_window.h"

namespace kalvero::app {

class MainWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KalveroMain";

  MainWindow(HINSTANCE instance, MainWindowLogic& logic, PowerActions& power,
             platform::Win32MainWindow& windowOps, platform::Win32TrayIcon& tray,
             settings::SettingsWindow& settingsWindow);
  // Creates the window hidden; false when that failed.
  bool Create();
  HWND Handle() const { return hwnd_; }
  // Keyboard handling of the strip: Tab between buttons, Enter clicks.
  bool PreTranslate(MSG& msg);

 private:
  template <class T>
  friend LRESULT CALLBACK platform::WindowProcOf(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  void OnCreateControls();
  void CreateTooltips();
  void OnCommand(int id);
  void OnDrawItem(const DRAWITEMSTRUCT& di);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnSetFocus();
  void OnActivate(bool active);
  void OnClose();
  void OnEndSession(bool ending);
  void OnTrayNotify(LPARAM lp);
  void OnTaskbarCreated();

  void Layout(UINT dpi);

  HINSTANCE instance_;
  MainWindowLogic& logic_;
  PowerActions& power_;
  platform::Win32MainWindow& windowOps_;
  platform::Win32TrayIcon& tray_;
  settings::SettingsWindow& settingsWindow_;
  UINT taskbarCreated_ = 0;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND lastFocus_ = nullptr;
  bool closing_ = false;
  bool tooltipsTried_ = false;
  std::array<HWND, 5> buttons_{};
  std::array<platform::UniqueBitmap, 5> pictures_{};
  platform::WindowIcons icons_;
};

}  // namespace kalvero::app
