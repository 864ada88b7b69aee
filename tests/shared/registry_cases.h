// One table of registry-helper cases, run natively against the in-memory
// registry and under Wine against the real one, in a key of its own.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "settings/registry_helpers.h"
#include "core/utf16le.h"

namespace kalvero::test {

// Counts the keys left open by whatever runs through it.
class CountingRegistry final : public platform::IRegistry {
 public:
  explicit CountingRegistry(platform::IRegistry& inner) : inner_(inner) {}
  std::set<platform::RegKeyId> open;

  platform::RegResult OpenKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t access,
                              platform::RegKeyId& key) override {
    const auto r = inner_.OpenKey(root, sub, access, key);
    if (r == 0) open.insert(key);
    return r;
  }
  platform::RegResult CreateKey(platform::RegRoot root, std::wstring_view sub,
                                std::uint32_t access, platform::RegKeyId& key) override {
    const auto r = inner_.CreateKey(root, sub, access, key);
    if (r == 0) open.insert(key);
    return r;
  }
  platform::RegResult QueryValue(platform::RegKeyId key, std::wstring_view name,
                                 std::uint32_t& type, std::uint8_t* data,
                                 std::uint32_t& size) override {
    return inner_.QueryValue(key, name, type, data, size);
  }
  platform::RegResult SetValue(platform::RegKeyId key, std::wstring_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) override {
    return inner_.SetValue(key, name, type, data, size);
  }
  platform::RegResult DeleteValue(platform::RegKeyId key, std::wstring_view name) override {
    return inner_.DeleteValue(key, name);
  }
  platform::RegResult CloseKey(platform::RegKeyId key) override {
    open.erase(key);
    return inner_.CloseKey(key);
  }

 private:
  platform::IRegistry& inner_;
};

struct RawValue {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  bool operator==(const RawValue&) const = default;
};

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> b) {
  return std::vector<std::uint8_t>(b.begin(), b.end());
}

