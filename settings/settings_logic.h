// Names of the stored settings and the conversions between their texts and
// the numbers the program works with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalvero::settings {

inline constexpr std::wstring_view kAppName = L"Kalvero";
inline constexpr std::wstring_view kSection = L"Settings";
inline constexpr std::wstring_view kFenVisible = L"FenVisible";
inline constexpr std::wstring_view kAutoReduit = L"AutoReduit";
inline constexpr std::wstring_view kDerPosition = L"DerPosition";
inline constexpr std::wstring_view kHaut = L"Haut";
inline constexpr std::wstring_view kGauche = L"Gauche";

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

}  // namespace kalvero::settings
