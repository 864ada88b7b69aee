#include "settings/registry_helpers.h"

#include <vector>

#include "core/utf16le.h"

namespace kalvero::settings {

using namespace kalvero::platform;

RegResult DeleteRegistryValue(IRegistry& reg, RegRoot root, std::wstring_view subKey,
                              std::wstring_view name, std::uint32_t view) {
  ScopedRegKey key(reg);
  if (const RegResult r = reg.OpenKey(root, subKey, kWriteAccess | view, key.Receive()); r != 0) {
    key.Abandon();
    return r;
  }
  reg.DeleteValue(key.Get(), name);  // a value that is not there is no failure
  return key.Close();
}

RegResult SetRegistryValue(IRegistry& reg, RegRoot root, std::wstring_view subKey,
                           std::wstring_view name, const TaggedValue& value, std::uint32_t view) {
  ScopedRegKey key(reg);
  if (const RegResult r = reg.OpenKey(root, subKey, kWriteAccess | view, key.Receive()); r != 0) {
    key.Abandon();
    return r;
  }
  auto writeDword = [&](std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16),
                                   static_cast<std::uint8_t>(u >> 24)};
    reg.SetValue(key.Get(), name, kRegDword, bytes, 4);
  };
  if (const auto* i16 = std::get_if<std::int16_t>(&value)) {
    writeDword(*i16);  // keeps its sign
  } else if (const auto* i32 = std::get_if<std::int32_t>(&value)) {
    writeDword(*i32);
  } else if (const auto* text = std::get_if<std::wstring>(&value)) {
    const auto data = core::EncodeRegSz(*text);
    reg.SetValue(key.Get(), name, kRegSz, data.data(), static_cast<std::uint32_t>(data.size()));
  }
  return key.Close();
}

void SetRegistryString(IRegistry& reg, RegRoot root, std::wstring_view subKey,
                       std::wstring_view name, std::wstring_view text, std::uint32_t view) {
  SetRegistryValue(reg, root, subKey, name, std::wstring(text), view);
}

RegResult QueryRegistryValue(IRegistry& reg, RegRoot root, std::wstring_view subKey,
                             std::wstring_view name, ValueSlot& slot, std::uint32_t view) {
  ScopedRegKey key(reg);
  if (const RegResult r = reg.OpenKey(root, subKey, kReadAccess | view, key.Receive()); r != 0) {
    key.Abandon();
    return r;
  }
  std::uint32_t type = 0, size = 0;
  if (const RegResult r = reg.QueryValue(key.Get(), name, type, nullptr, size); r != 0) return r;

  if (type == kRegSz) {
    // Read into a buffer of exactly the size learnt; the text ends at its
    // first NUL, or with the data when it was stored without one.
    std::vector<std::uint8_t> data(size + 2, 0);
    if (const RegResult r = reg.QueryValue(key.Get(), name, type, data.data(), size); r != 0)
      return r;
    slot = TrimAtNull(core::DecodeRegSz(data.data(), size));
  } else if (type == kRegDword) {
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::uint32_t capacity = sizeof bytes;
    if (const RegResult r = reg.QueryValue(key.Get(), name, type, bytes, capacity); r != 0)
      return r;
    slot = static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                     (static_cast<std::uint32_t>(bytes[3]) << 24));
  }
  return key.Close();
}

std::wstring TrimAtNull(std::wstring_view text) {
  return std::wstring(text.substr(0, text.find(L'\0')));
}

}  // namespace kalvero::settings
