// The option and position texts, as any program may have written them (each byte one character): the number
// read is finite; only the characters a number can be made of count, and blanks, tabs and line feeds count
// nowhere; an option is on exactly when its number is 1; a box shows the state nearest its number, and reads
// back its own text; a position written as text reads back as the whole number nearest it.
#include <cmath>
#include <cstring>

#include "core/number_text.h"
#include "fuzz.h"

using namespace kalvero::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text(data, data + size);
  const auto n = TextToNumber(text);
  FUZZ_CHECK(!n || std::isfinite(*n));
  FUZZ_CHECK(TextToNumber(text.substr(0, text.find_first_not_of(L" \t\n0123456789.+-eEdD&hHoOabcfABCF"))) == n);
  std::wstring blanked = text;
  blanked.insert(size ? data[0] % (size + 1) : 0, 1, L" \t\n"[size ? data[size - 1] % 3 : 0]);
  FUZZ_CHECK(TextToNumber(blanked) == n);

  FUZZ_CHECK(IsOptionOn(text) == (n == 1.0));
  const int box = CheckStateFromText(text);
  FUZZ_CHECK((box == 0 || box == 1 || box == 2) && CheckStateFromText(CheckStateText(box)) == box);
  FUZZ_CHECK(box == 0 || (n && std::abs(*n - box) <= 0.5));
  for (const int state : {1, 2}) FUZZ_CHECK(!n || std::abs(*n - state) >= 0.5 || box == state);

  double bits = 0;  // any double, from the last bytes, and the number read
  if (size >= sizeof bits) std::memcpy(&bits, data + size - sizeof bits, sizeof bits);
  for (const double twips : {bits, n.value_or(0)})
    if (std::abs(twips) < 0x1p63) FUZZ_CHECK(TextToNumber(CoordinateText(twips)) == std::round(twips));
  return 0;
}
