// The registry helpers' case table against the real registry of the test prefix.
#include <gtest/gtest.h>

#include "platform/win32_registry.h"
#include "tests/shared/registry_cases.h"

namespace {

TEST(RegistryHelpersWine, CaseTableAgainstTheRealRegistry) {
  kalvero::platform::Win32Registry registry;
  for (auto root : {kalvero::platform::RegRoot::CurrentUser, kalvero::platform::RegRoot::LocalMachine}) {
    SCOPED_TRACE(root == kalvero::platform::RegRoot::CurrentUser ? "HKCU" : "HKLM");
    kalvero::test::RunRegistryHelperCases(registry, root, L"Software\\KalveroTest\\Helpers");
  }
}

}  // namespace
