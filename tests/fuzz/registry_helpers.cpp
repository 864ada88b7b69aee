// Delete, write and read one value, over whatever the registry held before.
#include "core/utf16le.h"
#include "fuzz.h"
#include "settings/registry_helpers.h"

using settings::ValueSlot;
using Read = std::pair<platform::RegResult, ValueSlot>;

// A text up to its first NUL; a DWORD zero-padded, or more data when too long;
// any other type leaves the slot alone.
Read Expected(const test::FakeRegistry::Value& v) {
  if (v.type == platform::kRegSz) return {0, core::DecodeRegSz(v.data.data(), v.data.size())};
  if (v.type != platform::kRegDword) return {0, {}};
  if (v.data.size() > 4) return {platform::kRegMoreData, {}};
  std::uint32_t u = 0;
  for (std::size_t k = 0; k < v.data.size(); ++k) u |= std::uint32_t{v.data[k]} << (8 * k);
  return {0, static_cast<std::int32_t>(u)};
}

void Fuzz(FuzzedDataProvider& fdp, const std::uint8_t*, std::size_t) {
  test::FakeRegistry reg;
  auto& values = reg.keys[L"HKCU\\K"];
  const std::wstring names[] = {L"a", L""};  // "" is the key's default value
  for (const auto& name : names)
    if (fdp.ConsumeBool())
      values[name] = {fdp.ConsumeIntegralInRange<std::uint32_t>(0, 5),
                      fdp.ConsumeBytes<std::uint8_t>(fdp.ConsumeIntegralInRange(0, 40))};
  constexpr auto kUser = platform::RegRoot::CurrentUser;
  for (int calls = 0; calls < 8 && fdp.remaining_bytes() > 0; ++calls) {
    const std::wstring& name = names[fdp.ConsumeBool()];
    const bool there = fdp.ConsumeBool();
    const std::wstring_view key = there ? L"K" : L"Gone";
    const int op = fdp.ConsumeIntegralInRange(0, 4);
    const auto i = fdp.ConsumeIntegral<std::int32_t>();
    const std::wstring text = Text(fdp, 40);
    const settings::TaggedValue value[] = {static_cast<std::int16_t>(i), i, text, settings::OtherKind{}};
    const ValueSlot readBack[] = {std::int32_t{static_cast<std::int16_t>(i)}, i, text.substr(0, text.find(L'\0'))};
    const auto r = op == 4 ? settings::DeleteRegistryValue(reg, kUser, key, name)
                           : settings::SetRegistryValue(reg, kUser, key, name, value[op]);
    CHECK(r == (there ? 0 : 2) && reg.open.empty() && !(op == 4 && there && values.contains(name)));

    ValueSlot slot;
    const auto got = settings::QueryRegistryValue(reg, kUser, key, name, slot);
    const bool stored = there && values.contains(name);
    CHECK(reg.open.empty() &&
          Read(got, slot) == (stored ? Expected(values.at(name)) : Read{platform::kRegFileNotFound, {}}));
    if (stored && op < 3) CHECK(slot == readBack[op]);
  }
}
