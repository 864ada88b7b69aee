// In-memory stand-ins for the platform. Every call goes into one journal, so a test sees the order of
// what the logic asked for and any call it did not expect; the call whose entry is failOn fails.
#pragma once

#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <set>

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
  bool Add(const std::string& call) { return calls.push_back(call), call != failOn; }
};

struct Fakes : platform::ISettingsStore, platform::IMainWindow, platform::ITrayIcon, platform::ISystem,
               platform::IMessageBox, platform::IProcessLauncher, platform::ISession {
  Journal j;
  std::map<std::wstring, std::wstring> values;  // the store's section "Settings" of "Kalvero"
  platform::Rect rect{200, 150, 200 + 167, 150 + 58};  // where the platform put the window
  int dpi = 96;
  bool inTray = false, nt = true;
  std::optional<std::wstring> folder = L"C:\\Program Files\\Kalvero", rootName = L"Kalvero";
  std::map<std::wstring, std::wstring> shortForms{{L"C:\\Program Files\\Kalvero", L"C:\\PROGRA~1\\Kalvero"}};
  std::set<std::wstring> files;

  std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                          std::wstring_view def) override {
    EXPECT_EQ(N(app) + "/" + N(section), "Kalvero/Settings");
    j.Add("get " + N(key));
    return values.contains(std::wstring(key)) ? values[std::wstring(key)] : std::wstring(def);
  }
  bool SaveSetting(std::wstring_view, std::wstring_view, std::wstring_view key, std::wstring_view text) override {
    return j.Add("save " + N(key) + "=" + N(text)) && (values[std::wstring(key)] = text, true);
  }
  void SetTopmost(bool on) override { j.Add(on ? "topmost on" : "topmost off"); }
  void Hide() override { j.Add("hide"); }
  void Show() override { j.Add("show"); }
  std::optional<platform::Rect> WindowRect() override { return j.Add("rect") ? std::optional(rect) : std::nullopt; }
  bool MoveTo(int x, int y) override {
    return j.Add("move " + std::to_string(x) + "," + std::to_string(y)) && (rect = {x, y, x + 167, y + 58}, true);
  }
  int PositionDpi() override { return dpi; }
  std::vector<platform::Monitor> Monitors() override { return {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}}; }
  bool SetTipText(std::wstring_view text) override { return j.Add("tip " + N(text)); }
  bool InTray() override { return inTray; }
  bool ShowIcon() override { return j.Add("icon in") && (inTray = true); }
  bool RemoveIcon() override { return j.Add("icon out") && !(inTray = false); }
  bool IsWindowsNT() override { return nt; }
  std::optional<std::wstring> ExecutableFolder() override { return folder; }
  std::optional<std::wstring> ExecutableRootName() override { return rootName; }
  std::optional<std::wstring> ShortPathName(const std::wstring& p) override {
    return shortForms.contains(p) ? std::optional(shortForms[p]) : std::nullopt;
  }
  bool FileExists(const std::wstring& path) override { return files.contains(path); }
  std::wstring nativeSystem = L"C:\\Windows\\system32";
  std::wstring NativeSystemDirectory() override { return nativeSystem; }
  void Show(std::wstring_view text, std::wstring_view title, unsigned style) override {
    j.Add("box [" + N(text) + "] [" + N(title) + "] " + std::to_string(style));
  }
  std::wstring SystemDirectory() override { return L"C:\\Windows\\system32"; }
  bool Start(const std::wstring& app, const std::wstring& cmd, int show) override {
    return j.Add("start [" + N(app) + "] [" + N(cmd) + "] " + std::to_string(show)) && !app.empty();
  }
  bool EndSession(std::uint32_t flags, std::uint32_t reserved) override {
    return j.Add("exitwindows " + std::to_string(flags) + " " + std::to_string(reserved));
  }
};

// A registry in memory with the result codes of the real one; it knows the keys left open.
struct FakeRegistry final : platform::IRegistry {
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  std::map<std::wstring, std::map<std::wstring, Value>> keys;  // "HKCU\\path" -> values
  std::map<platform::RegKeyId, std::wstring> open;
  platform::RegResult refuseWrites = 0;  // e.g. access denied on every write
  bool refuseMachineValues = false;       // HKLM opens for writing, but each write is refused
  bool denyMachineWrites = false;         // a user without administrator rights
  bool wow64 = false;  // a 32-bit process on 64-bit Windows: HKLM\Software is redirected
  int failAt = -1, calls = 0;  // the call of that number (from 0) is refused
  bool Fails() { return calls++ == failAt; }

  static std::wstring Path(platform::RegRoot root, std::wstring_view sub) {
    return (root == platform::RegRoot::CurrentUser ? L"HKCU\\" : L"HKLM\\") + std::wstring(sub);
  }
  std::wstring Seen(platform::RegRoot root, std::wstring_view sub, std::uint32_t access) const {
    std::wstring head(sub.substr(0, 9));
    for (wchar_t& c : head) c = static_cast<wchar_t>(std::towlower(c));
    const bool redirected = wow64 && root == platform::RegRoot::LocalMachine && !(access & platform::kView64);
    return redirected && head == L"software\\" ? L"HKLM\\Software\\Wow6432Node\\" + std::wstring(sub.substr(9))
                                               : Path(root, sub);
  }
  platform::RegResult OpenKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t access,
                              platform::RegKeyId& key) override {
    if (Fails() || (denyMachineWrites && root == platform::RegRoot::LocalMachine && (access & 0x2)))
      return platform::kRegAccessDenied;
    return keys.contains(Seen(root, sub, access)) ? Hand(Seen(root, sub, access), key) : platform::kRegFileNotFound;
  }
  platform::RegResult CreateKey(platform::RegRoot root, std::wstring_view sub, std::uint32_t,
                                platform::RegKeyId& key) override {
    if (Fails()) return platform::kRegAccessDenied;
    return refuseWrites ? refuseWrites : (keys[Path(root, sub)], Hand(Path(root, sub), key));
  }
  platform::RegResult QueryValue(platform::RegKeyId key, std::wstring_view name, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) override {
    auto& values = keys.at(open.at(key));
    if (Fails()) return platform::kRegAccessDenied;
    if (!values.contains(std::wstring(name))) return platform::kRegFileNotFound;
    const Value& v = values[std::wstring(name)];
    const bool fits = !data || size >= v.data.size();
    if (data && fits) std::copy(v.data.begin(), v.data.end(), data);
    type = v.type;
    size = static_cast<std::uint32_t>(v.data.size());
    return fits ? 0 : platform::kRegMoreData;
  }
  platform::RegResult SetValue(platform::RegKeyId key, std::wstring_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) override {
    if (Fails() || (refuseMachineValues && open.at(key).starts_with(L"HKLM"))) return platform::kRegAccessDenied;
    return refuseWrites ? refuseWrites : (keys.at(open.at(key))[std::wstring(name)] = {type, {data, data + size}}, 0);
  }
  platform::RegResult DeleteValue(platform::RegKeyId key, std::wstring_view name) override {
    if (Fails()) return platform::kRegAccessDenied;
    return keys.at(open.at(key)).erase(std::wstring(name)) ? 0 : platform::kRegFileNotFound;
  }
  platform::RegResult CloseKey(platform::RegKeyId key) override {
    EXPECT_TRUE(open.erase(key)) << "closing a key that is not open";
    return 0;
  }

 private:
  platform::RegResult Hand(const std::wstring& path, platform::RegKeyId& key) { return open[key = ++next_] = path, 0; }
  platform::RegKeyId next_ = 100;
};

}  // namespace kalvero::test
