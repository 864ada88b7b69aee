#pragma once

#include <vector>

#include "platform/registry.h"
#include "platform/win32_handle.h"

namespace kalvero::platform {

// The real registry, through the wide functions. It owns every key it opens
// until CloseKey, and closes what is left when it goes.
class Win32Registry final : public IRegistry {
 public:
  RegResult OpenKey(RegRoot root, std::wstring_view subKey, std::uint32_t access,
                    RegKeyId& key) override;
  RegResult CreateKey(RegRoot root, std::wstring_view subKey, std::uint32_t access,
                      RegKeyId& key) override;
  RegResult QueryValue(RegKeyId key, std::wstring_view name, std::uint32_t& type,
                       std::uint8_t* data, std::uint32_t& size) override;
  RegResult SetValue(RegKeyId key, std::wstring_view name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult DeleteValue(RegKeyId key, std::wstring_view name) override;
  RegResult CloseKey(RegKeyId key) override;
  std::size_t OpenKeys() const { return keys_.size(); }

 private:
  RegKeyId Keep(UniqueKey key);
  HKEY Find(RegKeyId key) const;
  // A call holds one key at a time, two at most: a list is all it takes.
  std::vector<UniqueKey> keys_;
};

}  // namespace kalvero::platform
