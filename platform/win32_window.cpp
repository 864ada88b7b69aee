#include "platform/win32_window.h"

#include <commctrl.h>

#include "platform/win32_dpi.h"
#include "platform/win32_system_function.h"

namespace kalvero::platform {

static_assert(style::kTabStop == WS_TABSTOP && style::kClipSiblings == WS_CLIPSIBLINGS);
static_assert(style::kDefPushButton == BS_DEFPUSHBUTTON && style::kCheckBox == BS_CHECKBOX &&
              style::kThreeState == BS_3STATE && style::kGroupBox == BS_GROUPBOX &&
              style::kOwnerDrawButton == BS_OWNERDRAW && style::kMultiLine == BS_MULTILINE);
static_assert(style::kStaticCentre == SS_CENTER && style::kStaticOwnerDraw == SS_OWNERDRAW &&
              style::kNoPrefix == SS_NOPREFIX && style::kNotify == SS_NOTIFY);

HMODULE SystemModule(const wchar_t* dll) {
  if (HMODULE loaded = GetModuleHandleW(dll)) return loaded;
  wchar_t path[MAX_PATH];
  const UINT n = GetSystemDirectoryW(path, MAX_PATH);
  if (n == 0 || n + 1 + lstrlenW(dll) >= MAX_PATH) return nullptr;
  path[n] = L'\\';
  lstrcpyW(path + n + 1, dll);
  return LoadLibraryW(path);
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background,
                         HICON icon, HICON smallIcon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void ScaleNonClientArea(HWND window) {
  using ContextFn = HANDLE(WINAPI*)();
  using EqualFn = BOOL(WINAPI*)(HANDLE, HANDLE);
  using EnableFn = BOOL(WINAPI*)(HWND);
  static const auto context = SystemFunction<ContextFn>(L"user32.dll", "GetThreadDpiAwarenessContext");
  static const auto equal = SystemFunction<EqualFn>(L"user32.dll", "AreDpiAwarenessContextsEqual");
  static const auto enable = SystemFunction<EnableFn>(L"user32.dll", "EnableNonClientDpiScaling");
  // Per-monitor v1 is what the manifest gives on 1607, which knows no v2.
  const auto perMonitorV1 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
  if (context && equal && enable && equal(context(), perMonitorV1)) enable(window);
}

void MoveToSuggested(HWND window, const RECT& suggested) {
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE OuterSizeForClient(int widthTw, int heightTw, DWORD style, DWORD exStyle, UINT dpi) {
  const int d = static_cast<int>(dpi);
  RECT r{0, 0, TwipsToPixels(widthTw, d), TwipsToPixels(heightTw, d)};
  AdjustWindowRectForDpi(r, style, exStyle, dpi);
  return {r.right - r.left, r.bottom - r.top};
}

static SIZE OuterSize(HWND window, const WindowLayout& layout, UINT dpi) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  return OuterSizeForClient(layout.clientWidth, layout.clientHeight, style, exStyle, dpi);
}

LRESULT ScaledSize(HWND window, const WindowLayout& layout, UINT dpi, SIZE& size) {
  size = OuterSize(window, layout, dpi);
  return TRUE;
}

void LayOut(HWND window, const WindowLayout& layout, UINT dpi) {
  const SIZE s = OuterSize(window, layout, dpi);
  SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const Control& c : layout.controls) {
    const PixelRect p = ToPixels(c, static_cast<int>(dpi));
    SetWindowPos(GetDlgItem(window, c.id), nullptr, p.x, p.y, p.width, p.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

RECT WorkAreaNear(HWND window) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi)) {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
  }
  return mi.rcWork;
}

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoW(monitor, &mi))
    reinterpret_cast<std::vector<Monitor>*>(param)->push_back(
        {ToRect(mi.rcMonitor), ToRect(mi.rcWork), static_cast<int>(DpiForMonitor(monitor))});
  return TRUE;
}

std::vector<Monitor> AllMonitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

namespace {
struct ActCtxTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ReleaseActCtx(h); }
};
}  // namespace

CommonControls::CommonControls(HINSTANCE instance) {
  static const Unique<HANDLE, ActCtxTraits> context = [instance] {
    ACTCTXW ctx{};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = instance;
    ctx.lpResourceName = MAKEINTRESOURCEW(kCommonControlsManifest);
    return Unique<HANDLE, ActCtxTraits>(CreateActCtxW(&ctx));
  }();
  active_ = context && ActivateActCtx(context.get(), &cookie_);
}

CommonControls::~CommonControls() {
  if (active_) DeactivateActCtx(0, cookie_);
}

void CreateControls(HWND parent, HINSTANCE instance, std::span<const Control> controls, UINT dpi) {
  for (const Control& c : controls) {
    const PixelRect p = ToPixels(c, static_cast<int>(dpi));
    CreateWindowExW(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, p.x, p.y, p.width, p.height,
                    parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
  }
}

HWND CreateTooltips(HWND parent, HWND owner, HINSTANCE instance, std::initializer_list<Tip> tips) {
  // comctl32 loads only once a tooltip is needed, and in the context that
  // names version 6: the bare name is what that context redirects.
  const CommonControls v6(instance);
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
  const auto init = comctl32 ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(
                                   GetProcAddress(comctl32, "InitCommonControlsEx")))
                             : nullptr;
  const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  if (!init || !init(&icc)) return nullptr;
  HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                                 nullptr, instance, nullptr);
  for (const Tip& tip : tips) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = parent;
    ti.uId = reinterpret_cast<UINT_PTR>(tip.control);
    ti.lpszText = const_cast<wchar_t*>(tip.text);
    if (tooltip) SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  return tooltip;
}

void DrawPicture(HDC dc, const RECT& box, HBITMAP picture, PictureFit fit, int pushed) {
  BITMAP bm{};
  if (!picture || !GetObjectW(picture, sizeof bm, &bm)) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, picture);
  const int w = box.right - box.left, h = box.bottom - box.top;
  if (fit == PictureFit::OwnSize || (bm.bmWidth == w && bm.bmHeight == h)) {
    BitBlt(dc, box.left + pushed, box.top + pushed, bm.bmWidth - pushed, bm.bmHeight - pushed, mem,
           0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, box.left + pushed, box.top + pushed, w - pushed, h - pushed, mem, 0, 0,
               bm.bmWidth - pushed, bm.bmHeight - pushed, SRCCOPY);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
}

UniqueIcon LoadIconAtSize(HINSTANCE instance, int id, int size) {
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

void WindowIcons::Load(HINSTANCE instance, int id, UINT dpi) {
  big_ = LoadIconAtSize(instance, id, SystemMetricForDpi(SM_CXICON, dpi));
  small_ = LoadIconAtSize(instance, id, SystemMetricForDpi(SM_CXSMICON, dpi));
}

void WindowIcons::Set(HWND window, HINSTANCE instance, int id, UINT dpi) {
  WindowIcons old = std::move(*this);
  Load(instance, id, dpi);
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_.get()));
}

void FocusKeeper::OnActivate(HWND window, bool active) {
  if (active) {
    GiveBack(window);
  } else if (HWND focus = GetFocus(); focus && IsChild(window, focus)) {
    last_ = focus;
  }
}

void FocusKeeper::GiveBack(HWND window) {
  HWND target = last_ && IsChild(window, last_) ? last_ : GetNextDlgTabItem(window, nullptr, FALSE);
  if (target) SetFocus(target);
}

}  // namespace kalvero::platform
