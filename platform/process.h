// Starting child processes and logging the user off.
#pragma once

#include <cstdint>
#include <string>

namespace kalvero::platform {

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // The folder that holds the system's own programs (System32).
  virtual std::wstring SystemDirectory() = 0;
  // Starts applicationPath (a full path, never searched for) with the exact
  // command line given and the initial show state of its window.
  virtual bool Start(const std::wstring& applicationPath, const std::wstring& commandLine,
                     int showState) = 0;
};

class ISession {
 public:
  virtual ~ISession() = default;
  virtual bool EndSession(std::uint32_t flags, std::uint32_t reserved) = 0;
};

}  // namespace kalvero::platform
