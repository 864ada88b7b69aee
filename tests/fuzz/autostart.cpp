// The start-with-Windows box over any earlier entries, rights and clicks.
#include "core/utf16le.h"
#include "fuzz.h"
#include "settings/autostart.h"

void Fuzz(FuzzedDataProvider& fdp, const std::uint8_t*, std::size_t) {
  test::FakeRegistry reg;
  test::Fakes sys;
  sys.nt = fdp.ConsumeBool(), reg.wow64 = fdp.ConsumeBool(), reg.denyMachineWrites = fdp.ConsumeBool();
  reg.refuseMachineValues = fdp.ConsumeBool();  // HKLM opens for writing, yet refuses the value
  const std::wstring run = L"Microsoft\\Windows\\CurrentVersion\\" + std::wstring(sys.nt ? L"Run" : L"RunServices");
  const std::wstring keys[] = {L"HKLM\\Software\\" + run, L"HKCU\\Software\\" + run};
  reg.keys[L"HKLM\\Software\\Wow6432Node\\" + run];
  for (const auto& key : keys) {  // an earlier entry, of any type, without a blank
    auto& values = reg.keys[key];
    const auto type = fdp.ConsumeIntegralInRange<std::uint32_t>(0, 5);  // 5: none
    if (type < 5) values[L"Kalvero"] = {type, fdp.ConsumeBool() ? Bytes{1, 0, 0, 0} : core::EncodeRegSz(L"C:\\K.exe")};
  }
  auto name = [&] {  // Windows file names hold neither a quote nor a NUL
    std::wstring t = Text(fdp, 24);
    return std::erase_if(t, [](wchar_t c) { return c == L'"' || c == L'\0'; }), t;
  };
  sys.folder = fdp.ConsumeBool() ? std::optional(name()) : std::nullopt;
  sys.rootName = fdp.ConsumeBool() ? std::optional(name()) : std::nullopt;
  if (sys.folder) sys.shortForms = {{*sys.folder, fdp.ConsumeBool() ? name() : *sys.folder}};

  settings::Autostart autostart{reg, sys};
  for (int calls = 0; calls < 8 && fdp.remaining_bytes() > 0; ++calls) {  // a few reach every state
    const int click = fdp.ConsumeIntegralInRange(0, 3);
    const int shown = click == 3 ? autostart.OnLoad() : autostart.OnClick(click);
    int entries = 0;
    for (const auto& key : keys) {
      if (!reg.keys[key].contains(L"Kalvero")) continue;
      const auto& v = reg.keys[key][L"Kalvero"];
      const std::wstring text = core::DecodeRegSz(v.data.data(), v.data.size());
      ++entries;  // and one with a blank was written here: quoted
      CHECK(v.type != platform::kRegSz || text.find(L' ') == std::wstring::npos ||
            (text.size() >= 2 && text.front() == L'"' && text.back() == L'"'));
    }
    // The box shows the registry, which never holds two entries; a tick always leaves one.
    CHECK(reg.open.empty() && entries <= 1 && shown == (entries > 0) && (click != 1 || entries == 1));
  }
}
