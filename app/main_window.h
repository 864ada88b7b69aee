// The main window: a fixed strip of five picture buttons. It is also the
// window its logic moves, hides and makes topmost.
#pragma once

#include <windows.h>

#include <array>

#include "app/main_window_logic.h"
#include "app/power_actions.h"
#include "platform/win32_handle.h"
#include "platform/win32_tray.h"
#include "platform/win32_window.h"
#include "settings/settings_window.h"

namespace kalvero::app {

class MainWindow final : public platform::IMainWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KalveroMain";

  // Creates the window, hidden; false from Created() when that failed.
  MainWindow(HINSTANCE instance, platform::ISettingsStore& store,
             platform::IInstanceGuard& instanceGuard, PowerActions& power, PowerMenu& menu,
             settings::SettingsWindow& settings);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  bool Created() const { return hwnd_ != nullptr; }
  HWND Handle() const { return hwnd_; }

  // The start-up sequence, then the window shown unless it went to the tray.
  // False when another instance runs: nothing was shown.
  bool Start();
  // Keyboard handling of the strip: Tab between buttons, Enter clicks.
  bool PreTranslate(MSG& msg);

  // What the logic does to the window.
  void SetTopmost(bool topmost) override;
  void Hide() override;
  void Show() override;
  std::optional<platform::Rect> WindowRect() override;
  bool MoveTo(int x, int y) override;
  int PositionDpi() override;
  platform::Size OuterSize(int dpi) override;
  std::vector<platform::Monitor> Monitors() override;

 private:
  template <class T>
  friend LRESULT CALLBACK platform::WindowProcOf(HWND, UINT, WPARAM, LPARAM) noexcept;
  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  void OnCommand(int id);
  void OnContextMenu(HWND control, LPARAM lp);
  void OnMenuCommand(int command);
  void OnTimer(UINT_PTR timer);
  void WatchDelay();
  void OnDrawItem(const DRAWITEMSTRUCT& di);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnClose();
  void OnSystemChange();
  void OnTrayNotify(LPARAM lp);
  void OnTaskbarCreated();
  void RetryTray();
  void Layout(UINT dpi);

  // What the window procedure reads comes before hwnd_: the window gets its
  // first messages while hwnd_ is being initialised.
  HINSTANCE instance_;
  settings::SettingsWindow& settings_;
  UINT taskbarCreated_ = 0;
  HWND tooltip_ = nullptr;
  bool closing_ = false;
  bool tooltipsTried_ = false;
  int trayRetries_ = 0;
  std::array<platform::UniqueBitmap, 5> pictures_{};  // each loaded when its button is first drawn
  // The icons at the system DPI belong to the window class: Wine converts
  // them once, as it creates the window. icons_ are those set by Layout().
  platform::WindowIcons classIcons_, icons_;
  platform::FocusKeeper focus_;
  HWND hwnd_ = nullptr;
  platform::Win32TrayIcon tray_;  // the tray and the logic need the window
  MainWindowLogic logic_;
};

}  // namespace kalvero::app
