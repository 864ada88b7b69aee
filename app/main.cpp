// Start-up: one instance per session, the settings applied before the window
// is first shown, then the message loop. Everything is wired here.
#include <windows.h>

#include <cstdlib>

#include "about/about_window.h"
#include "app/main_window.h"
#include "platform/win32_power.h"
#include "platform/win32_process.h"
#include "platform/win32_registry.h"
#include "platform/win32_system.h"
#include "platform/win32_trace.h"
#include "resources/resource_ids.h"
#include "settings/registry_settings_store.h"

static_assert(IDR_COMMON_CONTROLS == kalvero::platform::kCommonControlsManifest);

// The default handler for a failure the library cannot report prints a
// demangled type name to a console we do not have.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  using namespace kalvero;
  KALVERO_TRACE("wWinMain");
  platform::Win32InstanceGuard instanceGuard;
  // Checked before anything else, so a second start reads and writes nothing.
  if (instanceGuard.AnotherInstanceRunning()) return 0;
  KALVERO_TRACE("mutex");

  platform::Win32Registry registry;
  platform::Win32System system;
  platform::Win32ProcessLauncher launcher;
  platform::Win32Session session;
  platform::Win32Shell shell;
  platform::Win32MessageBox messageBox(instance);
  settings::RegistrySettingsStore store(registry);
  settings::Autostart autostart(registry, system);
  about::SysInfoLauncher sysinfo(registry, launcher, system, messageBox);
  about::AboutWindow aboutWindow(instance, sysinfo, shell, messageBox,
                                 system.ExecutableFolder().value_or(L""));
  settings::SettingsWindow settingsWindow(instance, store, autostart, aboutWindow);
  app::PowerActions power(launcher, session);
  platform::Win32PowerSystem powerSystem;
  platform::Win32Clock clock;
  platform::Win32MessageBox menuBox(instance);
  app::PowerMenu menu(power, powerSystem, clock, menuBox);
  KALVERO_TRACE("objects");
  app::MainWindow window(instance, store, instanceGuard, power, menu, settingsWindow);
  if (!window.Created()) return 1;
  powerSystem.SetWindow(window.Handle());
  menuBox.SetOwner(window.Handle());
  if (!window.Start()) return 0;

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window.PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
