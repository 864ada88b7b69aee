#include "settings/autostart.h"

#include "app/statement.h"
#include "settings/registry_helpers.h"

namespace kalvero::settings {

using app::Statement;
using platform::RegRoot;

std::wstring Autostart::GetShortPath(const std::wstring& path) {
  // Volumes without 8.3 names have no short form: the long path is kept.
  return system_.ShortPathName(path).value_or(path);
}

void Autostart::ComputeExecutablePath() {
  Statement([&] { executablePath_ = system_.ExecutableFolder(); });
  Statement([&] { executablePath_ = GetShortPath(executablePath_); });
  Statement([&] {
    if (executablePath_.empty() || executablePath_.back() != L'\\') executablePath_ += L'\\';
  });
  Statement([&] { executablePath_ += system_.ExecutableRootName() + L".exe"; });
  // A blank left in an unquoted command line lets the shell start a program
  // named after the part before it.
  Statement([&] {
    if (executablePath_.find(L' ') != std::wstring::npos && executablePath_.front() != L'"')
      executablePath_ = L'"' + executablePath_ + L'"';
  });
}

std::wstring Autostart::RunKey() {
  return std::wstring(system_.IsWindowsNT() ? kRunKey : kRunServicesKey);
}

bool Autostart::IsRegistered() {
  const std::wstring key = RunKey();
  ValueSlot slot;
  return QueryRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, slot) == 0 ||
         QueryRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue, slot) == 0;
}

int Autostart::OnClick(int newState) {
  Statement([&] { ComputeExecutablePath(); });
  std::wstring key;
  Statement([&] { key = RunKey(); });
  if (newState == 1) {
    Statement([&] {
      const auto machine =
          SetRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, executablePath_);
      if (machine == 0) {
        DeleteRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue);
      } else if (machine == platform::kRegAccessDenied) {
        // No rights for the machine: an entry already there stays as it is;
        // otherwise this user's own entry does the same job.
        ValueSlot slot;
        if (QueryRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, slot) == 0)
          DeleteRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue);
        else
          SetRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue, executablePath_);
      }
    });
  } else {
    Statement([&] { DeleteRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue); });
    Statement([&] { DeleteRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue); });
  }
  bool registered = false;
  Statement([&] { registered = IsRegistered(); });
  return registered ? 1 : 0;
}

int Autostart::OnLoad() {
  bool registered = false;
  Statement([&] { registered = IsRegistered(); });
  return registered ? OnClick(1) : 0;
}

}  // namespace kalvero::settings
