#include "core/utf16le.h"

namespace kalvero::core {

std::vector<std::uint8_t> EncodeRegSz(std::wstring_view text) {
  std::vector<std::uint8_t> out;
  out.reserve((text.size() + 1) * 2);
  auto unit = [&out](std::uint32_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  };
  for (wchar_t wc : text) {
    const auto c = static_cast<std::uint32_t>(wc);
    if constexpr (sizeof(wchar_t) > 2) {
      if (c >= 0x10000) {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        continue;
      }
    }
    unit(c & 0xFFFF);
  }
  unit(0);
  return out;
}

namespace {

std::wstring Decode(const std::uint8_t* data, std::size_t size, bool stopAtNul) {
  std::wstring out;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    std::uint32_t u = data[i] | (data[i + 1] << 8);
    if (u == 0 && stopAtNul) break;
    if constexpr (sizeof(wchar_t) > 2) {
      if (u >= 0xD800 && u < 0xDC00 && i + 3 < size) {
        const std::uint32_t low = data[i + 2] | (data[i + 3] << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
    }
    out += static_cast<wchar_t>(u);
  }
  return out;
}

}  // namespace

std::wstring DecodeRegSz(const std::uint8_t* data, std::size_t size) {
  return Decode(data, size, true);
}

std::wstring DecodeUtf16(const std::uint8_t* data, std::size_t size) {
  return Decode(data, size, false);
}

}  // namespace kalvero::core
