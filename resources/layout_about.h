// The About window, on a black background.
#pragma once

#include "resources/layout.h"

namespace kalvero::layout {

inline constexpr int kAboutClientWidth = 5730;
inline constexpr int kAboutClientHeight = 3270;

enum AboutControlId {
  kCmdOK = 1,  // IDOK: Enter and Escape both close through it
  kCmdSysInfo = 302,
  kLblDescription,
  kLblDisclaimer,  // the e-mail link
  kLblTitle,
  kLblVersion,
  kLabel2,         // "Logiciel FREEWARE"
  kLabel3,         // the web link
  kCmdDetails,
  kImage1,
  kImage2,         // the donation button
};

// In tab order; the pictures take no focus. Label texts are set at load.
inline constexpr Control kAboutControls[] = {
    {kCmdOK, 4080, 1440, 1500, 585, 0, L"OK", 0},
    {kCmdSysInfo, 4080, 2760, 1485, 345, 1, L"&Système Info...", 0},
    {kLblDescription, 1080, 960, 3885, 195, 2, L"", 0},
    {kLblDisclaimer, 120, 1320, 3585, 225, 3, L"", 0},
    {kLblTitle, 1080, 120, 3885, 360, 4, L"Kalvero", 0},
    {kLblVersion, 1080, 480, 3885, 225, 5, L"Version 1.0.0", 0},
    {kLabel2, 600, 2040, 2535, 255, 6, L"Logiciel FREEWARE", 0},
    {kLabel3, 360, 1560, 3195, 225, 7, L"", 0},
    {kCmdDetails, 4080, 2280, 1455, 375, 8, L"Détails...", 0},
    {kImage1, 120, 240, 720, 720, 9, L"", 0},
    {kImage2, 1200, 2400, 1500, 660, 10, L"", 0},
};

// The etched separator: a white line two pixels wide over a grey one.
inline constexpr int kLineWhiteY = 1200, kLineWhiteRight = 5549;
inline constexpr int kLineGreyY = 1217, kLineGreyRight = 5564;

inline constexpr int kAboutLogoSizes[] = {48, 60, 72, 96};
inline constexpr int kDonateWidths[] = {100, 125, 150, 200};

}  // namespace kalvero::layout
