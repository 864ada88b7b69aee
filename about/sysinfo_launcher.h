// Starts the system's information tool, found through the registry, or says
// that it cannot be found.
#pragma once

#include <string>

#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace kalvero::about {

inline constexpr std::wstring_view kMsinfoKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::wstring_view kToolsLocationKey =
    L"SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr std::wstring_view kNotFoundMessage = L"Information Systeme introuvable !";

// What reading one value gave: Broken is a value with no data at all, which
// ends the search with the message.
enum class KeyValue { Read, Missing, Broken };

class SysInfoLauncher {
 public:
  SysInfoLauncher(platform::IRegistry& reg, platform::IProcessLauncher& launcher,
                  platform::ISystem& system, platform::IMessageBox& box)
      : reg_(reg), launcher_(launcher), system_(system), box_(box) {}

  void StartSysInfo();
  // One value of at most 1024 bytes as text; an empty keyVal when it cannot
  // be read.
  KeyValue GetKeyValue(platform::RegRoot root, std::wstring_view keyName,
                       std::wstring_view valueName, std::wstring& keyVal);

 private:
  bool FindAndStart();
  bool Start(const std::wstring& path);

  platform::IRegistry& reg_;
  platform::IProcessLauncher& launcher_;
  platform::ISystem& system_;
  platform::IMessageBox& box_;
};

}  // namespace kalvero::about
