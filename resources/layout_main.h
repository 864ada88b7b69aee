// The main window: a strip of five picture buttons. The buttons are 495 twips
// wide but 480 apart, so neighbours share one pixel at 96 dpi.
#pragma once

#include "platform/layout.h"
#include "resources/resource_ids.h"

namespace kalvero::layout {

using namespace platform::style;
using platform::Control;

enum MainControlId { kCommand1 = 101, kCommand2, kCommand3, kCommand4, kCommand5 };

// The window text is the tooltip, so screen readers name the button too.
inline constexpr unsigned kPictureButton = kOwnerDrawButton | kTabStop;
// In tab order, which is not the order on screen.
inline constexpr Control kMainControls[] = {
    {kCommand1, L"BUTTON", kPictureButton, 0, 0, 495, 495, L"Arrêt de Windows", 0, IDB_SHUTDOWN},
    {kCommand3, L"BUTTON", kPictureButton, 960, 0, 495, 495, L"Déconnexion utilisateur", 0,
     IDB_LOGOFF},
    {kCommand4, L"BUTTON", kPictureButton, 1440, 0, 495, 495, L"Réglages de Kalvero", 0,
     IDB_SETTINGS},
    {kCommand5, L"BUTTON", kPictureButton, 1920, 0, 495, 495, L"Réduire dans la barre des tâches",
     0, IDB_TRAY},
    {kCommand2, L"BUTTON", kPictureButton, 480, 0, 495, 495, L"Redémarrer Windows", 0, IDB_RESTART},
};

inline constexpr platform::WindowLayout kMainLayout{2415, 495, kMainControls, {}};

// Sizes in pixels of the rendered pictures, one per scale index.
inline constexpr int kPictureSizes[] = {33, 41, 50, 66};

}  // namespace kalvero::layout
