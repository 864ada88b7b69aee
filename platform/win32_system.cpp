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

namespace {

// A path as the file system names it: full, long names, no "\\?\" prefix, no
// trailing backslash, so that two spellings of one place compare equal.
std::wstring Normalised(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    const bool fits = n < full.size();
    full.resize(n);
    if (fits) break;
  }
  std::wstring longer(full.size() + 1, L'\0');
  for (;;) {
    const DWORD n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (n == 0) break;  // not there: the full path is all there is
    const bool fits = n < longer.size();
    longer.resize(n);
    if (fits) {
      full = longer;
      break;
    }
  }
  if (full.rfind(L"\\\\?\\", 0) == 0) full.erase(0, 4);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

// The machine's own record of a Program Files folder, in the 64-bit registry, which
// a 32-bit process reaches too; the environment's copy is the user's to change.
std::wstring ProgramFilesFolder(const wchar_t* name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
    return {};
  const UniqueKey key(opened);
  wchar_t value[MAX_PATH + 1] = L"";
  DWORD type = 0, size = MAX_PATH * sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  value[size / sizeof(wchar_t)] = L'\0';  // stored without its NUL, it still ends here
  return value;
}

}  // namespace

bool Win32System::ExecutableInProgramFiles() {
  const std::wstring exe = Normalised(ModulePath());
  for (const wchar_t* name : {L"ProgramFilesDir", L"ProgramFilesDir (x86)"}) {
    const std::wstring folder = Normalised(ProgramFilesFolder(name));
    // Inside it, not merely named alike ("C:\Program Files Old").
    if (folder.empty() || exe.size() <= folder.size() + 1 || exe[folder.size()] != L'\\') continue;
    if (CompareStringOrdinal(exe.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                             static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL)
      return true;
  }
  return false;
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
