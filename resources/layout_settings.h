// The settings window. The two buttons stand inside the caption-less frame;
// their places are given here in the window's client area (the frame's 120,
// 1560 plus 240, 240 inside it).
#pragma once

#include "platform/layout.h"

namespace kalvero::layout {

using namespace platform::style;
using platform::Control;

enum SettingsControlId {
  kCheck1 = 201,   // FenVisible
  kStartOnWin,     // the autostart entry
  kCheck3,         // DerPosition
  kCheck2,         // AutoReduit
  kFrame1,
  kAbout,          // "A propos"
  kApplyAndClose,  // "Appliquer et fermer"
};

// A stored "2" shows greyed: the option boxes have three states.
inline constexpr unsigned kOptionBox = kThreeState | kTabStop;

// In tab order: Check2 comes last although it stands above the frame. Neither
// button is the default one.
inline constexpr Control kSettingsControls[] = {
    {kCheck1, L"BUTTON", kOptionBox, 120, 120, 4095, 255, L"Kalvero toujours visible"},
    {kStartOnWin, L"BUTTON", kCheckBox | kMultiLine | kTabStop, 120, 360, 4095, 375,
     L"Exécuter Kalvero au démarrage de l'ordinateur"},
    {kCheck3, L"BUTTON", kOptionBox, 120, 720, 4095, 255,
     L"Mémoriser la dernière position de la fenêtre principale"},
    {kFrame1, L"BUTTON", kGroupBox | kClipSiblings, 120, 1560, 4095, 855, L""},
    {kAbout, L"BUTTON", kPushButton | kTabStop, 120 + 240, 1560 + 240, 1215, 495, L"A propos", 1},
    {kApplyAndClose, L"BUTTON", kPushButton | kTabStop, 120 + 1680, 1560 + 240, 2175, 495,
     L"Appliquer et fermer", 1},
    {kCheck2, L"BUTTON", kOptionBox | kMultiLine, 120, 960, 3975, 495,
     L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur"},
};

inline constexpr platform::Font kSettingsFonts[] = {
    {800, 400, L"MS Shell Dlg 2"},  // the dialog font
    {825, 700, L"MS Sans Serif"},
};

inline constexpr platform::WindowLayout kSettingsLayout{4335, 2550, kSettingsControls,
                                                        kSettingsFonts};

}  // namespace kalvero::layout
