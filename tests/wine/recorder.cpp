// Stands in for shutdown.exe: appends one UTF-8 line per run to C:\kalvero-recorder.log
//   module path <TAB> command line <TAB> STARTUPINFO.dwFlags <TAB> wShowWindow <TAB> Haut,Gauche
// (the position Kalvero had saved when this started) and exits 0, as Wine's stub does.
#include <windows.h>

#include <string>

static std::wstring Setting(const wchar_t* name) {
    wchar_t value[64] = L"";
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Kalvero\\Settings", name, RRF_RT_REG_SZ, nullptr, value, &size), value;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t module[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    STARTUPINFOW si{sizeof si};
    GetStartupInfoW(&si);
    const std::wstring line = module + (L'\t' + std::wstring(GetCommandLineW())) + L'\t' + std::to_wstring(si.dwFlags) +
                              L'\t' + std::to_wstring(si.wShowWindow) + L'\t' + Setting(L"Haut") + L',' + Setting(L"Gauche") + L'\n';
    std::string utf8(line.size() * 4, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), int(utf8.size()), nullptr, nullptr));
    // Two copies started at once (two quick clicks) take turns, so that no line is torn or lost.
    WaitForSingleObject(CreateMutexW(nullptr, FALSE, L"KalveroRecorderLog"), 10000);
    const HANDLE log = CreateFileW(L"C:\\kalvero-recorder.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    return WriteFile(log, utf8.data(), DWORD(utf8.size()), &written, nullptr) && written == utf8.size() ? 0 : 1;
}
