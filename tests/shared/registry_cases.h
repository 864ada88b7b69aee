// One table of registry-helper cases, run natively against the in-memory registry and under Wine against
// the real one, in a key of its own.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "core/utf16le.h"
#include "settings/registry_helpers.h"

namespace kalvero::test {

// Runs every case under subKey (created and emptied first) below root; openKeys counts the keys left open.
inline void RunRegistryHelperCases(platform::IRegistry& reg, const std::function<std::size_t()>& openKeys,
                                   platform::RegRoot root, const std::wstring& subKey) {
  using namespace kalvero::settings;
  using platform::kRegDword;
  using platform::kRegSz;
  using Raw = std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;  // type and data
  const std::wstring name = L"Valeur é ✓";
  auto put = [&](const Raw& v) {
    platform::ScopedRegKey k(reg);
    ASSERT_EQ(reg.CreateKey(root, subKey, platform::kKeyWrite | platform::kKeyRead, k.Receive()), 0);
    reg.DeleteValue(k.Get(), name);
    if (v) reg.SetValue(k.Get(), name, v->first, v->second.data(), std::uint32_t(v->second.size()));
  };
  auto get = [&]() -> Raw {
    platform::ScopedRegKey k(reg);
    EXPECT_EQ(reg.OpenKey(root, subKey, platform::kKeyRead, k.Receive()), 0);
    std::uint32_t type = 0, size = 0;
    if (reg.QueryValue(k.Get(), name, type, nullptr, size) != 0) return std::nullopt;
    std::vector<std::uint8_t> data(size);
    reg.QueryValue(k.Get(), name, type, data.data(), size);
    return std::pair(type, data);
  };
  const Raw dword7{{kRegDword, {7, 0, 0, 0}}}, none;
  const Raw abc{{kRegSz, core::EncodeRegSz(L"abc")}}, path{{kRegSz, core::EncodeRegSz(L"C:\\Kalvéro ✓\\K.exe")}};
  const Raw inner{{kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0}}}, noNul{{kRegSz, {'o', 0, 'k', 0}}};
  const Raw long8{{kRegDword, {1, 2, 3, 4, 5, 6, 7, 8}}}, short2{{kRegDword, {1, 2}}};
  const Raw expand{{platform::kRegExpandSz, core::EncodeRegSz(L"%x%")}}, binary{{platform::kRegBinary, {1, 2, 3}}};
  const ValueSlot untouched = std::wstring(L"untouched");
  enum Op { Delete, Set, Query };
  const struct {
    const char* what;
    Raw before;
    Op op;
    TaggedValue written;
    bool missingKey;
    platform::RegResult result;
    Raw after;       // for a delete or a write
    ValueSlot slot;  // for a read
  } cases[] = {
      {"delete a value that is not there", none, Delete, {}, false, 0, none, untouched},
      {"delete a value", dword7, Delete, {}, false, 0, none, untouched},
      {"delete under a missing key", dword7, Delete, {}, true, 2, dword7, untouched},
      {"write under a missing key", none, Set, std::wstring(L"abc"), true, 2, none, untouched},
      {"read under a missing key", dword7, Query, {}, true, 2, dword7, untouched},
      {"write abc: three characters and a NUL", none, Set, std::wstring(L"abc"), false, 0, abc, untouched},
      {"write the empty text: the NUL alone", none, Set, std::wstring(), false, 0, Raw{{kRegSz, {0, 0}}}, untouched},
      {"write the 16-bit -1", none, Set, std::int16_t{-1}, false, 0, Raw{{kRegDword, {255, 255, 255, 255}}}, untouched},
      {"write another kind: nothing", dword7, Set, OtherKind{}, false, 0, dword7, untouched},
      {"a text replaces a DWORD", dword7, Set, std::wstring(L"abc"), false, 0, abc, untouched},
      {"read a path", path, Query, {}, false, 0, path, std::wstring(L"C:\\Kalvéro ✓\\K.exe")},
      {"read stops at an inner NUL", inner, Query, {}, false, 0, inner, std::wstring(L"a")},
      {"read a text stored without its NUL", noNul, Query, {}, false, 0, noNul, std::wstring(L"ok")},
      {"read a DWORD of 7", dword7, Query, {}, false, 0, dword7, std::int32_t{7}},
      {"read a DWORD of 8 bytes", long8, Query, {}, false, 234, long8, untouched},
      {"read a short DWORD", short2, Query, {}, false, 0, short2, std::int32_t{0x0201}},
      {"read an expandable text: nothing", expand, Query, {}, false, 0, expand, untouched},
      {"read binary: nothing", binary, Query, {}, false, 0, binary, untouched},
      {"read a missing value", none, Query, {}, false, 2, none, untouched},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    put(c.before);
    const std::wstring key = c.missingKey ? subKey + L"\\Missing" : subKey;
    ValueSlot slot = untouched;
    const platform::RegResult r = c.op == Delete ? DeleteRegistryValue(reg, root, key, name)
                                  : c.op == Set  ? SetRegistryValue(reg, root, key, name, c.written)
                                                 : QueryRegistryValue(reg, root, key, name, slot);
    EXPECT_EQ(r, c.result);
    // What the store keeps of an odd value is its own affair (Wine adds a text's missing NUL).
    EXPECT_TRUE(c.op == Query || get() == c.after) << "the stored value is not as expected";
    EXPECT_TRUE(slot == c.slot) << "the value slot is not as expected";
    EXPECT_EQ(openKeys(), 0u) << "a key was left open";
  }
}

}  // namespace kalvero::test
