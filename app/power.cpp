#include "app/power.h"

#include <string>

namespace kalvero::app {

void PowerActions::StartShutdown(std::wstring_view commandLine) {
  // Named by its full path in the system folder: a bare "shutdown" would be
  // looked up in our own folder first, where anyone could drop a shutdown.exe.
  std::wstring app = launcher_.SystemDirectory();
  if (!app.empty() && app.back() != L'\\') app += L'\\';
  app += L"shutdown.exe";
  launcher_.Start(app, std::wstring(commandLine), kShowMinimized);
}

void PowerActions::ShutDown() { StartShutdown(kShutdownCommand); }
void PowerActions::Restart() { StartShutdown(kRestartCommand); }
void PowerActions::LogOff() { session_.EndSession(kLogoffFlags, 0); }

}  // namespace kalvero::app
