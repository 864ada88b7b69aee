#include "platform/win32_registry.h"

#include <algorithm>
#include <string>

namespace kalvero::platform {
namespace {

HKEY RootKey(RegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// The API wants NUL-terminated names; string_views need not be.
std::wstring Z(std::wstring_view s) { return std::wstring(s); }

}  // namespace

RegKeyId Win32Registry::Keep(UniqueKey key) {
  const auto id = reinterpret_cast<RegKeyId>(key.get());
  keys_.push_back(std::move(key));
  return id;
}

HKEY Win32Registry::Find(RegKeyId key) const {
  for (const UniqueKey& k : keys_)
    if (reinterpret_cast<RegKeyId>(k.get()) == key) return k.get();
  return nullptr;
}

RegResult Win32Registry::OpenKey(RegRoot root, std::wstring_view subKey, std::uint32_t access,
                                 RegKeyId& key) {
  HKEY k = nullptr;
  const LONG r = RegOpenKeyExW(RootKey(root), Z(subKey).c_str(), 0, access, &k);
  if (r == ERROR_SUCCESS) key = Keep(UniqueKey(k));
  return r;
}

RegResult Win32Registry::CreateKey(RegRoot root, std::wstring_view subKey, std::uint32_t access,
                                   RegKeyId& key) {
  HKEY k = nullptr;
  const LONG r = RegCreateKeyExW(RootKey(root), Z(subKey).c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, access, nullptr, &k, nullptr);
  if (r == ERROR_SUCCESS) key = Keep(UniqueKey(k));
  return r;
}

RegResult Win32Registry::QueryValue(RegKeyId key, std::wstring_view name, std::uint32_t& type,
                                    std::uint8_t* data, std::uint32_t& size) {
  HKEY k = Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  DWORD t = 0, s = size;
  const LONG r = RegQueryValueExW(k, Z(name).c_str(), nullptr, &t, data, &s);
  type = t;
  size = s;
  return r;
}

RegResult Win32Registry::SetValue(RegKeyId key, std::wstring_view name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) {
  HKEY k = Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  return RegSetValueExW(k, Z(name).c_str(), 0, type, data, size);
}

RegResult Win32Registry::DeleteValue(RegKeyId key, std::wstring_view name) {
  HKEY k = Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  return RegDeleteValueW(k, Z(name).c_str());
}

RegResult Win32Registry::CloseKey(RegKeyId key) {
  const auto it = std::find_if(keys_.begin(), keys_.end(),
                               [&](const UniqueKey& k) { return reinterpret_cast<RegKeyId>(k.get()) == key; });
  if (it == keys_.end()) return ERROR_INVALID_HANDLE;
  const LONG r = RegCloseKey(it->release());
  keys_.erase(it);
  return r;  // the key is gone either way
}

}  // namespace kalvero::platform
