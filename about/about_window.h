// The About window: title, version, credits, links and the system tool.
#pragma once

#include <windows.h>

#include "about/about_logic.h"
#include "about/sysinfo.h"
#include "platform/win32_handle.h"
#include "platform/win32_shell.h"
#include "platform/win32_window_base.h"

namespace kalvero::about {

class AboutWindow {
 public:
  static constexpr const wchar_t* kClassName = L"KalveroAbout";

  AboutWindow(HINSTANCE instance, SysInfoLauncher& sysinfo, platform::Win32Shell& shell,
              platform::Win32MessageBox& box, const std::wstring& programFolder)
      : instance_(instance),
        sysinfo_(sysinfo),
        shell_(shell),
        box_(box),
        programFolder_(programFolder) {}

  // Loads the window afresh over its opener and returns once it is closed.
  void ShowModal(HWND opener);

 private:
  template <class T>
  friend LRESULT CALLBACK platform::WindowProcOf(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  bool Create(HWND opener);
  void OnLoad();
  void OnCommand(int id);
  void OnPaint();
  void OnDrawItem(const DRAWITEMSTRUCT& di);
  LRESULT OnCtlColor(HDC dc, HWND control);
  bool OnSetCursor(HWND over);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void Unload();

  void Layout(UINT dpi);
  void AddTooltip(int id, const wchar_t* text);

  HINSTANCE instance_;
  SysInfoLauncher& sysinfo_;
  platform::Win32Shell& shell_;
  platform::Win32MessageBox& box_;
  std::wstring programFolder_;
  Maker maker_ = BuildMaker();
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  HWND tooltip_ = nullptr;
  UINT dpi_ = 96;
  platform::UniqueFont titleFont_, textFont_, bannerFont_, boldButtonFont_;
  platform::UniqueBitmap logo_, donate_;
};

}  // namespace kalvero::about
