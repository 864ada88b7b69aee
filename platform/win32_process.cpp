#include "platform/win32_process.h"

#include <vector>

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

std::uint32_t Win32ProcessLauncher::Launch(const std::wstring& applicationPath, const std::wstring& commandLine,
                                           int showState, UniqueHandle* process) {
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
    return GetLastError();
  UniqueHandle owned(pi.hProcess), thread(pi.hThread);
  if (process) *process = std::move(owned);
  return 0;
}

std::uint32_t Win32ProcessLauncher::Start(const std::wstring& applicationPath, const std::wstring& commandLine,
                                          int showState) {
  return Launch(applicationPath, commandLine, showState, nullptr);
}

std::uint32_t Win32ProcessLauncher::StartWatched(const std::wstring& applicationPath,
                                                 const std::wstring& commandLine, int showState,
                                                 std::uint32_t& id) {
  UniqueHandle process;
  if (const std::uint32_t error = Launch(applicationPath, commandLine, showState, &process)) return error;
  watched_.emplace_back(id = ++lastId_, std::move(process));
  return 0;
}

std::optional<EndedChild> Win32ProcessLauncher::NextEnded() {
  for (auto w = watched_.begin(); w != watched_.end(); ++w) {
    DWORD code = 0;
    if (WaitForSingleObject(w->second.get(), 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(w->second.get(), &code))
      continue;
    const EndedChild ended{w->first, code};
    watched_.erase(w);
    return ended;
  }
  return std::nullopt;
}

std::uint32_t Win32Session::EndSession(std::uint32_t flags, std::uint32_t reserved) {
  return ExitWindowsEx(flags, reserved) ? 0 : GetLastError();
}

}  // namespace kalvero::platform
