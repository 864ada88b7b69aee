// The program's icon in the notification area. Each operation says whether it
// worked, so that the step after it (hiding or showing the window) can be left
// out when it did not.
#pragma once

#include <string_view>

namespace kalvero::platform {

class ITrayIcon {
 public:
  virtual ~ITrayIcon() = default;
  virtual bool SetTipText(std::wstring_view text) = 0;
  // False before the first ShowIcon.
  virtual bool InTray() = 0;
  virtual bool ShowIcon() = 0;
  virtual bool RemoveIcon() = 0;
};

// Button codes of the icon's mouse notification.
inline constexpr int kTrayLeftButton = 1;
inline constexpr int kTrayRightButton = 2;
inline constexpr int kTrayMiddleButton = 4;

}  // namespace kalvero::platform
