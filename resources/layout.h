// Window layouts are data: control tables in twips, turned into pixel
// rectangles at the DPI of the window they are shown in.
#pragma once

#include <span>

namespace kalvero::layout {

struct Control {
  int id;
  int left, top, width, height;  // twips
  int tabIndex;
  const wchar_t* text;           // caption, or the tooltip of a picture button
  int pictureId;                 // base resource id of a picture, 0 for none
};

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// Each edge is converted on its own, so controls that share an edge in twips
// share it in pixels too, and the last control ends exactly at the client edge.
int ToPixels(int twips, int dpi);
PixelRect ToPixels(const Control& c, int dpi);

}  // namespace kalvero::layout

namespace kalvero::layout {

// Which rendered picture to draw in a box of the given size: the smallest
// that is not smaller, so pictures are only ever scaled down.
int ScaleIndex(std::span<const int> renderedSizes, int sizePx);
int PictureScaleIndex(int sizePx);  // the strip's buttons

}  // namespace kalvero::layout
