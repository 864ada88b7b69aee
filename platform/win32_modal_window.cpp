#include "platform/win32_modal_window.h"

#include "platform/win32_dpi.h"

namespace kalvero::platform {

void ModalWindow::ShowModal(HWND owner) {
  {
    const CommonControls v6(instance_);  // the themed controls, comctl32 only now
    if (hwnd_ || !Create(owner)) return;
    OnLoad();
  }
  // Made on the main screen, it takes the DPI of the monitor it is moved to, and
  // with it a new size: placed again for that size.
  const auto size = [this] {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return Size{r.right - r.left, r.bottom - r.top};
  };
  const auto place = [&](Size s) { return Place(owner, {s.width, s.height}); };
  PlaceForItsSize(size, place, [this](POINT p) {
    SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the system sends no WM_DPICHANGED, the move still changed the DPI.
    if (const UINT dpi = DpiForWindow(hwnd_); dpi != dpi_) Layout(dpi);
  });

  EnableWindow(owner_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  MSG msg;
  while (hwnd_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // A quit message ends this loop and is passed on to the main one.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (hwnd_) Close();
}

bool ModalWindow::Create(HWND owner) {
  if (!RegisterWindowClass(instance_, look_.className, WindowProcOf<ModalWindow>,
                           look_.background))
    return false;
  owner_ = owner;
  // Owned: no taskbar button of its own, and always above its owner.
  if (!CreateWindowExW(look_.exStyle, look_.className, look_.caption, look_.style, 0, 0, 100, 100, owner,
                       nullptr, instance_, this))
    return false;
  const UINT dpi = DpiForWindow(hwnd_);
  CreateControls(hwnd_, instance_, layout_.controls, dpi);
  Layout(dpi);
  return true;
}

void ModalWindow::Layout(UINT dpi) {
  dpi_ = dpi;
  LayOut(hwnd_, layout_, dpi);
  std::vector<UniqueFont> fonts;
  for (const Font& f : layout_.fonts) {
    // "MS Sans Serif" is a bitmap font, jagged once scaled: above 100 % its
    // TrueType twin of the same design takes over.
    const bool bitmap = dpi > 96 && lstrcmpW(f.face, L"MS Sans Serif") == 0;
    fonts.emplace_back(CreateFontForDpi(dpi, f.hundredthsOfPoint, f.weight, bitmap ? L"Microsoft Sans Serif" : f.face));
  }
  // The controls take the new fonts before the old ones are deleted.
  for (const Control& c : layout_.controls)
    if (c.font < static_cast<int>(fonts.size()))
      SendMessageW(Item(c.id), WM_SETFONT, reinterpret_cast<WPARAM>(fonts[c.font].get()), TRUE);
  fonts_ = std::move(fonts);
  if (look_.iconId) icons_.Set(hwnd_, instance_, look_.iconId, dpi);
  OnDpi(dpi);
}

void ModalWindow::Close() {
  if (owner_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT ModalWindow::Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  switch (msg) {
    case WM_NCCREATE:
      hwnd_ = hwnd;
      break;
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == STN_CLICKED) OnCommand(LOWORD(wp));
      return 0;
    case WM_ACTIVATE:
      focus_.OnActivate(hwnd, LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      MoveToSuggested(hwnd, *reinterpret_cast<const RECT*>(lp));
      Layout(HIWORD(wp));
      return 0;
    case kGetDpiScaledSize:
      return ScaledSize(hwnd, layout_, static_cast<UINT>(wp), *reinterpret_cast<SIZE*>(lp));
    case WM_CLOSE:
      Close();  // the close box writes nothing
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;  // also when the owner takes this window down with it
      break;
    default:
      if (OnMessage(msg, wp, lp, result)) return result;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace kalvero::platform
