// Drives the real Kalvero.exe from another process of the same Wine prefix.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace harness {

inline constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
inline constexpr wchar_t kInstallDir[] = L"C:\\kalvero";
inline constexpr wchar_t kRecorderLog[] = L"C:\\kalvero-recorder.log";

// Wine answers some queries before a freshly started program has settled: poll with a deadline.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000);

std::wstring SystemShutdownPath();

// Puts the recorder over system32\shutdown.exe, and Kalvero.exe plus a planted recorder named
// shutdown.exe into dir, the folder a binary-planting search would look in first.
bool Install(const std::wstring& dir = kInstallDir);

class Process {
public:
    Process() = default;
    Process(HANDLE handle, HANDLE thread, DWORD pid) : handle_(handle), thread_(thread), pid_(pid) {}
    Process(Process&& other) noexcept : handle_(other.handle_), thread_(other.thread_), pid_(other.pid_) {
        other.handle_ = other.thread_ = nullptr;
    }
    Process& operator=(Process&&) = delete;
    ~Process();

    explicit operator bool() const { return handle_ != nullptr; }
    HANDLE handle() const { return handle_; }
    DWORD pid() const { return pid_; }
    bool WaitExit(DWORD timeout_ms = 10000) const;
    DWORD ExitCode() const;
    void Resume() const;  // after a start with CREATE_SUSPENDED

private:
    HANDLE handle_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD pid_ = 0;
};

// Starts dir\Kalvero.exe with dir as its current folder.
Process Start(const std::wstring& dir = kInstallDir, DWORD creation_flags = 0);

std::vector<HWND> MainWindows();
// The visible main window of that process once it is shown, else null.
HWND WaitMainWindow(const Process& process, DWORD timeout_ms = 10000);
// That process's main window, shown or not, else null.
HWND MainWindowOf(const Process& process);
POINT TopLeft(HWND window);
void KillAllKalvero();

// With no tray manager on the X display, Wine shows each notification icon as a child of class
// "__winex11_standalone_tray" windows. The visible ones, in this prefix only.
std::vector<HWND> TrayIcons();
// Runs xdotool ARGS (no double quotes) on our X display and waits for it; true when it succeeded.
bool Xdotool(const std::wstring& args);

std::optional<std::wstring> GetSetting(const wchar_t* name);
void SetSetting(const wchar_t* name, const std::optional<std::wstring>& value);
void ClearSettings();
// Processes started afterwards see this system DPI.
void SetSystemDpi(DWORD dpi);

struct Record {
    std::wstring module;
    std::wstring command_line;
    DWORD flags = 0;
    DWORD show = 0;
    bool operator==(const Record&) const = default;
};
std::vector<Record> ReadRecords();
void ClearRecords();

}  // namespace harness
