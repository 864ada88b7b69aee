// REG_SZ data is UTF-16LE whatever wchar_t is on the build machine, so the same
// byte sizes hold natively and on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kalvero::core {

// The text's UTF-16LE code units followed by one NUL code unit.
std::vector<std::uint8_t> EncodeRegSz(std::wstring_view text);
// The code units up to the first NUL (or the end), an odd trailing byte dropped.
std::wstring DecodeRegSz(const std::uint8_t* data, std::size_t size);
// Every code unit, NULs included.
std::wstring DecodeUtf16(const std::uint8_t* data, std::size_t size);

}  // namespace kalvero::core
