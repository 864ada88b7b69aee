// Drives the real Kalvero.exe from another process of the same Wine prefix.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace harness {

using Text = std::optional<std::wstring>;
inline constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
inline constexpr wchar_t kDir[] = L"C:\\kalvero";
enum : int { kShutdown = 101, kRestart, kLogoff, kSettingsButton, kTrayButton };
enum : int { kAlwaysVisible = 201, kStartOnWin, kRememberPosition, kStartInTray, kFrame, kAboutButton, kApply };
enum : int { kOk = 1, kSysInfo = 302, kDetails = 309 };

// Wine answers some queries before a freshly started program has settled: poll with a deadline.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000);
std::wstring SystemPath(const wchar_t* file);
std::wstring RecorderExe();
// Kalvero.exe (the exe built at that Unix path) and a planted shutdown.exe (the recorder) into dir, the
// recorder over system32's.
bool Install(const std::wstring& dir = kDir, const char* exe = KALVERO_EXE);
HWND WaitWindow(DWORD pid, const wchar_t* window_class, DWORD timeout_ms = 10000, bool shown = true);

// A started dir\Kalvero.exe and its main window (once shown, unless shown is false); killed with the object.
struct Kalvero {
    explicit Kalvero(const std::wstring& dir = kDir, bool shown = true, DWORD flags = 0);
    Kalvero(Kalvero&& o) noexcept : pi(std::exchange(o.pi, {})), main(o.main) {}
    ~Kalvero();
    bool WaitExit(DWORD ms = 10000) const { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
    HWND Wait(const wchar_t* window_class, DWORD ms = 10000) const { return WaitWindow(pi.dwProcessId, window_class, ms); }
    HWND OpenSettings() const;
    HWND OpenAbout(HWND settings) const;
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
};

bool Loaded(DWORD pid, const wchar_t* dll);  // whether that process has loaded that DLL
std::wstring WindowText(HWND window);
RECT Rect(HWND window);
inline POINT TopLeft(HWND w) { return {Rect(w).left, Rect(w).top}; }
bool MoveTo(HWND window, POINT where);
inline bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
inline bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
RECT WorkArea(HWND window);
HWND Focus(HWND window);  // the focus in that window's thread
// Posted: a modal window it opens would block a sent click.
inline void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }
inline void Press(HWND window, int id) {  // sent: returns once handled
    SendMessageTimeoutW(GetDlgItem(window, id), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, nullptr);
}
inline LRESULT Check(HWND window, int id) { return SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0); }
// Posted through Kalvero's own message loop, as a typed key goes.
inline void Key(HWND to, UINT key) { PostMessageW(to, WM_KEYDOWN, key, 0), PostMessageW(to, WM_KEYUP, key, 0xC0000000); }
// Tab pressed n times from the focus, each waited for; the ids the focus went to.
std::vector<int> Tabs(HWND window, int n);
// Posts message to the window (BM_CLICK: its apply button), waits until it is gone and its owner takes input.
bool CloseModal(HWND window, HWND owner, UINT message, WPARAM wparam = 0);

// With no tray manager on the X display, Wine shows each notification icon as a child of a
// "__winex11_standalone_tray" window. The visible ones, in this prefix.
std::vector<HWND> TrayIcons();
// A real X button press in the middle of the window, then the pointer parked in a corner.
bool XClick(HWND target, int button);

Text GetValue(HKEY root, const wchar_t* key, const wchar_t* name);  // REG_SZ only
void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const Text& value);  // null: deleted
inline Text GetSetting(const wchar_t* name) { return GetValue(HKEY_CURRENT_USER, kSettingsKey, name); }
inline void SetSetting(const wchar_t* name, const Text& v) { SetValue(HKEY_CURRENT_USER, kSettingsKey, name, v); }
inline void SetSettings(std::initializer_list<std::pair<const wchar_t*, Text>> values) {
    for (const auto& [name, value] : values) SetSetting(name, value);
}
void SetSystemDpi(DWORD dpi);  // for processes started afterwards

struct Record {
    std::wstring module, command_line;
    DWORD flags = 0, show = 0;
};
// What the recorder standing in for shutdown.exe and the system tool logged, once there are at least
// that many and no new one came for a moment.
std::vector<Record> Records(size_t at_least = 0);
void ClearRecords();

// A clean prefix for each test: Kalvero installed and stopped, no settings, 96 dpi, no records.
class WineTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace harness
