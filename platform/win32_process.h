#pragma once

#include "platform/process.h"

namespace kalvero::platform {

class Win32ProcessLauncher final : public IProcessLauncher {
 public:
  std::wstring SystemDirectory() override;
  bool Start(const std::wstring& applicationPath, const std::wstring& commandLine,
             int showState) override;
};

class Win32Session final : public ISession {
 public:
  bool EndSession(std::uint32_t flags, std::uint32_t reserved) override;
};

}  // namespace kalvero::platform
