#include "platform/win32_dpi.h"

namespace kalvero::platform {
namespace {

// Looked up at run time: importing them would stop the exe loading on Windows 7.
template <class F>
F User32Function(const char* name) {
  static HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using MetricsForDpiFn = int(WINAPI*)(int, UINT);

UINT ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT DpiForWindow(HWND hwnd) {
  static const auto fn = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = fn && hwnd ? fn(hwnd) : 0;
  return dpi ? dpi : DpiForSystem();
}

UINT DpiForSystem() {
  static const auto fn = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  const UINT dpi = fn ? fn() : 0;
  return dpi ? dpi : ScreenDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto fn = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  if (!fn || !fn(&rect, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto fn = User32Function<MetricsForDpiFn>("GetSystemMetricsForDpi");
  return fn ? fn(index, dpi) : MulDiv(GetSystemMetrics(index), dpi, DpiForSystem());
}

HFONT CreateFontForDpi(UINT dpi, int hundredthsOfPoint, int weight, const wchar_t* face) {
  return CreateFontW(-MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200), 0, 0, 0, weight,
                     FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     CLEARTYPE_QUALITY, DEFAULT_PITCH, face);
}

}  // namespace kalvero::platform
