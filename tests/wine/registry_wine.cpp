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
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                     approved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  const auto value = [&](const std::wstring& key) {  // empty when missing
    std::vector<BYTE> data(64);
    DWORD size = 64;
    return RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Kalvero", RRF_RT_ANY, nullptr, data.data(), &size)
               ? std::vector<BYTE>() : (data.resize(size), data);
  };
  std::vector<BYTE> mark{3, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2};
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, run.c_str(), L"Kalvero", REG_SZ, L"C:\\A\\K.exe", 22);
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, approved.c_str(), L"Kalvero", REG_BINARY, mark.data(), DWORD(mark.size()));
  EXPECT_TRUE(autostart.OnLoad() == 0 && value(run).size() == 22);
  EXPECT_EQ(autostart.OnClick(1), 1);
  mark[0] = 2;
  EXPECT_TRUE(value(approved) == mark && autostart.OnClick(0) == 0 && value(run).empty() && value(approved) == mark);
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, approved.c_str(), L"Kalvero");
}
