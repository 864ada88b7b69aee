// Conversions between the texts the program stores and the numbers it works
// with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalvero::core {

// The number at the start of a stored text, read the classic Basic way:
// blanks, tabs and line feeds are skipped anywhere, the point is always the
// decimal separator, E or D introduce an exponent, &H and &O read hexadecimal
// and octal whole numbers. A text without a leading number gives 0. Empty
// when the number is too large to represent.
std::optional<double> TextToNumber(std::wstring_view text);

// An option is on only when its number is exactly 1.
bool IsOn(double value);
bool IsOptionOn(std::wstring_view text);

// 0 cleared, 1 ticked, 2 greyed. Halves go to the even neighbour; a number
// that rounds to anything else shows the box cleared.
int CheckStateFromText(std::wstring_view text);
std::wstring CheckStateText(int state);

// Plain decimal digits with a leading minus: no locale, no grouping, and
// none of the formatting machinery of the C library in the exe.
std::wstring DecimalText(long long value);

// Positions are stored as whole twips, without any decimal separator that a
// later read would cut off.
std::wstring CoordinateText(double twips);

}  // namespace kalvero::core
