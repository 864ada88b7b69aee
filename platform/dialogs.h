// Message boxes and the shell's "open" for links.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalvero::platform {

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // style: the MB_* flags (0: OK alone, no icon; 64: information icon).
  virtual void Show(std::wstring_view text, std::wstring_view title, unsigned style) = 0;
};

class IShell {
 public:
  virtual ~IShell() = default;
  // Opens a web page or a new e-mail. False when nothing could take it.
  virtual bool Open(const std::wstring& target, const std::optional<std::wstring>& parameters,
                    const std::optional<std::wstring>& directory) = 0;
};

}  // namespace kalvero::platform
