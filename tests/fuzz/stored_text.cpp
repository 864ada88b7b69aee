// Stored values as any program may have written them: any type, any bytes, the key or the value there or not.
// Input: the type, what the slot held before and whether the key and the value exist, then the value's bytes.
// Decoding reads nothing past the data (the sanitizer sees it) and gives back exactly its UTF-16 units up to
// the first NUL; a text read holds no NUL and encodes back to those units; a read that fails leaves the slot as
// it was; no key is left open.
#include <algorithm>

#include "core/utf16le.h"
#include "fakes.h"
#include "fuzz.h"
#include "settings/registry_helpers.h"

using namespace kalvero;

namespace {

// The text is the data's units up to a NUL unit or its end, nothing more, nothing less.
bool IsTextOf(const std::wstring& text, const std::uint8_t* data, std::size_t size) {
  const auto units = core::EncodeRegSz(text);
  const std::size_t n = units.size() - 2;  // without its NUL
  return text.find(L'\0') == std::wstring::npos && n <= size && std::equal(units.begin(), units.end() - 2, data) &&
         (size - n < 2 || (data[n] == 0 && data[n + 1] == 0)) && core::DecodeRegSz(units.data(), units.size()) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint32_t type = data[0] % 12;  // REG_SZ 1, REG_DWORD 4, and the others
  const std::uint8_t flags = data[1];
  const std::uint8_t* bytes = data + 2;  // to the end of libFuzzer's own buffer: a read past it is reported
  const std::size_t count = size - 2;

  const std::wstring text = core::DecodeRegSz(bytes, count);
  FUZZ_CHECK(IsTextOf(text, bytes, count));
  FUZZ_CHECK(settings::TrimAtNull(core::DecodeUtf16(bytes, count)) == text);

  test::FakeRegistry reg;
  if (flags & 1) reg.keys[L"HKCU\\K"];
  if (flags & 2) reg.keys[L"HKCU\\K"][L"V"] = {type, {bytes, bytes + count}};
  const settings::ValueSlot before[] = {{}, std::wstring(L"avant"), 7};
  settings::ValueSlot slot = before[flags / 4 % 3];
  const auto r = settings::QueryRegistryValue(reg, platform::RegRoot::CurrentUser, L"K", L"V", slot);
  FUZZ_CHECK(reg.open.empty() && NothingReported());
  if (r != 0 || (type != platform::kRegSz && type != platform::kRegDword)) {
    FUZZ_CHECK(slot == before[flags / 4 % 3]);
  } else if (type == platform::kRegSz) {
    FUZZ_CHECK(std::holds_alternative<std::wstring>(slot) && IsTextOf(std::get<std::wstring>(slot), bytes, count));
  } else {  // a DWORD of up to 4 bytes, the missing high bytes 0
    FUZZ_CHECK(count <= 4);
    std::uint32_t le = 0;
    for (std::size_t i = 0; i < count; ++i) le |= std::uint32_t{bytes[i]} << 8 * i;
    FUZZ_CHECK(slot == settings::ValueSlot(static_cast<std::int32_t>(le)));
  }
  return 0;
}
