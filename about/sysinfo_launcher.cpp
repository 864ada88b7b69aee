#include "about/sysinfo_launcher.h"

#include <cstdint>

#include "core/number_text.h"
#include "core/utf16le.h"

namespace kalvero::about {

using platform::RegRoot;

namespace {
constexpr std::uint32_t kBufferBytes = 1024;
constexpr int kShowNormal = 1;
}  // namespace

KeyValue SysInfoLauncher::GetKeyValue(RegRoot root, std::wstring_view keyName,
                                      std::wstring_view valueName, std::wstring& keyVal) {
  platform::ScopedRegKey key(reg_);
  // Read rights only: without elevation a machine-wide key opened for writing
  // is refused, and the tool would look missing where it exists. The 64-bit
  // view: a 32-bit build must find the 64-bit tool of a 64-bit Windows.
  if (reg_.OpenKey(root, keyName, platform::kKeyRead | platform::kView64, key.Receive()) != 0) {
    key.Abandon();
    keyVal.clear();
    return KeyValue::Missing;
  }
  std::uint8_t buffer[kBufferBytes] = {};
  std::uint32_t type = 0, size = kBufferBytes;
  if (reg_.QueryValue(key.Get(), valueName, type, buffer, size) != 0) {
    keyVal.clear();
    return KeyValue::Missing;
  }
  if (size < 2) return KeyValue::Broken;  // nothing to trim: there is no last character
  // Only the last character is looked at: one trailing NUL goes.
  std::wstring text = core::DecodeUtf16(buffer, size);
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  if (type == platform::kRegSz) {
    keyVal = text;
  } else if (type == platform::kRegDword) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < size && i < 4; ++i)
      v |= static_cast<std::uint32_t>(buffer[i]) << (8 * i);
    keyVal = core::DecimalText(v);
  }
  return KeyValue::Read;
}

bool SysInfoLauncher::Start(const std::wstring& path) {
  // The path is the program to start, never a command line to be split at
  // its blanks; it gets no arguments.
  return launcher_.Start(path, L"\"" + path + L"\"", kShowNormal) == 0;
}

bool SysInfoLauncher::FindAndStart() {
  std::wstring tool;
  switch (GetKeyValue(RegRoot::LocalMachine, kMsinfoKey, L"PATH", tool)) {
    case KeyValue::Read: return Start(tool);
    case KeyValue::Broken: return false;
    case KeyValue::Missing: break;
  }
  switch (GetKeyValue(RegRoot::LocalMachine, kToolsLocationKey, L"MSINFO", tool)) {
    case KeyValue::Read: {
      const std::wstring candidate = tool + L"\\MSINFO32.EXE";
      return system_.FileExists(candidate) && Start(candidate);
    }
    case KeyValue::Broken: return false;
    case KeyValue::Missing: break;
  }
  // Since Vista the tool sits in the system folder and the registry may not
  // name it at all; the native one, which a 32-bit build reaches as Sysnative.
  std::wstring system = system_.NativeSystemDirectory();
  if (!system.empty() && system.back() != L'\\') system += L'\\';
  const std::wstring candidate = system + L"msinfo32.exe";
  return system_.FileExists(candidate) && Start(candidate);
}

void SysInfoLauncher::StartSysInfo() {
  if (!FindAndStart()) box_.Show(kNotFoundMessage, L"Kalvero", 0);
}

}  // namespace kalvero::about
