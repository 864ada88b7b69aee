// In-memory stand-ins for the platform. What the logic does goes into one journal, so a test sees its order
// and any call it did not expect; the call whose entry is failOn fails. Reads are not journaled: their
// order is the logic's own affair.
#pragma once

#include <gtest/gtest.h>

#include <map>

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

struct Fakes : platform::ISettingsStore, platform::IMainWindow, platform::ITrayIcon, platform::ISystem,
               platform::IMessageBox, platform::IProcessLauncher, platform::ISession, platform::IInstanceGuard {
  Calls calls;
  std::string failOn;  // the call that fails
  bool Add(const std::string& call) { return calls.push_back(call), call != failOn; }
  std::map<std::wstring, std::wstring> values;  // the store's section "Settings" of "Kalvero"
  platform::Rect rect{200, 150, 200 + 167, 150 + 58};  // where the platform put the window
  int dpi = 96;
  bool inTray = false, nt = true, another = false;  // another: a second instance owns the session
  std::optional<std::wstring> folder = L"C:\\Program Files\\Kalvero", rootName = L"Kalvero";
  std::wstring file;  // the one file there is

  std::wstring GetSetting(std::wstring_view, std::wstring_view, std::wstring_view key, std::wstring_view def) override {
    return values.contains(std::wstring(key)) ? values[std::wstring(key)] : std::wstring(def);
  }
  bool SaveSetting(std::wstring_view, std::wstring_view, std::wstring_view key, std::wstring_view text) override {
    return Add("save " + N(key) + "=" + N(text)) && (values[std::wstring(key)] = text, true);
  }
  void SetTopmost(bool on) override { Add(on ? "topmost on" : "topmost off"); }
  void Hide() override { Add("hide"); }
  void Show() override { Add("show"); }
  std::optional<platform::Rect> WindowRect() override { return failOn != "rect" ? std::optional(rect) : std::nullopt; }
  bool MoveTo(int x, int y) override {
    return Add("move " + std::to_string(x) + "," + std::to_string(y)) && (rect = {x, y, x + 167, y + 58}, true);
  }
  int PositionDpi() override { return dpi; }
  platform::Size OuterSize(int at) override { return {167 * at / 96, 58 * at / 96}; }
  std::vector<platform::Monitor> Monitors() override { return {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}}; }
  bool SetTipText(std::wstring_view text) override { return Add("tip " + N(text)); }
  bool InTray() override { return inTray; }
  bool ShowIcon() override { return Add("icon in") && (inTray = true); }
  bool RemoveIcon() override { return Add("icon out") && !(inTray = false); }
  bool IsWindowsNT() override { return nt; }
  std::optional<std::wstring> ExecutableFolder() override { return folder; }
  std::optional<std::wstring> ExecutableRootName() override { return rootName; }
  std::optional<std::wstring> ShortPathName(const std::wstring& p) override {  // no short names but for this one
    return p == L"C:\\Program Files\\Kalvero" ? std::optional<std::wstring>(L"C:\\PROGRA~1\\Kalvero") : std::nullopt;
  }
  bool FileExists(const std::wstring& path) override { return path == file; }
  bool ExecutableInProgramFiles() override { return folder && folder->starts_with(L"C:\\Program Files\\"); }
  std::wstring NativeSystemDirectory() override { return L"C:\\Windows\\system32"; }
  std::wstring SystemDirectory() override { return L"C:\\Windows\\system32"; }
  void Show(std::wstring_view text, std::wstring_view title, unsigned style) override {
    Add("box [" + N(text) + "] [" + N(title) + "] " + std::to_string(style));
  }
  bool Start(const std::wstring& app, const std::wstring& cmd, int show) override {
    return Add("start [" + N(app) + "] [" + N(cmd) + "] " + std::to_string(show)) && !app.empty();
  }
  bool EndSession(std::uint32_t flags, std::uint32_t reserved) override {
    return Add("exitwindows " + std::to_string(flags) + " " + std::to_string(reserved));
  }
  bool AnotherInstanceRunning() override { return another; }
};

// A registry in memory with the result codes of the real one; it knows the keys left open, and a key
// closed that is not open, or a value asked of one, fails the test.
struct FakeRegistry final : platform::IRegistry {
  using R = platform::RegResult;
  using Key = platform::RegKeyId;
  using Root = platform::RegRoot;
  struct Value { std::uint32_t type; std::vector<std::uint8_t> data; bool operator==(const Value&) const = default; };
  std::map<std::wstring, std::map<std::wstring, Value>> keys;  // "HKCU\\path" -> values
  std::map<Key, std::wstring> open;
  Key next = 100;
  // RefusesValues: the key opens for writing, no more. This user's own keys too may refuse (a policy, a quota).
  enum Rights { Admin, NoRights, RefusesValues } machine = Admin, user = Admin;
  bool wow64 = false;  // a 32-bit process on 64-bit Windows: HKLM\Software is redirected

  R Reach(Root root, std::wstring_view sub, std::uint32_t access, Key& key, bool make) {
    const bool hklm = root == platform::RegRoot::LocalMachine;
    if ((hklm ? machine : user) == NoRights && (access & 0x2)) return platform::kRegAccessDenied;
    std::wstring path = (hklm ? L"HKLM\\" : L"HKCU\\") + std::wstring(sub);
    const bool software = sub.starts_with(L"Software\\") || sub.starts_with(L"SOFTWARE\\");  // as the program spells it
    if (hklm && wow64 && !(access & platform::kView64) && software)
      path = L"HKLM\\Software\\Wow6432Node\\" + std::wstring(sub.substr(9));
    if (!make && !keys.contains(path)) return platform::kRegFileNotFound;
    return keys[path], open[key = ++next] = path, 0;
  }
  R OpenKey(Root r, std::wstring_view s, std::uint32_t a, Key& k) override { return Reach(r, s, a, k, false); }
  R CreateKey(Root r, std::wstring_view s, std::uint32_t a, Key& k) override { return Reach(r, s, a, k, true); }
  R QueryValue(Key key, std::wstring_view name, std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override {
    auto& values = keys.at(open.at(key));
    const auto v = values.find(std::wstring(name));
    if (v == values.end()) return platform::kRegFileNotFound;
    const bool fits = !data || size >= v->second.data.size();
    if (data && fits) std::ranges::copy(v->second.data, data);
    type = v->second.type, size = static_cast<std::uint32_t>(v->second.data.size());
    return fits ? 0 : platform::kRegMoreData;
  }
  R SetValue(Key key, std::wstring_view name, std::uint32_t type, const std::uint8_t* d, std::uint32_t n) override {
    if ((open.at(key).starts_with(L"HKLM") ? machine : user) == RefusesValues) return platform::kRegAccessDenied;
    return keys.at(open.at(key))[std::wstring(name)] = {type, {d, d + n}}, 0;
  }
  R DeleteValue(Key key, std::wstring_view name) override {
    return keys.at(open.at(key)).erase(std::wstring(name)) ? 0 : platform::kRegFileNotFound;
  }
  R CloseKey(Key key) override {
    EXPECT_TRUE(open.erase(key)) << "closing a key that is not open";
    return 0;
  }
};

}  // namespace kalvero::test
