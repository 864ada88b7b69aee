// Thin mirror of the registry functions the program needs, so the logic can be
// exercised against an in-memory registry natively and the real one on Windows.
#pragma once

#include <cstdint>
#include <string_view>

namespace kalvero::platform {

// The operating system's registry result code: 0 is success.
using RegResult = std::int32_t;
inline constexpr RegResult kRegSuccess = 0;
inline constexpr RegResult kRegFileNotFound = 2;
inline constexpr RegResult kRegAccessDenied = 5;
inline constexpr RegResult kRegMoreData = 234;

enum class RegRoot : std::uint32_t {
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
};

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::uint32_t kKeyRead = 0x20019;   // KEY_READ
inline constexpr std::uint32_t kKeyWrite = 0x20006;  // KEY_WRITE
// KEY_WOW64_64KEY: from a 32-bit process on 64-bit Windows, the registry that
// 64-bit programs see rather than its Wow6432Node copy; ignored elsewhere.
inline constexpr std::uint32_t kView64 = 0x0100;

// Opaque key id handed out by OpenKey/CreateKey and given back to CloseKey.
using RegKeyId = std::uintptr_t;

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  virtual RegResult OpenKey(RegRoot root, std::wstring_view subKey, std::uint32_t access,
                            RegKeyId& key) = 0;
  virtual RegResult CreateKey(RegRoot root, std::wstring_view subKey, std::uint32_t access,
                              RegKeyId& key) = 0;
  // As RegQueryValueExW: with data null only the type and the size are returned;
  // size is the capacity in bytes on the way in and the data size on the way out.
  virtual RegResult QueryValue(RegKeyId key, std::wstring_view name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) = 0;
  virtual RegResult SetValue(RegKeyId key, std::wstring_view name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) = 0;
  virtual RegResult DeleteValue(RegKeyId key, std::wstring_view name) = 0;
  virtual RegResult CloseKey(RegKeyId key) = 0;
};

// Closes a key on every path out of a scope.
class ScopedRegKey {
 public:
  explicit ScopedRegKey(IRegistry& registry) : registry_(registry) {}
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  ~ScopedRegKey() { Close(); }

  RegKeyId& Receive() { open_ = true; return key_; }
  RegKeyId Get() const { return key_; }
  // An open that failed hands out nothing to close.
  void Abandon() { open_ = false; }
  RegResult Close() {
    if (!open_) return kRegSuccess;
    open_ = false;
    return registry_.CloseKey(key_);
  }

 private:
  IRegistry& registry_;
  RegKeyId key_ = 0;
  bool open_ = false;
};

}  // namespace kalvero::platform
