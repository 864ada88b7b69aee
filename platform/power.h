// What this Windows can do beyond shutting down, restarting and logging off,
// and the clock that delayed requests are shown by.
#pragma once

#include <cstdint>

namespace kalvero::platform {

struct PowerCapabilities {
  bool sleep = false;            // a sleep state (S1 to S3) that the power policy allows
  bool modernStandby = false;    // sleep is modern standby, entered as the display goes off
  bool hibernate = false;        // S4, switched on, and allowed
  bool advancedStartup = false;  // Windows 8 and later: a restart into the start-up options
  bool switchUser = false;       // fast user switching, unless a policy turns it off
  bool operator==(const PowerCapabilities&) const = default;
};

class IPowerSystem {
 public:
  virtual ~IPowerSystem() = default;
  // Asked afresh each time a menu opens.
  virtual PowerCapabilities Capabilities() = 0;
  // Each returns 0 once Windows took the request, else the system's error code.
  virtual std::uint32_t Suspend(bool hibernate) = 0;  // with the shutdown privilege enabled
  virtual std::uint32_t TurnDisplayOff() = 0;         // what Sleep does on a modern standby machine
  virtual std::uint32_t Lock() = 0;
  virtual std::uint32_t SwitchUser() = 0;             // disconnects this session to the welcome screen
};

class IClock {
 public:
  virtual ~IClock() = default;
  virtual std::int64_t Now() = 0;  // seconds, UTC
  // That moment on this computer's clock, as minutes since its midnight.
  virtual int LocalMinuteOfDay(std::int64_t at) = 0;
};

}  // namespace kalvero::platform
