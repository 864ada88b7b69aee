// Drives the real Kalvero.exe from another process of the same Wine prefix.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "inside.h"

inline constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
inline constexpr wchar_t kDir[] = L"C:\\kalvero";
enum : int { kShutdown = 101, kRestart, kLogoff, kSettingsButton, kTrayButton };
enum : int { kAlwaysVisible = 201, kStartOnWin, kRememberPosition, kStartInTray, kFrame, kAboutButton, kApply };
enum : int { kOk = 1, kEmail = 304, kWebSite = 308, kDonation = 311 };

// The driver is built as Kalvero is: 32-bit on 64-bit Windows (the x86 build under WoW64), both see system32 as
// syswow64 and HKLM\Software as its Wow6432Node copy; KEY_WOW64_64KEY and Sysnative reach the 64-bit side.
inline bool Wow64() { BOOL w = FALSE; return IsWow64Process(GetCurrentProcess(), &w) && w; }
// Whether the key holds a value named Kalvero, in that view (0 or RRF_SUBKEY_WOW6464KEY, RRF_SUBKEY_WOW6432KEY).
inline bool HasValue(HKEY root, const wchar_t* key, DWORD view) { return !RegGetValueW(root, key, L"Kalvero", RRF_RT_ANY | view, 0, 0, 0); }

// Wine answers some queries before a freshly started program has settled: poll with a deadline. Pumps this
// thread's messages meanwhile: Kalvero waits inside Shell_NotifyIconW until the tray stand-in takes its own.
template <class Condition>
bool WaitUntil(const Condition& condition, DWORD timeout_ms = 10000) {
    for (const ULONGLONG deadline = GetTickCount64() + timeout_ms;; Sleep(20)) {
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
    }
}

// Kalvero.exe (the exe built at that Unix path, which Wine maps to drive Z:) and a planted shutdown.exe (the
// recorder) into dir, the recorder over system32's too.
inline bool Install(const std::wstring& dir = kDir) {
    wchar_t recorder[MAX_PATH], built[MAX_PATH] = L"Z:";
    GetModuleFileNameW(nullptr, recorder, MAX_PATH);
    wcscpy(wcsrchr(recorder, L'\\'), L"\\recorder.exe");
    MultiByteToWideChar(CP_UTF8, 0, KALVERO_EXE, -1, built + 2, MAX_PATH - 2);
    for (size_t at = dir.find(L'\\', 3); at != std::wstring::npos; at = dir.find(L'\\', at + 1))
        CreateDirectoryW(dir.substr(0, at).c_str(), nullptr);  // its parents first
    CreateDirectoryW(dir.c_str(), nullptr);
    return CopyFileW(built, (dir + L"\\Kalvero.exe").c_str(), FALSE) &&
           CopyFileW(recorder, (dir + L"\\shutdown.exe").c_str(), FALSE) &&
           CopyFileW(recorder, L"C:\\windows\\system32\\shutdown.exe", FALSE);
}

// The window of that class, once shown unless shown is false: Kalvero runs alone in the prefix.
inline HWND WaitWindow(const wchar_t* class_name, bool shown = true) {
    HWND w = nullptr;
    return WaitUntil([&] { return (w = FindWindowW(class_name, nullptr)) && (!shown || IsWindowVisible(w)); }) ? w : nullptr;
}

