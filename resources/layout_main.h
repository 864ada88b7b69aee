// The main window: a strip of five picture buttons. The buttons are 495 twips
// wide but 480 apart, so neighbours share one pixel at 96 dpi.
#pragma once

#include "resources/layout.h"
#include "resources/resource_ids.h"

namespace kalvero::layout {

inline constexpr int kMainClientWidth = 2415;
inline constexpr int kMainClientHeight = 495;

enum MainControlId { kCommand1 = 101, kCommand2, kCommand3, kCommand4, kCommand5 };

inline constexpr Control kMainControls[] = {
    {kCommand1, 0, 0, 495, 495, 0, L"Arrêt de Windows", IDB_SHUTDOWN},
    {kCommand2, 480, 0, 495, 495, 4, L"Redémarrer Windows", IDB_RESTART},
    {kCommand3, 960, 0, 495, 495, 1, L"Déconnexion utilisateur", IDB_LOGOFF},
    {kCommand4, 1440, 0, 495, 495, 2, L"Réglages de Kalvero", IDB_SETTINGS},
    {kCommand5, 1920, 0, 495, 495, 3, L"Réduire dans la barre des tâches", IDB_TRAY},
};

// Sizes in pixels of the rendered pictures, one per scale index.
inline constexpr int kPictureSizes[] = {33, 41, 50, 66};

}  // namespace kalvero::layout
