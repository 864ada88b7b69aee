#include <gtest/gtest.h>

#include "fakes.h"
#include "settings/autostart.h"
#include "settings/registry_text.h"

namespace kalvero::settings {
namespace {

using platform::RegRoot;
using test::FakeRegistry;

const std::wstring kHklmRun = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kHkcuRun = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kHklmRunServices =
    L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.keys[kHklmRun];
    reg.keys[kHkcuRun];
    reg.keys[kHklmRunServices];
  }
  std::optional<std::wstring> Entry(const std::wstring& key) {
    const auto& values = reg.keys[key];
    const auto it = values.find(L"Kalvero");
    if (it == values.end()) return std::nullopt;
    EXPECT_EQ(it->second.type, platform::kRegSz);
    return DecodeRegSz(it->second.data.data(), it->second.data.size());
  }
  void Put(const std::wstring& key, const std::wstring& text) {
    reg.keys[key][L"Kalvero"] = {platform::kRegSz, EncodeRegSz(text)};
  }
  FakeRegistry reg;
  test::FakeSystem system;
  Autostart autostart{reg, system};
};

TEST_F(AutostartTest, ExecutablePathForms) {
  const struct {
    const wchar_t *folder, *root;
    bool hasShortForm;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\Program Files\\Kalvero", L"Kalvero", true, L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe"},
      {L"D:\\", L"Kalvero", false, L"D:\\Kalvero.exe"},
      {L"C:\\Outils", L"STOP", false, L"C:\\Outils\\STOP.exe"},
      // No 8.3 names on that volume: quoted, so the shell cannot stop at the blank.
      {L"E:\\Mes outils", L"Kalvero", false, L"\"E:\\Mes outils\\Kalvero.exe\""},
      {L"E:\\Outils", L"Mon Kalvero", false, L"\"E:\\Outils\\Mon Kalvero.exe\""},
  };
  for (const auto& c : cases) {
    system.folder = c.folder;
    system.rootName = c.root;
    if (!c.hasShortForm) system.shortForms.clear();
    autostart.ComputeExecutablePath();
    EXPECT_EQ(autostart.ExecutablePath(), c.expected) << test::N(c.folder);
  }
}

TEST_F(AutostartTest, EachFamilyUsesItsOwnKey) {
  for (bool nt : {true, false}) {
    system.nt = nt;
    EXPECT_EQ(autostart.OnClick(1), 1);
    const std::wstring& used = nt ? kHklmRun : kHklmRunServices;
    const std::wstring& other = nt ? kHklmRunServices : kHklmRun;
    EXPECT_EQ(Entry(used), L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe") << nt;
    EXPECT_EQ(Entry(other), std::nullopt) << nt;
    EXPECT_EQ(autostart.OnClick(0), 0);
    EXPECT_EQ(Entry(used), std::nullopt) << nt;
  }
}

TEST_F(AutostartTest, OpeningRewritesAnEntryOfAnotherTypeOrPlace) {
  reg.keys[kHklmRun][L"Kalvero"] = {platform::kRegDword, {1, 0, 0, 0}};
  EXPECT_EQ(autostart.OnLoad(), 1);
  EXPECT_EQ(Entry(kHklmRun), L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe");

  Put(kHklmRun, L"C:\\Ancien\\Kalvero.exe");
  EXPECT_EQ(autostart.OnLoad(), 1);
  EXPECT_EQ(Entry(kHklmRun), L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe");
}

TEST_F(AutostartTest, NoEntryNoChange) {
  const auto before = reg.keys;
  EXPECT_EQ(autostart.OnLoad(), 0);
  EXPECT_EQ(autostart.OnClick(0), 0);
  EXPECT_EQ(reg.keys.size(), before.size());
  EXPECT_TRUE(reg.keys[kHklmRun].empty());
  EXPECT_TRUE(reg.keys[kHkcuRun].empty());
  EXPECT_TRUE(reg.open.empty());
}

// Without administrator rights the machine-wide key refuses writes: the box
// must still tell the truth, and there is never more than one entry.
TEST_F(AutostartTest, WithoutRightsThisUsersEntryDoesTheJob) {
  const struct {
    const char* what;
    bool deny;
    std::optional<std::wstring> machineBefore, userBefore;
    int click, shown;
    std::optional<std::wstring> machineAfter, userAfter;
  } cases[] = {
      {"tick, refused: per-user entry", true, {}, {}, 1, 1, {}, L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe"},
      {"tick, refused, machine entry kept", true, L"C:\\Autre\\K.exe", L"C:\\K.exe", 1, 1,
       L"C:\\Autre\\K.exe", {}},
      {"tick, allowed: the per-user entry goes", false, {}, L"C:\\K.exe", 1, 1,
       L"C:\\PROGRA~1\\Kalvero\\Kalvero.exe", {}},
      {"clear, refused: the machine entry stays, shown", true, L"C:\\K.exe", {}, 0, 1,
       L"C:\\K.exe", {}},
      {"clear, refused: the per-user entry goes", true, {}, L"C:\\K.exe", 0, 0, {}, {}},
      {"clear, allowed: both go", false, L"C:\\K.exe", L"C:\\K.exe", 0, 0, {}, {}},
      {"greyed counts as cleared", false, L"C:\\K.exe", {}, 2, 0, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    reg.keys[kHklmRun].clear();
    reg.keys[kHkcuRun].clear();
    if (c.machineBefore) Put(kHklmRun, *c.machineBefore);
    if (c.userBefore) Put(kHkcuRun, *c.userBefore);
    reg.denyMachineWrites = c.deny;
    EXPECT_EQ(autostart.OnClick(c.click), c.shown);
    EXPECT_EQ(Entry(kHklmRun), c.machineAfter);
    EXPECT_EQ(Entry(kHkcuRun), c.userAfter);
    EXPECT_EQ(autostart.IsRegistered(), c.shown == 1);
  }
}

TEST_F(AutostartTest, MissingRunKeyShowsTheTruth) {
  reg.keys.clear();  // the key is opened, never created
  EXPECT_EQ(autostart.OnClick(1), 0);
  EXPECT_TRUE(reg.keys.empty());
}

}  // namespace
}  // namespace kalvero::settings
