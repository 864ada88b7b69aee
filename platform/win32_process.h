#pragma once

#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/win32_handle.h"

namespace kalvero::platform {

class Win32ProcessLauncher final : public IProcessLauncher {
 public:
  std::wstring SystemDirectory() override;
  std::uint32_t Start(const std::wstring& applicationPath, const std::wstring& commandLine,
                      int showState) override;
  std::uint32_t StartWatched(const std::wstring& applicationPath, const std::wstring& commandLine, int showState,
                             std::uint32_t& id) override;
  std::optional<EndedChild> NextEnded() override;
  bool Watching() override { return !watched_.empty(); }

 private:
  std::uint32_t Launch(const std::wstring& applicationPath, const std::wstring& commandLine, int showState,
                       UniqueHandle* process);
  std::vector<std::pair<std::uint32_t, UniqueHandle>> watched_;  // in the order of their starts
  std::uint32_t lastId_ = 0;
};

class Win32Session final : public ISession {
 public:
  std::uint32_t EndSession(std::uint32_t flags, std::uint32_t reserved) override;
};

}  // namespace kalvero::platform
