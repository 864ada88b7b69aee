// Where a restored main window goes, so that a saved position never leaves the
// window where the user cannot reach it.
#pragma once

#include <vector>

#include "platform/layout.h"
#include "platform/window.h"

namespace kalvero::core {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// leftTw/topTw: the restored position in twips at dpi (the system DPI, in which
// positions are stored); window: its outer size at any DPI, since it takes the
// DPI of the monitor it lands on. Returns the window's top-left corner in pixels:
//  1. wholly on one monitor at the size it has there, and touching a work area:
//     kept as it is (monitors left of or above the primary one have negative
//     coordinates); wholly on one but under its taskbar: moved into the nearest
//     work area;
//  2. otherwise a negative coordinate becomes 100 twips;
//  3. a window that then touches no monitor's work area is moved into the work
//     area of the nearest monitor, at its size there. Partly off screen is left
//     alone.
Point PlaceRestoredWindow(double leftTw, double topTw, platform::IScaledWindow& window, int dpi,
                          const std::vector<platform::Monitor>& monitors);

// The settings window opens 180 twips below the main window and 1000 twips to
// the left of it, moved the least distance that keeps it wholly inside the
// work area of the main window's monitor.
Point PlaceSettingsWindow(const platform::Rect& mainWindow, int width, int height, int dpi,
                          const platform::Rect& workArea);

// A window centred over its opener, moved the least distance that keeps it
// wholly inside the work area.
Point CentreOver(const platform::Rect& opener, int width, int height,
                 const platform::Rect& workArea);

}  // namespace kalvero::core
