// Stored option texts: the number read, the option rule and the check-box rule.
#include <algorithm>
#include <cmath>

#include "core/number_text.h"
#include "fuzz.h"

void Fuzz(FuzzedDataProvider& fdp, const std::uint8_t*, std::size_t) {
  const std::wstring text = Text(fdp);
  const auto n = core::TextToNumber(text);
  CHECK(!n || std::isfinite(*n));
  // Up to 15 plain digits are exact in a double.
  if (text.size() <= 15 && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
    CHECK(n == (text.empty() ? 0 : std::wcstod(text.c_str(), nullptr)));
  CHECK(core::IsOptionOn(text) == (n == 1.0));
  const int box = core::CheckStateFromText(text);
  CHECK(box >= 0 && box <= 2 && (box == 1 || !core::IsOptionOn(text)));
  CHECK(core::CheckStateFromText(core::CheckStateText(box)) == box);
}
