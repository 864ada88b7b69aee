#include "platform/win32_tray.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/win32_dpi.h"
#include "platform/win32_system_function.h"
#include "platform/win32_window.h"

namespace kalvero::platform {
namespace {

constexpr UINT kIconId = 1;
// A start with Windows can come before the taskbar is ready to take icons.
constexpr int kAddAttempts = 10;
constexpr DWORD kAddRetryMs = 300;

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
  NOTIFYICONDATAW d = Data(NIF_TIP);
  return NotifyIcon(NIM_MODIFY, &d) != FALSE;
}

bool Win32TrayIcon::Add() {
  if (!icon_) OnDpiChanged(DpiForWindow(hwnd_));
  NOTIFYICONDATAW d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  return NotifyIcon(NIM_ADD, &d) != FALSE;
}

bool Win32TrayIcon::ShowIcon() {
  if (inTray_) return true;
  for (int attempt = 1; !Add(); ++attempt) {
    if (attempt == kAddAttempts) return false;
    Sleep(kAddRetryMs);
  }
  return inTray_ = true;
}

bool Win32TrayIcon::RemoveIcon() {
  if (!inTray_) return true;
  NOTIFYICONDATAW d = Data(0);
  // An icon the shell has already lost (Explorer restarting) counts as removed.
  if (!NotifyIcon(NIM_DELETE, &d) && FindWindowW(L"Shell_TrayWnd", nullptr)) return false;
  inTray_ = false;
  return true;
}

int Win32TrayIcon::ButtonOf(LPARAM lParam) {
  // One notification per click, on the button's release.
  switch (LOWORD(lParam)) {
    case WM_LBUTTONUP: return kTrayLeftButton;
    case WM_RBUTTONUP: return kTrayRightButton;
    case WM_MBUTTONUP: return kTrayMiddleButton;
    default: return 0;
  }
}

bool Win32TrayIcon::OnTaskbarCreated() {
  if (!inTray_) return true;
  NOTIFYICONDATAW d = Data(0);
  NotifyIcon(NIM_DELETE, &d);  // a shell that kept it would refuse a second add
  if (Add()) return true;
  d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  inTray_ = NotifyIcon(NIM_MODIFY, &d) != FALSE;
  return inTray_;
}

void Win32TrayIcon::OnDpiChanged(UINT dpi) {
  // The notification area shows small icons: load the frame of that size.
  const int size = SystemMetricForDpi(SM_CXSMICON, dpi);
  UniqueIcon icon = LoadIconAtSize(instance_, iconId_, size);
  if (!icon) return;
  icon_ = std::move(icon);
  if (inTray_) {
    NOTIFYICONDATAW d = Data(NIF_ICON);
    NotifyIcon(NIM_MODIFY, &d);
  }
}

}  // namespace kalvero::platform
