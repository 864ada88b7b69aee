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
  test::RunRegistryHelperCases(fake, [&] { return fake.open.size(); }, platform::RegRoot::CurrentUser,
                               L"Software\\KalveroTest");
}

TEST(SettingsStore, OnlyTextsCountAndRefusedWritesSaySo) {
  test::FakeRegistry reg;
  RegistrySettingsStore store{reg};
  auto& values = reg.keys[L"HKCU\\Software\\VB and VBA Program Settings\\Kalvero\\Settings"];
  auto get = [&](const wchar_t* key) { return N(store.GetSetting(L"Kalvero", L"Settings", key, L"10")); };
  EXPECT_TRUE(store.SaveSetting(L"Kalvero", L"Settings", L"Haut", L"-150"));
  EXPECT_EQ(get(L"Haut"), "-150");
  values[L"Haut"] = {platform::kRegDword, {1, 0, 0, 0}};
  values[L"Gauche"] = {platform::kRegSz, {'9', 0, '6', 0, '0', 0}};  // without its NUL
  EXPECT_EQ(get(L"Haut") + get(L"Gauche") + get(L"Other"), "1096010");
  reg.refuseWrites = platform::kRegAccessDenied;
  EXPECT_FALSE(store.SaveSetting(L"Kalvero", L"Settings", L"Haut", L"1"));
  EXPECT_TRUE(reg.open.empty());
}

// Boxes load in the order FenVisible, DerPosition, AutoReduit by the box rule; Apply writes them in that
// order, reads FenVisible back and applies what the store holds.
TEST(SettingsWindowLogic, LoadAndApply) {
  struct Main : test::Fakes, IAlwaysOnTop {
    double flag = 0;
    void SetAlwaysVisibleFlag(double f) override { flag = f; }
    void ApplyAlwaysOnTop() override { j.Add(flag == 1 ? "topmost on" : "topmost off"); }
  } main;
  SettingsWindowLogic logic{main, main};
  main.values = {{L"FenVisible", L"0.6"}, {L"DerPosition", L"2"}, {L"AutoReduit", L"7"}};
  EXPECT_EQ(logic.Load(), (OptionBoxes{1, 0, 2}));
  logic.Apply({1, 0, 2});
  main.j.failOn = "save FenVisible=0";  // refused: the "1" stored stays, and counts
  logic.Apply({0, 1, 1});
  EXPECT_EQ(main.j.calls, (Calls{"get FenVisible", "get DerPosition", "get AutoReduit", "save FenVisible=1",
                                 "save DerPosition=2", "save AutoReduit=0", "get FenVisible", "topmost on",
                                 "save FenVisible=0", "save DerPosition=1", "save AutoReduit=1", "get FenVisible",
                                 "topmost on"}));
}

class AutostartTest : public ::testing::Test {
 protected:
  const std::wstring hklm = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring hkcu = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring here = L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe";
  void SetUp() override { reg.keys[hklm], reg.keys[hkcu], reg.keys[hklm + L"Services"]; }
  std::optional<std::wstring> Entry(const std::wstring& key) {
    if (!reg.keys[key].contains(L"Kalvero")) return std::nullopt;
    const auto& v = reg.keys[key][L"Kalvero"];
    return (v.type == platform::kRegSz ? L"" : L"not a text: ") + core::DecodeRegSz(v.data.data(), v.data.size());
  }
  void Put(const std::wstring& key, const std::optional<std::wstring>& text) {
    if (text) reg.keys[key][L"Kalvero"] = {platform::kRegSz, core::EncodeRegSz(*text)};
    else reg.keys[key].erase(L"Kalvero");
  }
  test::FakeRegistry reg;
  test::Fakes system;
  Autostart autostart{reg, system};
};

TEST_F(AutostartTest, ExecutablePathForms) {
  const struct {
    std::optional<std::wstring> folder, root;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\Program Files\\Kalvero", L"Kalvero", L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe"},  // the short form
      {L"D:\\", L"Kalvero", L"D:\\Kalvero.exe"},
      {L"C:\\Outils", L"STOP", L"C:\\Outils\\STOP.exe"},
      // No 8.3 names on that volume: quoted, so the shell cannot stop at the blank.
      {L"E:\\Mes outils", L"Kalvero", L"\"E:\\Mes outils\\Kalvero.exe\""},
      {std::nullopt, L"Kalvero", L"\\Kalvero.exe"},  // each step carries on
      {L"C:\\Outils", std::nullopt, L"C:\\Outils\\"},
  };
  for (const auto& c : cases) {
    system.folder = c.folder;
    system.rootName = c.root;
    for (int again = 0; again < 2; ++again) {  // the same path every time, never the last one appended to
      autostart.ComputeExecutablePath();
      EXPECT_EQ(autostart.ExecutablePath(), c.expected);
    }
  }
}

