// Start-up: one instance per session, the settings applied before the window
// is first shown, then the message loop.
#include <windows.h>

#include <cstdlib>

#include "app/main_window.h"
#include "platform/win32_process.h"
#include "platform/win32_registry.h"
#include "platform/win32_system.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

// The default handler for an uncaught exception prints a demangled type name
// to a console we do not have; it would also add 40 KB of demangler to the exe.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  using namespace kalvero;
  try {
    platform::Win32InstanceGuard instanceGuard;
    // Checked before anything else, so a second start reads and writes nothing.
    if (instanceGuard.AnotherInstanceRunning()) return 0;

    platform::Win32Registry registry;
    settings::RegistrySettingsStore store(registry);
    platform::Win32MainWindow windowOps;
    platform::Win32ProcessLauncher launcher;
    platform::Win32Session session;
    platform::Win32TrayIcon tray(instance, IDI_KALVERO);

    app::MainWindowLogic logic(store, windowOps, tray, instanceGuard);
    app::PowerActions power(launcher, session);
    platform::Win32System system;
    settings::Autostart autostart(registry, system);
    settings::SettingsDialogLogic settingsLogic(store, logic);
    platform::Win32Shell shell;
    platform::Win32MessageBox messageBox;
    about::SysInfoLauncher sysinfo(registry, launcher, system, messageBox);
    about::AboutWindow aboutWindow(instance, sysinfo, shell, messageBox, system.ExecutableFolder());
    settings::SettingsWindow settingsWindow(instance, settingsLogic, autostart, aboutWindow);
    app::MainWindow window(instance, logic, power, windowOps, tray, settingsWindow);
    if (!window.Create()) return 1;
    if (!logic.OnLoad()) return 0;
    // A start in the tray leaves only the icon on screen.
    if (!tray.InTray()) {
      ShowWindow(window.Handle(), SW_SHOWNORMAL);
      UpdateWindow(window.Handle());
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (window.PreTranslate(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
  } catch (...) {
    return 1;
  }
}
