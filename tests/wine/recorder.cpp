// Stands in for shutdown.exe and the system tool: appends one UTF-8 line per run to C:\kalvero-recorder.log
//   module path <TAB> command line <TAB> STARTUPINFO.dwFlags <TAB> wShowWindow
// and exits 0, as Wine's stub does.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring line(32768, L'\0');
    line.resize(GetModuleFileNameW(nullptr, line.data(), DWORD(line.size())));
    STARTUPINFOW si{sizeof si};
    GetStartupInfoW(&si);
    line += L'\t' + std::wstring(GetCommandLineW()) + L'\t' + std::to_wstring(si.dwFlags) + L'\t' +
            std::to_wstring(si.wShowWindow) + L'\n';
    std::string utf8(line.size() * 4, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), int(utf8.size()), nullptr, nullptr));
    // Two quick clicks start two copies at once: serialise the appends so no line is torn or lost.
    HANDLE lock = CreateMutexW(nullptr, FALSE, L"KalveroRecorderLog");
    WaitForSingleObject(lock, 10000);
    HANDLE log = CreateFileW(L"C:\\kalvero-recorder.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = WriteFile(log, utf8.data(), DWORD(utf8.size()), &written, nullptr) && written == utf8.size();
    CloseHandle(log);
    ReleaseMutex(lock);
    return ok ? 0 : 1;
}
