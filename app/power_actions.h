// The three one-click power actions. Nothing is confirmed; the main window's
// logic saves its position before it passes a request on.
#pragma once

#include <optional>
#include <string_view>

#include "platform/process.h"

namespace kalvero::app {

inline constexpr std::wstring_view kShutdownCommand = L"shutdown -s -f -t 0";
inline constexpr std::wstring_view kRestartCommand = L"shutdown -r -f -t 0";
inline constexpr int kShowMinimized = 2;
inline constexpr unsigned kLogoffFlags = 0;  // EWX_LOGOFF, without force

class PowerActions {
 public:
  PowerActions(platform::IProcessLauncher& launcher, platform::ISession& session)
      : launcher_(launcher), session_(session) {}

  // Each returns 0 once the request was passed on, else the system's error
  // code; the buttons tell nobody.
  std::uint32_t ShutDown();  // Command1
  std::uint32_t Restart();   // Command2
  std::uint32_t LogOff();    // Command3

  // The buttons' shutdown.exe, minimised, with another command line, watched
  // until it ends: NextEnded gives its exit code.
  std::uint32_t StartWatched(std::wstring_view commandLine, std::uint32_t& id);
  std::optional<platform::EndedChild> NextEnded() { return launcher_.NextEnded(); }

 private:
  std::wstring ShutdownExe();
  platform::IProcessLauncher& launcher_;
  platform::ISession& session_;
};

}  // namespace kalvero::app
