#include <gtest/gtest.h>

#include "fakes.h"
#include "tests/shared/registry_cases.h"

namespace kalvero::settings {
namespace {

TEST(RegistryHelpers, CaseTableAgainstTheFakeRegistry) {
  test::FakeRegistry fake;
  test::RunRegistryHelperCases(fake, platform::RegRoot::CurrentUser, L"Software\\KalveroTest");
}

TEST(RegistryHelpers, TrimAtNull) {
  const struct {
    std::wstring in, out;
  } cases[] = {{L"", L""}, {L"abc", L"abc"}, {std::wstring(L"a\0b", 3), L"a"},
               {std::wstring(L"\0b", 2), L""}};
  for (const auto& c : cases) EXPECT_EQ(TrimAtNull(c.in), c.out);
}

}  // namespace
}  // namespace kalvero::settings
