// REG_SZ bytes as the registry hands them over, and texts written back.
#include "core/utf16le.h"
#include "fuzz.h"

void Fuzz(FuzzedDataProvider& fdp, const std::uint8_t* data, std::size_t size) {
  const std::wstring text = core::DecodeRegSz(data, size), all = core::DecodeUtf16(data, size);
  CHECK(text.find(L'\0') == std::wstring::npos && all.substr(0, all.find(L'\0')) == text);
  const Bytes again = core::EncodeRegSz(text);
  CHECK(core::DecodeRegSz(again.data(), again.size()) == text);

  std::wstring written = Text(fdp);
  std::erase(written, L'\0');
  const Bytes bytes = core::EncodeRegSz(written);
  CHECK(bytes.size() % 2 == 0 && bytes.size() >= 2 && bytes.end()[-1] == 0 && bytes.end()[-2] == 0);
  CHECK(core::DecodeRegSz(bytes.data(), bytes.size()) == written);
  CHECK(core::DecodeUtf16(bytes.data(), bytes.size() - 2) == written);
}
