#include "about/sysinfo_launcher.h"
#include "core/utf16le.h"
#include "fakes.h"
#include "settings/autostart.h"
#include "settings/registry_settings_store.h"
#include "settings/setting_names.h"
#include "settings/settings_window_logic.h"

namespace kalvero::settings {
namespace {

using Value = test::FakeRegistry::Value;
const auto sz = [](const wchar_t* t) { return Value{platform::kRegSz, core::EncodeRegSz(t)}; };

// Opening (click 3) rewrites any entry as this copy's; without administrator rights the machine-wide key
// refuses writes: the box still tells the truth, and there is never more than one entry. Only an exe in
// Program Files, which only administrators can replace, gets the machine-wide entry; any other copy gets
// this user's, and takes the machine's away where it can. A 32-bit build on 64-bit Windows throughout: it
// keeps the one entry the 64-bit build sees, not a Wow6432Node copy. Each click twice: the path is computed
// afresh, never appended to the last one.
// Task Manager's mark, each root's beside its entry: an entry it disabled shows cleared and is left alone;
// a tick enables it again, the rest of the mark kept; clearing leaves the mark; no mark is written where
// there was none.
TEST(Autostart, WhereTheOneEntryGoes) {
  using Entry = std::optional<Value>;
  const Entry here = sz(L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe"), k = sz(L"C:\\K.exe"), old = sz(L"C:\\A\\K.exe");
  const Entry dword{{platform::kRegDword, {1, 0, 0, 0}}}, longDword{{platform::kRegDword, std::vector<std::uint8_t>(18)}};
  const Entry off{{platform::kRegBinary, {3, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2}}}, on{{3, {2, 0, 0, 0, 9, 8, 7, 6, 5, 4, 3, 2}}};
  const Entry outside = sz(L"\"E:\\Mes outils\\Kalvero.exe\"");  // no 8.3 names there: quoted at its blank
  using M = test::FakeRegistry;
  const struct {
    decltype(M::machine) machine = M::Admin;
    Entry machineBefore = {}, userBefore = {};
    int click = 0, shown = 0;
    Entry machineAfter = {}, userAfter = {};
    Entry machineMark = {}, userMark = {}, machineMarkAfter = {}, userMarkAfter = {};
    bool nt = true;
    std::optional<std::wstring> folder = L"C:\\Program Files\\Kalvero";  // its short form is C:\PROGRA~1\Kalvero
  } cases[] = {
      {.machine = M::NoRights, .click = 1, .shown = 1, .userAfter = here},  // refused: this user's entry
      {.machine = M::NoRights, .machineBefore = old, .userBefore = k, .click = 1, .shown = 1, .machineAfter = old},
      {.userBefore = k, .click = 1, .shown = 1, .machineAfter = here},  // allowed: this user's entry goes
      {.machine = M::RefusesValues, .userBefore = k, .click = 1, .shown = 1, .userAfter = here},  // kept, not lost
      {.machine = M::NoRights, .machineBefore = k, .click = 0, .shown = 1, .machineAfter = k},  // refused: still shown
      {.machine = M::NoRights, .userBefore = k, .click = 0, .shown = 0},
      {.machineBefore = dword, .click = 3, .shown = 1, .machineAfter = here},  // even of another type
      {.machine = M::NoRights, .machineBefore = longDword, .click = 3, .shown = 1, .machineAfter = longDword},  // not doubled
      {.userBefore = k, .click = 1, .shown = 1, .machineAfter = here, .nt = false},  // the other family: RunServices
      // Elsewhere than in Program Files, administrator or not: this user's entry, never the machine's.
      {.click = 1, .shown = 1, .userAfter = outside, .folder = L"E:\\Mes outils"},
      {.click = 1, .shown = 1, .userAfter = sz(L"D:\\Kalvero.exe"), .folder = L"D:\\"},
      {.click = 1, .shown = 1, .userAfter = sz(L"\\Kalvero.exe"), .folder = std::nullopt},  // each step carries on
      {.machineBefore = k, .click = 3, .shown = 1, .userAfter = outside, .folder = L"E:\\Mes outils"},
      {.machine = M::NoRights, .machineBefore = k, .click = 3, .shown = 1, .machineAfter = k, .folder = L"E:\\Mes outils"},
      {.machineBefore = k, .userBefore = k, .click = 0, .shown = 0, .folder = L"E:\\Mes outils"},
      // Task Manager's marks.
      {.machineBefore = old, .click = 3, .shown = 0, .machineAfter = old, .machineMark = off, .machineMarkAfter = off},
      {.machineBefore = old, .click = 1, .shown = 1, .machineAfter = here, .machineMark = off, .machineMarkAfter = on},
      {.machine = M::NoRights, .userBefore = k, .click = 1, .shown = 1, .userAfter = here, .userMark = off, .userMarkAfter = on},
      {.machineBefore = k, .click = 2, .shown = 0, .machineMark = off, .machineMarkAfter = off},  // greyed: cleared
      {.machine = M::NoRights, .machineBefore = old, .click = 1, .shown = 0, .machineAfter = old, .machineMark = off,
       .machineMarkAfter = off},  // cannot be enabled: still shown cleared
      // Each root's entry goes by its own root's mark, whatever the other root's says.
      {.userBefore = k, .click = 3, .shown = 0, .userAfter = k, .machineMark = on, .userMark = off, .machineMarkAfter = on,
       .userMarkAfter = off},
      {.machineBefore = old, .click = 3, .shown = 0, .machineAfter = old, .machineMark = off, .userMark = on,
       .machineMarkAfter = off, .userMarkAfter = on},
      // Moved to the machine's root, where a stale mark said disabled: enabled there, as the box says.
      {.userBefore = k, .click = 3, .shown = 1, .machineAfter = here, .machineMark = off, .userMark = on,
       .machineMarkAfter = on, .userMarkAfter = on},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    test::FakeRegistry reg;
    test::Fakes system;
    Autostart autostart{reg, system};
    std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run" + std::wstring(c.nt ? L"" : L"Services");
    auto& node = reg.keys[L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"];
    auto &machine = reg.keys[L"HKLM\\" + run], &user = reg.keys[L"HKCU\\" + run];
    if (c.machineBefore) machine[L"Kalvero"] = *c.machineBefore;
    if (c.userBefore) user[L"Kalvero"] = *c.userBefore;
    const std::wstring approved = L"\\" + std::wstring(kApprovedKey);
    auto &machineMarks = reg.keys[L"HKLM" + approved], &userMarks = reg.keys[L"HKCU" + approved];
    if (c.machineMark) machineMarks[L"Kalvero"] = *c.machineMark;
    if (c.userMark) userMarks[L"Kalvero"] = *c.userMark;
    reg.machine = c.machine, reg.wow64 = true, system.nt = c.nt, system.folder = c.folder;
    for (int again = 0; again < 2; ++again)
      EXPECT_EQ(c.click == 3 ? autostart.OnLoad() : autostart.OnClick(c.click), c.shown);
    const auto entry = [](auto& values) { return values.contains(L"Kalvero") ? Entry(values[L"Kalvero"]) : Entry(); };
    EXPECT_EQ(entry(machine), c.machineAfter);
    EXPECT_EQ(entry(user), c.userAfter);
    EXPECT_EQ(entry(machineMarks), c.machineMarkAfter);
    EXPECT_EQ(entry(userMarks), c.userMarkAfter);
    EXPECT_TRUE(node.empty() && reg.open.empty());
    reg.keys.clear();  // the Run key is opened, never created
    EXPECT_TRUE(autostart.OnClick(1) == 0 && reg.keys.empty());
  }
}

// The system information tool: the path named, or the folder named if the tool is there, or the native system
// folder; else a box. A start and then the box: that start failed. A 32-bit build on 64-bit Windows throughout:
// the 64-bit registry names the 64-bit tool.
TEST(SysInfo, WhereTheToolIsFound) {
  const std::string notFound = "box [Information Systeme introuvable !] [Kalvero] 0";
  const auto start = [](const std::string& p) { return "start [" + p + "] [\"" + p + "\"] 1"; };
  const std::wstring system = L"C:\\Windows\\system32\\msinfo32.exe";
  const std::tuple<std::optional<Value>, const wchar_t*, std::wstring, test::Calls> cases[] = {
      {sz(L"C:\\P F\\m.exe"), L"C:\\X", L"", {start("C:\\P F\\m.exe")}},  // unchecked
      {sz(L"C:\\m.exe"), nullptr, L"", {start("C:\\m.exe"), notFound}},
      {{}, L"C:\\O", L"C:\\O\\MSINFO32.EXE", {start("C:\\O\\MSINFO32.EXE")}},
      {{}, L"C:\\O", system, {notFound}},
      {{}, nullptr, system, {start("C:\\Windows\\system32\\msinfo32.exe")}},
      {Value{platform::kRegSz, {}}, L"C:\\O", L"C:\\O\\MSINFO32.EXE", {notFound}},  // no data at all
  };
  for (const auto& [path, location, file, expected] : cases) {
    test::FakeRegistry reg;
    test::Fakes rig;
    const std::wstring tools = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools";
    if (path) reg.keys[tools + L"\\MSINFO"][L"PATH"] = *path;
    if (location) reg.keys[tools + L" Location"][L"MSINFO"] = sz(location);
    reg.wow64 = true, rig.file = file, rig.failOn = expected.size() > 1 ? expected[0] : "";
    about::SysInfoLauncher{reg, rig, rig, rig}.StartSysInfo();
    EXPECT_EQ(rig.calls, expected);
    EXPECT_TRUE(reg.open.empty()) << "a key was left open";
  }
}

// "Appliquer et fermer" where this user's settings key refuses writes (a policy, or rights taken away): what was
// stored stays, the strip's topmost state follows what the store holds rather than the boxes, and the boxes show
// that when the window opens again. Boxes: always visible, start in the tray, remember the position.
TEST(SettingsWindow, WhatARefusedApplyLeaves) {
  struct Strip : IAlwaysOnTop {
    double flag = -1;
    void SetAlwaysVisibleFlag(double f) override { flag = f; }
    void ApplyAlwaysOnTop() override {}
  };
  using M = test::FakeRegistry;
  const struct {
    M::Rights user;
    std::map<std::wstring, const wchar_t*> stored;
    OptionBoxes asked, shown;
    double flag;
  } rows[] = {
      {M::Admin, {}, {1, 2, 0}, {1, 2, 0}, 1},  // written, the key made
      {M::RefusesValues, {{L"FenVisible", L"0"}, {L"DerPosition", L"1"}}, {1, 0, 0}, {0, 0, 1}, 0},
      {M::NoRights, {{L"FenVisible", L"2"}, {L"AutoReduit", L"1"}}, {0, 0, 1}, {2, 1, 0}, 2},
      {M::NoRights, {}, {1, 1, 1}, {0, 0, 0}, 0},  // no key, none made
  };
  for (const auto& row : rows) {
    test::FakeRegistry reg;
    const std::wstring key = L"HKCU\\" + RegistrySettingsStore::KeyPath(kAppName, kSection);
    for (const auto& [name, text] : row.stored) reg.keys[key][name] = sz(text);
    const auto before = reg.keys;
    reg.user = row.user;
    RegistrySettingsStore store{reg};
    Strip strip;
    SettingsWindowLogic logic{store, strip};
    logic.Apply(row.asked);
    EXPECT_EQ(strip.flag, row.flag);
    EXPECT_TRUE(logic.Load() == row.shown);
    EXPECT_TRUE((row.user == M::Admin || reg.keys == before) && reg.open.empty());
  }
}

}  // namespace
}  // namespace kalvero::settings
