#include <gtest/gtest.h>

#include <algorithm>

#include "about/about_logic.h"
#include "about/sysinfo.h"
#include "fakes.h"
#include "settings/registry_text.h"

namespace kalvero::about {
namespace {

using Calls = std::vector<std::string>;
using platform::kRegSz;

TEST(AboutTexts, CaptionVersionAndDetails) {
  EXPECT_EQ(AboutCaption(), L"Kalvero - A propos ");
  EXPECT_EQ(VersionLabel(), L"Version 1.0.0");
  EXPECT_EQ(VersionLabel(2, 10, 3), L"Version 2.10.3");

  const Maker maker{L"https://www.example.org/kalvero", L"a@example.org", L"credit", L"auteur"};
  const std::wstring text = DetailsText(maker);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 12);
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  EXPECT_NE(text.back(), L'\r');
  std::vector<std::wstring> lines(1);
  for (wchar_t c : text) {
    if (c == L'\r') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  ASSERT_EQ(lines.size(), 13u);
  for (int empty : {2, 6, 8, 11}) EXPECT_TRUE(lines[empty - 1].empty()) << empty;
  EXPECT_EQ(lines[0], L"Kalvero version 1.0.0 - Arrêt-Redémarrage Windows");
  EXPECT_EQ(lines[3], L"E-Mail : a@example.org");
  EXPECT_EQ(lines[4], L"Url : https://www.example.org/kalvero");
  EXPECT_EQ(lines[12], L"les mises à jours.");
}

TEST(AboutLinks, TargetsParametersAndFolders) {
  const Maker maker{L"https://www.example.org/kalvero/index.htm", L"a@example.org", L"", L""};
  const std::wstring folder = L"C:\\Outils";
  EXPECT_EQ(LinkRequest(Link::Donation, maker, folder),
            (ShellRequest{L"https://www.example.org/Don/Don.htm", L"", folder}));
  EXPECT_EQ(LinkRequest(Link::WebSite, maker, folder),
            (ShellRequest{maker.website, L"", folder}));
  EXPECT_EQ(LinkRequest(Link::Email, maker, folder),
            (ShellRequest{L"mailto:a@example.org", std::nullopt, std::nullopt}));
  EXPECT_EQ(DonationUrl(L"http://example.org"), L"http://example.org/Don/Don.htm");
}

const std::wstring kPathKey = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::wstring kLocationKey = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location";

class SysInfoTest : public ::testing::Test {
 protected:
  SysInfoTest() { launcher.allowStarts = true; }
  test::Journal journal;
  test::FakeRegistry reg;
  test::FakeLauncher launcher{journal};
  test::FakeSystem system;
  test::FakeMessageBox box{journal};
  SysInfoLauncher sysinfo{reg, launcher, system, box};

