#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/tray.h"
#include "platform/win32_handle.h"

namespace kalvero::platform {

// The icon in the notification area, identified by window and id rather than
// by a GUID: a GUID would tie it to the exe's path, and portable exes move.
// Every operation is one attempt: nothing here waits for the shell.
class Win32TrayIcon final : public ITrayIcon {
 public:
  static constexpr UINT kCallbackMessage = WM_APP + 1;

  // window: the window whose icon it is; the icon's notifications go there.
  Win32TrayIcon(HINSTANCE instance, int iconId, HWND window)
      : instance_(instance), iconId_(iconId), hwnd_(window) {}
  ~Win32TrayIcon() override;  // no ghost icon left behind

  bool SetTipText(std::wstring_view text) override;
  bool InTray() override { return inTray_; }
  bool ShowIcon() override;
  bool RemoveIcon() override;

  // The button code of a callback message: 1 for a selection by mouse or
  // keyboard (once per action), 2 and 4 for the right and middle buttons,
  // 0 for anything else.
  int ButtonOf(LPARAM lParam);
  // Explorer restarted and lost every icon: put ours back if it was there.
  // False when it could not be, and the window must come back instead.
  bool OnTaskbarCreated();

 private:
  NOTIFYICONDATAW Data(UINT flags);
  bool Add();

  HINSTANCE instance_;
  int iconId_;
  HWND hwnd_;
  bool inTray_ = false;
  bool version4_ = false;
  LONG lastKeySelect_ = 0;
  std::wstring tip_;
  UniqueIcon icon_;
};

}  // namespace kalvero::platform
