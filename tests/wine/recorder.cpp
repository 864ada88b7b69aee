// Stands in for shutdown.exe: appends one UTF-8 line per run to C:\kalvero-recorder.log
//   module path <TAB> command line <TAB> STARTUPINFO.dwFlags <TAB> wShowWindow
// and exits 0, as Wine's stub does.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring module(32768, L'\0');
    module.resize(GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size())));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    GetStartupInfoW(&si);
    const std::wstring line = module + L'\t' + GetCommandLineW() + L'\t' + std::to_wstring(si.dwFlags) + L'\t' +
                              std::to_wstring(si.wShowWindow) + L'\n';

    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), size, nullptr, nullptr);

    // Two quick clicks start two copies at once: serialise the appends so no line is torn or lost.
    HANDLE lock = CreateMutexW(nullptr, FALSE, L"KalveroRecorderLog");
    WaitForSingleObject(lock, 10000);
    HANDLE log = CreateFileW(L"C:\\kalvero-recorder.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = log != INVALID_HANDLE_VALUE &&
                    WriteFile(log, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
                    written == utf8.size();
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    ReleaseMutex(lock);
    return ok ? 0 : 1;
}