  void Put(const std::wstring& key, const wchar_t* name, std::uint32_t type,
           std::vector<std::uint8_t> data) {
    reg.keys[key][name] = {type, std::move(data)};
  }
};

TEST_F(SysInfoTest, DecisionTable) {
  const std::string notFound = "box [Information Systeme introuvable !] [Kalvero] 0";
  const auto sz = [](const std::wstring& s) { return settings::EncodeRegSz(s); };
  const struct {
    const char* what;
    std::optional<std::vector<std::uint8_t>> path, location;
    std::uint32_t pathType;
    std::vector<std::wstring> files;
    bool startWorks;
    Calls expected;
  } cases[] = {
      {"PATH present: started as it is, unchecked", sz(L"C:\\Program Files\\MSI\\msinfo32.exe"),
       sz(L"C:\\Ailleurs"), kRegSz, {}, true,
       {"start [C:\\Program Files\\MSI\\msinfo32.exe] [\"C:\\Program Files\\MSI\\msinfo32.exe\"] 1"}},
      {"PATH names nothing that starts", sz(L"C:\\Nulle\\part.exe"), {}, kRegSz, {}, false,
       {"start [C:\\Nulle\\part.exe] [\"C:\\Nulle\\part.exe\"] 1", notFound}},
      {"MSINFO folder with the file", {}, sz(L"C:\\Outils"), kRegSz,
       {L"C:\\Outils\\MSINFO32.EXE"}, true,
       {"start [C:\\Outils\\MSINFO32.EXE] [\"C:\\Outils\\MSINFO32.EXE\"] 1"}},
      {"MSINFO folder without the file", {}, sz(L"C:\\Outils"), kRegSz,
       {L"C:\\Windows\\system32\\msinfo32.exe"}, true, {notFound}},
      {"trailing backslash kept doubled", {}, sz(L"C:\\Outils\\"), kRegSz,
       {L"C:\\Outils\\\\MSINFO32.EXE"}, true,
       {"start [C:\\Outils\\\\MSINFO32.EXE] [\"C:\\Outils\\\\MSINFO32.EXE\"] 1"}},
      {"both missing: the system folder's tool", {}, {}, kRegSz,
       {L"C:\\Windows\\system32\\msinfo32.exe"}, true,
       {"start [C:\\Windows\\system32\\msinfo32.exe] [\"C:\\Windows\\system32\\msinfo32.exe\"] 1"}},
      {"both missing, no tool anywhere", {}, {}, kRegSz, {}, true, {notFound}},
      {"PATH of another type: found but empty", std::vector<std::uint8_t>{1, 2, 3, 4}, {},
       platform::kRegBinary, {}, true, {"start [] [\"\"] 1", notFound}},
      {"PATH with no data at all", std::vector<std::uint8_t>{}, sz(L"C:\\Outils"), kRegSz,
       {L"C:\\Outils\\MSINFO32.EXE"}, true, {notFound}},
      {"PATH longer than 1024 bytes counts as missing", sz(std::wstring(600, L'x')), {}, kRegSz,
       {}, true, {notFound}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    reg.keys.clear();
    if (c.path) Put(kPathKey, L"PATH", c.pathType, *c.path);
    if (c.location) Put(kLocationKey, L"MSINFO", kRegSz, *c.location);
    system.files = {c.files.begin(), c.files.end()};
    launcher.startSucceeds = c.startWorks;
    journal.calls.clear();
    sysinfo.StartSysInfo();
    EXPECT_EQ(journal.calls, c.expected);
    EXPECT_TRUE(reg.open.empty()) << "a key was left open";
  }
}

TEST_F(SysInfoTest, GetKeyValueTrimsOneTrailingNulAndReadsDwordsAsDecimal) {
  const auto u16 = [](std::initializer_list<int> units) {
    std::vector<std::uint8_t> b;
    for (int u : units) b.push_back(static_cast<std::uint8_t>(u)), b.push_back(0);
    return b;
  };
  const struct {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    bool found;
    std::wstring value;
  } cases[] = {
      {"with its NUL", kRegSz, u16({'a', 'b', 0}), true, L"ab"},
      {"without its NUL", kRegSz, u16({'a', 'b'}), true, L"ab"},
      {"two NULs keep one", kRegSz, u16({'a', 0, 0}), true, std::wstring(L"a\0", 2)},
      {"exactly 1024 bytes", kRegSz, std::vector<std::uint8_t>(1024, 'x'), true,
       std::wstring(512, static_cast<wchar_t>(0x7878))},
      {"1026 bytes", kRegSz, std::vector<std::uint8_t>(1026, 'x'), false, L""},
      {"DWORD 171", platform::kRegDword, {171, 0, 0, 0}, true, L"171"},
      {"DWORD all ones", platform::kRegDword, {255, 255, 255, 255}, true, L"4294967295"},
      {"binary: slot untouched", platform::kRegBinary, {1, 2}, true, L"before"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    reg.keys.clear();
    Put(kPathKey, L"PATH", c.type, c.data);
    std::wstring value = L"before";
    EXPECT_EQ(sysinfo.GetKeyValue(platform::RegRoot::LocalMachine,
                                  L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH", value),
              c.found);
    EXPECT_EQ(value, c.value);
    EXPECT_TRUE(reg.open.empty());
  }
  std::wstring value = L"before";
  EXPECT_FALSE(sysinfo.GetKeyValue(platform::RegRoot::LocalMachine, L"SOFTWARE\\Nothing", L"PATH",
                                   value));
  EXPECT_EQ(value, L"");
}

}  // namespace
}  // namespace kalvero::about
