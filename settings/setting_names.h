// Where the program's settings live: application, section and key names.
#pragma once

#include <string_view>

namespace kalvero::settings {

inline constexpr std::wstring_view kAppName = L"Kalvero";  // also the program's title
inline constexpr std::wstring_view kSection = L"Settings";
inline constexpr std::wstring_view kFenVisible = L"FenVisible";
inline constexpr std::wstring_view kAutoReduit = L"AutoReduit";
inline constexpr std::wstring_view kDerPosition = L"DerPosition";
inline constexpr std::wstring_view kHaut = L"Haut";
inline constexpr std::wstring_view kGauche = L"Gauche";

}  // namespace kalvero::settings
