// The About window, on a black background.
#pragma once

#include "platform/layout.h"
#include "resources/version.h"

namespace kalvero::layout {

using namespace platform::style;
using platform::Control;

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

inline constexpr unsigned kLabel = kStaticLeft | kNoPrefix;
inline constexpr unsigned kLink = kStaticCentre | kNotify | kNoPrefix;

// In tab order; labels and pictures take no focus. Label texts are set at load.
inline constexpr Control kAboutControls[] = {
    {kCmdOK, L"BUTTON", kDefPushButton | kTabStop, 4080, 1440, 1500, 585, L"OK", 3},
    {kCmdSysInfo, L"BUTTON", kPushButton | kTabStop, 4080, 2760, 1485, 345, L"&Système Info..."},
    {kLblDescription, L"STATIC", kLabel, 1080, 960, 3885, 195, L""},
    {kLblDisclaimer, L"STATIC", kLink, 120, 1320, 3585, 225, L""},
    {kLblTitle, L"STATIC", kLabel, 1080, 120, 3885, 360, L"Kalvero", 1},
    {kLblVersion, L"STATIC", kLabel, 1080, 480, 3885, 225, L"Version " KALVERO_VERSION_TEXT},
    {kLabel2, L"STATIC", kStaticCentre | kNoPrefix, 600, 2040, 2535, 255, L"Logiciel FREEWARE", 2},
    {kLabel3, L"STATIC", kLink, 360, 1560, 3195, 225, L""},
    {kCmdDetails, L"BUTTON", kPushButton | kTabStop, 4080, 2280, 1455, 375, L"Détails..."},
    {kImage1, L"STATIC", kStaticOwnerDraw, 120, 240, 720, 720, L""},
    {kImage2, L"STATIC", kStaticOwnerDraw | kNotify, 1200, 2400, 1500, 660, L""},
};

// Comic Sans MS where the system has it; the window falls back to the dialog font.
inline constexpr platform::Font kAboutFonts[] = {
    {825, 400, L"Comic Sans MS"},
    {1200, 700, L"Comic Sans MS"},  // the title
    {975, 700, L"Comic Sans MS"},   // the banner
    {825, 700, L"Comic Sans MS"},   // OK
};

inline constexpr platform::WindowLayout kAboutLayout{5730, 3270, kAboutControls, kAboutFonts};

// The etched separator: a white line two pixels wide over a grey one.
inline constexpr int kLineWhiteY = 1200, kLineWhiteRight = 5549;
inline constexpr int kLineGreyY = 1217, kLineGreyRight = 5564;

inline constexpr int kAboutLogoSizes[] = {48, 60, 72, 96};
inline constexpr int kDonateWidths[] = {100, 125, 150, 200};

}  // namespace kalvero::layout
