// Delete, write and read one named value of one key. Each call opens the key,
// does its one job and closes it again; none raises, the registry's result
// code is the only report (0 is success). Keys are opened, never created.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/registry.h"

namespace kalvero::settings {

// What SetRegistryValue writes: REG_DWORD for the integers, REG_SZ for a text,
// nothing at all for any other kind.
struct OtherKind {};
using TaggedValue = std::variant<std::int16_t, std::int32_t, std::wstring, OtherKind>;

// What QueryRegistryValue fills; it keeps what it held when nothing is read.
using ValueSlot = std::variant<std::monostate, std::wstring, std::int32_t>;

inline constexpr std::uint32_t kWriteAccess = 0x3F;
inline constexpr std::uint32_t kReadAccess = 0x19;

// view: 0, or platform::kView64 to reach the 64-bit registry from a 32-bit build.
platform::RegResult DeleteRegistryValue(platform::IRegistry& reg, platform::RegRoot root,
                                        std::wstring_view subKey, std::wstring_view name,
                                        std::uint32_t view = 0);
platform::RegResult SetRegistryValue(platform::IRegistry& reg, platform::RegRoot root,
                                     std::wstring_view subKey, std::wstring_view name,
                                     const TaggedValue& value, std::uint32_t view = 0);
void SetRegistryString(platform::IRegistry& reg, platform::RegRoot root, std::wstring_view subKey,
                       std::wstring_view name, std::wstring_view text, std::uint32_t view = 0);
platform::RegResult QueryRegistryValue(platform::IRegistry& reg, platform::RegRoot root,
                                       std::wstring_view subKey, std::wstring_view name,
                                       ValueSlot& slot, std::uint32_t view = 0);
// The text up to its first NUL character.
std::wstring TrimAtNull(std::wstring_view text);

}  // namespace kalvero::settings
