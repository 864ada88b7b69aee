#include "about/about_window.h"

#include <commctrl.h>

#include "app/placement.h"
#include "app/statement.h"
#include "platform/win32_dpi.h"
#include "platform/win32_window_base.h"
#include "resources/layout_about.h"
#include "resources/resource_ids.h"

namespace kalvero::about {

using namespace kalvero::layout;
using namespace kalvero::platform;

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;  // a dialog frame and no icon

constexpr COLORREF kGreen = RGB(0, 255, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

bool IsLink(int id) { return id == kLblDisclaimer || id == kLabel3 || id == kImage2; }

int CALLBACK FoundFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Comic Sans MS where the system has it; the dialog font otherwise.
const wchar_t* Face() {
  static const wchar_t* face = [] {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(lf.lfFaceName, L"Comic Sans MS");
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &lf, FoundFont, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found ? L"Comic Sans MS" : L"MS Shell Dlg 2";
  }();
  return face;
}

DWORD ControlStyle(int id) {
  switch (id) {
    case kCmdOK: return BS_DEFPUSHBUTTON | WS_TABSTOP;
    case kCmdSysInfo:
    case kCmdDetails: return BS_PUSHBUTTON | WS_TABSTOP;
    case kLblDisclaimer:
    case kLabel3: return SS_CENTER | SS_NOTIFY | SS_NOPREFIX;
    case kLabel2: return SS_CENTER | SS_NOPREFIX;
    case kImage1: return SS_OWNERDRAW;
    case kImage2: return SS_OWNERDRAW | SS_NOTIFY;
    default: return SS_LEFT | SS_NOPREFIX;
  }
}

}  // namespace

void AboutWindow::ShowModal(HWND opener) {
  if (hwnd_ || !Create(opener)) return;
  OnLoad();

  // Centred over its opener, inside the work area.
  RECT o{}, self{};
  GetWindowRect(opener, &o);
  GetWindowRect(hwnd_, &self);
  const int w = self.right - self.left, h = self.bottom - self.top;
  const RECT work = WorkAreaNear(opener);
  const app::Point p = app::CentreOver({o.left, o.top, o.right, o.bottom}, w, h,
                                       {work.left, work.top, work.right, work.bottom});
  SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Layout(DpiForWindow(hwnd_));

  PostMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, kCmdOK)), TRUE);
  RunModal(hwnd_, owner_, hwnd_);
  if (hwnd_) Unload();
}

bool AboutWindow::Create(HWND opener) {
  if (!RegisterWindowClass(instance_, kClassName, WindowProcOf<AboutWindow>,
                           static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))))
    return false;
  owner_ = opener;
  if (!CreateWindowExW(kExStyle, kClassName, L"", kStyle, 0, 0, 100, 100, opener, nullptr,
                       instance_, this))
    return false;
  for (const Control& c : kAboutControls) {
    const bool button = c.id == kCmdOK || c.id == kCmdSysInfo || c.id == kCmdDetails;
    CreateWindowExW(0, button ? L"BUTTON" : L"STATIC", c.text,
                    WS_CHILD | WS_VISIBLE | ControlStyle(c.id), 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
  }
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                             nullptr, instance_, nullptr);
  AddTooltip(kLblDisclaimer, L"Envoyer un courriel");
  AddTooltip(kLabel3, L"Site Officiel Orvane");
  AddTooltip(kImage2, L"Faire un don avec PayPal - Un solution gratuite, rapide et sécurisée.");
  AddTooltip(kCmdSysInfo, L"Informations système");
  Layout(DpiForWindow(hwnd_));
  return true;
}

void AboutWindow::AddTooltip(int id, const wchar_t* text) {
  if (!tooltip_) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
  ti.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

LRESULT AboutWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == STN_CLICKED) OnCommand(LOWORD(wp));
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_SETCURSOR:
      if (OnSetCursor(reinterpret_cast<HWND>(wp))) return TRUE;
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_NEXTDLGCTL:
      // Only dialogs act on it by themselves; OK takes the focus once shown.
      if (LOWORD(lp)) SetFocus(reinterpret_cast<HWND>(wp));
      return 0;
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void AboutWindow::OnLoad() {
  SetWindowTextW(hwnd_, AboutCaption().c_str());
  SetDlgItemTextW(hwnd_, kLblVersion, VersionLabel().c_str());
  SetDlgItemTextW(hwnd_, kLblTitle, L"Kalvero");
  SetDlgItemTextW(hwnd_, kLblDescription, maker_.credit.c_str());
  SetDlgItemTextW(hwnd_, kLblDisclaimer, (L"E-Mail : " + maker_.email).c_str());
  SetDlgItemTextW(hwnd_, kLabel3, (L"URL : " + maker_.website).c_str());
}

