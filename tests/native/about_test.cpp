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

TEST(AboutTexts, DetailsBreakAtBareReturnsAndLinks) {
  const Maker maker{L"https://www.example.org/kalvero/index.htm", L"a@example.org", L"", L"auteur"};
  const std::wstring text = DetailsText(maker);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 12);
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  const ShellRequest donation{L"https://www.example.org/Don/Don.htm", L"", L"C:\\O"};  // on the site's host
  EXPECT_EQ(LinkRequest(Link::Donation, maker, L"C:\\O"), donation);
}

TEST(SysInfo, WhereTheToolIsFound) {
  const std::string notFound = "box [Information Systeme introuvable !] [Kalvero] 0";
  const auto start = [](const std::string& p) { return "start [" + p + "] [\"" + p + "\"] 1"; };
  const auto sz = [](const wchar_t* s) { return std::optional(core::EncodeRegSz(s)); };
  const std::wstring system = L"C:\\Windows\\system32\\msinfo32.exe";
  const struct {
    std::optional<Bytes> path, location;
    std::uint32_t pathType;
    std::wstring file;
    Calls expected;  // a start and then the box: that start failed
    bool wow64 = false;  // a 32-bit build on 64-bit Windows
  } cases[] = {
      {sz(L"C:\\P F\\m.exe"), sz(L"C:\\X"), kRegSz, L"", {start("C:\\P F\\m.exe")}},  // unchecked
      {sz(L"C:\\m.exe"), {}, kRegSz, L"", {start("C:\\m.exe"), notFound}},
      {{}, sz(L"C:\\O"), kRegSz, L"C:\\O\\MSINFO32.EXE", {start("C:\\O\\MSINFO32.EXE")}},
      {{}, sz(L"C:\\O"), kRegSz, system, {notFound}},
      {{}, {}, kRegSz, system, {start("C:\\Windows\\system32\\msinfo32.exe")}},
      {Bytes{1, 2, 3, 4}, {}, platform::kRegBinary, L"", {start(""), notFound}},  // found, but empty
      {Bytes{}, sz(L"C:\\O"), kRegSz, L"C:\\O\\MSINFO32.EXE", {notFound}},       // no data at all
      {Bytes{255, 255, 255, 255}, {}, platform::kRegDword, L"", {start("4294967295")}},  // read as decimal
      {Bytes(1026, 'x'), {}, kRegSz, system, {start("C:\\Windows\\system32\\msinfo32.exe")}},  // too long: none
      {sz(L"C:\\P\\m.exe"), {}, kRegSz, L"", {start("C:\\P\\m.exe")}, true},  // the 64-bit values
      {{}, {}, kRegSz, L"C:\\Windows\\Sysnative\\msinfo32.exe", {start("C:\\Windows\\Sysnative\\msinfo32.exe")}, true},
  };
  for (const auto& c : cases) {
    test::FakeRegistry reg;
    test::Fakes rig;
    const std::wstring tools = L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools";
    if (c.path) reg.keys[tools + L"\\MSINFO"][L"PATH"] = {c.pathType, *c.path};
    if (c.location) reg.keys[tools + L" Location"][L"MSINFO"] = {kRegSz, *c.location};
    reg.wow64 = c.wow64, rig.files = {c.file}, rig.failOn = c.expected.size() > 1 ? c.expected[0] : "";
    if (c.wow64) rig.system = L"C:\\Windows\\Sysnative";
    SysInfoLauncher{reg, rig, rig, rig}.StartSysInfo();
    EXPECT_EQ(rig.calls, c.expected);
    EXPECT_TRUE(reg.open.empty()) << "a key was left open";
  }
}

}  // namespace
}  // namespace kalvero::about