// Runs every case under subKey (created and emptied first) below root.
inline void RunRegistryHelperCases(platform::IRegistry& real, platform::RegRoot root,
                                   const std::wstring& subKey) {
  using namespace kalvero::settings;
  using platform::kRegBinary;
  using platform::kRegDword;
  using platform::kRegExpandSz;
  using platform::kRegSz;

  CountingRegistry reg(real);
  const std::wstring missingKey = subKey + L"\\Missing";
  const std::wstring name = L"Valeur é ✓";

  auto put = [&](const std::optional<RawValue>& v) {
    platform::ScopedRegKey k(reg);
    ASSERT_EQ(reg.CreateKey(root, subKey, platform::kKeyWrite | platform::kKeyRead, k.Receive()), 0);
    reg.DeleteValue(k.Get(), name);
    if (v) reg.SetValue(k.Get(), name, v->type, v->data.data(), static_cast<std::uint32_t>(v->data.size()));
  };
  auto get = [&]() -> std::optional<RawValue> {
    platform::ScopedRegKey k(reg);
    if (reg.OpenKey(root, subKey, platform::kKeyRead, k.Receive()) != 0) {
      k.Abandon();
      return std::nullopt;
    }
    std::uint32_t type = 0, size = 0;
    if (reg.QueryValue(k.Get(), name, type, nullptr, size) != 0) return std::nullopt;
    RawValue v{type, std::vector<std::uint8_t>(size)};
    reg.QueryValue(k.Get(), name, type, v.data.data(), size);
    return v;
  };
  const ValueSlot untouched = std::wstring(L"untouched");
  const RawValue dword7{kRegDword, Bytes({7, 0, 0, 0})};

  enum class Op { Delete, Set, Query };
  struct Case {
    const char* what;
    std::optional<RawValue> before;  // the value before the call; absent: none
    Op op;
    TaggedValue written;             // for Set
    bool missingKey;
    platform::RegResult result;
    std::optional<RawValue> after;   // the value after a delete or a write
    ValueSlot slot;                  // for Query: the slot afterwards
  };
  const std::wstring path25 = L"C:\\PROGRA~1\\Kalvero\\K.exe";
  const Case cases[] = {
      {"delete a value that is not there", {}, Op::Delete, {}, false, 0, {}, untouched},
      {"delete a value", dword7, Op::Delete, {}, false, 0, {}, untouched},
      {"delete under a missing key", dword7, Op::Delete, {}, true, 2, dword7, untouched},
      {"write under a missing key", {}, Op::Set, std::wstring(L"abc"), true, 2, {}, untouched},
      {"read under a missing key", dword7, Op::Query, {}, true, 2, dword7, untouched},
      {"write abc: three characters and a NUL", {}, Op::Set, std::wstring(L"abc"), false, 0,
       RawValue{kRegSz, core::EncodeRegSz(L"abc")}, untouched},
      {"write the empty text: the NUL alone", {}, Op::Set, std::wstring(), false, 0,
       RawValue{kRegSz, Bytes({0, 0})}, untouched},
      {"write the 16-bit -1", {}, Op::Set, std::int16_t{-1}, false, 0,
       RawValue{kRegDword, Bytes({255, 255, 255, 255})}, untouched},
      {"write a 32-bit integer", {}, Op::Set, std::int32_t{0x01020304}, false, 0,
       RawValue{kRegDword, Bytes({4, 3, 2, 1})}, untouched},
      {"write another kind: nothing", dword7, Op::Set, OtherKind{}, false, 0, dword7, untouched},
      {"a text replaces a DWORD", dword7, Op::Set, std::wstring(L"x"), false, 0,
       RawValue{kRegSz, core::EncodeRegSz(L"x")}, untouched},
      {"read a path of 25 characters", RawValue{kRegSz, core::EncodeRegSz(path25)}, Op::Query, {},
       false, 0, RawValue{kRegSz, core::EncodeRegSz(path25)}, path25},
      {"read stops at an inner NUL", RawValue{kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0})},
       Op::Query, {}, false, 0, RawValue{kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0})},
       std::wstring(L"a")},
      {"read a text stored without its NUL, no padding", RawValue{kRegSz, Bytes({'o', 0, 'k', 0})},
       Op::Query, {}, false, 0, RawValue{kRegSz, Bytes({'o', 0, 'k', 0})}, std::wstring(L"ok")},
      {"read text outside the ANSI code page", RawValue{kRegSz, core::EncodeRegSz(L"Kalvéro ✓ 東京")},
       Op::Query, {}, false, 0, RawValue{kRegSz, core::EncodeRegSz(L"Kalvéro ✓ 東京")},
       std::wstring(L"Kalvéro ✓ 東京")},
      {"read a DWORD of 7", dword7, Op::Query, {}, false, 0, dword7, std::int32_t{7}},
      {"read a DWORD of 8 bytes", RawValue{kRegDword, Bytes({1, 2, 3, 4, 5, 6, 7, 8})}, Op::Query,
       {}, false, 234, RawValue{kRegDword, Bytes({1, 2, 3, 4, 5, 6, 7, 8})}, untouched},
      {"read a short DWORD fills the low bytes", RawValue{kRegDword, Bytes({1, 2})}, Op::Query,
       {}, false, 0, RawValue{kRegDword, Bytes({1, 2})}, std::int32_t{0x0201}},
      {"read an expandable text: nothing", RawValue{kRegExpandSz, core::EncodeRegSz(L"%x%")}, Op::Query,
       {}, false, 0, RawValue{kRegExpandSz, core::EncodeRegSz(L"%x%")}, untouched},
      {"read binary: nothing", RawValue{kRegBinary, Bytes({1, 2, 3})}, Op::Query, {}, false, 0,
       RawValue{kRegBinary, Bytes({1, 2, 3})}, untouched},
      {"read a missing value", {}, Op::Query, {}, false, 2, {}, untouched},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    put(c.before);
    const std::wstring& key = c.missingKey ? missingKey : subKey;
    ValueSlot slot = untouched;
    platform::RegResult r = -1;
    switch (c.op) {
      case Op::Delete: r = DeleteRegistryValue(reg, root, key, name); break;
      case Op::Set: r = SetRegistryValue(reg, root, key, name, c.written); break;
      case Op::Query: r = QueryRegistryValue(reg, root, key, name, slot); break;
    }
    EXPECT_EQ(r, c.result);
    // Reads change nothing; what the store keeps of an odd value is its own affair
    // (Wine adds the missing NUL of a text).
    if (c.op != Op::Query) {
      EXPECT_TRUE(get() == c.after) << "the stored value is not as expected";
    }
    EXPECT_TRUE(slot == c.slot) << "the value slot is not as expected";
    EXPECT_TRUE(reg.open.empty()) << "a key was left open";
  }
  // SetRegistryString drops the result: it still writes a text.
  put(std::nullopt);
  SetRegistryString(reg, root, subKey, name, L"C:\\K.exe");
  EXPECT_TRUE(get() == RawValue({kRegSz, core::EncodeRegSz(L"C:\\K.exe")}));
}

}  // namespace kalvero::test
