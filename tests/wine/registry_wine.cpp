// The registry helpers against the real registry of the test prefix, in a key of their own under each root.
#include <gtest/gtest.h>

#include "core/utf16le.h"
#include "platform/win32_registry.h"
#include "settings/registry_helpers.h"

namespace kalvero::settings {

TEST(RegistryHelpers, CaseTableAgainstTheRealRegistry) {
  platform::Win32Registry reg;
  using Raw = std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;  // type and data
  const std::wstring subKey = L"Software\\KalveroTest", name = L"Valeur é ✓";
  const Raw none, dword7{{platform::kRegDword, {7, 0, 0, 0}}}, abc{{1, {'a', 0, 'b', 0, 'c', 0, 0, 0}}};
  const ValueSlot untouched = std::wstring(L"untouched");
  enum Op { Delete, Set, Query };
  // After: what a delete or a write leaves stored. Slot: what a read gives.
  const std::tuple<const char*, Raw, Op, TaggedValue, bool, platform::RegResult, Raw, ValueSlot> cases[] = {
      {"delete a value", dword7, Delete, {}, false, 0, none, untouched},
      {"write under a missing key", none, Set, std::wstring(L"abc"), true, 2, none, untouched},
      {"write abc: three characters and a NUL", dword7, Set, std::wstring(L"abc"), false, 0, abc, untouched},
      {"write the 16-bit -1", none, Set, std::int16_t{-1}, false, 0, Raw{{4, {255, 255, 255, 255}}}, untouched},
      {"read a path", Raw{{1, core::EncodeRegSz(L"C:\\Kalvéro ✓ \U0001F600")}}, Query, {}, false, 0, {},
       std::wstring(L"C:\\Kalvéro ✓ \U0001F600")},
      {"read stops at an inner NUL", Raw{{1, {'a', 0, 0, 0, 'b', 0, 0, 0}}}, Query, {}, false, 0, {}, L"a"},
      {"read a DWORD of 8 bytes", Raw{{4, {1, 2, 3, 4, 5, 6, 7, 8}}}, Query, {}, false, 234, {}, untouched},
      {"read a short DWORD", Raw{{4, {1, 2}}}, Query, {}, false, 0, {}, std::int32_t{0x0201}},
      {"read a missing value", none, Query, {}, false, 2, {}, untouched},
  };
  for (const auto root : {platform::RegRoot::CurrentUser, platform::RegRoot::LocalMachine}) {
    const auto stored = [&](const Raw* put) -> Raw {  // what the value holds, after putting *put there if given
      platform::ScopedRegKey k(reg);
      EXPECT_EQ(reg.CreateKey(root, subKey, platform::kKeyWrite | platform::kKeyRead, k.Receive()), 0);
      if (put) reg.DeleteValue(k.Get(), name);
      if (put && *put) reg.SetValue(k.Get(), name, (*put)->first, (*put)->second.data(), (*put)->second.size());
      std::uint32_t type = 0, size = 0;
      if (reg.QueryValue(k.Get(), name, type, nullptr, size) != 0) return std::nullopt;
      std::vector<std::uint8_t> data(size);
      return reg.QueryValue(k.Get(), name, type, data.data(), size), std::pair(type, data);
    };
    for (const auto& [what, before, op, written, missingKey, result, after, expected] : cases) {
      SCOPED_TRACE(what);
      stored(&before);
      const std::wstring key = missingKey ? subKey + L"\\Missing" : subKey;
      ValueSlot slot = untouched;
      EXPECT_EQ(op == Delete ? DeleteRegistryValue(reg, root, key, name)
                : op == Set  ? SetRegistryValue(reg, root, key, name, written)
                             : QueryRegistryValue(reg, root, key, name, slot), result);
      // What the store keeps of an odd value is its own affair.
      EXPECT_TRUE(op == Query || stored(nullptr) == after) << "the stored value is not as expected";
      EXPECT_TRUE(slot == expected) << "the value slot is not as expected";
      EXPECT_EQ(reg.OpenKeys(), 0u) << "a key was left open";
    }
  }
}

}  // namespace kalvero::settings
