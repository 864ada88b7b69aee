#pragma once

#include "platform/system.h"

namespace kalvero::platform {

class Win32System final : public ISystem {
 public:
  bool IsWindowsNT() override;
  std::wstring ExecutableFolder() override;
  std::wstring ExecutableRootName() override;
  std::optional<std::wstring> ShortPathName(const std::wstring& path) override;
  bool FileExists(const std::wstring& path) override;

 private:
  std::wstring ModulePath();
};

}  // namespace kalvero::platform
