// Loaded into Kalvero.exe by the driver (harness.h's Inject): writes the lines of every menu Kalvero shows to
// C:\kalvero-menu.txt, one menu a line, as "*&Default|Title>|Other", then unloads itself. Wine cannot read a
// menu from another process.
#include <windows.h>

#include <string>

static BOOL CALLBACK Read(HWND window, LPARAM out) {
    wchar_t name[16] = L"";
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || !GetClassNameW(window, name, 16) || lstrcmpW(name, L"#32768"))
        return TRUE;
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, 0x01E1 /* MN_GETHMENU */, 0, 0));
    std::wstring& text = *reinterpret_cast<std::wstring*>(out);
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t item[200] = L"";
        MENUITEMINFOW info{sizeof info, MIIM_STRING | MIIM_STATE | MIIM_SUBMENU};
        info.dwTypeData = item, info.cch = 200;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        text += std::wstring(i ? L"|" : L"") + (info.fState & MFS_DEFAULT ? L"*" : L"") + item + (info.hSubMenu ? L">" : L"");
    }
    text += L"\n";
    return TRUE;
}

// Not in DllMain: asking Kalvero's thread for its menu while holding the loader lock would wait for ever on a thread
// that loads a DLL as it shows the menu. The file appears whole, under its final name, when the reading is done.
static DWORD WINAPI ReadAndLeave(void* self) {
    std::wstring text;
    EnumWindows(Read, reinterpret_cast<LPARAM>(&text));
    std::string utf8(text.size() * 4, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), int(utf8.size()), nullptr, nullptr));
    const HANDLE file = CreateFileW(L"C:\\kalvero-menu.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(L"C:\\kalvero-menu.tmp", L"C:\\kalvero-menu.txt", MOVEFILE_REPLACE_EXISTING);
    FreeLibraryAndExitThread(static_cast<HMODULE>(self), 0);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) CloseHandle(CreateThread(nullptr, 0, ReadAndLeave, self, 0, nullptr));
    return TRUE;
}
