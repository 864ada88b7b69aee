// The start-with-Windows box over whatever the Run keys held, with either view, with or without rights, and any
// one registry call refused: no key is left open, the box shows the registry, which never holds two Run entries,
// and the path written is quoted wherever it holds a blank. The registry helpers and the system information
// launcher have their tables over the fake and the real registry. A failed check stops the run at its line.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "core/utf16le.h"
#include "settings/autostart.h"
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
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", keys[] = {L"HKLM\\" + run, L"HKCU\\" + run};
  reg.keys[L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"];
  for (const auto& key : keys) {  // the Run keys are there; any value of any type, around the reader's buffer
    const std::uint32_t type = fdp.ConsumeIntegralInRange(0, 5), size = fdp.ConsumeIntegralInRange(0, 1100);  // 5: none
    auto data = fdp.ConsumeBool() ? core::EncodeRegSz(Text(fdp)) : fdp.ConsumeBytes<std::uint8_t>(size);
    if (auto& values = reg.keys[key]; type < 5) values[L"Kalvero"] = {type, data};
  }
  for (auto* name : {&sys.folder, &sys.rootName})  // no Windows file name holds a quote
    *name = Text(fdp, 24), std::erase(**name, L'"');
  settings::Autostart autostart{reg, sys};
  for (int steps = 0; steps < 8 && fdp.remaining_bytes() > 0; ++steps) {
    const int op = fdp.ConsumeIntegralInRange(0, 3), before = reg.calls;  // cleared, ticked, greyed, or the window opening
    const int shown = op == 3 ? autostart.OnLoad() : autostart.OnClick(op);
    const bool refused = before <= reg.failAt && reg.failAt < reg.calls;
    const std::wstring path = autostart.ExecutablePath();
    const int entries = reg.keys[keys[0]].contains(L"Kalvero") + reg.keys[keys[1]].contains(L"Kalvero");
    CHECK(path.find(L' ') == std::wstring::npos || (path.size() > 1 && path.front() == L'"' && path.back() == L'"'));
    CHECK(shown <= entries && (refused || (entries <= 1 && shown == entries && (op != 1 || entries == 1))));
    CHECK(reg.open.empty());
  }
  return 0;
}
