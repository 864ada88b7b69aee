#include "harness.h"

#include <tlhelp32.h>


namespace harness {
namespace {

constexpr wchar_t kRecorderLog[] = L"C:\\kalvero-recorder.log";

std::wstring Widen(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size())));
    return wide;
}

std::string ReadAll(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), DWORD(text.size()), &read, nullptr);
    CloseHandle(file);
    return text.substr(0, read);
}

void KillAll() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"Kalvero.exe") == 0)
            if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID))
                TerminateProcess(p, 1), WaitForSingleObject(p, 5000), CloseHandle(p);
    CloseHandle(snapshot);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
    for (const ULONGLONG deadline = GetTickCount64() + timeout_ms;; Sleep(20)) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
    }
}

std::wstring SystemPath(const wchar_t* file) {
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\" + file;
}

std::wstring RecorderExe() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\')) + L"\\recorder.exe";
}

bool Install(const std::wstring& dir, const char* exe) {
    std::wstring built = L"Z:" + Widen(exe);  // a Unix path: Wine maps / to drive Z:
    for (wchar_t& c : built) c = c == L'/' ? L'\\' : c;
    CreateDirectoryW(dir.c_str(), nullptr);
    return CopyFileW(built.c_str(), (dir + L"\\Kalvero.exe").c_str(), FALSE) &&
           CopyFileW(RecorderExe().c_str(), (dir + L"\\shutdown.exe").c_str(), FALSE) &&
           CopyFileW(RecorderExe().c_str(), SystemPath(L"shutdown.exe").c_str(), FALSE);
}

HWND WaitWindow(DWORD pid, const wchar_t* window_class, DWORD timeout_ms, bool shown) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w = nullptr; !found && (w = FindWindowExW(nullptr, w, window_class, nullptr));) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && (!shown || IsWindowVisible(w))) found = w;
        }
        return found != nullptr;
    }, timeout_ms);
    return found;
}

Kalvero::Kalvero(const std::wstring& dir, bool shown, DWORD flags) {
    const std::wstring exe = dir + L"\\Kalvero.exe";
    std::wstring command_line = L"\"" + exe + L"\"";
    STARTUPINFOW si{sizeof si};
    if (CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, flags, nullptr, dir.c_str(), &si,
                       &pi) && !(flags & CREATE_SUSPENDED))
        main = WaitWindow(pi.dwProcessId, L"KalveroMain", 10000, shown);
}

Kalvero::~Kalvero() {
    if (!pi.hProcess) return;
    if (TerminateProcess(pi.hProcess, 1)) WaitExit();
    CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
}

HWND Kalvero::OpenSettings() const { return Click(main, kSettingsButton), Wait(L"KalveroSettings"); }
HWND Kalvero::OpenAbout(HWND settings) const { return Click(settings, kAboutButton), Wait(L"KalveroAbout"); }

bool Loaded(DWORD pid, const wchar_t* dll) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
    MODULEENTRY32W entry{sizeof entry};
    bool found = false;
    for (BOOL more = Module32FirstW(snapshot, &entry); more && !found; more = Module32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szModule, dll) == 0;
    CloseHandle(snapshot);
    return found;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

RECT Rect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool MoveTo(HWND window, POINT where) {
    SetWindowPos(window, nullptr, where.x, where.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitUntil([&] { return TopLeft(window).x == where.x && TopLeft(window).y == where.y; });
}

RECT WorkArea(HWND window) {
    MONITORINFO mi{sizeof mi};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}

HWND Focus(HWND window) {
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

std::vector<int> Tabs(HWND window, int n) {
    std::vector<int> walked;
    for (int i = 0; i < n; ++i) {
        const HWND before = Focus(window);
        Key(before, VK_TAB);
        if (!WaitUntil([&] { return Focus(window) != before; })) break;
        walked.push_back(GetDlgCtrlID(Focus(window)));
    }
    return walked;
}

bool CloseModal(HWND window, HWND owner, UINT message, WPARAM wparam) {
    if (message == BM_CLICK) Click(window, kApply);
    else PostMessageW(window, message, wparam, 0);
    return WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(owner); });
}

std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    for (HWND tray = nullptr; (tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr));)
        for (HWND icon = nullptr; (icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr));)
            if (IsWindowVisible(icon)) icons.push_back(icon);
    return icons;
}

bool XClick(HWND target, int button) {
    // Wine gives no handle to wait on for a Unix program: the shell leaves xdotool's exit code in a file
    // of the prefix instead, renamed into place once complete.
    constexpr wchar_t kDone[] = L"C:\\kalvero-xdotool.rc";
    DeleteFileW(kDone);
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
    return WaitUntil([&] { return GetFileAttributesW(kDone) != INVALID_FILE_ATTRIBUTES; }) && ReadAll(kDone) == "0\n";
}

Text GetValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    return RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) ? Text() : Text(value);
}

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const Text& value) {
    if (value) RegSetKeyValueW(root, key, name, REG_SZ, value->c_str(), DWORD((value->size() + 1) * 2));
    else RegDeleteKeyValueW(root, key, name);
}

void SetSystemDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

std::vector<Record> Records(size_t at_least) {
    const auto read = [] {
        std::vector<Record> records;
        const std::string text = ReadAll(kRecorderLog);
        // Only complete lines: a recorder may be writing right now.
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::wstring line = Widen(text.substr(start, end - start));
            const size_t a = line.find(L'\t'), c = line.rfind(L'\t'), b = line.rfind(L'\t', c - 1);
            records.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), DWORD(std::stoul(line.substr(b + 1))),
                               DWORD(std::stoul(line.substr(c + 1)))});
        }
        return records;
    };
    WaitUntil([&] { return read().size() >= at_least; });
    Sleep(400);  // time for one more to come
    return read();
}

void ClearRecords() { DeleteFileW(kRecorderLog); }

void WineTest::SetUp() {
    KillAll();
    ASSERT_TRUE(Install()) << "could not copy Kalvero.exe and the recorder into the prefix";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Kalvero");
    SetSystemDpi(96);
    ClearRecords();
}

void WineTest::TearDown() {
    KillAll();
    SetSystemDpi(96);
}

}  // namespace harness
