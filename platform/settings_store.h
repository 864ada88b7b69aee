// The per-user store of application settings: text values addressed by
// application name, section and key.
#pragma once

#include <string>
#include <string_view>

namespace kalvero::platform {

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // Never fails towards the caller: whatever cannot be read gives the default.
  virtual std::wstring GetSetting(std::wstring_view app, std::wstring_view section,
                                  std::wstring_view key, std::wstring_view defaultText) = 0;
  // False when the value could not be written.
  virtual bool SaveSetting(std::wstring_view app, std::wstring_view section,
                           std::wstring_view key, std::wstring_view text) = 0;
};

}  // namespace kalvero::platform
