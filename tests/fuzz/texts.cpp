// Texts from outside: stored option texts, saved positions, and REG_SZ bytes either way.
#include <algorithm>
#include <cmath>

#include "core/number_text.h"
#include "core/utf16le.h"
#include "fuzz.h"

void Fuzz(FuzzedDataProvider& fdp) {
  std::wstring text = Text(fdp);
  const auto n = core::TextToNumber(text);
  CHECK(!n || std::isfinite(*n));
  // Up to 15 plain digits are exact in a double.
  if (text.size() <= 15 && std::ranges::all_of(text, [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
    CHECK(n == (text.empty() ? 0 : std::wcstod(text.c_str(), nullptr)));
  const int box = core::CheckStateFromText(text);
  CHECK(core::IsOptionOn(text) == (n == 1.0) && box >= 0 && box <= 2 && (box == 1 || n != 1.0));
  CHECK(core::CheckStateFromText(core::CheckStateText(box)) == box);

  // A position saved as text reads back as the same whole number of twips.
  const double twips = fdp.ConsumeIntegral<std::int64_t>() / 1024.0;
  const std::wstring saved = core::CoordinateText(twips);
  CHECK(!saved.empty() && saved.find_first_not_of(L"-0123456789") == std::wstring::npos &&
        (std::fabs(twips) >= 0x1p53 || core::TextToNumber(saved) == std::round(twips)));

  // Written texts come back whole, behind their NUL; read bytes stop at the first NUL.
  std::erase(text, L'\0');
  const auto bytes = core::EncodeRegSz(text), raw = fdp.ConsumeRemainingBytes<std::uint8_t>();
  CHECK(bytes.size() >= 2 && bytes.end()[-1] == 0 && bytes.end()[-2] == 0);
  CHECK(core::DecodeRegSz(bytes.data(), bytes.size()) == text);
  CHECK(core::DecodeUtf16(bytes.data(), bytes.size() - 2) == text);
  const std::wstring read = core::DecodeRegSz(raw.data(), raw.size()), all = core::DecodeUtf16(raw.data(), raw.size());
  CHECK(read.find(L'\0') == std::wstring::npos && all.substr(0, all.find(L'\0')) == read);
}
