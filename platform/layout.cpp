#include "platform/layout.h"

#include <algorithm>
#include <cmath>

namespace kalvero::platform {

int TwipsToPixels(double twips, int dpi) {
  const double px = std::round(twips * dpi / 1440.0);
  if (std::isnan(px)) return 0;
  // Keeps the arithmetic on window positions well defined.
  constexpr double kLimit = 1 << 28;
  return static_cast<int>(std::clamp(px, -kLimit, kLimit));
}

double PixelsToTwips(int pixels, int dpi) { return std::round(pixels * 1440.0 / dpi); }

PixelRect ToPixels(const Control& c, int dpi) {
  const int x = TwipsToPixels(c.left, dpi), y = TwipsToPixels(c.top, dpi);
  return {x, y, TwipsToPixels(c.left + c.width, dpi) - x, TwipsToPixels(c.top + c.height, dpi) - y};
}

int ScaleIndex(std::span<const int> renderedSizes, int sizePx) {
  int i = 0;
  while (i + 1 < static_cast<int>(renderedSizes.size()) && renderedSizes[i] < sizePx) ++i;
  return i;
}

}  // namespace kalvero::platform
