#pragma once

#include "platform/system.h"
#include "platform/win32_handle.h"
#include "platform/window.h"

namespace kalvero::platform {

class Win32System final : public ISystem {
 public:
  bool IsWindowsNT() override;
  std::optional<std::wstring> ExecutableFolder() override;
  std::optional<std::wstring> ExecutableRootName() override;
  std::optional<std::wstring> ShortPathName(const std::wstring& path) override;
  std::wstring NativeSystemDirectory() override;
  bool FileExists(const std::wstring& path) override;
  bool ExecutableInProgramFiles() override;

 private:
  std::wstring ModulePath();
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
