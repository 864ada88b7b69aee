// Drives the real Kalvero.exe from another process of the same Wine prefix.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

using Text = std::optional<std::wstring>;

inline constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
inline constexpr wchar_t kInstallDir[] = L"C:\\kalvero";
enum : int { kShutdown = 101, kRestart, kLogoff, kSettingsButton, kTrayButton };
enum : int { kAlwaysVisible = 201, kStartOnWin, kRememberPosition, kStartInTray, kFrame, kAboutButton, kApply };

// Wine answers some queries before a freshly started program has settled: poll with a deadline.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000);

std::wstring Lower(std::wstring s);
std::string Narrow(const std::wstring& s);  // for messages: non-ASCII as '?'
inline std::string Show(const Text& t) { return t ? '"' + Narrow(*t) + '"' : "(absent)"; }
std::wstring RecorderExe();                  // the driver's own recorder.exe
std::wstring SystemPath(const wchar_t* file);  // in system32

// Puts the recorder over system32\shutdown.exe, and Kalvero.exe plus a planted recorder named
// shutdown.exe into dir, the folder a binary-planting search would look in first.
bool Install(const std::wstring& dir = kInstallDir);

class Process {
public:
    Process() = default;
    Process(Process&& o) noexcept : pi_(std::exchange(o.pi_, {})) {}
    ~Process() {
        if (pi_.hProcess) CloseHandle(pi_.hProcess), CloseHandle(pi_.hThread);
    }
    explicit operator bool() const { return pi_.hProcess != nullptr; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool WaitExit(DWORD ms = 10000) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        return GetExitCodeProcess(pi_.hProcess, &code), code;
    }
    void Resume() const { ResumeThread(pi_.hThread); }  // after a start with CREATE_SUSPENDED
    void Kill() const {
        if (pi_.hProcess && TerminateProcess(pi_.hProcess, 1)) WaitExit();
    }

private:
    friend Process Start(const std::wstring&, DWORD);
    PROCESS_INFORMATION pi_{};
};

// Starts dir\Kalvero.exe with dir as its current folder.
Process Start(const std::wstring& dir = kInstallDir, DWORD creation_flags = 0);

// The top-level window of that class in that process, once there is one (a shown one if asked), else null.
HWND WaitWindow(DWORD pid, const wchar_t* window_class, DWORD timeout_ms = 10000, bool shown = true);
int CountWindows(const wchar_t* window_class);

// Posted: a modal window it opens would block a sent click.
inline void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

// A started Kalvero and its main window (once shown, unless shown is false); killed with the object.
struct Kalvero {
    explicit Kalvero(const std::wstring& dir = kInstallDir, bool shown = true);
    ~Kalvero() { process.Kill(); }
    Process process;
    HWND main = nullptr;
    // Clicks the button that opens it, returns the window once shown.
    HWND OpenSettings() const { return Click(main, kSettingsButton), WaitWindow(process.pid(), L"KalveroSettings"); }
    HWND OpenAbout(HWND over) const { return Click(over, kAboutButton), WaitWindow(process.pid(), L"KalveroAbout"); }
    HWND WaitMessageBox(DWORD timeout_ms = 10000) const { return WaitWindow(process.pid(), L"#32770", timeout_ms); }
};

std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);  // lower case
RECT Rect(HWND window);  // on screen
inline POINT TopLeft(HWND window) { return {Rect(window).left, Rect(window).top}; }
inline POINT Center(HWND w) { return {(Rect(w).left + Rect(w).right) / 2, (Rect(w).top + Rect(w).bottom) / 2}; }
bool MoveTo(HWND window, POINT where);
inline bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
inline bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
RECT WorkArea(HWND window);
HWND Focus(HWND window);  // the focus in that window's thread
inline void Press(HWND window, int id) {  // sent: returns once handled
    SendMessageTimeoutW(GetDlgItem(window, id), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, nullptr);
}
inline LRESULT Check(HWND window, int id) { return SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0); }
// Posted through Kalvero's own message loop, as a typed key goes.
inline void Key(HWND to, UINT key) { PostMessageW(to, WM_KEYDOWN, key, 0), PostMessageW(to, WM_KEYUP, key, 0xC0000000); }
// Tab pressed n times from the focus, each waited for; the ids the focus went to.
std::vector<int> Tabs(HWND window, int n);
// The ids Tab walks through from the first, as IsDialogMessage computes them.
std::vector<int> TabOrder(HWND window, int n);
// Posts the message that ends the settings window (BM_CLICK: its apply button), waits until the
// owner takes input again.
bool CloseSettings(HWND settings, HWND main, UINT message, WPARAM wparam = 0);
// The message box's OK, then its end.
bool PressOk(HWND box);
// True when the window shows that icon drawn at its centre on the colour of its top-left pixel.
bool ShowsIcon(HWND window, HICON icon, int size);
void KillAllKalvero();

// With no tray manager on the X display, Wine shows each notification icon as a child of class
// "__winex11_standalone_tray" windows. The visible ones, in this prefix only.
std::vector<HWND> TrayIcons();
HWND WaitOneIcon();  // once it is the only one, else null
// Runs xdotool ARGS (no double quotes) on our X display and waits for it; true when it succeeded.
bool Xdotool(const std::wstring& args);
inline std::wstring At(POINT p) { return std::to_wstring(p.x) + L" " + std::to_wstring(p.y); }
// A real X button on the window's middle, then the pointer parked in an empty corner.
bool XClick(HWND target, int button);

Text GetValue(HKEY root, const wchar_t* key, const wchar_t* name);  // REG_SZ only
void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const Text& value);  // null: deleted
inline Text GetSetting(const wchar_t* name) { return GetValue(HKEY_CURRENT_USER, kSettingsKey, name); }
inline void SetSetting(const wchar_t* name, const Text& v) { SetValue(HKEY_CURRENT_USER, kSettingsKey, name, v); }
inline void ClearSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Kalvero"); }
void SetSystemDpi(DWORD dpi);  // for processes started afterwards

struct Record {
    std::wstring module, command_line;
    DWORD flags = 0, show = 0;
};
std::vector<Record> ReadRecords();
void ClearRecords();
// Every record made so far, once there are at_least and no new one has come for a moment.
std::vector<Record> SettledRecords(size_t at_least);

// A clean prefix for each test: Kalvero installed and stopped, no settings, 96 dpi, no records.
class WineTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace harness
