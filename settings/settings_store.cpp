#include "settings/settings_store.h"

#include <vector>

#include "settings/registry_text.h"

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
  const std::wstring fallback(defaultText);
  ScopedRegKey k(registry_);
  if (registry_.OpenKey(RegRoot::CurrentUser, KeyPath(app, section), kKeyRead, k.Receive()) !=
      kRegSuccess) {
    k.Abandon();
    return fallback;
  }
  std::uint32_t type = 0, size = 0;
  if (registry_.QueryValue(k.Get(), key, type, nullptr, size) != kRegSuccess || type != kRegSz)
    return fallback;
  std::vector<std::uint8_t> data(size);
  if (size > 0 && registry_.QueryValue(k.Get(), key, type, data.data(), size) != kRegSuccess)
    return fallback;
  if (type != kRegSz) return fallback;  // replaced between the two reads
  // Stored strings may or may not carry their terminating NUL.
  return DecodeRegSz(data.data(), size);
}

void RegistrySettingsStore::SaveSetting(std::wstring_view app, std::wstring_view section,
                                        std::wstring_view key, std::wstring_view text) {
  ScopedRegKey k(registry_);
  if (registry_.CreateKey(RegRoot::CurrentUser, KeyPath(app, section), kKeyWrite, k.Receive()) !=
      kRegSuccess) {
    k.Abandon();
    return;
  }
  const auto data = EncodeRegSz(text);
  registry_.SetValue(k.Get(), key, kRegSz, data.data(), static_cast<std::uint32_t>(data.size()));
}

}  // namespace kalvero::settings
