// The strip's saved place, as any program may have written it, on any layout of up to four monitors that do not
// overlap, each at its own DPI, with a taskbar on any side; the place is near a work area's corner, or anything at
// all. A strip that is moved ends touching a work area (at the size it has on one of the monitors), so within
// reach; with no monitor known, within the pixels' range; one wholly on a monitor (at its size there) and touching
// a work area stays where it is.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>

#include "core/placement.h"
#include "fuzz.h"

using namespace kalvero;
using platform::Rect;

namespace {

struct Window : platform::IScaledWindow {
  int width = 0, height = 0;  // at 96 dpi
  platform::Size OuterSize(int dpi) override { return {width * dpi / 96, height * dpi / 96}; }
};

bool Meets(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
bool Within(const Rect& outer, const Rect& r) {
  return outer.left <= r.left && outer.top <= r.top && r.right <= outer.right && r.bottom <= outer.bottom;
}
Rect At(int x, int y, platform::Size s) { return {x, y, x + s.width, y + s.height}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<platform::Monitor> monitors(in.ConsumeIntegralInRange(0, 4));
  for (auto& m : monitors) {
    const int x = in.ConsumeIntegralInRange(-8192, 8192), y = in.ConsumeIntegralInRange(-8192, 8192);
    m.bounds = {x, y, x + in.ConsumeIntegralInRange(320, 4096), y + in.ConsumeIntegralInRange(240, 2160)};
    m.work = m.bounds;
    int* side[] = {&m.work.left, &m.work.top, &m.work.right, &m.work.bottom};
    const int bar = in.ConsumeIntegralInRange(0, 200), at = in.ConsumeIntegralInRange(0, 3);  // the taskbar
    *side[at] += at < 2 ? bar : -bar;
    m.dpi = in.ConsumeIntegralInRange(96, 480);
  }
  for (std::size_t i = 0; i < monitors.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (Meets(monitors[i].bounds, monitors[j].bounds)) return 0;
  Window window;
  window.width = in.ConsumeIntegralInRange(1, 600), window.height = in.ConsumeIntegralInRange(1, 300);
  const int dpi = in.ConsumeIntegralInRange(96, 480);  // the system's, in which the place is stored
  double leftTw, topTw;
  if (monitors.empty() || in.ConsumeBool()) {
    leftTw = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
    topTw = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
  } else {  // near a corner of a work area, in whole twips as they are saved
    const Rect& w = monitors[in.ConsumeIntegralInRange<std::size_t>(0, monitors.size() - 1)].work;
    const bool right = in.ConsumeBool(), bottom = in.ConsumeBool();
    leftTw = platform::PixelsToTwips((right ? w.right : w.left) + in.ConsumeIntegralInRange(-700, 700), dpi);
    topTw = platform::PixelsToTwips((bottom ? w.bottom : w.top) + in.ConsumeIntegralInRange(-400, 400), dpi);
  }

  const core::Point p = core::PlaceRestoredWindow(leftTw, topTw, window, dpi, monitors);
  if (monitors.empty()) {
    FUZZ_CHECK(std::abs(p.x) <= 1 << 28 && std::abs(p.y) <= 1 << 28);
    return 0;
  }
  FUZZ_CHECK(std::ranges::any_of(monitors, [&](const auto& on) {
    const Rect moved = At(p.x, p.y, window.OuterSize(on.dpi));
    return std::ranges::any_of(monitors, [&](const auto& m) { return Meets(m.work, moved); });
  }));
  const int x = platform::TwipsToPixels(leftTw, dpi), y = platform::TwipsToPixels(topTw, dpi);
  for (const auto& m : monitors) {
    const Rect r = At(x, y, window.OuterSize(m.dpi));
    if (Within(m.bounds, r) && std::ranges::any_of(monitors, [&](const auto& n) { return Meets(n.work, r); }))
      FUZZ_CHECK(p == (core::Point{x, y}));
  }
  return 0;
}
