// The program's icon in the notification area. Operations that fail throw, so
// that the step after them (hiding or showing the window) does not happen.
#pragma once

#include <string_view>

namespace kalvero::platform {

class ITrayIcon {
 public:
  virtual ~ITrayIcon() = default;
  virtual void SetTipText(std::wstring_view text) = 0;
  // False before the first ShowIcon.
  virtual bool InTray() = 0;
  virtual void ShowIcon() = 0;
  virtual void RemoveIcon() = 0;
};

// Button codes of the icon's mouse notification.
inline constexpr int kTrayLeftButton = 1;
inline constexpr int kTrayRightButton = 2;
inline constexpr int kTrayMiddleButton = 4;

}  // namespace kalvero::platform
