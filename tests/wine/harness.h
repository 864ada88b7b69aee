// Drives the real Kalvero.exe from another process of the same Wine prefix.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace harness {

using Text = std::optional<std::wstring>;
inline constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
inline constexpr wchar_t kDir[] = L"C:\\kalvero";
enum : int { kShutdown = 101, kRestart, kLogoff, kSettingsButton, kTrayButton };
enum : int { kAlwaysVisible = 201, kStartOnWin, kRememberPosition, kStartInTray, kFrame, kAboutButton, kApply };
enum : int { kOk = 1, kSysInfo = 302, kDetails = 309 };

// Wine answers some queries before a freshly started program has settled: poll with a deadline. Pumps this
// thread's messages meanwhile: Kalvero waits inside Shell_NotifyIconW until the tray stand-in takes its own.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000) {
    for (const ULONGLONG deadline = GetTickCount64() + timeout_ms;; Sleep(20)) {
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
    }
}

inline std::wstring SystemPath(const wchar_t* file) {
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\" + file;
}

inline std::string ReadAll(const char* path) { return (std::ostringstream() << std::ifstream(path).rdbuf()).str(); }

// Kalvero.exe (the exe built at that Unix path, which Wine maps to drive Z:) and a planted shutdown.exe (the
// recorder) into dir, the recorder over system32's too.
inline bool Install(const std::wstring& dir = kDir, const char* exe = KALVERO_EXE) {
    wchar_t stand_in[MAX_PATH], built[MAX_PATH] = L"Z:";
    GetModuleFileNameW(nullptr, stand_in, MAX_PATH);
    wcscpy(wcsrchr(stand_in, L'\\'), L"\\recorder.exe");
    MultiByteToWideChar(CP_UTF8, 0, exe, -1, built + 2, MAX_PATH - 2);
    CreateDirectoryW(dir.c_str(), nullptr);
    return CopyFileW(built, (dir + L"\\Kalvero.exe").c_str(), FALSE) &&
           CopyFileW(stand_in, (dir + L"\\shutdown.exe").c_str(), FALSE) &&
           CopyFileW(stand_in, SystemPath(L"shutdown.exe").c_str(), FALSE);
}

inline HWND WaitWindow(DWORD pid, const wchar_t* window_class, bool shown = true) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w = nullptr; !found && (w = FindWindowExW(nullptr, w, window_class, nullptr));) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && (!shown || IsWindowVisible(w))) found = w;
        }
        return found != nullptr;
    });
    return found;
}

// Posted: a modal window it opens would block a sent click.
inline void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

// A started dir\Kalvero.exe and its main window (once shown, unless shown is false); killed with the object.
struct Kalvero {
    explicit Kalvero(const std::wstring& dir = kDir, bool shown = true, DWORD flags = 0) {
        std::wstring exe = dir + L"\\Kalvero.exe", command_line = L"\"" + exe + L"\"";
        STARTUPINFOW si{sizeof si};
        if (CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, flags, nullptr, dir.c_str(), &si,
                           &pi) && !(flags & CREATE_SUSPENDED))
            main = WaitWindow(pi.dwProcessId, L"KalveroMain", shown);
    }
    Kalvero(Kalvero&& o) noexcept : pi(std::exchange(o.pi, {})), main(o.main) {}
    ~Kalvero() {
        if (pi.hProcess && TerminateProcess(pi.hProcess, 1)) WaitExit();
        if (pi.hProcess) CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    }
    bool WaitExit(DWORD ms = 10000) const { return WaitUntil([&] { return !WaitForSingleObject(pi.hProcess, 0); }, ms); }
    HWND Wait(const wchar_t* window_class) const { return WaitWindow(pi.dwProcessId, window_class); }
    HWND OpenSettings() const { return Click(main, kSettingsButton), Wait(L"KalveroSettings"); }
    HWND OpenAbout(HWND settings) const { return Click(settings, kAboutButton), Wait(L"KalveroAbout"); }
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
};

