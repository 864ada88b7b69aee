// Starting child processes and logging the user off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kalvero::platform {

// A watched child that has ended: the number its start gave, and its exit code.
struct EndedChild {
  std::uint32_t id = 0;
  std::uint32_t exitCode = 0;
  bool operator==(const EndedChild&) const = default;
};

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // The folder that holds the system's own programs (System32).
  virtual std::wstring SystemDirectory() = 0;
  // Starts applicationPath (a full path, never searched for) with the exact
  // command line given and the initial show state of its window. 0 once
  // started, else the system's error code.
  virtual std::uint32_t Start(const std::wstring& applicationPath, const std::wstring& commandLine,
                              int showState) = 0;
  // The same, and the child is kept until it ends: id receives its number, and
  // NextEnded reports its end.
  virtual std::uint32_t StartWatched(const std::wstring& applicationPath, const std::wstring& commandLine,
                                     int showState, std::uint32_t& id) = 0;
  // A watched child that has ended since, in the order of their starts; none
  // while every one still runs. Nothing waits: it looks and answers.
  virtual std::optional<EndedChild> NextEnded() = 0;
  virtual bool Watching() = 0;
};

class ISession {
 public:
  virtual ~ISession() = default;
  // 0 once the request was passed on, else the system's error code.
  virtual std::uint32_t EndSession(std::uint32_t flags, std::uint32_t reserved) = 0;
};

}  // namespace kalvero::platform
