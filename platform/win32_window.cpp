#include "platform/win32_window.h"

#include "platform/win32_dpi.h"

namespace kalvero::platform {
namespace {

// Thrown so that the step that asked fails and the next one runs.
struct WindowCallFailed {};

Rect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoW(monitor, &mi))
    reinterpret_cast<std::vector<Monitor>*>(param)->push_back(
        {FromRect(mi.rcMonitor), FromRect(mi.rcWork)});
  return TRUE;
}

}  // namespace

void Win32MainWindow::SetTopmost(bool topmost) {
  SetWindowPos(hwnd_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE);
}

void Win32MainWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void Win32MainWindow::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

Rect Win32MainWindow::WindowRect() {
  RECT r{};
  if (!GetWindowRect(hwnd_, &r)) throw WindowCallFailed{};
  return FromRect(r);
}

void Win32MainWindow::MoveTo(int x, int y) {
  if (!SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
    throw WindowCallFailed{};
}

// Screen positions are stored in twips of the system DPI, so a position means
// the same place whichever monitor the window was on.
int Win32MainWindow::PositionDpi() { return static_cast<int>(DpiForSystem()); }

std::vector<Monitor> Win32MainWindow::Monitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

bool Win32InstanceGuard::AnotherInstanceRunning() {
  // Asked once; the mutex is then held for the life of the process.
  if (!asked_) {
    asked_ = true;
    mutex_.reset(CreateMutexW(nullptr, FALSE, L"Local\\Kalvero.SingleInstance"));
    // Without a mutex we cannot tell; better to run than to refuse the user.
    another_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  }
  return another_;
}

}  // namespace kalvero::platform
