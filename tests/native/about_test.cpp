#include <gtest/gtest.h>

#include <algorithm>

#include "about/about_texts.h"
#include "about/sysinfo_launcher.h"
#include "core/utf16le.h"
#include "fakes.h"

namespace kalvero::about {
namespace {

using test::Calls;
using platform::kRegSz;

TEST(AboutTexts, VersionDetailsAndLinks) {
  EXPECT_EQ(VersionLabel(2, 10, 3), L"Version 2.10.3");
  const Maker maker{L"https://www.example.org/kalvero/index.htm", L"a@example.org", L"", L"auteur"};
  const std::wstring text = DetailsText(maker);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 12);
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  EXPECT_NE(text.find(L"\r\rauteur\rE-Mail : a@example.org\rUrl : "
                      L"https://www.example.org/kalvero/index.htm\r\rLogiciel FREEWARE\r\r"),
            std::wstring::npos);
  const std::wstring folder = L"C:\\Outils";
  EXPECT_EQ(LinkRequest(Link::Donation, maker, folder),
            (ShellRequest{L"https://www.example.org/Don/Don.htm", L"", folder}));
  EXPECT_EQ(LinkRequest(Link::WebSite, maker, folder), (ShellRequest{maker.website, L"", folder}));
  EXPECT_EQ(LinkRequest(Link::Email, maker, folder),
            (ShellRequest{L"mailto:a@example.org", std::nullopt, std::nullopt}));
}

const std::wstring kPathKey = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::wstring kLocationKey = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location";
using Bytes = std::vector<std::uint8_t>;
Bytes Sz(const std::wstring& s) { return core::EncodeRegSz(s); }

struct SysInfoRig {
  test::Journal journal;
  test::FakeRegistry reg;
  test::FakeLauncher launcher{journal};
  test::FakeSystem system;
  test::FakeMessageBox box{journal};
  SysInfoLauncher sysinfo{reg, launcher, system, box};
};

TEST(SysInfo, WhereTheToolIsFound) {
  const std::string notFound = "box [Information Systeme introuvable !] [Kalvero] 0";
  const auto start = [](const std::string& p) { return "start [" + p + "] [\"" + p + "\"] 1"; };
  const std::string system = "C:\\Windows\\system32\\msinfo32.exe";
  const struct {
    const char* what;
    std::optional<Bytes> path, location;
    std::uint32_t pathType;
    std::vector<std::wstring> files;
    std::string failOn;
    Calls expected;
  } cases[] = {
      {"PATH: started as it is, unchecked", Sz(L"C:\\P F\\m.exe"), Sz(L"C:\\X"), kRegSz, {}, "",
       {start("C:\\P F\\m.exe")}},
      {"PATH names nothing that starts", Sz(L"C:\\m.exe"), {}, kRegSz, {}, start("C:\\m.exe"),
       {start("C:\\m.exe"), notFound}},
      {"MSINFO folder with the file", {}, Sz(L"C:\\O"), kRegSz, {L"C:\\O\\MSINFO32.EXE"}, "",
       {start("C:\\O\\MSINFO32.EXE")}},
      {"MSINFO folder without it", {}, Sz(L"C:\\O"), kRegSz, {L"C:\\Windows\\system32\\msinfo32.exe"}, "",
       {notFound}},
      {"trailing backslash kept doubled", {}, Sz(L"C:\\O\\"), kRegSz, {L"C:\\O\\\\MSINFO32.EXE"}, "",
       {start("C:\\O\\\\MSINFO32.EXE")}},
      {"both missing: the system folder's tool", {}, {}, kRegSz,
       {L"C:\\Windows\\system32\\msinfo32.exe"}, "", {start(system)}},
      {"both missing, no tool anywhere", {}, {}, kRegSz, {}, "", {notFound}},
      {"PATH of another type: found but empty", Bytes{1, 2, 3, 4}, {}, platform::kRegBinary, {}, "",
       {start(""), notFound}},
      {"PATH with no data at all", Bytes{}, Sz(L"C:\\O"), kRegSz, {L"C:\\O\\MSINFO32.EXE"}, "", {notFound}},
      {"PATH over 1024 bytes counts as missing", Sz(std::wstring(600, L'x')), {}, kRegSz, {}, "",
       {notFound}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SysInfoRig rig;
    if (c.path) rig.reg.keys[kPathKey][L"PATH"] = {c.pathType, *c.path};
    if (c.location) rig.reg.keys[kLocationKey][L"MSINFO"] = {kRegSz, *c.location};
    rig.system.files = {c.files.begin(), c.files.end()};
    rig.journal.failOn = c.failOn;
    rig.sysinfo.StartSysInfo();
    EXPECT_EQ(rig.journal.calls, c.expected);
    EXPECT_TRUE(rig.reg.open.empty()) << "a key was left open";
  }
}

TEST(SysInfo, GetKeyValueTrimsOneTrailingNulAndReadsDwordsAsDecimal) {
  const struct {
    std::uint32_t type;
    Bytes data;
    KeyValue result;
    std::wstring value;
  } cases[] = {
      {kRegSz, {'a', 0, 'b', 0, 0, 0}, KeyValue::Read, L"ab"},
      {kRegSz, {'a', 0, 'b', 0}, KeyValue::Read, L"ab"},
      {kRegSz, {'a', 0, 0, 0, 0, 0}, KeyValue::Read, std::wstring(L"a\0", 2)},
      {kRegSz, Bytes(1024, 'x'), KeyValue::Read, std::wstring(512, wchar_t{0x7878})},
      {kRegSz, Bytes(1026, 'x'), KeyValue::Missing, L""},
      {platform::kRegDword, {171, 0, 0, 0}, KeyValue::Read, L"171"},
      {platform::kRegDword, {255, 255, 255, 255}, KeyValue::Read, L"4294967295"},
      {platform::kRegBinary, {1, 2}, KeyValue::Read, L"before"},
      {kRegSz, {}, KeyValue::Broken, L"before"},
  };
  for (const auto& c : cases) {
    SysInfoRig rig;
    rig.reg.keys[kPathKey][L"PATH"] = {c.type, c.data};
    std::wstring value = L"before";
    EXPECT_EQ(rig.sysinfo.GetKeyValue(platform::RegRoot::LocalMachine, kMsinfoKey, L"PATH", value), c.result);
    EXPECT_EQ(value, c.value);
    EXPECT_TRUE(rig.reg.open.empty());
  }
}

}  // namespace
}  // namespace kalvero::about
