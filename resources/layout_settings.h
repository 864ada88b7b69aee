// The settings window. The two buttons stand inside the caption-less frame;
// their places are given here in the window's client area (the frame's 120,
// 1560 plus 240, 240 inside it).
#pragma once

#include "resources/layout.h"

namespace kalvero::layout {

inline constexpr int kSettingsClientWidth = 4335;
inline constexpr int kSettingsClientHeight = 2550;

enum SettingsControlId {
  kCheck1 = 201,     // FenVisible
  kStartOnWin,       // the autostart entry
  kCheck3,           // DerPosition
  kCheck2,           // AutoReduit
  kFrame1,
  kAbout,            // "A propos"
  kApplyAndClose,    // "Appliquer et fermer"
};

// In tab order: Check2 comes last although it stands above the frame.
inline constexpr Control kSettingsControls[] = {
    {kCheck1, 120, 120, 4095, 255, 0, L"Kalvero toujours visible", 0},
    {kStartOnWin, 120, 360, 4095, 375, 1, L"Exécuter Kalvero au démarrage de l'ordinateur", 0},
    {kCheck3, 120, 720, 4095, 255, 2, L"Mémoriser la dernière position de la fenêtre principale", 0},
    {kFrame1, 120, 1560, 4095, 855, 3, L"", 0},
    {kAbout, 120 + 240, 1560 + 240, 1215, 495, 4, L"A propos", 0},
    {kApplyAndClose, 120 + 1680, 1560 + 240, 2175, 495, 5, L"Appliquer et fermer", 0},
    {kCheck2, 120, 960, 3975, 495, 6,
     L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur", 0},
};

}  // namespace kalvero::layout
