#pragma once

#include "platform/win32_handle.h"
#include "platform/window.h"

namespace kalvero::platform {

class Win32MainWindow final : public IMainWindow {
 public:
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void SetTopmost(bool topmost) override;
  void Hide() override;
  void Show() override;
  Rect WindowRect() override;
  void MoveTo(int x, int y) override;
  int PositionDpi() override;
  std::vector<Monitor> Monitors() override;

 private:
  HWND hwnd_ = nullptr;
};

// A named mutex in the session's own namespace: other users' sessions on the
// same machine each keep their own instance.
class Win32InstanceGuard final : public IInstanceGuard {
 public:
  bool AnotherInstanceRunning() override;

 private:
  UniqueHandle mutex_;
  bool asked_ = false, another_ = false;
};

}  // namespace kalvero::platform
