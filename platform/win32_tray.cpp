#include "platform/win32_tray.h"

#include <algorithm>

#include "platform/win32_system_function.h"
#include "platform/win32_trace.h"
#include "platform/win32_window.h"

namespace kalvero::platform {
namespace {

constexpr UINT kIconId = 1;

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  using Fn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*);
  static const auto fn = SystemFunction<Fn>(L"shell32.dll", "Shell_NotifyIconW");
  return fn ? fn(message, data) : FALSE;
}

}  // namespace

Win32TrayIcon::~Win32TrayIcon() {
  if (inTray_) {
    NOTIFYICONDATAW d = Data(0);
    NotifyIcon(NIM_DELETE, &d);
  }
}

NOTIFYICONDATAW Win32TrayIcon::Data(UINT flags) {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof d;
  d.hWnd = hwnd_;
  d.uID = kIconId;
  d.uFlags = flags;
  d.uCallbackMessage = kCallbackMessage;
  d.hIcon = icon_.get();
  const std::size_t n = std::min(tip_.size(), std::size(d.szTip) - 1);
  std::copy_n(tip_.begin(), n, d.szTip);
  return d;
}

bool Win32TrayIcon::SetTipText(std::wstring_view text) {
  tip_.assign(text);
  if (!inTray_) return true;
  // Under version 4 the shell shows the standard tooltip only when asked to.
  NOTIFYICONDATAW d = Data(NIF_TIP | (version4_ ? NIF_SHOWTIP : 0));
  return NotifyIcon(NIM_MODIFY, &d) != FALSE;
}

bool Win32TrayIcon::Add() {
  // The notification area shows small icons at the system DPI, whatever the
  // monitor the window is on; loaded anew after Explorer restarts.
  const int size = GetSystemMetrics(SM_CXSMICON);
  if (UniqueIcon icon = LoadIconAtSize(instance_, iconId_, size)) icon_ = std::move(icon);
  // NIF_SHOWTIP: the version 4 asked for below hides the tooltip without it;
  // older shells ignore the flag.
  NOTIFYICONDATAW d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  // On a slow logon the shell may give up answering an add and still make the
  // icon, then refuse every later add as a duplicate: an icon that takes a
  // change is ours all the same.
  if (!NotifyIcon(NIM_ADD, &d) && !NotifyIcon(NIM_MODIFY, &d)) return false;
  KALVERO_TRACE("icon added");
  // Version 4: a selection by keyboard (Enter, Space) arrives as a selection
  // too, not as a right button.
  // A shell that refuses it keeps sending the button messages of old.
  d.uVersion = NOTIFYICON_VERSION_4;
  version4_ = NotifyIcon(NIM_SETVERSION, &d) != FALSE;
  return true;
}

bool Win32TrayIcon::ShowIcon() { return inTray_ || (inTray_ = Add()); }

bool Win32TrayIcon::RemoveIcon() {
  if (!inTray_) return true;
  NOTIFYICONDATAW d = Data(0);
  // An icon the shell has already lost (Explorer restarting) counts as removed.
  if (!NotifyIcon(NIM_DELETE, &d) && FindWindowW(L"Shell_TrayWnd", nullptr)) return false;
  inTray_ = false;
  return true;
}

int Win32TrayIcon::ButtonOf(LPARAM lParam) {
  switch (LOWORD(lParam)) {
    case NIN_SELECT: return kTrayLeftButton;  // after the left button's release
    case WM_LBUTTONUP: return version4_ ? 0 : kTrayLeftButton;
    case NIN_KEYSELECT: {
      // Enter can be announced twice for one press.
      const LONG now = GetMessageTime();
      const bool repeat = lastKeySelect_ && now - lastKeySelect_ < static_cast<LONG>(GetDoubleClickTime());
      lastKeySelect_ = now;
      return repeat ? 0 : kTrayLeftButton;
    }
    case WM_RBUTTONUP: return kTrayRightButton;
    case WM_MBUTTONUP: return kTrayMiddleButton;
    default: return 0;
  }
}

bool Win32TrayIcon::OnTaskbarCreated() {
  if (!inTray_) return true;
  NOTIFYICONDATAW d = Data(0);
  NotifyIcon(NIM_DELETE, &d);  // a shell that kept it would refuse a second add
  return inTray_ = Add();
}

}  // namespace kalvero::platform
