// The power buttons' menus: what each shows, given what this Windows can do
// and the delay Kalvero asked for, and what each line does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/power_actions.h"
#include "platform/dialogs.h"
#include "platform/power.h"
#include "resources/menus.h"

namespace kalvero::app {

// One line of a menu as it is shown.
struct MenuLine {
  int command = 0;  // 0: a submenu's title
  std::wstring text;
  bool isDefault = false;
  std::vector<MenuLine> submenu;
  bool operator==(const MenuLine&) const = default;
};

// A delay Kalvero asked Windows for in this run, and when it ends.
struct Delay {
  bool restart = false;
  std::int64_t at = 0;  // seconds, UTC
  bool operator==(const Delay&) const = default;
};

class PowerMenu {
 public:
  PowerMenu(PowerActions& power, platform::IPowerSystem& system, platform::IClock& clock,
            platform::IMessageBox& box)
      : power_(power), system_(system), clock_(clock), box_(box) {}

  // The menu of that button (Command1 to Command3); empty for any other.
  std::vector<MenuLine> Lines(int button);
  // Carries out a line; a failure says why in a message box. Requests made
  // through shutdown.exe are watched: Poll learns how they ended.
  void Choose(int command);
  // Takes what the watched requests did; true while some still run.
  bool Poll();
  // The delay Kalvero asked for and Windows took, until its time has passed.
  // Kalvero knows no other: one asked for by another program, or in an
  // earlier run, is not shown.
  std::optional<Delay> Running();
  // The tray icon's tooltip: "Kalvero", or the delay and its time.
  std::wstring TipText();
  // Until the delay that runs ends.
  std::optional<std::int64_t> SecondsLeft();

 private:
  struct Request {
    std::uint32_t id;
    const layout::MenuEntry* entry;
    std::int64_t at;
  };
  std::uint32_t Ask(const layout::MenuEntry& entry, const std::wstring& commandLine);
  void Fail(const layout::MenuEntry& entry, std::uint32_t error);
  std::wstring Clock(std::int64_t at);

  PowerActions& power_;
  platform::IPowerSystem& system_;
  platform::IClock& clock_;
  platform::IMessageBox& box_;
  std::vector<Request> requests_;
  std::optional<Delay> delay_;
};

// Why a request failed, in French, from the system's error code.
std::wstring FailureReason(std::uint32_t error);

}  // namespace kalvero::app
