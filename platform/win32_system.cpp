#include "platform/win32_system.h"

#include <windows.h>

#include <vector>

namespace kalvero::platform {

bool Win32System::IsWindowsNT() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);  // only the platform family is read, which it still reports
#pragma GCC diagnostic pop
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::wstring Win32System::ModulePath() {
  // Paths may be longer than MAX_PATH: grow until the whole name fits.
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::optional<std::wstring> Win32System::ExecutableFolder() {
  std::wstring path = ModulePath();
  if (path.empty()) return std::nullopt;
  const auto slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return path;
  path.resize(slash);
  if (path.size() == 2 && path[1] == L':') path += L'\\';  // a drive's root keeps its backslash
  return path;
}

std::optional<std::wstring> Win32System::ExecutableRootName() {
  std::wstring name = ModulePath();
  if (name.empty()) return std::nullopt;
  name.erase(0, name.find_last_of(L'\\') + 1);
  if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.resize(dot);
  return name;
}

std::optional<std::wstring> Win32System::ShortPathName(const std::wstring& path) {
  const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::vector<wchar_t> buf(needed);
  const DWORD n = GetShortPathNameW(path.c_str(), buf.data(), needed);
  if (n == 0 || n >= needed) return std::nullopt;
  return std::wstring(buf.data(), n);
}

std::wstring Win32System::NativeSystemDirectory() {
  wchar_t path[MAX_PATH];
  BOOL wow64 = FALSE;
  const bool redirected = IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
  const UINT n = redirected ? GetWindowsDirectoryW(path, MAX_PATH) : GetSystemDirectoryW(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(path, n) + (redirected ? L"\\Sysnative" : L"");
}

bool Win32System::FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32InstanceGuard::AnotherInstanceRunning() {
  // Asked once; the mutex is then held for the life of the process.
  if (!asked_) {
    asked_ = true;
    mutex_.reset(CreateMutexW(nullptr, FALSE, L"Local\\Kalvero.SingleInstance"));
    // One that exists but may not be opened (another user's rights, an
    // elevated instance) is another instance too. Without a mutex for any
    // other reason we cannot tell: better to run than to refuse the user.
    const DWORD error = GetLastError();
    another_ = mutex_ ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
  }
  return another_;
}

}  // namespace kalvero::platform
