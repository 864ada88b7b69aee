// Baselines for the start-up benchmark: the least a Win32 program needs to put one
// top-level window on the screen. It is built with the same compiler and the same size
// flags as Kalvero.exe, and its window has the same outer shape (fixed border, close box
// only, a 161 x 33 pixel client area), so that the window surface Wine allocates for it
// costs the same and the comparison measures only what the program itself adds.
//
// Built twice:
//   bare_window.exe    no manifest, no child windows.
//   bare_controls.exe  BARE_WITH_CONTROLS: Kalvero's own manifest (bare_controls.rc), which
//                      asks for Common Controls 6, and five standard owner-drawn BUTTON
//                      children across the client area, as in Kalvero's button strip. Under
//                      that manifest the first BUTTON loads comctl32 v6 and uxtheme through
//                      class redirection: this is the platform's fixed cost of the manifest,
//                      which Kalvero cannot avoid, without anything Kalvero adds on top.
#include <windows.h>

namespace {

#ifdef BARE_WITH_CONTROLS
constexpr int kButtons = 5;
constexpr int kClientWidth = 161;
constexpr int kClientHeight = 33;
#endif

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
#ifdef BARE_WITH_CONTROLS
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        FillRect(dis->hDC, &dis->rcItem, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        return TRUE;
    }
#endif
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"KalveroBenchBareWindow";
    if (!RegisterClassExW(&wc)) return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 161, 33};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Bare window", style, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
#ifdef BARE_WITH_CONTROLS
    // Side by side, the last one ending exactly at the client's right edge.
    for (int i = 0; i < kButtons; ++i) {
        const int left = i * kClientWidth / kButtons;
        const int right = (i + 1) * kClientWidth / kButtons;
        if (!CreateWindowExW(0, L"BUTTON", L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                             left, 0, right - left, kClientHeight, hwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)), instance, nullptr))
            return 1;
    }
#endif
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}
