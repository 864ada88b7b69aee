#include "settings/registry_settings_store.h"

#include "settings/registry_helpers.h"
#include "core/utf16le.h"

namespace kalvero::settings {

using namespace kalvero::platform;

std::wstring RegistrySettingsStore::KeyPath(std::wstring_view app, std::wstring_view section) {
  std::wstring path = L"Software\\VB and VBA Program Settings\\";
  path += app;
  path += L'\\';
  path += section;
  return path;
}

std::wstring RegistrySettingsStore::GetSetting(std::wstring_view app, std::wstring_view section,
                                               std::wstring_view key,
                                               std::wstring_view defaultText) {
  // Only a text counts; anything else, or nothing, gives the default.
  ValueSlot slot;
  if (QueryRegistryValue(registry_, RegRoot::CurrentUser, KeyPath(app, section), key, slot) == 0)
    if (const auto* text = std::get_if<std::wstring>(&slot)) return *text;
  return std::wstring(defaultText);
}

bool RegistrySettingsStore::SaveSetting(std::wstring_view app, std::wstring_view section,
                                        std::wstring_view key, std::wstring_view text) {
  ScopedRegKey k(registry_);
  if (registry_.CreateKey(RegRoot::CurrentUser, KeyPath(app, section), kKeyWrite, k.Receive()) !=
      kRegSuccess) {
    k.Abandon();
    return false;
  }
  const auto data = core::EncodeRegSz(text);
  return registry_.SetValue(k.Get(), key, kRegSz, data.data(),
                            static_cast<std::uint32_t>(data.size())) == kRegSuccess;
}

}  // namespace kalvero::settings
