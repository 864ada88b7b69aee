// The registry helpers' case table against the real registry of the test prefix.
#include "platform/win32_registry.h"
#include "tests/shared/registry_cases.h"

TEST(RegistryHelpers, CaseTableAgainstTheRealRegistry) {
  kalvero::platform::Win32Registry reg;
  for (auto root : {kalvero::platform::RegRoot::CurrentUser, kalvero::platform::RegRoot::LocalMachine})
    kalvero::test::RunRegistryHelperCases(reg, [&] { return reg.OpenKeys(); }, root, L"Software\\KalveroTest");
}
