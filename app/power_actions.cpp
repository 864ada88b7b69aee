#include "app/power_actions.h"

#include <string>

namespace kalvero::app {

bool PowerActions::StartShutdown(std::wstring_view commandLine) {
  // Named by its full path in the system folder: a bare "shutdown" would be
  // looked up in our own folder first, where anyone could drop a shutdown.exe.
  std::wstring app = launcher_.SystemDirectory();
  if (!app.empty() && app.back() != L'\\') app += L'\\';
  app += L"shutdown.exe";
  return launcher_.Start(app, std::wstring(commandLine), kShowMinimized);
}

bool PowerActions::ShutDown() { return StartShutdown(kShutdownCommand); }
bool PowerActions::Restart() { return StartShutdown(kRestartCommand); }
bool PowerActions::LogOff() { return session_.EndSession(kLogoffFlags, 0); }

}  // namespace kalvero::app
