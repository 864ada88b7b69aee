// The three one-click power actions. Nothing is confirmed; the main window's
// logic saves its position before it passes a request on.
#pragma once

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

  // Each returns whether the request was passed on; nobody is told otherwise.
  bool ShutDown();  // Command1
  bool Restart();   // Command2
  bool LogOff();    // Command3

 private:
  bool StartShutdown(std::wstring_view commandLine);
  platform::IProcessLauncher& launcher_;
  platform::ISession& session_;
};

}  // namespace kalvero::app
