// Start with Windows: one "Kalvero" value under the Run key. Machine-wide for an
// exe in Program Files, which only administrators can replace, when it can be
// written there; otherwise the same value for this user alone, which needs no
// rights. There is never more than one entry.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system.h"

namespace kalvero::settings {

inline constexpr std::wstring_view kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::wstring_view kRunServicesKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr std::wstring_view kAutostartValue = L"Kalvero";
// Task Manager disables a Run entry without deleting it: a binary value of the
// same name under this key of the same root, whose first byte is odd while the
// entry is disabled and 2 once it is enabled again.
inline constexpr std::wstring_view kApprovedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

class Autostart {
 public:
  Autostart(platform::IRegistry& reg, platform::ISystem& system) : reg_(reg), system_(system) {}

  std::wstring GetShortPath(const std::wstring& path);
  // The command line the entry holds: the executable's folder in its short
  // form, its root name and ".exe"; quoted when a blank remains in it.
  void ComputeExecutablePath();
  const std::wstring& ExecutablePath() const { return executablePath_; }
  std::wstring RunKey();

  // Whether an entry exists, machine-wide or for this user, that Windows
  // will run: not one that Task Manager disabled.
  bool IsRegistered();
  // The box was clicked into newState (0 cleared, 1 ticked, 2 greyed).
  // Returns the state the box must show: the real one, read back.
  int OnClick(int newState);
  // The box's state when the settings window opens. An existing entry is
  // rewritten with the program's current location.
  int OnLoad();

 private:
  void Register(const std::wstring& key);
  bool Exists(platform::RegRoot root, const std::wstring& key);
  // Task Manager's mark of that root's entry: disabled, or enabled again.
  bool Disabled(platform::RegRoot root, const std::wstring& key);
  void Enable(platform::RegRoot root, const std::wstring& key);

  platform::IRegistry& reg_;
  platform::ISystem& system_;
  std::wstring executablePath_;
};

}  // namespace kalvero::settings
