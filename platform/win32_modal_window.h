// What the settings and About windows share: creation from a layout table,
// fonts and icons for the window's DPI, keyboard navigation and focus as in a
// dialog, and the modal loop with the owner disabled meanwhile. Each window
// keeps only its own controls, handlers and painting.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/layout.h"
#include "platform/win32_handle.h"
#include "platform/win32_window.h"

namespace kalvero::platform {

class ModalWindow {
 public:
  struct Look {
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style, exStyle;
    HBRUSH background;
    int iconId;  // 0: no icon
  };

  ModalWindow(HINSTANCE instance, const Look& look, const WindowLayout& layout)
      : instance_(instance), look_(look), layout_(layout) {}
  ModalWindow(const ModalWindow&) = delete;
  ModalWindow& operator=(const ModalWindow&) = delete;
  virtual ~ModalWindow() = default;

  // Loads the window afresh over its owner and returns once it is closed. One
  // at a time: a second call while it is open does nothing.
  void ShowModal(HWND owner);

 protected:
  HWND Window() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  HINSTANCE Instance() const { return instance_; }
  UINT Dpi() const { return dpi_; }
  // Ends the modal loop: the owner takes input again first, so that it gets
  // the activation back rather than some other program.
  void Close();

  virtual void OnLoad() {}
  // Where the window opens, given its outer size.
  virtual POINT Place(HWND owner, SIZE size) = 0;
  // A click, or a key that IsDialogMessage turned into one (IDCANCEL: Escape).
  virtual void OnCommand(int id) = 0;
  // After the controls were laid out again for a DPI.
  virtual void OnDpi(UINT) {}
  // Messages of the window's own (painting, colours); true when handled.
  virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

 private:
  template <class T>
  friend LRESULT CALLBACK WindowProcOf(HWND, UINT, WPARAM, LPARAM) noexcept;
  LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool Create(HWND owner);
  void Layout(UINT dpi);

  HINSTANCE instance_;
  Look look_;
  const WindowLayout& layout_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  UINT dpi_ = 96;
  std::vector<UniqueFont> fonts_;
  WindowIcons icons_;
  FocusKeeper focus_;
};

}  // namespace kalvero::platform
