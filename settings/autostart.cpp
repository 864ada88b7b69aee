#include "settings/autostart.h"

#include <optional>
#include <vector>

#include "core/steps.h"
#include "settings/registry_helpers.h"

namespace kalvero::settings {

using core::RunEach;
using platform::RegRoot;
// The machine-wide entry lives in the 64-bit registry whichever build runs, so
// that the x64 and x86 exes see and keep the same one entry.
using platform::kView64;

namespace {

std::uint32_t ViewOf(RegRoot root) { return root == RegRoot::LocalMachine ? kView64 : 0; }

struct Mark {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool Disabled() const { return !data.empty() && (data[0] & 1) != 0; }
};

// Task Manager's mark of the entry below root, as stored; empty when there is none.
std::optional<Mark> ReadMark(platform::IRegistry& reg, RegRoot root) {
  platform::ScopedRegKey key(reg);
  if (reg.OpenKey(root, kApprovedKey, kReadAccess | ViewOf(root), key.Receive()) != 0) {
    key.Abandon();
    return std::nullopt;
  }
  std::uint32_t type = 0, size = 0;
  if (reg.QueryValue(key.Get(), kAutostartValue, type, nullptr, size) != 0) return std::nullopt;
  std::vector<std::uint8_t> data(size);
  if (reg.QueryValue(key.Get(), kAutostartValue, type, data.data(), size) != 0) return std::nullopt;
  data.resize(size);
  return Mark{type, std::move(data)};
}

}  // namespace

std::wstring Autostart::GetShortPath(const std::wstring& path) {
  // Volumes without 8.3 names have no short form: the long path is kept.
  return system_.ShortPathName(path).value_or(path);
}

void Autostart::ComputeExecutablePath() {
  // Afresh every time: a step that fails must not leave the last call's path
  // to be appended to again.
  executablePath_.clear();
  RunEach(
      [&] {
        const auto folder = system_.ExecutableFolder();
        if (folder) executablePath_ = *folder;
        return folder.has_value();
      },
      [&] { executablePath_ = GetShortPath(executablePath_); },
      [&] {
        if (executablePath_.empty() || executablePath_.back() != L'\\') executablePath_ += L'\\';
      },
      [&] {
        const auto root = system_.ExecutableRootName();
        if (root) executablePath_ += *root + L".exe";
        return root.has_value();
      },
      // A blank left in an unquoted command line lets the shell start a
      // program named after the part before it.
      [&] {
        if (executablePath_.find(L' ') != std::wstring::npos && executablePath_.front() != L'"')
          executablePath_ = L'"' + executablePath_ + L'"';
      });
}

std::wstring Autostart::RunKey() {
  return std::wstring(system_.IsWindowsNT() ? kRunKey : kRunServicesKey);
}

bool Autostart::Exists(RegRoot root, const std::wstring& key) {
  // A value too long for its type (a DWORD of more than 4 bytes) is still an
  // entry: counted as none, a second one would be written beside it.
  ValueSlot slot;
  const auto r = QueryRegistryValue(reg_, root, key, kAutostartValue, slot, ViewOf(root));
  return r == 0 || r == platform::kRegMoreData;
}

// The other family has no Task Manager, and no mark.
bool Autostart::Disabled(RegRoot root, const std::wstring& key) {
  const auto mark = key == kRunKey ? ReadMark(reg_, root) : std::nullopt;
  return mark && mark->Disabled();
}

void Autostart::Enable(RegRoot root, const std::wstring& key) {
  auto mark = key == kRunKey && Exists(root, key) ? ReadMark(reg_, root) : std::nullopt;
  if (!mark || !mark->Disabled()) return;  // no mark is written where there was none
  mark->data[0] = 2;  // the time of the change after it is kept
  platform::ScopedRegKey k(reg_);
  if (reg_.OpenKey(root, kApprovedKey, kWriteAccess | ViewOf(root), k.Receive()) != 0) return k.Abandon();
  reg_.SetValue(k.Get(), kAutostartValue, mark->type, mark->data.data(),
                static_cast<std::uint32_t>(mark->data.size()));
}

bool Autostart::IsRegistered() {
  const std::wstring key = RunKey();
  const auto runs = [&](RegRoot root) { return Exists(root, key) && !Disabled(root, key); };
  return runs(RegRoot::LocalMachine) || runs(RegRoot::CurrentUser);
}

void Autostart::Register(const std::wstring& key) {
  if (system_.ExecutableInProgramFiles()) {
    const auto machine =
        SetRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, executablePath_, kView64);
    if (machine != 0 && machine != platform::kRegAccessDenied) return;  // no Run key: nothing to do
  } else {
    // Every account would run, at its logon, an exe that this user (or anything
    // running as them) can replace: the machine's entry is not for this copy.
    DeleteRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, kView64);
  }
  // Read back: a write can be refused after the key opened for writing (a
  // guard on Run keys, a quota), and the helper does not say so. Only a
  // machine-wide entry that is really there replaces this user's own; without
  // one (no rights, or a refused write) this user's entry does the same job.
  ValueSlot slot;
  const auto back = QueryRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, slot, kView64);
  if (back == 0 || back == platform::kRegMoreData) {
    DeleteRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue);
    // This user's entry may be beyond removal (a policy on their own Run key):
    // the machine's would be a second one, and goes again.
    if (Exists(RegRoot::CurrentUser, key))
      DeleteRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, kView64);
  } else {
    SetRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue, executablePath_);
  }
}

int Autostart::OnClick(int newState) {
  ComputeExecutablePath();
  const std::wstring key = RunKey();
  if (newState == 1) {
    Register(key);
    // An entry Task Manager disabled is enabled again: the box says it runs.
    RunEach([&] { Enable(RegRoot::LocalMachine, key); }, [&] { Enable(RegRoot::CurrentUser, key); });
  } else {
    RunEach([&] { DeleteRegistryValue(reg_, RegRoot::LocalMachine, key, kAutostartValue, kView64); },
            [&] { DeleteRegistryValue(reg_, RegRoot::CurrentUser, key, kAutostartValue); });
  }
  return IsRegistered() ? 1 : 0;
}

int Autostart::OnLoad() { return IsRegistered() ? OnClick(1) : 0; }

}  // namespace kalvero::settings
