#pragma once

#include <windows.h>

#include "platform/dialogs.h"
#include "platform/win32_handle.h"

namespace kalvero::platform {

// COM on this thread, as the shell and the picture decoder ask; the result
// does not matter (it may already be on).
void InitComOnce();

class Win32Shell final : public IShell {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  bool Open(const std::wstring& target, const std::optional<std::wstring>& parameters,
            const std::optional<std::wstring>& directory) override;

 private:
  HWND owner_ = nullptr;
};

// Shown with the themed buttons of the windows it stands over.
class Win32MessageBox final : public IMessageBox {
 public:
  explicit Win32MessageBox(HINSTANCE instance) : instance_(instance) {}
  void SetOwner(HWND owner) { owner_ = owner; }
  void Show(std::wstring_view text, std::wstring_view title, unsigned style) override;

 private:
  HINSTANCE instance_;
  HWND owner_ = nullptr;
};

// A PNG picture from the resources (type RCDATA), decoded into a 32-bit
// bitmap; empty when that fails.
UniqueBitmap LoadPngResource(HINSTANCE instance, int id);

}  // namespace kalvero::platform
