// What the logic needs of the main window and of the screen it lives on.
#pragma once

#include <optional>
#include <vector>

namespace kalvero::platform {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

struct Monitor {
  Rect bounds;  // the whole monitor
  Rect work;    // without the taskbar and docked bars
  int dpi = 96;
};

// A window whose outer size follows the DPI of the monitor it is on: its frame
// and its client area are both scaled.
class IScaledWindow {
 public:
  virtual ~IScaledWindow() = default;
  virtual Size OuterSize(int dpi) = 0;
};

// Places a window whose size follows the DPI of where it lands: placed for the
// size it has, moved there, and placed again while the move changed its size
// (landing on a monitor of another DPI), so that it ends wholly where it is
// meant to be. Twice more at most: a DPI change one way, then back.
template <class SizeNow, class PlaceFor, class MoveTo>
void PlaceForItsSize(SizeNow sizeNow, PlaceFor placeFor, MoveTo moveTo) {
  Size placed{-1, -1};
  for (int i = 0; i < 3; ++i) {
    const Size size = sizeNow();
    if (size == placed) return;
    moveTo(placeFor(placed = size));
  }
}

class IMainWindow : public IScaledWindow {
 public:
  virtual void SetTopmost(bool topmost) = 0;
  // Hidden, the window also leaves the taskbar; shown again, it comes to the front.
  virtual void Hide() = 0;
  virtual void Show() = 0;
  // The window's normal (not minimised) outer rectangle in screen pixels;
  // empty when it cannot be read.
  virtual std::optional<Rect> WindowRect() = 0;
  virtual bool MoveTo(int x, int y) = 0;
  // Dots per inch used to turn stored screen positions (twips) into pixels.
  virtual int PositionDpi() = 0;
  virtual std::vector<Monitor> Monitors() = 0;
};

class IInstanceGuard {
 public:
  virtual ~IInstanceGuard() = default;
  virtual bool AnotherInstanceRunning() = 0;
};

}  // namespace kalvero::platform
