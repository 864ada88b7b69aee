// The settings store kept in the registry, where classic Windows programs keep
// their application settings, so the settings of an earlier install carry over.
#pragma once

#include "platform/registry.h"
#include "platform/settings_store.h"

namespace kalvero::settings {

class RegistrySettingsStore final : public platform::ISettingsStore {
 public:
  explicit RegistrySettingsStore(platform::IRegistry& registry) : registry_(registry) {}
  std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                          std::wstring_view defaultText) override;
  bool SaveSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text) override;

  static std::wstring KeyPath(std::wstring_view app, std::wstring_view section);

 private:
  platform::IRegistry& registry_;
};

}  // namespace kalvero::settings
