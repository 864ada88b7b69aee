// A restored window stays where the user can reach it, whatever was saved.
#include <algorithm>

#include "core/placement.h"
#include "fuzz.h"

void Fuzz(FuzzedDataProvider& fdp) {
  auto in = [&](int lo, int hi) { return fdp.ConsumeIntegralInRange(lo, hi); };
  std::vector<platform::Monitor> monitors(in(1, 4));
  for (auto& m : monitors) {  // a work area lies inside its monitor and is never empty
    const int left = in(-20000, 20000), top = in(-20000, 20000), w = in(1, 8000), h = in(1, 8000);
    const int l = in(0, w - 1), t = in(0, h - 1);
    m = {{left, top, left + w, top + h}, {left + l, top + t, left + in(l + 1, w), top + in(t + 1, h)}};
  }
  auto twips = [&] { return fdp.ConsumeBool() ? fdp.ConsumeFloatingPoint<double>() : in(-400000, 400000); };
  const double leftTw = twips(), topTw = twips();
  const int width = in(1, 4000), height = in(1, 4000), dpi = in(96, 384);
  const auto p = core::PlaceRestoredWindow(leftTw, topTw, width, height, dpi, monitors);
  CHECK(std::ranges::any_of(monitors, [&](const auto& m) {
    return p.x < m.work.right && m.work.left < p.x + width && p.y < m.work.bottom && m.work.top < p.y + height;
  }));
}
