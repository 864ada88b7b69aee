#include <algorithm>

#include "about/about_texts.h"
#include "about/sysinfo_launcher.h"
#include "core/utf16le.h"
#include "fakes.h"

namespace kalvero::about {
namespace {

using platform::kRegSz;
using test::Calls;
using Bytes = std::vector<std::uint8_t>;

TEST(AboutTexts, VersionDetailsAndLinks) {
  EXPECT_EQ(VersionLabel(2, 10, 3), L"Version 2.10.3");
  const Maker maker{L"https://www.example.org/kalvero/index.htm", L"a@example.org", L"", L"auteur"};
  const std::wstring text = DetailsText(maker);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 12);
  EXPECT_NE(text.find(L"\r\rauteur\rE-Mail : a@example.org\rUrl : https://www.example.org/kalvero/index.htm\r\r"
                      L"Logiciel FREEWARE\r\r"), std::wstring::npos);
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  const std::wstring folder = L"C:\\Outils";
  EXPECT_EQ(LinkRequest(Link::Donation, maker, folder), (ShellRequest{L"https://www.example.org/Don/Don.htm", L"", folder}));
  EXPECT_EQ(LinkRequest(Link::WebSite, maker, folder), (ShellRequest{maker.website, L"", folder}));
  EXPECT_EQ(LinkRequest(Link::Email, maker, folder), (ShellRequest{L"mailto:a@example.org", std::nullopt, std::nullopt}));
}

struct SysInfoRig : test::Fakes {
  void Put(const wchar_t* key, const wchar_t* name, std::uint32_t type, Bytes data) {
    reg.keys[std::wstring(L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools") + key][name] = {type, std::move(data)};
  }
  test::FakeRegistry reg;
  SysInfoLauncher sysinfo{reg, *this, *this, *this};
};

TEST(SysInfo, WhereTheToolIsFound) {
  const std::string notFound = "box [Information Systeme introuvable !] [Kalvero] 0";
  const auto start = [](const std::string& p) { return "start [" + p + "] [\"" + p + "\"] 1"; };
  const auto sz = [](const wchar_t* s) { return std::optional(core::EncodeRegSz(s)); };
  const struct {
    std::optional<Bytes> path, location;
    std::uint32_t pathType;
    std::wstring file;
    bool starts;
    Calls expected;
    bool wow64 = false;  // a 32-bit build on 64-bit Windows
  } cases[] = {
      {sz(L"C:\\P F\\m.exe"), sz(L"C:\\X"), kRegSz, L"", true, {start("C:\\P F\\m.exe")}},  // unchecked
      {sz(L"C:\\m.exe"), {}, kRegSz, L"", false, {start("C:\\m.exe"), notFound}},
      {{}, sz(L"C:\\O"), kRegSz, L"C:\\O\\MSINFO32.EXE", true, {start("C:\\O\\MSINFO32.EXE")}},
      {{}, sz(L"C:\\O"), kRegSz, L"C:\\Windows\\system32\\msinfo32.exe", true, {notFound}},
      {{}, sz(L"C:\\O\\"), kRegSz, L"C:\\O\\\\MSINFO32.EXE", true, {start("C:\\O\\\\MSINFO32.EXE")}},
      {{}, {}, kRegSz, L"C:\\Windows\\system32\\msinfo32.exe", true, {start("C:\\Windows\\system32\\msinfo32.exe")}},
      {{}, {}, kRegSz, L"", true, {notFound}},
      {Bytes{1, 2, 3, 4}, {}, platform::kRegBinary, L"", true, {start(""), notFound}},  // found, but empty
      {Bytes{}, sz(L"C:\\O"), kRegSz, L"C:\\O\\MSINFO32.EXE", true, {notFound}},       // no data at all
      {sz(std::wstring(600, L'x').c_str()), {}, kRegSz, L"", true, {notFound}},       // over 1024 bytes
      {sz(L"C:\\P\\m.exe"), {}, kRegSz, L"", true, {start("C:\\P\\m.exe")}, true},  // the 64-bit values
      {{}, {}, kRegSz, L"C:\\Windows\\Sysnative\\msinfo32.exe", true, {start("C:\\Windows\\Sysnative\\msinfo32.exe")}, true},
  };
  for (const auto& c : cases) {
    SysInfoRig rig;
    rig.reg.wow64 = c.wow64;
    if (c.wow64) rig.nativeSystem = L"C:\\Windows\\Sysnative";
    if (c.path) rig.Put(L"\\MSINFO", L"PATH", c.pathType, *c.path);
    if (c.location) rig.Put(L" Location", L"MSINFO", kRegSz, *c.location);
    rig.files = {c.file};
    if (!c.starts) rig.j.failOn = c.expected[0];
    rig.sysinfo.StartSysInfo();
    EXPECT_EQ(rig.j.calls, c.expected);
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
      {platform::kRegDword, {255, 255, 255, 255}, KeyValue::Read, L"4294967295"},
      {platform::kRegBinary, {1, 2}, KeyValue::Read, L"before"},
      {kRegSz, {}, KeyValue::Broken, L"before"},
  };
  for (const auto& c : cases) {
    SysInfoRig rig;
    rig.Put(L"\\MSINFO", L"PATH", c.type, c.data);
    std::wstring value = L"before";
    EXPECT_EQ(rig.sysinfo.GetKeyValue(platform::RegRoot::LocalMachine, kMsinfoKey, L"PATH", value), c.result);
    EXPECT_EQ(value, c.value);
    EXPECT_TRUE(rig.reg.open.empty());
  }
}

}  // namespace
}  // namespace kalvero::about
