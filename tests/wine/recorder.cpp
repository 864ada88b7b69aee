// Stands in for shutdown.exe: appends one UTF-8 line per run to C:\kalvero-recorder.log
//   module path <TAB> command line <TAB> STARTUPINFO.dwFlags <TAB> wShowWindow
// and exits 0, as Wine's stub does.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t module[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    STARTUPINFOW si{sizeof si};
    GetStartupInfoW(&si);
    const std::wstring line = module + (L'\t' + std::wstring(GetCommandLineW())) + L'\t' + std::to_wstring(si.dwFlags) +
                              L'\t' + std::to_wstring(si.wShowWindow) + L'\n';
    std::string utf8(line.size() * 4, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), int(utf8.size()), nullptr, nullptr));
    // Two copies started at once (two quick clicks) take turns, so that no line is torn or lost.
    WaitForSingleObject(CreateMutexW(nullptr, FALSE, L"KalveroRecorderLog"), 10000);
    const HANDLE log = CreateFileW(L"C:\\kalvero-recorder.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    return WriteFile(log, utf8.data(), DWORD(utf8.size()), &written, nullptr) && written == utf8.size() ? 0 : 1;
}
