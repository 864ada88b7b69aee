// Run inside a running Kalvero.exe, on its own thread, by the leak test (harness.h's FromInside): counts the
// process's GDI and USER objects, raw handles included, and writes the counts beside itself
// ("object_counter.dll.txt").
// Where GetGuiResources answers (Windows), its counts; Wine 8 answers 0. Wine keeps both kinds in tables of the
// process that accept a handle's index alone (a zero high word matches any generation): every GDI index from 1 to
// 0xFFFF, and every USER index (0x20 + 2 * i) for menus and icons (cursors too). Windows are enumerated.
// Wine also keeps up to 64 window DCs in a cache that grows as windows come and go, each idle one with a region:
// filled to that size before counting, the cache no longer varies, and the DCs in use (a held GetDC: the only ones
// whose clip box can be read through the index alone) are counted apart.
#include <windows.h>

#include <cstdio>
#include <string>

#include "inside.h"

namespace {

int g_windows = 0;
BOOL CALLBACK CountChild(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    g_windows += process == GetCurrentProcessId();
    return TRUE;
}
BOOL CALLBACK CountTop(HWND window, LPARAM) { return CountChild(window, 0), EnumChildWindows(window, CountChild, 0), TRUE; }

int Format(char* text, HANDLE self) {
    if (const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS))
        return std::sprintf(text, "gdi %lu, user %lu", gdi, GetGuiResources(self, GR_USEROBJECTS));
    HDC cached[64];
    for (HDC& dc : cached) dc = GetDC(nullptr);
    for (HDC dc : cached) ReleaseDC(nullptr, dc);
    int by_type[OBJ_COLORSPACE + 1] = {}, gdi = 0, in_use = 0;  // counted before GetIconInfo makes bitmaps of its own
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index) {
        const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(index));
        if (!type) continue;
        ++gdi, ++by_type[type <= OBJ_COLORSPACE ? type : 0];
        if (RECT clip; type == OBJ_DC && GetClipBox(reinterpret_cast<HDC>(index), &clip) != ERROR) ++in_use;
    }
    int menus = 0, icons = 0;
    for (ULONG_PTR handle = 0x20; handle < 0x10000; handle += 2) {
        menus += IsMenu(reinterpret_cast<HMENU>(handle)) != FALSE;
        if (ICONINFO info; GetIconInfo(reinterpret_cast<HICON>(handle), &info)) {
            ++icons;
            if (info.hbmMask) DeleteObject(info.hbmMask);
            if (info.hbmColor) DeleteObject(info.hbmColor);
        }
    }
    g_windows = 0;  // the DLL may stay loaded from one count to the next
    EnumWindows(CountTop, 0);
    return std::sprintf(text, "gdi %d (pens %d, brushes %d, DCs %d with %d in use, fonts %d, bitmaps %d, regions %d), user %d "
                        "(windows %d, menus %d, icons %d)", gdi, by_type[OBJ_PEN], by_type[OBJ_BRUSH], by_type[OBJ_DC] + by_type[OBJ_MEMDC], in_use,
                        by_type[OBJ_FONT], by_type[OBJ_BITMAP], by_type[OBJ_REGION], g_windows + menus + icons, g_windows,
                        menus, icons);
}

}  // namespace

HMODULE g_self;
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = self;
    return TRUE;
}

// The hook the driver sets on Kalvero's thread (harness.h's FromInside), run there as the driver's mark is taken
// from the queue: Kalvero is idle then, and nothing of its own is half made.
extern "C" __declspec(dllexport) LRESULT CALLBACK Inside(int code, WPARAM removed, LPARAM message) {
    const MSG& m = *reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && m.message == WM_NULL && m.wParam == kInsideMark) {
        char text[256];
        WriteBeside(g_self, std::string(text, Format(text, GetCurrentProcess())));
    }
    return CallNextHookEx(nullptr, code, removed, message);
}
