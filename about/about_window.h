// The About window: title, version, credits, links and the system tool.
#pragma once

#include <windows.h>

#include "about/about_texts.h"
#include "about/sysinfo_launcher.h"
#include "platform/win32_handle.h"
#include "platform/win32_modal_window.h"
#include "platform/win32_shell.h"

namespace kalvero::about {

class AboutWindow final : public platform::ModalWindow {
 public:
  AboutWindow(HINSTANCE instance, SysInfoLauncher& sysinfo, platform::Win32Shell& shell,
              platform::Win32MessageBox& box, const std::wstring& programFolder);

 private:
  void OnLoad() override;
  POINT Place(HWND owner, SIZE size) override;
  void OnCommand(int id) override;
  void OnDpi(UINT dpi) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void OnPaint();
  void OnDrawItem(const DRAWITEMSTRUCT& di);
  LRESULT OnCtlColor(HDC dc, HWND control);
  bool OnSetCursor(HWND over);

  SysInfoLauncher& sysinfo_;
  platform::Win32Shell& shell_;
  platform::Win32MessageBox& box_;
  std::wstring programFolder_;
  Maker maker_ = BuildMaker();
  platform::UniqueBitmap logo_, donate_;
};

}  // namespace kalvero::about