inline RECT Rect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}
inline bool At(HWND w, POINT p) { return Rect(w).left == p.x && Rect(w).top == p.y; }
inline bool MoveTo(HWND window, POINT where) {
    SetWindowPos(window, nullptr, where.x, where.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitUntil([&] { return At(window, where); });
}
inline bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
inline bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
inline RECT WorkArea(HWND window) {
    MONITORINFO mi{sizeof mi};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}
inline bool Inside(RECT r, RECT w) { return r.left >= w.left && r.top >= w.top && r.right <= w.right && r.bottom <= w.bottom; }

inline HWND Focus(HWND window) {  // the focus in that window's thread
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}
inline bool FocusOn(HWND window, int id) { return WaitUntil([&] { return Focus(window) == GetDlgItem(window, id); }); }
inline LRESULT Check(HWND window, int id) { return SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0); }
// Posted through Kalvero's own message loop, as a typed key goes.
inline void Key(HWND to, UINT key) { PostMessageW(to, WM_KEYDOWN, key, 0), PostMessageW(to, WM_KEYUP, key, 0xC0000000); }
// Tab pressed n times from the focus, each waited for; the ids the focus went to.
inline std::vector<int> Tabs(HWND window, int n) {
    std::vector<int> walked;
    for (HWND before; n-- > 0 && (before = Focus(window), Key(before, VK_TAB), true);) {
        if (!WaitUntil([&] { return Focus(window) != before; })) break;
        walked.push_back(GetDlgCtrlID(Focus(window)));
    }
    return walked;
}
// Posts message to the window (BM_CLICK: its apply button), waits until it is gone and its owner takes input.
inline bool CloseModal(HWND window, HWND owner, UINT message, WPARAM wparam = 0) {
    if (message == BM_CLICK) Click(window, kApply);
    else PostMessageW(window, message, wparam, 0);
    return WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(owner); });
}

// With no tray manager on the X display, Wine shows each notification icon as a child of a
// "__winex11_standalone_tray" window. The visible ones, in this prefix.
inline std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    for (HWND tray = nullptr; (tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr));)
        for (HWND icon = nullptr; (icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr));)
            if (IsWindowVisible(icon)) icons.push_back(icon);
    return icons;
}

// A real X button press in the middle of the window, then the pointer parked in a corner. Wine gives no handle
// to wait on for a Unix program: the shell leaves xdotool's exit code in a file of the prefix, renamed into place.
inline bool XClick(HWND target, int button) {
    DeleteFileW(L"C:\\kalvero-xdotool.rc");
    const RECT r = Rect(target);
    std::wstring command = L"/bin/sh -c \"cd \\\"$WINEPREFIX/drive_c\\\" || exit; xdotool mousemove " +
                           std::to_wstring((r.left + r.right) / 2) + L" " + std::to_wstring((r.top + r.bottom) / 2) +
                           L" click " + std::to_wstring(button) + L" mousemove 1279 1023; echo $? >x.tmp; mv x.tmp " +
                           L"kalvero-xdotool.rc\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    return WaitUntil([] { return ReadAll("C:\\kalvero-xdotool.rc") == "0\n"; });
}

inline Text GetSetting(const wchar_t* name) {  // REG_SZ only
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value, &size)) return {};
    return value;
}
inline void SetSettings(std::initializer_list<std::pair<const wchar_t*, Text>> values) {  // null: deleted
    for (const auto& [name, v] : values)
        if (v) RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, v->c_str(), DWORD((v->size() + 1) * 2));
        else RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name);
}
inline void SetSystemDpi(DWORD dpi) {  // for processes started afterwards
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

// What the recorder standing in for shutdown.exe logged, a line per run (module path, command line, dwFlags and
// wShowWindow, tab-separated), once there are at least that many and no new one came for a moment. Only complete
// lines: a recorder may be writing.
inline std::vector<std::string> Records(size_t at_least) {
    const auto read = [] {
        std::vector<std::string> lines;
        std::istringstream text(ReadAll("C:\\kalvero-recorder.log"));
        for (std::string line; std::getline(text, line) && !text.eof();) lines.push_back(line);
        return lines;
    };
    WaitUntil([&] { return read().size() >= at_least; });
    Sleep(400);  // time for one more to come
    return read();
}

// A clean prefix for each test: Kalvero installed and stopped, no settings, 96 dpi, no records.
class WineTest : public testing::Test {
protected:
    static void Reset() {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{sizeof entry};
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
            if (HANDLE p = _wcsicmp(entry.szExeFile, L"Kalvero.exe") ? nullptr
                           : OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID))
                TerminateProcess(p, 1), WaitForSingleObject(p, 5000), CloseHandle(p);
        CloseHandle(snapshot);
        SetSystemDpi(96);
    }
    void SetUp() override {
        Reset();
        ASSERT_TRUE(Install()) << "could not copy Kalvero.exe and the recorder into the prefix";
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Kalvero");
        DeleteFileW(L"C:\\kalvero-recorder.log");
    }
    void TearDown() override { Reset(); }
};

}  // namespace harness
