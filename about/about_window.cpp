#include "about/about_window.h"

#include "core/placement.h"
#include "platform/win32_window.h"
#include "resources/layout_about.h"
#include "resources/resource_ids.h"

namespace kalvero::about {

using namespace kalvero::layout;
using platform::ToRect;

namespace {

// A dialog frame and no icon; the caption is set at load.
const platform::ModalWindow::Look kLook{L"KalveroAbout", L"", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                        WS_EX_DLGMODALFRAME,
                                        static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 0};

constexpr COLORREF kGreen = RGB(0, 255, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

bool IsLink(int id) { return id == kLblDisclaimer || id == kLabel3 || id == kImage2; }

}  // namespace

AboutWindow::AboutWindow(HINSTANCE instance, SysInfoLauncher& sysinfo, platform::Win32Shell& shell,
                         platform::Win32MessageBox& box, const std::wstring& programFolder)
    : ModalWindow(instance, kLook, kAboutLayout),
      sysinfo_(sysinfo),
      shell_(shell),
      box_(box),
      programFolder_(programFolder) {}

void AboutWindow::OnLoad() {
  SetWindowTextW(Window(), AboutCaption().c_str());
  SetWindowTextW(Item(kLblVersion), VersionLabel().c_str());
  SetWindowTextW(Item(kLblTitle), L"Kalvero");
  SetWindowTextW(Item(kLblDescription), maker_.credit.c_str());
  SetWindowTextW(Item(kLblDisclaimer), (L"E-Mail : " + maker_.email).c_str());
  SetWindowTextW(Item(kLabel3), (L"URL : " + maker_.website).c_str());
  platform::CreateTooltips(Window(), Window(), Instance(),
                           {{Item(kLblDisclaimer), L"Envoyer un courriel"},
                            {Item(kLabel3), L"Site Officiel Orvane"},
                            {Item(kImage2),
                             L"Faire un don avec PayPal - Un solution gratuite, rapide et sécurisée."},
                            {Item(kCmdSysInfo), L"Informations système"}});
}

// Centred over its opener, inside the work area.
POINT AboutWindow::Place(HWND owner, SIZE size) {
  RECT opener{};
  GetWindowRect(owner, &opener);
  const core::Point p = core::CentreOver(ToRect(opener), size.cx, size.cy,
                                         ToRect(platform::WorkAreaNear(owner)));
  return {p.x, p.y};
}

void AboutWindow::OnDpi(UINT dpi) {
  const int d = static_cast<int>(dpi);
  logo_ = platform::LoadPngResource(
      Instance(), IDP_ABOUT_LOGO + platform::ScaleIndex(kAboutLogoSizes, platform::TwipsToPixels(720, d)));
  donate_ = platform::LoadPngResource(
      Instance(), IDP_DONATE + platform::ScaleIndex(kDonateWidths, MulDiv(100, d, 96)));
  InvalidateRect(Window(), nullptr, TRUE);
}

bool AboutWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return true;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC:
      result = OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
      return true;
    case WM_SETCURSOR:
      result = TRUE;
      return OnSetCursor(reinterpret_cast<HWND>(wp));
  }
  return false;
}

void AboutWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Window(), &ps);
  const int d = static_cast<int>(Dpi());
  auto line = [&](COLORREF colour, int width, int y, int right) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, platform::TwipsToPixels(y, d), nullptr);
    LineTo(dc, platform::TwipsToPixels(right, d), platform::TwipsToPixels(y, d));
    SelectObject(dc, old);
    DeleteObject(pen);
  };
  line(RGB(255, 255, 255), std::max(1, MulDiv(2, d, 96)), kLineWhiteY, kLineWhiteRight);
  line(RGB(128, 128, 128), std::max(1, MulDiv(1, d, 96)), kLineGreyY, kLineGreyRight);
  EndPaint(Window(), &ps);
}

void AboutWindow::OnDrawItem(const DRAWITEMSTRUCT& di) {
  FillRect(di.hDC, &di.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // The logo fills its box; the donation button is rendered for this DPI.
  if (di.CtlID == kImage1) platform::DrawPicture(di.hDC, di.rcItem, logo_.get(), platform::PictureFit::Fill);
  if (di.CtlID == kImage2)
    platform::DrawPicture(di.hDC, di.rcItem, donate_.get(), platform::PictureFit::OwnSize);
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
  shell_.SetOwner(Window());
  box_.SetOwner(Window());
  switch (id) {
    case kCmdOK:
    case IDCANCEL:  // Escape
      Close();
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
      shell_.Open(r.target, r.parameters, r.directory);
      break;
    }
    default:
      break;
  }
}

}  // namespace kalvero::about