TEST_F(AutostartTest, OpeningRewritesAnEntryOfAnotherTypeOrPlaceAndFamily) {
  for (const std::size_t bytes : {4u, 18u}) {  // 18: too long for its type, an entry all the same
    reg.keys[hklm][L"Kalvero"] = {platform::kRegDword, std::vector<std::uint8_t>(bytes, 1)};
    reg.denyMachineWrites = bytes == 18;  // and then not to be doubled by this user's own
    EXPECT_EQ(autostart.OnLoad(), 1);
    EXPECT_EQ(Entry(hklm) == here, bytes == 4) << bytes;  // rewritten where allowed, else left as it is
    EXPECT_EQ(Entry(hkcu), std::nullopt);
  }
  reg.denyMachineWrites = false;
  Put(hklm, L"C:\\Ancien\\Kalvero.exe");
  EXPECT_EQ(autostart.OnLoad(), 1);
  EXPECT_EQ(Entry(hklm), here);
  system.nt = false;  // the other family keeps its entry under RunServices
  EXPECT_EQ(autostart.OnLoad(), 0);
  EXPECT_EQ(autostart.OnClick(1), 1);
  EXPECT_EQ(Entry(hklm + L"Services"), here);
  EXPECT_EQ(autostart.OnClick(0), 0);
  EXPECT_EQ(Entry(hklm + L"Services"), std::nullopt);
  EXPECT_EQ(Entry(hklm), here) << "the NT entry is neither shown nor changed";
  reg.keys.clear();  // the key is opened, never created
  EXPECT_EQ(autostart.OnClick(1), 0);
  EXPECT_TRUE(reg.keys.empty() && reg.open.empty());
}

// Without administrator rights the machine-wide key refuses writes: the box still tells the truth, and
// there is never more than one entry.
TEST_F(AutostartTest, RightsDecideWhereTheOneEntryGoes) {
  const std::wstring k = L"C:\\K.exe";
  using Entry_ = std::optional<std::wstring>;
  const struct {
    bool deny;
    Entry_ machineBefore, userBefore;
    int click, shown;
    Entry_ machineAfter, userAfter;
    bool refusedAfterOpen = false;  // the key opens for writing, the write itself is refused
  } cases[] = {
      {true, {}, {}, 1, 1, {}, here},                        // refused: this user's entry
      {true, L"C:\\A\\K.exe", k, 1, 1, L"C:\\A\\K.exe", {}},  // refused, the machine's entry kept
      {false, {}, k, 1, 1, here, {}},                         // allowed: this user's entry goes
      {true, k, {}, 0, 1, k, {}},                              // cleared, refused: still shown
      {true, {}, k, 0, 0, {}, {}},
      {false, k, k, 0, 0, {}, {}},
      {false, k, {}, 2, 0, {}, {}},  // greyed counts as cleared
      {false, {}, {}, 0, 0, {}, {}},
      {false, {}, k, 1, 1, {}, here, true},  // this user's entry kept, not lost
  };
  for (const auto& c : cases) {
    Put(hklm, c.machineBefore);
    Put(hkcu, c.userBefore);
    reg.denyMachineWrites = c.deny;
    reg.refuseMachineValues = c.refusedAfterOpen;
    EXPECT_EQ(autostart.OnClick(c.click), c.shown);
    EXPECT_EQ(Entry(hklm), c.machineAfter);
    EXPECT_EQ(Entry(hkcu), c.userAfter);
    EXPECT_TRUE(reg.open.empty());
  }
}

// A 32-bit build on 64-bit Windows keeps the one entry the 64-bit build sees, not a Wow6432Node copy.
TEST_F(AutostartTest, The32BitBuildUsesThe64BitRegistry) {
  reg.wow64 = true;
  const std::wstring node = L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  reg.keys[node];
  Put(hklm, L"C:\\x64\\Kalvero.exe");
  EXPECT_EQ(autostart.OnLoad(), 1);
  EXPECT_EQ(Entry(hklm), here);
  EXPECT_EQ(autostart.OnClick(0), 0);
  EXPECT_EQ(Entry(hklm), std::nullopt);
  EXPECT_EQ(autostart.OnClick(1), 1);
  EXPECT_EQ(Entry(hklm), here);
  EXPECT_TRUE(reg.keys[node].empty());
}

}  // namespace
}  // namespace kalvero::settings
