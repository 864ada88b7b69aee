#include "harness.h"

#include <tlhelp32.h>

namespace harness {
namespace {

std::wstring Widen(const char* utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), size);
    wide.resize(wide.size() - 1);
    return wide;
}

// The build hands us a Unix path; Wine maps / to drive Z:.
std::wstring BuiltKalvero() {
    std::wstring path = L"Z:" + Widen(KALVERO_EXE);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\'));
}

bool IsMainWindow(HWND window) {
    wchar_t name[64];
    return GetClassNameW(window, name, 64) && wcscmp(name, L"KalveroMain") == 0;
}

HKEY OpenSettings() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    return key;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

std::wstring SystemShutdownPath() {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\shutdown.exe";
}

bool Install(const std::wstring& dir) {
    const std::wstring recorder = OwnFolder() + L"\\recorder.exe";
    CreateDirectoryW(dir.c_str(), nullptr);
    return CopyFileW(BuiltKalvero().c_str(), (dir + L"\\Kalvero.exe").c_str(), FALSE) &&
           CopyFileW(recorder.c_str(), (dir + L"\\shutdown.exe").c_str(), FALSE) &&
           CopyFileW(recorder.c_str(), SystemShutdownPath().c_str(), FALSE);
}

Process::~Process() {
    if (handle_) CloseHandle(handle_);
    if (thread_) CloseHandle(thread_);
}

void Process::Resume() const {
    ResumeThread(thread_);
}

bool Process::WaitExit(DWORD timeout_ms) const {
    return WaitForSingleObject(handle_, timeout_ms) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(handle_, &code);
    return code;
}

Process Start(const std::wstring& dir, DWORD creation_flags) {
    const std::wstring exe = dir + L"\\Kalvero.exe";
    std::wstring command_line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, creation_flags, nullptr,
                        dir.c_str(), &si, &pi))
        return {};
    return {pi.hProcess, pi.hThread, pi.dwProcessId};
}

std::vector<HWND> MainWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM list) {
            if (IsMainWindow(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND WaitMainWindow(const Process& process, DWORD timeout_ms) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : MainWindows()) {
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid == process.pid() && IsWindowVisible(window)) found = window;
            }
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

HWND MainWindowOf(const Process& process) {
    for (HWND window : MainWindows()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == process.pid()) return window;
    }
    return nullptr;
}

POINT TopLeft(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top};
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

bool Xdotool(const std::wstring& args) {
    // Wine runs a Unix program from CreateProcess but gives no handle to wait on: the shell leaves
    // xdotool's exit code in a file of the prefix instead, renamed into place once complete.
    constexpr wchar_t kDone[] = L"C:\\kalvero-xdotool.rc";
    DeleteFileW(kDone);
    std::wstring command = L"/bin/sh -c \"cd \\\"$WINEPREFIX/drive_c\\\" || exit; xdotool " + args +
                           L"; echo $? >kalvero-xdotool.tmp; mv kalvero-xdotool.tmp kalvero-xdotool.rc\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    if (!WaitUntil([&] { return GetFileAttributesW(kDone) != INVALID_FILE_ATTRIBUTES; })) return false;
    HANDLE file = CreateFileW(kDone, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char rc[8];
    DWORD read = 0;
    ReadFile(file, rc, sizeof rc, &read, nullptr);
    CloseHandle(file);
    return std::string(rc, read) == "0\n";
}

std::optional<std::wstring> GetSetting(const wchar_t* name) {
    wchar_t value[256];
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, &type, value, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(value);
}

void SetSetting(const wchar_t* name, const std::optional<std::wstring>& value) {
    HKEY key = OpenSettings();
    if (value)
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key, name);
    RegCloseKey(key);
}

void ClearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Kalvero");
}

void SetSystemDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

std::vector<Record> ReadRecords() {
    std::vector<Record> records;
    HANDLE file = CreateFileW(kRecorderLog, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return records;
    std::string text(static_cast<size_t>(GetFileSize(file, nullptr)), '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);

    // Only complete lines: a recorder may be writing right now.
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::wstring line = Widen(text.substr(start, end - start).c_str());
        const size_t a = line.find(L'\t'), c = line.rfind(L'\t'), b = line.rfind(L'\t', c - 1);
        if (a == std::wstring::npos || b <= a) continue;
        records.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1),
                           static_cast<DWORD>(std::stoul(line.substr(b + 1, c - b - 1))),
                           static_cast<DWORD>(std::stoul(line.substr(c + 1)))});
    }
    return records;
}

void ClearRecords() {
    DeleteFileW(kRecorderLog);
}

}  // namespace harness
