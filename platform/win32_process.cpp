#include "platform/win32_process.h"

#include <vector>

#include "platform/win32_handle.h"

namespace kalvero::platform {

std::wstring Win32ProcessLauncher::SystemDirectory() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const UINT n = GetSystemDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(n);
  }
}

bool Win32ProcessLauncher::Start(const std::wstring& applicationPath,
                                 const std::wstring& commandLine, int showState) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION pi{};
  // CreateProcessW may write into the command line buffer.
  std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back(L'\0');
  if (!CreateProcessW(applicationPath.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return false;
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  return true;
}

bool Win32Session::EndSession(std::uint32_t flags, std::uint32_t reserved) {
  return ExitWindowsEx(flags, reserved) != FALSE;
}

}  // namespace kalvero::platform
