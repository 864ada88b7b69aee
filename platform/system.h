// Facts about the system and the running executable.
#pragma once

#include <optional>
#include <string>

namespace kalvero::platform {

class ISystem {
 public:
  virtual ~ISystem() = default;
  virtual bool IsWindowsNT() = 0;
  // Full path without a trailing backslash, except for a drive's root ("C:\").
  virtual std::optional<std::wstring> ExecutableFolder() = 0;
  // The executable's file name without its extension, as the system spells it.
  virtual std::optional<std::wstring> ExecutableRootName() = 0;
  // The 8.3 form of an existing path, of any length; empty when there is none.
  virtual std::optional<std::wstring> ShortPathName(const std::wstring& path) = 0;
  // The system's own programs' folder as a 64-bit program sees it: from a
  // 32-bit process on 64-bit Windows, Windows\Sysnative.
  virtual std::wstring NativeSystemDirectory() = 0;
  // Whether the running executable lies inside one of the Program Files folders
  // (the 64-bit and the 32-bit one), where only administrators can replace it.
  virtual bool ExecutableInProgramFiles() = 0;
  // An existing file, not a folder.
  virtual bool FileExists(const std::wstring& path) = 0;
};

}  // namespace kalvero::platform