void AboutWindow::Layout(UINT dpi) {
  dpi_ = dpi;
  const int d = static_cast<int>(dpi);
  SizeClientForDpi(hwnd_, kAboutClientWidth, kAboutClientHeight, dpi);
  titleFont_.reset(CreateFontForDpi(dpi, 1200, FW_BOLD, Face()));
  textFont_.reset(CreateFontForDpi(dpi, 825, FW_NORMAL, Face()));
  bannerFont_.reset(CreateFontForDpi(dpi, 975, FW_BOLD, Face()));
  boldButtonFont_.reset(CreateFontForDpi(dpi, 825, FW_BOLD, Face()));
  for (const Control& c : kAboutControls) {
    HWND child = GetDlgItem(hwnd_, c.id);
    const PixelRect p = ToPixels(c, d);
    SetWindowPos(child, nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
    HFONT font = c.id == kLblTitle ? titleFont_.get()
                 : c.id == kLabel2 ? bannerFont_.get()
                 : c.id == kCmdOK  ? boldButtonFont_.get()
                                   : textFont_.get();
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  const int logo = ScaleIndex(kAboutLogoSizes, ToPixels(720, d));
  const int donate = ScaleIndex(kDonateWidths, MulDiv(100, d, 96));
  logo_ = LoadPngResource(instance_, IDP_ABOUT_LOGO + logo);
  donate_ = LoadPngResource(instance_, IDP_DONATE + donate);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void AboutWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const int d = static_cast<int>(dpi_);
  auto line = [&](COLORREF colour, int width, int y, int right) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, ToPixels(y, d), nullptr);
    LineTo(dc, ToPixels(right, d), ToPixels(y, d));
    SelectObject(dc, old);
    DeleteObject(pen);
  };
  line(RGB(255, 255, 255), std::max(1, MulDiv(2, d, 96)), kLineWhiteY, kLineWhiteRight);
  line(RGB(128, 128, 128), std::max(1, MulDiv(1, d, 96)), kLineGreyY, kLineGreyRight);
  EndPaint(hwnd_, &ps);
}

void AboutWindow::OnDrawItem(const DRAWITEMSTRUCT& di) {
  FillRect(di.hDC, &di.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HBITMAP bmp = di.CtlID == kImage1 ? logo_.get() : di.CtlID == kImage2 ? donate_.get() : nullptr;
  if (!bmp) return;
  BITMAP bm{};
  GetObjectW(bmp, sizeof bm, &bm);
  HDC mem = CreateCompatibleDC(di.hDC);
  HGDIOBJ old = SelectObject(mem, bmp);
  if (di.CtlID == kImage1) {
    // Stretched to fill its box.
    SetStretchBltMode(di.hDC, HALFTONE);
    SetBrushOrgEx(di.hDC, 0, 0, nullptr);
    StretchBlt(di.hDC, di.rcItem.left, di.rcItem.top, di.rcItem.right - di.rcItem.left,
               di.rcItem.bottom - di.rcItem.top, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  } else {
    // At its own size, rendered for this DPI.
    BitBlt(di.hDC, di.rcItem.left, di.rcItem.top, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
}

LRESULT AboutWindow::OnCtlColor(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  SetTextColor(dc, id == kLabel2 ? kRed : IsLink(id) ? kBlue : kGreen);
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
}

bool AboutWindow::OnSetCursor(HWND over) {
  if (!over || !IsLink(GetDlgCtrlID(over))) return false;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

void AboutWindow::OnCommand(int id) {
  shell_.SetOwner(hwnd_);
  box_.SetOwner(hwnd_);
  switch (id) {
    case kCmdOK:
    case IDCANCEL:  // Escape
      Unload();
      break;
    case kCmdDetails:
      box_.Show(DetailsText(maker_), L"A propos : Détails", MB_OK | MB_ICONINFORMATION);
      break;
    case kCmdSysInfo:
      sysinfo_.StartSysInfo();
      break;
    case kImage2:
    case kLabel3:
    case kLblDisclaimer: {
      const Link link = id == kImage2 ? Link::Donation : id == kLabel3 ? Link::WebSite : Link::Email;
      const ShellRequest r = LinkRequest(link, maker_, programFolder_);
      // A missing browser or mail program is not ours to report.
      app::Statement([&] { shell_.Open(r.target, r.parameters, r.directory); });
      break;
    }
    default:
      break;
  }
}

void AboutWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  MoveToSuggested(hwnd_, suggested);
  Layout(dpi);
}

void AboutWindow::Unload() { EndModal(hwnd_, owner_); }

}  // namespace kalvero::about
