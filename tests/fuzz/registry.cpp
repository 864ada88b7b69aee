// The registry's readers and writers over whatever the keys held, with either view, with or without
// rights, and any one call refused: no key is left open, a value written reads back, the box shows the
// registry, which never holds two Run entries, and the system information tool starts or is said missing.
// A failed check stops the run at its line; texts are drawn the way the system hands them out.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "about/sysinfo_launcher.h"
#include "core/utf16le.h"
#include "settings/autostart.h"
#include "settings/registry_helpers.h"
#include "fakes.h"

#define CHECK(c) ((c) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #c), std::abort()))

using namespace kalvero;

// ASCII bytes stand for themselves, so seeds stay readable; the others for wider
// characters, one of them with a digit for its low byte.
std::wstring Text(FuzzedDataProvider& fdp, std::size_t max = 80) {
  std::wstring out;
  for (unsigned char c : fdp.ConsumeRandomLengthString(max))
    out += c < 0x80 ? wchar_t{c} : L"\u00e9\u0131\u6771\U0001F600"[c % 4];
  return out;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t count) {
  GTEST_FLAG_SET(break_on_failure, true);  // a fake's failed expectation (a key closed twice) stops too
  FuzzedDataProvider fdp(bytes, count);
  test::FakeRegistry reg;
  test::Fakes sys;
  reg.wow64 = fdp.ConsumeBool(), reg.failAt = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange(0, 60) : -1;
  reg.machine = decltype(reg.machine)(fdp.ConsumeIntegralInRange(0, 2));
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", tools = L"HKLM\\SOFTWARE\\Microsoft";
  const std::wstring keys[] = {L"HKLM\\" + run, L"HKCU\\" + run, tools + L"\\Shared Tools\\MSINFO",
                               tools + L"\\Shared Tools Location"};
  reg.keys[L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"];
  for (int k = 0; k < 4; ++k) {  // the Run keys are there; any value of any type, around the reader's buffer
    if (k > 1 && !fdp.ConsumeBool()) continue;
    const std::uint32_t type = fdp.ConsumeIntegralInRange(0, 5), size = fdp.ConsumeIntegralInRange(0, 1100);  // 5: none
    auto data = fdp.ConsumeBool() ? core::EncodeRegSz(Text(fdp)) : fdp.ConsumeBytes<std::uint8_t>(size);
    if (auto& values = reg.keys[keys[k]]; type < 5) values[k < 2 ? L"Kalvero" : k == 2 ? L"PATH" : L"MSINFO"] = {type, data};
  }
  sys.file = fdp.ConsumeBool() ? L"C:\\Windows\\system32\\msinfo32.exe" : L"C:\\O\\MSINFO32.EXE";
  for (auto* name : {&sys.folder, &sys.rootName})  // no Windows file name holds a quote
    *name = Text(fdp, 24), std::erase(**name, L'"');
  settings::Autostart autostart{reg, sys};
  constexpr auto kUser = platform::RegRoot::CurrentUser;
  for (int steps = 0; steps < 8 && fdp.remaining_bytes() > 0; ++steps) {
    const int op = fdp.ConsumeIntegralInRange(0, 8), before = reg.calls;
    const auto refused = [&] { return before <= reg.failAt && reg.failAt < reg.calls; };
    sys.calls.clear();
    if (op < 4) {  // the box cleared, ticked or greyed, or the settings window opening
      const int shown = op == 3 ? autostart.OnLoad() : autostart.OnClick(op);
      const std::wstring path = autostart.ExecutablePath();
      const int entries = reg.keys[keys[0]].contains(L"Kalvero") + reg.keys[keys[1]].contains(L"Kalvero");
      CHECK(path.find(L' ') == std::wstring::npos || (path.size() > 1 && path.front() == L'"' && path.back() == L'"'));
      CHECK(shown <= entries && (refused() || (entries <= 1 && shown == entries && (op != 1 || entries == 1))));
    } else if (op == 4) {  // one start that worked, or the box after at most one that failed
      about::SysInfoLauncher{reg, sys, sys, sys}.StartSysInfo();
      const bool box = sys.calls.back().starts_with("box [Information Systeme introuvable !]");
      CHECK(sys.calls.size() == 1 + (box && sys.calls[0].starts_with("start [")) && (box || sys.calls[0] != "start [] [\"\"] 1"));
    } else {  // a text written, or the value deleted, under this user's Run key or a missing one
      const std::wstring text = Text(fdp, 40), key = fdp.ConsumeBool() ? run : L"Gone";
      const auto r = op == 8 ? settings::DeleteRegistryValue(reg, kUser, key, L"Kalvero")
                             : settings::SetRegistryValue(reg, kUser, key, L"Kalvero", text);
      settings::ValueSlot slot, back = text.substr(0, text.find(L'\0'));
      const auto got = settings::QueryRegistryValue(reg, kUser, key, L"Kalvero", slot);
      CHECK(refused() || (r == (key == run ? 0 : 2) && got == (key == run && op < 8 ? 0 : 2) && (got || slot == back)));
    }
    CHECK(reg.open.empty());
  }
  return 0;
}
