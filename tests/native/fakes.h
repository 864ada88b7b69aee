// In-memory stand-ins for the platform. Every call goes into one journal, so a
// test sees the order of what the logic asked for and any call it did not
// expect; the call whose entry equals failOn reports failure.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace kalvero::test {

using Calls = std::vector<std::string>;
inline std::string N(std::wstring_view w) { return std::string(w.begin(), w.end()); }

struct Journal {
  Calls calls;
  std::string failOn;
  bool Add(const std::string& call) {  // false: this call fails
    calls.push_back(call);
    return call != failOn;
  }
};

struct FakeStore final : platform::ISettingsStore {
  explicit FakeStore(Journal& journal) : j(journal) {}
  Journal& j;
  std::map<std::wstring, std::wstring> values;  // section "Settings" of "Kalvero"
  std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                          std::wstring_view def) override {
    EXPECT_EQ(N(app) + "/" + N(section), "Kalvero/Settings");
    j.Add("get " + N(key));
    const auto it = values.find(std::wstring(key));
    return it == values.end() ? std::wstring(def) : it->second;
  }
  bool SaveSetting(std::wstring_view, std::wstring_view, std::wstring_view key,
                   std::wstring_view text) override {
    if (!j.Add("save " + N(key) + "=" + N(text))) return false;
    values[std::wstring(key)] = text;
    return true;
  }
};

struct FakeWindow final : platform::IMainWindow {
  explicit FakeWindow(Journal& journal) : j(journal) {}
  Journal& j;
  platform::Rect rect{200, 150, 200 + 167, 150 + 58};  // where the platform put it
  int dpi = 96;
  std::vector<platform::Monitor> monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
  void SetTopmost(bool on) override { j.Add(on ? "topmost on" : "topmost off"); }
  void Hide() override { j.Add("hide"); }
  void Show() override { j.Add("show"); }
  std::optional<platform::Rect> WindowRect() override {
    return j.Add("rect") ? std::optional(rect) : std::nullopt;
  }
  bool MoveTo(int x, int y) override {
    if (!j.Add("move " + std::to_string(x) + "," + std::to_string(y))) return false;
    rect = {x, y, x + rect.Width(), y + rect.Height()};
    return true;
  }
  int PositionDpi() override { return dpi; }
  std::vector<platform::Monitor> Monitors() override { return monitors; }
};

struct FakeTray final : platform::ITrayIcon {
  explicit FakeTray(Journal& journal) : j(journal) {}
  Journal& j;
  bool inTray = false;
  bool SetTipText(std::wstring_view text) override { return j.Add("tip " + N(text)); }
  bool InTray() override { return inTray; }
  bool ShowIcon() override { return j.Add("icon in") && (inTray = true); }
  bool RemoveIcon() override { return j.Add("icon out") && !(inTray = false); }
};

struct FakeSystem final : platform::ISystem {
  bool nt = true;
  std::optional<std::wstring> folder = L"C:\\Program Files\\Kalvero", rootName = L"Kalvero";
  std::map<std::wstring, std::wstring> shortForms{{L"C:\\Program Files\\Kalvero", L"C:\\PROGRA~1\\Kalvero"}};
  std::set<std::wstring> files;
  bool IsWindowsNT() override { return nt; }
  std::optional<std::wstring> ExecutableFolder() override { return folder; }
  std::optional<std::wstring> ExecutableRootName() override { return rootName; }
  std::optional<std::wstring> ShortPathName(const std::wstring& path) override {
    const auto it = shortForms.find(path);
    return it == shortForms.end() ? std::nullopt : std::optional(it->second);
  }
  bool FileExists(const std::wstring& path) override { return files.count(path) > 0; }
};

struct FakeMessageBox final : platform::IMessageBox {
  explicit FakeMessageBox(Journal& journal) : j(journal) {}
  Journal& j;
  void Show(std::wstring_view text, std::wstring_view title, unsigned style) override {
    j.Add("box [" + N(text) + "] [" + N(title) + "] " + std::to_string(style));
  }
};

struct FakeLauncher final : platform::IProcessLauncher, platform::ISession {
  explicit FakeLauncher(Journal& journal) : j(journal) {}
  Journal& j;
  std::wstring SystemDirectory() override { return L"C:\\Windows\\system32"; }
  bool Start(const std::wstring& app, const std::wstring& cmd, int show) override {
    return j.Add("start [" + N(app) + "] [" + N(cmd) + "] " + std::to_string(show)) && !app.empty();
  }
  bool EndSession(std::uint32_t flags, std::uint32_t reserved) override {
    return j.Add("exitwindows " + std::to_string(flags) + " " + std::to_string(reserved));
  }
};

// A registry in memory with the result codes of the real one. It counts the
// keys left open.
struct FakeRegistry final : platform::IRegistry {
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  std::map<std::wstring, std::map<std::wstring, Value>> keys;  // "HKCU\\path" -> values
  std::set<platform::RegKeyId> open;
  platform::RegResult refuseWrites = 0;  // e.g. access denied on every write
  bool denyMachineWrites = false;         // a user without administrator rights

  platform::RegResult OpenKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t access,
                              platform::RegKeyId& key) override {
    if (denyMachineWrites && root == platform::RegRoot::LocalMachine && (access & 0x2))
      return platform::kRegAccessDenied;  // KEY_SET_VALUE
    const auto it = keys.find(Path(root, sub));
    return it == keys.end() ? platform::kRegFileNotFound : Hand(it->first, key);
  }
  platform::RegResult CreateKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t,
                                platform::RegKeyId& key) override {
    return refuseWrites ? refuseWrites : Hand(keys.try_emplace(Path(root, sub)).first->first, key);
  }
  platform::RegResult QueryValue(platform::RegKeyId key, std::wstring_view name, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) override {
    const auto& values = keys.at(Resolve(key));
    const auto it = values.find(std::wstring(name));
    if (it == values.end()) return platform::kRegFileNotFound;
    type = it->second.type;
    const auto needed = static_cast<std::uint32_t>(it->second.data.size());
    const bool fits = !data || size >= needed;
    if (data && fits) std::copy(it->second.data.begin(), it->second.data.end(), data);
    size = needed;
    return fits ? 0 : platform::kRegMoreData;
  }
  platform::RegResult SetValue(platform::RegKeyId key, std::wstring_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) override {
    if (refuseWrites) return refuseWrites;
    keys.at(Resolve(key))[std::wstring(name)] = {type, {data, data + size}};
    return 0;
  }
  platform::RegResult DeleteValue(platform::RegKeyId key, std::wstring_view name) override {
    return keys.at(Resolve(key)).erase(std::wstring(name)) ? 0 : platform::kRegFileNotFound;
  }
  platform::RegResult CloseKey(platform::RegKeyId key) override {
    EXPECT_TRUE(open.erase(key)) << "closing a key that is not open";
    return 0;
  }
  static std::wstring Path(platform::RegRoot root, std::wstring_view sub) {
    return (root == platform::RegRoot::CurrentUser ? L"HKCU\\" : L"HKLM\\") + std::wstring(sub);
  }

 private:
  platform::RegResult Hand(const std::wstring& path, platform::RegKeyId& key) {
    handles_[key = ++next_] = path;
    open.insert(key);
    return 0;
  }
  const std::wstring& Resolve(platform::RegKeyId key) {
    EXPECT_TRUE(open.count(key)) << "use of a key that is not open";
    return handles_.at(key);
  }
  platform::RegKeyId next_ = 100;
  std::map<platform::RegKeyId, std::wstring> handles_;
};

}  // namespace kalvero::test
