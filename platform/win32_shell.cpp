#include "platform/win32_shell.h"

#include "platform/win32_system_function.h"
#include "platform/win32_window.h"

#include <objbase.h>
#include <shellapi.h>
#include <wincodec.h>

#include <string>

namespace kalvero::platform {
namespace {

// Releases a COM interface on every way out.
template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  T** operator&() { return &p; }
};

}  // namespace

void InitComOnce() {
  static const bool done = [] {
    using Fn = HRESULT(WINAPI*)(LPVOID, DWORD);
    if (auto init = SystemFunction<Fn>(L"ole32.dll", "CoInitializeEx"))
      init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    return true;
  }();
  (void)done;
}

bool Win32Shell::Open(const std::wstring& target, const std::optional<std::wstring>& parameters,
                      const std::optional<std::wstring>& directory) {
  using Fn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  static const auto shellExecute = SystemFunction<Fn>(L"shell32.dll", "ShellExecuteW");
  if (!shellExecute) return false;
  InitComOnce();
  // Above 32 is success, as the function has always reported it.
  return reinterpret_cast<INT_PTR>(shellExecute(owner_, L"open", target.c_str(),
                                                parameters ? parameters->c_str() : nullptr,
                                                directory ? directory->c_str() : nullptr,
                                                SW_SHOWNORMAL)) > 32;
}

void Win32MessageBox::Show(std::wstring_view text, std::wstring_view title, unsigned style) {
  const CommonControls v6(instance_);
  MessageBoxW(owner_, std::wstring(text).c_str(), std::wstring(title).c_str(), style);
}

UniqueBitmap LoadPngResource(HINSTANCE instance, int id) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  auto* bytes = static_cast<BYTE*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return {};
  InitComOnce();
  using CreateFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  static const auto create = SystemFunction<CreateFn>(L"ole32.dll", "CoCreateInstance");
  if (!create) return {};

  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                    IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(bytes, SizeofResource(instance, found))) ||
      FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                   nullptr, 0, WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)))
    return {};

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = static_cast<LONG>(width);
  bi.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC delivers rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                              static_cast<BYTE*>(bits))))
    return {};
  return bitmap;
}

}  // namespace kalvero::platform
