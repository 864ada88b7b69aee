#include "app/power_actions.h"

#include <string>

namespace kalvero::app {

// Named by its full path in the system folder: a bare "shutdown" would be
// looked up in our own folder first, where anyone could drop a shutdown.exe.
std::wstring PowerActions::ShutdownExe() {
  std::wstring app = launcher_.SystemDirectory();
  if (!app.empty() && app.back() != L'\\') app += L'\\';
  return app + L"shutdown.exe";
}

std::uint32_t PowerActions::ShutDown() {
  return launcher_.Start(ShutdownExe(), std::wstring(kShutdownCommand), kShowMinimized);
}

std::uint32_t PowerActions::Restart() {
  return launcher_.Start(ShutdownExe(), std::wstring(kRestartCommand), kShowMinimized);
}

std::uint32_t PowerActions::LogOff() { return session_.EndSession(kLogoffFlags, 0); }

std::uint32_t PowerActions::StartWatched(std::wstring_view commandLine, std::uint32_t& id) {
  return launcher_.StartWatched(ShutdownExe(), std::wstring(commandLine), kShowMinimized, id);
}

}  // namespace kalvero::app
