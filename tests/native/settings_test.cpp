#include <gtest/gtest.h>

#include "core/utf16le.h"
#include "fakes.h"
#include "settings/autostart.h"
#include "settings/registry_settings_store.h"
#include "settings/settings_window_logic.h"
#include "tests/shared/registry_cases.h"

namespace kalvero::settings {
namespace {

using test::Calls;
using test::N;

TEST(RegistryHelpers, CaseTableAgainstTheFakeRegistry) {
  test::FakeRegistry fake;
  test::RunRegistryHelperCases(fake, platform::RegRoot::CurrentUser, L"Software\\KalveroTest");
}

TEST(SettingsStore, DefaultsTextsAndRefusedWrites) {
  test::FakeRegistry reg;
  RegistrySettingsStore store{reg};
  const std::wstring path = L"HKCU\\Software\\VB and VBA Program Settings\\Kalvero\\Settings";
  auto get = [&](const wchar_t* key) { return N(store.GetSetting(L"Kalvero", L"Settings", key, L"10")); };
  EXPECT_EQ(get(L"Haut"), "10");
  EXPECT_TRUE(store.SaveSetting(L"Kalvero", L"Settings", L"Haut", L"-150"));
  EXPECT_EQ(reg.keys[path][L"Haut"].type, platform::kRegSz);
  EXPECT_EQ(get(L"Haut"), "-150");
  reg.keys[path][L"Haut"] = {platform::kRegDword, {1, 0, 0, 0}};  // only a text counts
  EXPECT_EQ(get(L"Haut"), "10");
  reg.keys[path][L"Gauche"] = {platform::kRegSz, {'9', 0, '6', 0, '0', 0}};  // without its NUL
  EXPECT_EQ(get(L"Gauche"), "960");
  reg.keys.clear();
  reg.refuseWrites = platform::kRegAccessDenied;
  EXPECT_FALSE(store.SaveSetting(L"Kalvero", L"Settings", L"Haut", L"1"));
  EXPECT_TRUE(reg.keys.empty());
  EXPECT_TRUE(reg.open.empty());
}

struct FakeMain final : IAlwaysOnTop {
  explicit FakeMain(test::Journal& journal) : j(journal) {}
  test::Journal& j;
  double flag = 0;
  void SetAlwaysVisibleFlag(double f) override { flag = f; }
  void ApplyAlwaysOnTop() override { j.Add(flag == 1 ? "topmost on" : "topmost off"); }
};

// Boxes load in the order FenVisible, DerPosition, AutoReduit by the box rule;
// Apply writes them in that order, reads FenVisible back and applies it.
TEST(SettingsWindowLogic, LoadAndApply) {
  test::Journal j;
  test::FakeStore store{j};
  FakeMain main{j};
  SettingsWindowLogic logic{store, main};
  store.values = {{L"FenVisible", L"0.6"}, {L"DerPosition", L"2"}, {L"AutoReduit", L"7"}};
  const OptionBoxes boxes = logic.Load();
  EXPECT_EQ(boxes, (OptionBoxes{1, 0, 2}));
  EXPECT_EQ(j.calls, (Calls{"get FenVisible", "get DerPosition", "get AutoReduit"}));
  j.calls.clear();
  logic.Apply(boxes);
  EXPECT_EQ(j.calls, (Calls{"save FenVisible=1", "save DerPosition=2", "save AutoReduit=0",
                            "get FenVisible", "topmost on"}));
  j.calls.clear();
  j.failOn = "save FenVisible=0";  // a refused write: what the store holds counts
  logic.Apply({0, 1, 1});
  EXPECT_EQ(j.calls.back(), "topmost on");
}

class AutostartTest : public ::testing::Test {
 protected:
  const std::wstring hklm = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring hkcu = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring services = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
  const std::wstring here = L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe";
  void SetUp() override { reg.keys[hklm], reg.keys[hkcu], reg.keys[services]; }
  std::optional<std::wstring> Entry(const std::wstring& key) {
    const auto it = reg.keys[key].find(L"Kalvero");
    if (it == reg.keys[key].end()) return std::nullopt;
    EXPECT_EQ(it->second.type, platform::kRegSz);
    return core::DecodeRegSz(it->second.data.data(), it->second.data.size());
  }
  void Put(const std::wstring& key, const std::optional<std::wstring>& text) {
    if (text) reg.keys[key][L"Kalvero"] = {platform::kRegSz, core::EncodeRegSz(*text)};
    else reg.keys[key].erase(L"Kalvero");
  }
  test::FakeRegistry reg;
  test::FakeSystem system;
  Autostart autostart{reg, system};
};

TEST_F(AutostartTest, ExecutablePathForms) {
  const struct {
    std::optional<std::wstring> folder, root;
    bool shortForm;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\Program Files\\Kalvero", L"Kalvero", true, L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe"},
      {L"D:\\", L"Kalvero", false, L"D:\\Kalvero.exe"},
      {L"C:\\Outils", L"STOP", false, L"C:\\Outils\\STOP.exe"},
      // No 8.3 names on that volume: quoted, so the shell cannot stop at the blank.
      {L"E:\\Mes outils", L"Kalvero", false, L"\"E:\\Mes outils\\Kalvero.exe\""},
      {std::nullopt, L"Kalvero", false, L"\\Kalvero.exe"},  // each step carries on
      {L"C:\\Outils", std::nullopt, false, L"C:\\Outils\\"},
  };
  for (const auto& c : cases) {
    system.folder = c.folder;
    system.rootName = c.root;
    if (!c.shortForm) system.shortForms.clear();
    Autostart fresh{reg, system};
    fresh.ComputeExecutablePath();
    EXPECT_EQ(fresh.ExecutablePath(), c.expected);
  }
}

TEST_F(AutostartTest, OpeningRewritesAnEntryOfAnotherTypeOrPlaceAndFamily) {
  reg.keys[hklm][L"Kalvero"] = {platform::kRegDword, {1, 0, 0, 0}};
  EXPECT_EQ(autostart.OnLoad(), 1);
  EXPECT_EQ(Entry(hklm), here);
  Put(hklm, L"C:\\Ancien\\Kalvero.exe");
  EXPECT_EQ(autostart.OnLoad(), 1);
  EXPECT_EQ(Entry(hklm), here);
  system.nt = false;  // the other family keeps its entry under RunServices
  EXPECT_EQ(autostart.OnLoad(), 0);
  EXPECT_EQ(autostart.OnClick(1), 1);
  EXPECT_EQ(Entry(services), here);
  EXPECT_EQ(autostart.OnClick(0), 0);
  EXPECT_EQ(Entry(services), std::nullopt);
  EXPECT_EQ(Entry(hklm), here) << "the NT entry is neither shown nor changed";
  reg.keys.clear();  // the key is opened, never created
  EXPECT_EQ(autostart.OnClick(1), 0);
  EXPECT_TRUE(reg.keys.empty());
  EXPECT_TRUE(reg.open.empty());
}

// Without administrator rights the machine-wide key refuses writes: the box
// still tells the truth, and there is never more than one entry.
TEST_F(AutostartTest, RightsDecideWhereTheOneEntryGoes) {
  const std::wstring k = L"C:\\K.exe";
  const struct {
    const char* what;
    bool deny;
    std::optional<std::wstring> machineBefore, userBefore;
    int click, shown;
    std::optional<std::wstring> machineAfter, userAfter;
  } cases[] = {
      {"tick, refused: per-user entry", true, {}, {}, 1, 1, {}, here},
      {"tick, refused, machine entry kept", true, L"C:\\Autre\\K.exe", k, 1, 1, L"C:\\Autre\\K.exe", {}},
      {"tick, allowed: the per-user entry goes", false, {}, k, 1, 1, here, {}},
      {"clear, refused: the machine entry stays, shown", true, k, {}, 0, 1, k, {}},
      {"clear, refused: the per-user entry goes", true, {}, k, 0, 0, {}, {}},
      {"clear, allowed: both go", false, k, k, 0, 0, {}, {}},
      {"greyed counts as cleared", false, k, {}, 2, 0, {}, {}},
      {"clear with no entry", false, {}, {}, 0, 0, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Put(hklm, c.machineBefore);
    Put(hkcu, c.userBefore);
    reg.denyMachineWrites = c.deny;
    EXPECT_EQ(autostart.OnClick(c.click), c.shown);
    EXPECT_EQ(Entry(hklm), c.machineAfter);
    EXPECT_EQ(Entry(hkcu), c.userAfter);
    EXPECT_TRUE(reg.open.empty());
  }
}

}  // namespace
}  // namespace kalvero::settings
