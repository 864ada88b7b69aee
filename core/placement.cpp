#include "core/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kalvero::core {

using platform::IScaledWindow;
using platform::Monitor;
using platform::Size;
using platform::TwipsToPixels;
using platform::Rect;

namespace {

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Intersects(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Squared distance between two rectangles (0 when they touch or overlap).
double Distance2(const Rect& a, const Rect& b) {
  const double dx = std::max({0, b.left - a.right, a.left - b.right});
  const double dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx * dx + dy * dy;
}

int Fit(int pos, int size, int lo, int hi) {
  return std::max(lo, std::min(pos, hi - size));
}

Rect At(int x, int y, Size s) { return {x, y, x + s.width, y + s.height}; }

// The monitor whose work area is nearest to r; the first of equals.
const Monitor& Nearest(const Rect& r, const std::vector<Monitor>& monitors) {
  const Monitor* nearest = &monitors.front();
  double best = std::numeric_limits<double>::max();
  for (const auto& m : monitors) {
    if (const double d = Distance2(m.work, r); d < best) {
      best = d;
      nearest = &m;
    }
  }
  return *nearest;
}

// Moved the least distance into the work area nearest to it, at its size there.
Point IntoNearestWorkArea(const Rect& r, const std::vector<Monitor>& monitors, IScaledWindow& window) {
  const Monitor& m = Nearest(r, monitors);
  const Size s = window.OuterSize(m.dpi);
  return {Fit(r.left, s.width, m.work.left, m.work.right), Fit(r.top, s.height, m.work.top, m.work.bottom)};
}

bool TouchesWorkArea(const Rect& r, const std::vector<Monitor>& monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const Monitor& m) { return Intersects(m.work, r); });
}

}  // namespace

Point PlaceRestoredWindow(double leftTw, double topTw, IScaledWindow& window, int dpi,
                          const std::vector<Monitor>& monitors) {
  int x = TwipsToPixels(leftTw, dpi), y = TwipsToPixels(topTw, dpi);
  for (const auto& m : monitors) {
    const Rect r = At(x, y, window.OuterSize(m.dpi));
    if (!Contains(m.bounds, r)) continue;
    // Wholly on a monitor, yet perhaps all under a wide taskbar.
    return TouchesWorkArea(r, monitors) ? Point{x, y} : IntoNearestWorkArea(r, monitors, window);
  }
  if (topTw < 0) topTw = 100;
  if (leftTw < 0) leftTw = 100;
  x = TwipsToPixels(leftTw, dpi), y = TwipsToPixels(topTw, dpi);
  if (monitors.empty()) return {x, y};
  const Rect r = At(x, y, window.OuterSize(Nearest(At(x, y, window.OuterSize(dpi)), monitors).dpi));
  return TouchesWorkArea(r, monitors) ? Point{x, y} : IntoNearestWorkArea(r, monitors, window);
}

Point PlaceSettingsWindow(const Rect& mainWindow, int width, int height, int dpi,
                          const Rect& workArea) {
  const int x = mainWindow.left - TwipsToPixels(1000, dpi);
  const int y = mainWindow.bottom + TwipsToPixels(180, dpi);
  return {Fit(x, width, workArea.left, workArea.right), Fit(y, height, workArea.top, workArea.bottom)};
}

Point CentreOver(const Rect& opener, int width, int height, const Rect& workArea) {
  return {Fit((opener.left + opener.right - width) / 2, width, workArea.left, workArea.right),
          Fit((opener.top + opener.bottom - height) / 2, height, workArea.top, workArea.bottom)};
}

}  // namespace kalvero::core
