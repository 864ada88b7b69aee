// The Run entries and Task Manager's marks as anything may have left them, under HKCU and HKLM at once, with a
// registry that may refuse writes under either root, in either view, for a copy in Program Files or elsewhere.
// Whatever the click, the box shows ticked exactly when an entry exists that is not disabled; no mark is created
// or removed, and only a tick changes one, its first byte alone; a click never makes a second entry; opening the
// window over a cleared box changes nothing; nothing goes to the 32-bit view; no key is left open. With every
// write allowed and both Run keys there, a tick shows ticked and a clear cleared.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "fakes.h"
#include "fuzz.h"
#include "settings/autostart.h"

using namespace kalvero;
using Registry = test::FakeRegistry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Registry reg;
  const std::wstring run(settings::kRunKey), approved(settings::kApprovedKey), roots[] = {L"HKLM\\", L"HKCU\\"};
  const auto value = [&] {
    const auto type = in.ConsumeIntegralInRange<std::uint32_t>(0, 11);
    return Registry::Value{type, in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 16))};
  };
  for (const auto& root : roots) {
    const auto there = in.ConsumeIntegral<std::uint8_t>();
    if (there & 1) reg.keys[root + run];
    if (there & 2) reg.keys[root + run][L"Kalvero"] = value();
    if (there & 4) reg.keys[root + approved];
    if (there & 8) reg.keys[root + approved][L"Kalvero"] = value();
  }
  reg.machine = Registry::Rights(in.ConsumeIntegralInRange(0, 2));
  reg.user = Registry::Rights(in.ConsumeIntegralInRange(0, 2));
  const std::wstring node32 = L"HKLM\\Software\\Wow6432Node\\";
  if ((reg.wow64 = in.ConsumeBool())) reg.keys[node32 + run.substr(9)], reg.keys[node32 + approved.substr(9)];
  const int click = in.ConsumeIntegralInRange(0, 3);  // 3: the window opens
  const auto before = reg.keys;
  test::Fakes system;
  if (in.ConsumeBool()) system.folder = L"E:\\Mes outils";  // a copy outside Program Files
  settings::Autostart autostart{reg, system};
  const int shown = click == 3 ? autostart.OnLoad() : autostart.OnClick(click);

  FUZZ_CHECK(reg.open.empty() && NothingReported());
  const auto find = [](const auto& keys, const std::wstring& key) -> const Registry::Value* {
    const auto k = keys.find(key);
    if (k == keys.end()) return nullptr;
    const auto v = k->second.find(L"Kalvero");
    return v == k->second.end() ? nullptr : &v->second;
  };
  const auto runs = [&](const auto& keys) {
    return std::ranges::any_of(roots, [&](const std::wstring& root) {
      const auto* mark = find(keys, root + approved);
      return find(keys, root + run) && !(mark && !mark->data.empty() && mark->data[0] % 2);
    });
  };
  FUZZ_CHECK(shown == runs(reg.keys));
  const bool ticked = click == 1 || (click == 3 && runs(before));
  FUZZ_CHECK(click != 3 || ticked || reg.keys == before);
  int entries = 0, entriesBefore = 0;
  for (const auto& root : roots) {
    entries += find(reg.keys, root + run) != nullptr, entriesBefore += find(before, root + run) != nullptr;
    const auto *mark = find(reg.keys, root + approved), *was = find(before, root + approved);
    FUZZ_CHECK(!mark == !was);
    if (!mark) continue;
    FUZZ_CHECK(mark->type == was->type && mark->data.size() == was->data.size());
    FUZZ_CHECK(mark->data.empty() || (std::equal(mark->data.begin() + 1, mark->data.end(), was->data.begin() + 1) &&
                                      (mark->data[0] == was->data[0] || (ticked && mark->data[0] == 2))));
  }
  FUZZ_CHECK(entries < 2 || entriesBefore == 2);
  if (reg.wow64) FUZZ_CHECK(reg.keys[node32 + run.substr(9)].empty() && reg.keys[node32 + approved.substr(9)].empty());
  const bool allowed = reg.machine == Registry::Admin && reg.user == Registry::Admin;
  if (allowed && click < 3 && before.contains(roots[0] + run) && before.contains(roots[1] + run))
    FUZZ_CHECK(shown == (click == 1));
  return 0;
}
