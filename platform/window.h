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

struct Monitor {
  Rect bounds;  // the whole monitor
  Rect work;    // without the taskbar and docked bars
};

class IMainWindow {
 public:
  virtual ~IMainWindow() = default;
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