// Posted: a modal window it opens would block a sent click.
inline void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }
// Posted behind whatever was posted to Kalvero's thread before, and seen once all of it has been handled: the
// restart button's pushed look, set and taken off again. A check that something did not happen waits for this.
inline bool Flush(HWND main) {
    const HWND button = GetDlgItem(main, kRestart);
    PostMessageW(button, BM_SETSTATE, TRUE, 0);
    const bool seen = WaitUntil([&] { return (SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; });
    return SendMessageW(button, BM_SETSTATE, FALSE, 0), seen;
}

// A started dir\Kalvero.exe and its main window (once shown, unless shown is false); killed with the object.
struct Kalvero {
    explicit Kalvero(const std::wstring& dir = kDir, bool shown = true) {
        std::wstring exe = dir + L"\\Kalvero.exe", command_line = L"\"" + exe + L"\"";
        STARTUPINFOW si{sizeof si};
        if (CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
            main = WaitWindow(L"KalveroMain", shown);
        EXPECT_TRUE(main) << "no main window";
    }
    ~Kalvero() {
        if (pi.hProcess) TerminateProcess(pi.hProcess, 1), WaitExit(), CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    }
    bool WaitExit(DWORD ms = 10000) const { return WaitUntil([&] { return !WaitForSingleObject(pi.hProcess, 0); }, ms); }
    HWND OpenSettings() const { return Click(main, kSettingsButton), WaitWindow(L"KalveroSettings"); }
    HWND OpenAbout(HWND settings) const { return Click(settings, kAboutButton), WaitWindow(L"KalveroAbout"); }
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
};

inline RECT Rect(HWND window) { RECT r{}; return GetWindowRect(window, &r), r; }
inline bool At(HWND w, POINT p) { return Rect(w).left == p.x && Rect(w).top == p.y; }
inline bool MoveTo(HWND window, POINT where) {
    SetWindowPos(window, nullptr, where.x, where.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitUntil([&] { return At(window, where); });
}
inline bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
inline RECT WorkArea() { RECT w{}; return SystemParametersInfoW(SPI_GETWORKAREA, 0, &w, 0), w; }  // of the one screen
inline bool InWorkArea(RECT r) { RECT w = WorkArea(), both{}; return IntersectRect(&both, &r, &w) && EqualRect(&both, &r); }

inline HWND Focus(HWND window) {  // the focus in that window's thread
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}
inline bool FocusOn(HWND window, int id) { return WaitUntil([&] { return Focus(window) == GetDlgItem(window, id); }); }
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
// Posts message to the window (BM_CLICK: to its apply button), waits until it is gone and its owner takes input.
inline bool CloseModal(HWND window, HWND owner, UINT message, WPARAM wparam = 0) {
    PostMessageW(message == BM_CLICK ? GetDlgItem(window, kApply) : window, message, wparam, 0);
    return WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(owner); });
}

// A file of this driver's folder.
inline std::wstring Beside(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, wcsrchr(path, L'\\') + 1) + name;
}
// Runs the hook "Inside" of one of the driver's DLLs (menu_reader.dll, object_counter.dll) on the thread of window,
// another process's: Wine, as Windows, loads the DLL there for the hook, and the hook acts on the mark posted behind
// what the thread has to do, writing beside the DLL. What it wrote, or "" when nothing came. (A remote thread does
// not do: Wine starts one through an APC that a process busy in a menu may leave waiting for minutes.)
inline std::string FromInside(HWND window, const wchar_t* name) {
    const std::wstring dll = Beside(name), out = dll + L".txt";
    DeleteFileW(out.c_str());
    const HMODULE module = LoadLibraryW(dll.c_str());
    const auto hook = module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "Inside"))) : nullptr;
    const HHOOK set = hook ? SetWindowsHookExW(WH_GETMESSAGE, hook, module, GetWindowThreadProcessId(window, nullptr)) : nullptr;
    const bool wrote = set && PostMessageW(window, WM_NULL, kInsideMark, 0) &&
                       WaitUntil([&] { return GetFileAttributesW(out.c_str()) != INVALID_FILE_ATTRIBUTES; }, 120000);
    if (set) UnhookWindowsHookEx(set);
    std::string text;
    const HANDLE file = wrote ? CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return text;
    char chunk[4096];
    for (DWORD got = 0; ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got;) text.append(chunk, got);
    CloseHandle(file);
    return text;
}
// Keys typed as a keyboard does, to the foreground window's thread; each with Shift held if asked.
inline void Type(std::initializer_list<WORD> keys, bool shift = false) {
    std::vector<INPUT> in;
    const auto key = [&](WORD k, DWORD up) { INPUT i{INPUT_KEYBOARD}; i.ki.wVk = k, i.ki.dwFlags = up; in.push_back(i); };
    for (const WORD k : keys) {
        if (shift) key(VK_SHIFT, 0);
        key(k, 0), key(k, KEYEVENTF_KEYUP);
        if (shift) key(VK_SHIFT, KEYEVENTF_KEYUP);
    }
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}

// A right-click of the mouse at a point of the screen, as a hand makes it.
inline void RightClickAt(POINT p) {
    INPUT in[3] = {{INPUT_MOUSE}, {INPUT_MOUSE}, {INPUT_MOUSE}};
    in[0].mi.dx = p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1), in[0].mi.dy = p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, in[1].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN, in[2].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(3, in, sizeof(INPUT));
}

// With no tray manager on the X display, Wine shows each notification icon as a child of its own
// "__winex11_standalone_tray" window. The first one shown (Kalvero's: no other program here has one), or null.
inline HWND TrayIcon() {
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr), icon = nullptr;
    while (tray && (icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) && !IsWindowVisible(icon)) {}
    return icon;
}

inline std::wstring GetSetting(const wchar_t* name) {  // REG_SZ only; empty when missing
    wchar_t value[1024];
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value, &size) ? L"" : value;
}
inline void SetSettings(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values) {
    for (auto [name, v] : values)
        RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, v, DWORD(wcslen(v) + 1) * sizeof(wchar_t));
}
inline void SetSystemDpi(DWORD dpi) {  // for processes started afterwards
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

// No recorder log: a recorder that has written its line may hold the file a moment longer as it exits.
inline bool ClearRecorderLog() {
    return WaitUntil([] { return DeleteFileW(L"C:\\kalvero-recorder.log") || GetLastError() == ERROR_FILE_NOT_FOUND; });
}

// A clean prefix for each test: no Kalvero left running (a test that timed out), Kalvero installed, no settings,
// 96 dpi, no records.
struct WineTest : testing::Test {
    void SetUp() override {
        _wsystem(L"taskkill /f /im Kalvero.exe >nul 2>&1");
        ASSERT_TRUE(Install()) << "could not copy Kalvero.exe and the recorder into the prefix";
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Kalvero");
        ASSERT_TRUE(ClearRecorderLog());
        SetSystemDpi(96);
    }
};
