#include "harness.h"

#include <tlhelp32.h>

#include <cwctype>

namespace harness {
namespace {

constexpr wchar_t kRecorderLog[] = L"C:\\kalvero-recorder.log";

std::wstring Widen(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

std::string ReadAll(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(static_cast<size_t>(GetFileSize(file, nullptr)), '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    return text.substr(0, read);
}

std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
    for (const ULONGLONG deadline = GetTickCount64() + timeout_ms;; Sleep(20)) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
    }
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::string Narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring RecorderExe() { return OwnFolder() + L"\\recorder.exe"; }

std::wstring SystemPath(const wchar_t* file) {
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\" + file;
}

bool Install(const std::wstring& dir) {
    std::wstring built = L"Z:" + Widen(KALVERO_EXE);  // a Unix path: Wine maps / to drive Z:
    for (wchar_t& c : built)
        if (c == L'/') c = L'\\';
    CreateDirectoryW(dir.c_str(), nullptr);
    return CopyFileW(built.c_str(), (dir + L"\\Kalvero.exe").c_str(), FALSE) &&
           CopyFileW(RecorderExe().c_str(), (dir + L"\\shutdown.exe").c_str(), FALSE) &&
           CopyFileW(RecorderExe().c_str(), SystemPath(L"shutdown.exe").c_str(), FALSE);
}

Process Start(const std::wstring& dir, DWORD creation_flags) {
    const std::wstring exe = dir + L"\\Kalvero.exe";
    std::wstring command_line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Process p;
    if (CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, creation_flags, nullptr,
                       dir.c_str(), &si, &pi))
        p.pi_ = pi;
    return p;
}

HWND WaitWindow(DWORD pid, const wchar_t* window_class, DWORD timeout_ms, bool shown) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w = nullptr; !found && (w = FindWindowExW(nullptr, w, window_class, nullptr));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == pid && (!shown || IsWindowVisible(w))) found = w;
            }
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

int CountWindows(const wchar_t* window_class) {
    int n = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, window_class, nullptr));) ++n;
    return n;
}

Kalvero::Kalvero(const std::wstring& dir, bool shown) : process(Start(dir)) {
    if (process) main = WaitWindow(process.pid(), L"KalveroMain", 10000, shown);
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return Lower(name);
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
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}

HWND Focus(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
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

std::vector<int> TabOrder(HWND window, int n) {
    std::vector<int> order;
    for (HWND item = nullptr; n-- > 0;) order.push_back(GetDlgCtrlID(item = GetNextDlgTabItem(window, item, FALSE)));
    return order;
}

bool CloseSettings(HWND settings, HWND main, UINT message, WPARAM wparam) {
    if (message == BM_CLICK)
        Click(settings, kApply);
    else
        PostMessageW(settings, message, wparam, 0);
    return WaitUntil([&] { return !IsWindow(settings) && IsWindowEnabled(main); });
}

bool PressOk(HWND box) {
    Click(box, IDOK);
    return WaitUntil([&] { return !IsWindow(box); });
}

bool ShowsIcon(HWND window, HICON icon, int size) {
    const RECT r = Rect(window);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const auto pixels = [&] {
        std::vector<COLORREF> v;
        for (int i = 0; i < w * h; ++i) v.push_back(GetPixel(dc, i % w, i / w));
        return v;
    };
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    const std::vector<COLORREF> shown = pixels();
    const HBRUSH background = CreateSolidBrush(shown.empty() ? 0 : shown[0]);  // icon corners are transparent
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, background);
    DeleteObject(background);
    DrawIconEx(dc, (w - size) / 2, (h - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
    const bool same = !shown.empty() && shown == pixels();
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return same;
}

void KillAllKalvero() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, L"Kalvero.exe") != 0) continue;
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            TerminateProcess(p, 1);
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
    CloseHandle(snapshot);
}

std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    for (HWND tray = nullptr; (tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr));)
        for (HWND icon = nullptr; (icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr));)
            if (IsWindowVisible(icon)) icons.push_back(icon);
    return icons;
}

HWND WaitOneIcon() {
    HWND icon = nullptr;
    WaitUntil([&] {
        const std::vector<HWND> icons = TrayIcons();
        return (icon = icons.size() == 1 ? icons[0] : nullptr) != nullptr;
    });
    return icon;
}

bool Xdotool(const std::wstring& args) {
    // Wine gives no handle to wait on for a Unix program: the shell leaves xdotool's exit code in a
    // file of the prefix instead, renamed into place once complete.
    constexpr wchar_t kDone[] = L"C:\\kalvero-xdotool.rc";
    DeleteFileW(kDone);
    std::wstring command = L"/bin/sh -c \"cd \\\"$WINEPREFIX/drive_c\\\" || exit; xdotool " + args +
                           L"; echo $? >kalvero-xdotool.tmp; mv kalvero-xdotool.tmp kalvero-xdotool.rc\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (!WaitUntil([&] { return GetFileAttributesW(kDone) != INVALID_FILE_ATTRIBUTES; })) return false;
    return ReadAll(kDone) == "0\n";
}

bool XClick(HWND target, int button) {
    return Xdotool(L"mousemove " + At(Center(target)) + L" click " + std::to_wstring(button) + L" mousemove 1279 1023");
}

Text GetValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    const LSTATUS status = RegGetValueW(root, key, name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, value, &size);
    return status == ERROR_SUCCESS ? Text(value) : std::nullopt;
}

void SetValue(HKEY root, const wchar_t* key, const wchar_t* name, const Text& value) {
    if (value)
        RegSetKeyValueW(root, key, name, REG_SZ, value->c_str(), DWORD((value->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteKeyValueW(root, key, name);
}

void SetSystemDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

std::vector<Record> ReadRecords() {
    std::vector<Record> records;
    const std::string text = ReadAll(kRecorderLog);
    // Only complete lines: a recorder may be writing right now.
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::wstring line = Widen(text.substr(start, end - start));
        const size_t a = line.find(L'\t'), c = line.rfind(L'\t'), b = line.rfind(L'\t', c - 1);
        if (a == std::wstring::npos || b <= a) continue;
        records.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1),
                           static_cast<DWORD>(std::stoul(line.substr(b + 1, c - b - 1))),
                           static_cast<DWORD>(std::stoul(line.substr(c + 1)))});
    }
    return records;
}

void ClearRecords() { DeleteFileW(kRecorderLog); }

std::vector<Record> SettledRecords(size_t at_least) {
    WaitUntil([&] { return ReadRecords().size() >= at_least; });
    Sleep(400);  // time for one more to come
    return ReadRecords();
}

void WineTest::SetUp() {
    KillAllKalvero();
    ASSERT_TRUE(Install()) << "could not copy Kalvero.exe and the recorder into the prefix";
    ClearSettings();
    SetSystemDpi(96);
    ClearRecords();
}

void WineTest::TearDown() {
    KillAllKalvero();
    SetSystemDpi(96);
}

}  // namespace harness
