// Finding the system information tool through values anyone may have written.
#include "about/sysinfo_launcher.h"
#include "core/utf16le.h"
#include "fuzz.h"

// Files exist, and starts succeed, as the input says.
struct System : test::Fakes {
  FuzzedDataProvider* fdp;
  bool started = false;
  bool FileExists(const std::wstring&) override { return fdp->ConsumeBool(); }
  bool Start(const std::wstring& app, const std::wstring& cmd, int show) override {
    return started = Fakes::Start(app, cmd, show) && fdp->ConsumeBool();
  }
};

void Fuzz(FuzzedDataProvider& fdp, const std::uint8_t*, std::size_t) {
  test::FakeRegistry reg;
  System sys;
  sys.fdp = &fdp, reg.wow64 = fdp.ConsumeBool();
  const std::wstring keys[] = {L"HKLM\\" + std::wstring(about::kMsinfoKey),
                               L"HKLM\\" + std::wstring(about::kToolsLocationKey)};
  for (int k = 0; k < 2; ++k) {
    if (!fdp.ConsumeBool()) continue;
    auto& values = reg.keys[keys[k]];
    if (!fdp.ConsumeBool()) continue;  // a key without the value
    Bytes bytes = fdp.ConsumeBool() ? core::EncodeRegSz(Text(fdp))
                                    : fdp.ConsumeBytes<std::uint8_t>(fdp.ConsumeIntegral<std::uint8_t>());
    if (fdp.ConsumeBool()) bytes.resize(fdp.ConsumeIntegralInRange(1000, 1100), 'x');  // around the buffer's size
    values[k ? L"MSINFO" : L"PATH"] = {fdp.ConsumeIntegralInRange<std::uint32_t>(0, 4), bytes};
  }
  about::SysInfoLauncher launcher{reg, sys, sys, sys};

  // Over 1024 bytes reads as no value at all.
  std::wstring value = L"before";
  const auto got = launcher.GetKeyValue(platform::RegRoot::LocalMachine, about::kMsinfoKey, L"PATH", value);
  auto& msinfo = reg.keys[keys[0]];
  const std::size_t size = msinfo.contains(L"PATH") ? msinfo[L"PATH"].data.size() : 9999;
  using about::KeyValue;
  CHECK(size > 1024 ? got == KeyValue::Missing && value.empty()
                    : size < 2 ? got == KeyValue::Broken : got == KeyValue::Read && value.size() <= 512);

  launcher.StartSysInfo();
  const auto& calls = sys.j.calls;
  const bool box = !calls.empty() && calls.back() == "box [Information Systeme introuvable !] [Kalvero] 0";
  // One start that worked, or the box after at most one that failed.
  CHECK(reg.open.empty() && box != sys.started && calls.size() == 1u + (box && calls.size() > 1));
  if (calls.size() > box) {  // the program alone, quoted, in a normal window
    const std::string& s = calls[0];
    const std::string app = s.size() < 15 ? "" : s.substr(7, (s.size() - 15) / 2);
    CHECK(s == "start [" + app + "] [\"" + app + "\"] 1");
  }
}
