// Run inside Kalvero.exe, on its own thread (harness.h's FromInside): writes the lines of every menu Kalvero shows
// beside this DLL ("menu_reader.dll.txt"), one menu a line, as "*&Default|Title>|Other". Wine cannot read a menu
// from another process.
#include <windows.h>

#include <string>

#include "inside.h"

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

HMODULE g_self;
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_self = self;
    return TRUE;
}

// The hook the driver sets on Kalvero's thread (harness.h's FromInside): run there as the driver's mark is taken
// from the queue, in the menu's own loop while one shows.
extern "C" __declspec(dllexport) LRESULT CALLBACK Inside(int code, WPARAM removed, LPARAM message) {
    const MSG& m = *reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && m.message == WM_NULL && m.wParam == kInsideMark) {
        std::wstring text;
        EnumWindows(Read, reinterpret_cast<LPARAM>(&text));
        std::string utf8(text.size() * 4, '\0');
        utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), int(utf8.size()), nullptr, nullptr));
        WriteBeside(g_self, utf8);
    }
    return CallNextHookEx(nullptr, code, removed, message);
}
