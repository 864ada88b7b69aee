// The MSI's custom actions for the machine's start-with-Windows value named Kalvero, which the program
// writes itself when an administrator ticks its box (so Windows Installer does not know it):
//   ForgetRun, at a real removal: the value goes when it names this install's exe; a portable copy's
//     entry, or another install's, stays. CustomActionData: the exe's path.
//   SaveRun and KeepRun, at an upgrade: the value as it was before the older package was removed comes
//     back, once the new exe is in place, if it named this exe and is gone. Windows Installer tells the
//     older package it is being replaced (UPGRADINGPRODUCTCODE), so there it never went; Wine's does
//     not, and its removal took it. SaveRun (immediate) gives KeepRun the exe's path, "|", the value.
// ForgetRun and KeepRun are deferred, without impersonation. No result is looked at: nothing here may
// stop a removal or an upgrade.
#include <windows.h>
#include <msiquery.h>

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Room for SaveRun's data: a folder under MAX_PATH characters, "Kalvero.exe|" and a Run value read
// into MAX_PATH + 2.
constexpr DWORD kDataSize = 3 * MAX_PATH;

// The program writes its short 8.3 path, or its long one in quotes where the volume has no short names:
// both sides are compared as their long paths, without case, while the exe is there.
bool SameFile(const wchar_t* value, const wchar_t* exe) {
  wchar_t path[MAX_PATH], a[MAX_PATH], b[MAX_PATH];
  const int n = lstrlenW(value), quoted = n >= 2 && value[0] == L'"' && value[n - 1] == L'"';
  if (n >= MAX_PATH) return false;
  lstrcpynW(path, value + quoted, n - 2 * quoted + 1);
  const DWORD la = GetLongPathNameW(path, a, MAX_PATH), lb = GetLongPathNameW(exe, b, MAX_PATH);
  return la && la < MAX_PATH && lb && lb < MAX_PATH && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool Data(MSIHANDLE install, wchar_t (&data)[kDataSize]) {
  DWORD n = kDataSize;
  return MsiGetPropertyW(install, L"CustomActionData", data, &n) == ERROR_SUCCESS && n < kDataSize;
}

struct RunKey {
  RunKey() { RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key); }
  ~RunKey() { if (key) RegCloseKey(key); }
  // The value named Kalvero, when it is text; empty otherwise.
  bool Read(wchar_t (&value)[MAX_PATH + 2]) const {
    DWORD size = sizeof value - sizeof(wchar_t), type = 0;
    value[0] = L'\0';
    if (!key || RegQueryValueExW(key, L"Kalvero", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) || type != REG_SZ) return false;
    return value[size / sizeof(wchar_t)] = L'\0', true;
  }
  HKEY key = nullptr;
};

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall ForgetRun(MSIHANDLE install) {
  wchar_t exe[kDataSize], value[MAX_PATH + 2];
  const RunKey run;
  if (Data(install, exe) && run.Read(value) && SameFile(value, exe)) RegDeleteValueW(run.key, L"Kalvero");
  return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall SaveRun(MSIHANDLE install) {
  wchar_t data[kDataSize], value[MAX_PATH + 2];
  DWORD n = MAX_PATH;
  if (RunKey().Read(value) && MsiGetPropertyW(install, L"INSTALLFOLDER", data, &n) == ERROR_SUCCESS && n < MAX_PATH) {
    lstrcatW(lstrcatW(lstrcatW(data, L"Kalvero.exe"), L"|"), value);
    MsiSetPropertyW(install, L"KeepRun", data);
  }
  return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall KeepRun(MSIHANDLE install) {
  wchar_t data[kDataSize], now[MAX_PATH + 2];
  const RunKey run;
  wchar_t* const bar = Data(install, data) ? wcschr(data, L'|') : nullptr;
  if (!bar || run.Read(now)) return ERROR_SUCCESS;
  *bar = L'\0';
  if (run.key && SameFile(bar + 1, data))
    RegSetValueExW(run.key, L"Kalvero", 0, REG_SZ, reinterpret_cast<const BYTE*>(bar + 1), (lstrlenW(bar + 1) + 1) * sizeof(wchar_t));
  return ERROR_SUCCESS;
}
