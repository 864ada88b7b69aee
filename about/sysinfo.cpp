#include "about/sysinfo.h"

#include <cstdint>

#include "settings/registry_text.h"
#include "settings/settings_logic.h"

namespace kalvero::about {

using platform::RegRoot;

namespace {
constexpr std::uint32_t kBufferBytes = 1024;
constexpr int kShowNormal = 1;
struct NoData {};
struct StartFailed {};
}  // namespace

bool SysInfoLauncher::GetKeyValue(RegRoot root, std::wstring_view keyName,
                                  std::wstring_view valueName, std::wstring& keyVal) {
  platform::ScopedRegKey key(reg_);
  // Read rights only: without elevation a machine-wide key opened for writing
  // is refused, and the tool would look missing where it exists.
  if (reg_.OpenKey(root, keyName, platform::kKeyRead, key.Receive()) != 0) {
    key.Abandon();
    keyVal.clear();
    return false;
  }
  std::uint8_t buffer[kBufferBytes] = {};
  std::uint32_t type = 0, size = kBufferBytes;
  if (reg_.QueryValue(key.Get(), valueName, type, buffer, size) != 0) {
    keyVal.clear();
    return false;
  }
  if (size < 2) throw NoData{};  // nothing to trim: there is no last character
  // Only the last character is looked at: one trailing NUL goes.
  std::wstring text = settings::DecodeUtf16(buffer, size);
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  if (type == platform::kRegSz) {
    keyVal = text;
  } else if (type == platform::kRegDword) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < size && i < 4; ++i) v |= static_cast<std::uint32_t>(buffer[i]) << (8 * i);
    keyVal = settings::DecimalText(v);
  }
  return true;
}

void SysInfoLauncher::Start(const std::wstring& path) {
  // The path is the program to start, never a command line to be split at
  // its blanks; it gets no arguments.
  if (!launcher_.Start(path, L"\"" + path + L"\"", kShowNormal)) throw StartFailed{};
}

void SysInfoLauncher::StartSysInfo() {
  try {
    std::wstring tool;
    if (GetKeyValue(RegRoot::LocalMachine, kMsinfoKey, L"PATH", tool)) {
      Start(tool);
      return;
    }
    if (GetKeyValue(RegRoot::LocalMachine, kToolsLocationKey, L"MSINFO", tool)) {
      const std::wstring candidate = tool + L"\\MSINFO32.EXE";
      if (system_.FileExists(candidate)) {
        Start(candidate);
        return;
      }
    } else {
      // Since Vista the tool sits in the system folder and the registry may
      // not name it at all.
      std::wstring system = launcher_.SystemDirectory();
      if (!system.empty() && system.back() != L'\\') system += L'\\';
      const std::wstring candidate = system + L"msinfo32.exe";
      if (system_.FileExists(candidate)) {
        Start(candidate);
        return;
      }
    }
  } catch (...) {
  }
  box_.Show(kNotFoundMessage, L"Kalvero", 0);
}

}  // namespace kalvero::about
