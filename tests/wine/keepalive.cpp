// Keeps a Wine session warm between test processes: while one process owns a window, wineserver
// and explorer stay up, and each later start costs about 0.1 s instead of about 1.5 s.
#include <windows.h>

static LRESULT CALLBACK KeepaliveProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(window, message, wparam, lparam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // One per prefix; a second copy only confirms readiness.
    CreateMutexW(nullptr, TRUE, L"KalveroTestKeepalive");
    const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
    if (first) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = KeepaliveProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"WineTestKeepalive";
        // Never shown: a hidden window is enough to keep explorer alive.
        if (!RegisterClassW(&wc) ||
            !CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr))
            return 1;
    }
    // env.sh waits for this file before it lets anything else start in the prefix.
    HANDLE ready = CreateFileW(L"C:\\kalvero-keepalive.ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    if (!first) return 0;

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
