#include "platform/win32_dpi.h"

#include "platform/win32_system_function.h"

namespace kalvero::platform {
namespace {

template <class F>
F User32(const char* name) {
  return SystemFunction<F>(L"user32.dll", name);
}

UINT ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int CALLBACK FoundFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// The face where the system has it; the dialog font otherwise.
const wchar_t* InstalledFace(const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found ? face : L"MS Shell Dlg 2";
}

}  // namespace

UINT DpiForWindow(HWND hwnd) {
  static const auto fn = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (const UINT dpi = fn && hwnd ? fn(hwnd) : 0) return dpi;
  // Windows 8.1 and 10 before 1607 know the DPI of each monitor only.
  return hwnd ? DpiForMonitor(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)) : DpiForSystem();
}

UINT DpiForMonitor(HMONITOR monitor) {
  // Windows 7 and 8 have one DPI for every monitor.
  using MonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto monitorDpi = SystemFunction<MonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (monitorDpi && monitor && SUCCEEDED(monitorDpi(monitor, 0, &x, &y)) && x) return x;
  return DpiForSystem();
}

UINT DpiForSystem() {
  static const auto fn = User32<UINT(WINAPI*)()>("GetDpiForSystem");
  const UINT dpi = fn ? fn() : 0;
  return dpi ? dpi : ScreenDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto fn =
      User32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  if (!fn || !fn(&rect, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto fn = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
  return fn ? fn(index, dpi) : MulDiv(GetSystemMetrics(index), dpi, DpiForSystem());
}

HFONT CreateFontForDpi(UINT dpi, int hundredthsOfPoint, int weight, const wchar_t* face) {
  return CreateFontW(-MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200), 0, 0, 0, weight,
                     FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     CLEARTYPE_QUALITY, DEFAULT_PITCH, InstalledFace(face));
}

}  // namespace kalvero::platform
