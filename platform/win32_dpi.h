// DPI queries that use the per-monitor functions where the system has them
// (Windows 10 1607 and later) and fall back to the system DPI on Windows 7.
#pragma once

#include <windows.h>

namespace kalvero::platform {

UINT DpiForWindow(HWND hwnd);
UINT DpiForMonitor(HMONITOR monitor);
UINT DpiForSystem();
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);
int SystemMetricForDpi(int index, UINT dpi);

// A font of the given size in hundredths of a point, at the given DPI; the
// dialog font where the system lacks the face.
HFONT CreateFontForDpi(UINT dpi, int hundredthsOfPoint, int weight, const wchar_t* face);

}  // namespace kalvero::platform
