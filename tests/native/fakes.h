// In-memory stand-ins for the platform. What the logic does goes into one journal, so a test sees its order
// and any call it did not expect; the call whose entry is failOn fails. Reads are not journaled: their
// order is the logic's own affair.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "platform/dialogs.h"
#include "platform/power.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace kalvero::test {

using Calls = std::vector<std::string>;
// UTF-8, whatever the width of wchar_t (four bytes natively, two under Wine).
inline std::string N(std::wstring_view w) {
  std::string out;
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t c = static_cast<char32_t>(w[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < w.size()) c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
    if (c < 0x80) out += static_cast<char>(c);
    else if (c < 0x800) out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    else if (c < 0x10000) out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    else out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)), static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return out;
}

struct Fakes : platform::ISettingsStore, platform::IMainWindow, platform::ITrayIcon, platform::ISystem,
               platform::IMessageBox, platform::IProcessLauncher, platform::ISession, platform::IInstanceGuard,
               platform::IPowerSystem, platform::IClock {
  Calls calls;
  std::string failOn;  // the call that fails, with the system's error failCode
  std::uint32_t failCode = 5;
  bool Add(const std::string& call) { return calls.push_back(call), call != failOn; }
  std::uint32_t Did(const std::string& call) { return Add(call) ? 0 : failCode; }
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
  std::uint32_t Start(const std::wstring& app, const std::wstring& cmd, int show) override {
    return app.empty() ? 2 : Did("start [" + N(app) + "] [" + N(cmd) + "] " + std::to_string(show));
  }
  std::deque<platform::EndedChild> ended;  // what NextEnded will report, in order
  std::uint32_t started = 0;
  std::uint32_t StartWatched(const std::wstring& app, const std::wstring& cmd, int show, std::uint32_t& id) override {
    const std::uint32_t error = Start(app, cmd, show);
    if (!error) id = ++started;
    return error;
  }
  std::optional<platform::EndedChild> NextEnded() override {
    if (ended.empty()) return std::nullopt;
    const auto e = ended.front();
    return ended.pop_front(), e;
  }
  bool Watching() override { return !ended.empty(); }
  std::uint32_t EndSession(std::uint32_t flags, std::uint32_t reserved) override {
    return Did("exitwindows " + std::to_string(flags) + " " + std::to_string(reserved));
  }
  platform::PowerCapabilities can;
  platform::PowerCapabilities Capabilities() override { return can; }
  std::uint32_t Suspend(bool hibernate) override { return Did(hibernate ? "hibernate" : "sleep"); }
  std::uint32_t TurnDisplayOff() override { return Did("display off"); }
  std::uint32_t Lock() override { return Did("lock"); }
  std::uint32_t SwitchUser() override { return Did("switch user"); }
  std::int64_t now = 1765100000;  // 9:33:20 UTC; this computer's clock is an hour ahead
  std::int64_t Now() override { return now; }
  int LocalMinuteOfDay(std::int64_t at) override { return static_cast<int>((at + 3600) / 60 % 1440); }
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
