// In-memory stand-ins for the platform. Every call is written to a shared
// journal so tests can check the order of what the logic asked for; a call
// that a test did not allow fails the test.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace kalvero::test {

// Narrow text for readable journals and failure messages (ASCII in practice).
inline std::string N(std::wstring_view w) { return std::string(w.begin(), w.end()); }

struct Journal {
  std::vector<std::string> calls;
  // When set, the call whose journal entry equals this text throws.
  std::string failOn;
  void Add(const std::string& call) {
    calls.push_back(call);
    if (call == failOn) throw 42;  // any exception will do: the logic must not care which
  }
};

class FakeStore final : public platform::ISettingsStore {
 public:
  explicit FakeStore(Journal& j) : j_(j) {}
  std::map<std::wstring, std::wstring> values;  // key -> text; section "Settings" of "Kalvero"
  bool allowReads = true, allowWrites = true;

  std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                          std::wstring_view def) override {
    Check(app, section);
    if (!allowReads) ADD_FAILURE() << "unexpected read of " << N(key);
    j_.Add("get " + N(key));
    const auto it = values.find(std::wstring(key));
    return it == values.end() ? std::wstring(def) : it->second;
  }
  void SaveSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text) override {
    Check(app, section);
    if (!allowWrites) ADD_FAILURE() << "unexpected write of " << N(key);
    j_.Add("save " + N(key) + "=" + N(text));
    values[std::wstring(key)] = std::wstring(text);
  }

 private:
  static void Check(std::wstring_view app, std::wstring_view section) {
    EXPECT_EQ(N(app), "Kalvero");
    EXPECT_EQ(N(section), "Settings");
  }
  Journal& j_;
};

class FakeWindow final : public platform::IMainWindow {
 public:
  explicit FakeWindow(Journal& j) : j_(j) {}
  platform::Rect rect{200, 150, 200 + 167, 150 + 58};  // where the platform put it
  int dpi = 96;
  std::vector<platform::Monitor> monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
  int topmostCalls = 0;
  bool topmost = false;

  void SetTopmost(bool on) override {
    j_.Add(on ? "topmost on" : "topmost off");
    ++topmostCalls;
    topmost = on;
  }
  void Hide() override { j_.Add("hide"); }
  void Show() override { j_.Add("show"); }
  platform::Rect WindowRect() override {
    j_.Add("rect");
    return rect;
  }
  void MoveTo(int x, int y) override {
    j_.Add("move " + std::to_string(x) + "," + std::to_string(y));
    rect = {x, y, x + rect.Width(), y + rect.Height()};
  }
  int PositionDpi() override { return dpi; }
  std::vector<platform::Monitor> Monitors() override { return monitors; }

 private:
  Journal& j_;
};

class FakeTray final : public platform::ITrayIcon {
 public:
  explicit FakeTray(Journal& j) : j_(j) {}
  bool inTray = false;
  void SetTipText(std::wstring_view text) override { j_.Add("tip " + N(text)); }
  bool InTray() override { return inTray; }
  void ShowIcon() override {
    j_.Add("icon in");
    inTray = true;
  }
  void RemoveIcon() override {
    j_.Add("icon out");
    inTray = false;
  }

 private:
  Journal& j_;
};

class FakeSystem final : public platform::ISystem {
 public:
  bool nt = true;
  std::wstring folder = L"C:\\Program Files\\Kalvero", rootName = L"Kalvero";
  std::map<std::wstring, std::wstring> shortForms{
      {L"C:\\Program Files\\Kalvero", L"C:\\PROGRA~1\\Kalvero"}};
  std::set<std::wstring> files;
  bool IsWindowsNT() override { return nt; }
  bool FileExists(const std::wstring& path) override { return files.count(path) > 0; }
  std::wstring ExecutableFolder() override { return folder; }
  std::wstring ExecutableRootName() override { return rootName; }
  std::optional<std::wstring> ShortPathName(const std::wstring& path) override {
    const auto it = shortForms.find(path);
    if (it == shortForms.end()) return std::nullopt;
    return it->second;
  }
};

class FakeMessageBox final : public platform::IMessageBox {
 public:
  explicit FakeMessageBox(Journal& j) : j_(j) {}
  void Show(std::wstring_view text, std::wstring_view title, unsigned style) override {
    j_.Add("box [" + N(text) + "] [" + N(title) + "] " + std::to_string(style));
  }

