// Window layouts are data: control tables in twips, turned into pixel
// rectangles at the DPI of the window they are shown in. Portable, so the
// tables and the conversion are tested natively.
#pragma once

#include <span>

namespace kalvero::platform {

// The window styles the tables use, by value, so the tables need no system
// header. The Win32 side checks them against the real ones.
namespace style {
inline constexpr unsigned kTabStop = 0x00010000, kClipSiblings = 0x04000000;
inline constexpr unsigned kPushButton = 0x0, kDefPushButton = 0x1, kCheckBox = 0x2,
                          kThreeState = 0x5, kGroupBox = 0x7, kOwnerDrawButton = 0xB,
                          kMultiLine = 0x2000;
inline constexpr unsigned kStaticLeft = 0x0, kStaticCentre = 0x1, kStaticOwnerDraw = 0xD,
                          kNoPrefix = 0x80, kNotify = 0x100;
}  // namespace style

struct Font {
  int hundredthsOfPoint;
  int weight;          // 400 regular, 700 bold
  const wchar_t* face;
};

// Tables list their controls in tab order: creation order is the tab order.
struct Control {
  int id;
  const wchar_t* className;      // "BUTTON" or "STATIC"
  unsigned style;                // beyond a visible child window's own
  int left, top, width, height;  // twips, in the window's client area
  const wchar_t* text;           // caption, or the tooltip of a picture button
  int font = 0;                  // index into the window's fonts
  int pictureId = 0;             // base resource id of a picture, 0 for none
};

struct WindowLayout {
  int clientWidth, clientHeight;  // twips
  std::span<const Control> controls;
  std::span<const Font> fonts;
};

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// Twips to pixels at a DPI, half away from zero. Stored values can be anything:
// the result is clamped, and a NaN gives 0.
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// Each edge is converted on its own, so controls that share an edge in twips
// share it in pixels too, and the last control ends exactly at the client edge.
PixelRect ToPixels(const Control& c, int dpi);

// Which rendered picture to draw in a box of the given size: the smallest
// that is not smaller, so pictures are only ever scaled down.
int ScaleIndex(std::span<const int> renderedSizes, int sizePx);

}  // namespace kalvero::platform
