// The registry helpers' case table against the real registry of the test prefix.
#include "platform/win32_registry.h"
#include "settings/autostart.h"
#include "tests/native/fakes.h"
#include "tests/shared/registry_cases.h"

TEST(RegistryHelpers, CaseTableAgainstTheRealRegistry) {
  kalvero::platform::Win32Registry reg;
  for (auto root : {kalvero::platform::RegRoot::CurrentUser, kalvero::platform::RegRoot::LocalMachine})
    kalvero::test::RunRegistryHelperCases(reg, [&] { return reg.OpenKeys(); }, root, L"Software\\KalveroTest");
}

// Task Manager's mark beside the machine-wide entry, in the real registry: disabled, the box opens cleared and nothing
// is rewritten; a tick enables it again, the rest of the mark kept; clearing removes the entry and leaves the mark.
TEST(Autostart, TaskManagerMarkInTheRealRegistry) {
  kalvero::platform::Win32Registry reg;
  kalvero::test::Fakes system;
  kalvero::settings::Autostart autostart{reg, system};
  const wchar_t *run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                *approved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  BYTE mark[12] = {3, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2}, read[64];
  DWORD size = 0;
  const auto value = [&](const wchar_t* key) {  // into read and size; false when missing (0x10000: the 64-bit view)
    size = sizeof read;
    return RegGetValueW(HKEY_LOCAL_MACHINE, key, L"Kalvero", RRF_RT_ANY | 0x10000, nullptr, read, &size) == 0;
  };
  const auto put = [](const wchar_t* key, DWORD type, const void* data, DWORD bytes) {  // no data: deleted
    HKEY k = nullptr;  // in the 64-bit view, which the program reaches from either build
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &k, nullptr);
    data ? RegSetValueExW(k, L"Kalvero", 0, type, static_cast<const BYTE*>(data), bytes) : RegDeleteValueW(k, L"Kalvero");
    RegCloseKey(k);
  };
  put(run, REG_SZ, L"C:\\A\\K.exe", 22);
  put(approved, REG_BINARY, mark, sizeof mark);
  EXPECT_TRUE(autostart.OnLoad() == 0 && value(run) && size == 22);
  mark[0] = 2;
  EXPECT_TRUE(autostart.OnClick(1) == 1 && value(approved) && size == 12 && !memcmp(read, mark, 12));
  EXPECT_TRUE(autostart.OnClick(0) == 0 && !value(run) && value(approved) && !memcmp(read, mark, 12));
  put(approved, 0, nullptr, 0);
}
