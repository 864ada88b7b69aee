#pragma once

#include <windows.h>

#include "platform/power.h"

namespace kalvero::platform {

// powrprof and wtsapi32 load only when a menu opens or one of its lines runs.
class Win32PowerSystem final : public IPowerSystem {
 public:
  // The window whose default handling turns the display off.
  void SetWindow(HWND window) { window_ = window; }
  PowerCapabilities Capabilities() override;
  std::uint32_t Suspend(bool hibernate) override;
  std::uint32_t TurnDisplayOff() override;
  std::uint32_t Lock() override;
  std::uint32_t SwitchUser() override;

 private:
  HWND window_ = nullptr;
};

class Win32Clock final : public IClock {
 public:
  std::int64_t Now() override;
  int LocalMinuteOfDay(std::int64_t at) override;
};

}  // namespace kalvero::platform
