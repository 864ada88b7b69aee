#include "platform/win32_power.h"

#include "platform/win32_handle.h"
#include "platform/win32_system_function.h"

namespace kalvero::platform {
namespace {

// FILETIME counts 100 ns from 1601; Now() counts seconds from 1970.
constexpr std::int64_t kTicksPerSecond = 10000000, kEpochTicks = 116444736000000000;

// The version Windows really is, whatever compatibility the exe asked for.
bool WindowsAtLeast(DWORD major, DWORD minor) {
  using VersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  static const auto version = SystemFunction<VersionFn>(L"ntdll.dll", "RtlGetVersion");
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (!version || version(&v) != 0) return false;
  return v.dwMajorVersion > major || (v.dwMajorVersion == major && v.dwMinorVersion >= minor);
}

// A machine policy that removes « Changer d'utilisateur » from Windows' own menus.
bool FastUserSwitchingHidden() {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
    return false;
  const UniqueKey key(opened);
  DWORD value = 0, type = 0, size = sizeof value;
  return RegQueryValueExW(key.get(), L"HideFastUserSwitching", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                          &size) == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

// Sleep and hibernation need the shutdown privilege, which an account may hold
// without it being enabled.
std::uint32_t EnableShutdownPrivilege() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) return GetLastError();
  const UniqueHandle token(opened);
  TOKEN_PRIVILEGES p{};
  p.PrivilegeCount = 1;
  p.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &p.Privileges[0].Luid)) return GetLastError();
  // It reports success even when the account does not hold the privilege.
  if (!AdjustTokenPrivileges(token.get(), FALSE, &p, 0, nullptr, nullptr)) return GetLastError();
  return GetLastError() == ERROR_NOT_ALL_ASSIGNED ? ERROR_NOT_ALL_ASSIGNED : 0;
}

}  // namespace

PowerCapabilities Win32PowerSystem::Capabilities() {
  using CapabilitiesFn = BOOLEAN(WINAPI*)(SYSTEM_POWER_CAPABILITIES*);
  using AllowedFn = BOOLEAN(WINAPI*)();
  static const auto read = SystemFunction<CapabilitiesFn>(L"powrprof.dll", "GetPwrCapabilities");
  static const auto suspendAllowed = SystemFunction<AllowedFn>(L"powrprof.dll", "IsPwrSuspendAllowed");
  static const auto hibernateAllowed = SystemFunction<AllowedFn>(L"powrprof.dll", "IsPwrHibernateAllowed");
  PowerCapabilities can;
  SYSTEM_POWER_CAPABILITIES s{};
  if (read && read(&s)) {
    // AoAc: these headers name the fields after FastSystemS4 (Hiberboot,
    // WakeAlarmPresent, AoAc) spare2.
    can.modernStandby = s.spare2[2] != 0;
    can.sleep = (s.SystemS1 || s.SystemS2 || s.SystemS3) && suspendAllowed && suspendAllowed();
    can.hibernate = s.SystemS4 && s.HiberFilePresent && hibernateAllowed && hibernateAllowed();
  }
  can.advancedStartup = WindowsAtLeast(6, 2);
  can.switchUser = !FastUserSwitchingHidden();
  return can;
}

std::uint32_t Win32PowerSystem::Suspend(bool hibernate) {
  using SuspendFn = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);
  static const auto suspend = SystemFunction<SuspendFn>(L"powrprof.dll", "SetSuspendState");
  if (!suspend) return ERROR_PROC_NOT_FOUND;
  if (const std::uint32_t refused = EnableShutdownPrivilege()) return refused;
  // Returns once the computer has woken up again.
  return suspend(hibernate, FALSE, FALSE) ? 0 : GetLastError();
}

std::uint32_t Win32PowerSystem::TurnDisplayOff() {
  // The window's default handling turns every display off (2: off).
  if (!window_) return ERROR_INVALID_WINDOW_HANDLE;
  SendMessageW(window_, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
  return 0;
}

std::uint32_t Win32PowerSystem::Lock() { return LockWorkStation() ? 0 : GetLastError(); }

std::uint32_t Win32PowerSystem::SwitchUser() {
  // Windows' own « Changer d'utilisateur »: this session is disconnected to the
  // welcome screen and keeps running.
  using DisconnectFn = BOOL(WINAPI*)(HANDLE, DWORD, BOOL);
  static const auto disconnect = SystemFunction<DisconnectFn>(L"wtsapi32.dll", "WTSDisconnectSession");
  if (!disconnect) return ERROR_PROC_NOT_FOUND;
  const DWORD currentSession = static_cast<DWORD>(-1);  // WTS_CURRENT_SESSION
  return disconnect(nullptr, currentSession, FALSE) ? 0 : GetLastError();
}

std::int64_t Win32Clock::Now() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const std::int64_t ticks = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (ticks - kEpochTicks) / kTicksPerSecond;
}

int Win32Clock::LocalMinuteOfDay(std::int64_t at) {
  const auto ticks = static_cast<ULONGLONG>(at * kTicksPerSecond + kEpochTicks);
  const FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
  return local.wHour * 60 + local.wMinute;
}

}  // namespace kalvero::platform