 private:
  Journal& j_;
};

class FakeInstance final : public platform::IInstanceGuard {
 public:
  bool another = false;
  bool AnotherInstanceRunning() override { return another; }
};

class FakeLauncher final : public platform::IProcessLauncher {
 public:
  explicit FakeLauncher(Journal& j) : j_(j) {}
  bool allowStarts = false;
  bool startSucceeds = true;
  std::wstring SystemDirectory() override { return L"C:\\Windows\\system32"; }
  bool Start(const std::wstring& app, const std::wstring& cmd, int show) override {
    if (!allowStarts) ADD_FAILURE() << "unexpected process start: " << N(cmd);
    j_.Add("start [" + N(app) + "] [" + N(cmd) + "] " + std::to_string(show));
    return startSucceeds && !app.empty();
  }

 private:
  Journal& j_;
};

class FakeSession final : public platform::ISession {
 public:
  explicit FakeSession(Journal& j) : j_(j) {}
  bool allowExit = false;
  bool EndSession(std::uint32_t flags, std::uint32_t reserved) override {
    if (!allowExit) ADD_FAILURE() << "unexpected end of session";
    j_.Add("exitwindows " + std::to_string(flags) + " " + std::to_string(reserved));
    return true;
  }

 private:
  Journal& j_;
};

// A registry in memory with the result codes of the real one.
class FakeRegistry final : public platform::IRegistry {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  using Key = std::map<std::wstring, Value>;
  std::map<std::wstring, Key> keys;  // "HKCU\\path" -> values
  std::set<platform::RegKeyId> open;
  platform::RegResult refuseWrites = 0;  // e.g. access denied
  bool denyMachineWrites = false;         // a user without administrator rights

  platform::RegResult OpenKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t access,
                              platform::RegKeyId& key) override {
    if (denyMachineWrites && root == platform::RegRoot::LocalMachine && (access & 0x2))
      return platform::kRegAccessDenied;  // KEY_SET_VALUE
    const auto it = keys.find(Path(root, sub));
    if (it == keys.end()) return platform::kRegFileNotFound;
    return Hand(it->first, key);
  }
  platform::RegResult CreateKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t,
                                platform::RegKeyId& key) override {
    if (refuseWrites) return refuseWrites;
    return Hand(keys.try_emplace(Path(root, sub)).first->first, key);
  }
  platform::RegResult QueryValue(platform::RegKeyId key, std::wstring_view name,
                                 std::uint32_t& type, std::uint8_t* data,
                                 std::uint32_t& size) override {
    const auto& values = keys.at(Resolve(key));
    const auto it = values.find(std::wstring(name));
    if (it == values.end()) return platform::kRegFileNotFound;
    type = it->second.type;
    const auto needed = static_cast<std::uint32_t>(it->second.data.size());
    if (data && size < needed) {
      size = needed;
      return platform::kRegMoreData;
    }
    if (data) std::copy(it->second.data.begin(), it->second.data.end(), data);
    size = needed;
    return 0;
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
    if (!open.erase(key)) ADD_FAILURE() << "closing a key that is not open";
    return 0;
  }

  static std::wstring Path(platform::RegRoot root, std::wstring_view sub) {
    return (root == platform::RegRoot::CurrentUser ? L"HKCU\\" : L"HKLM\\") + std::wstring(sub);
  }

 private:
  platform::RegResult Hand(const std::wstring& path, platform::RegKeyId& key) {
    key = ++next_;
    handles_[key] = path;
    open.insert(key);
    return 0;
  }
  const std::wstring& Resolve(platform::RegKeyId key) {
    if (!open.count(key)) ADD_FAILURE() << "use of a key that is not open";
    return handles_.at(key);
  }
  platform::RegKeyId next_ = 100;
  std::map<platform::RegKeyId, std::wstring> handles_;
};

// The main window's logic over a fresh set of fakes sharing one journal.
struct MainLogicRig {
  Journal journal;
  FakeStore store{journal};
  FakeWindow window{journal};
  FakeTray tray{journal};
  FakeInstance instance;
  app::MainWindowLogic logic{store, window, tray, instance};
};

}  // namespace kalvero::test
