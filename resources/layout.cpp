#include "resources/layout.h"

namespace kalvero::layout {

int ToPixels(int twips, int dpi) {
  // Round half away from zero, as MulDiv does.
  const long long num = static_cast<long long>(twips) * dpi;
  return static_cast<int>(num >= 0 ? (num + 720) / 1440 : -((-num + 720) / 1440));
}

PixelRect ToPixels(const Control& c, int dpi) {
  const int x = ToPixels(c.left, dpi), y = ToPixels(c.top, dpi);
  return {x, y, ToPixels(c.left + c.width, dpi) - x, ToPixels(c.top + c.height, dpi) - y};
}

}  // namespace kalvero::layout

#include "resources/layout_main.h"

namespace kalvero::layout {

int ScaleIndex(std::span<const int> renderedSizes, int sizePx) {
  int i = 0;
  while (i + 1 < static_cast<int>(renderedSizes.size()) && renderedSizes[i] < sizePx) ++i;
  return i;
}

int PictureScaleIndex(int sizePx) { return ScaleIndex(kPictureSizes, sizePx); }

}  // namespace kalvero::layout
