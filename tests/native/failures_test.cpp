// Every registry call fails in turn: nothing crashes, no key is left open, and each routine gives the
// outcome the behaviour gives: the box shows no entry that is not there, the store its default, the launcher either
// starts the tool or says it cannot find it, "Appliquer et fermer" still applies the topmost state.
#include "about/sysinfo_launcher.h"
#include "core/utf16le.h"
#include "fakes.h"
#include "settings/autostart.h"
#include "settings/registry_settings_store.h"

namespace kalvero {
namespace {

TEST(EveryRegistryCallFailingInTurn, NothingLeftOpenAndTheOutcomesHold) {
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int failAt = 0, total = 1; failAt < total; ++failAt) {
    SCOPED_TRACE(failAt);
    test::FakeRegistry reg;
    test::Fakes fakes;
    reg.keys[L"HKLM\\" + run];
    reg.keys[L"HKCU\\" + run][L"Kalvero"] = {platform::kRegSz, core::EncodeRegSz(L"C:\\K.exe")};
    reg.keys[L"HKCU\\Software\\VB and VBA Program Settings\\Kalvero\\Settings"][L"Haut"] = {platform::kRegSz,
                                                                                          core::EncodeRegSz(L"720")};
    reg.keys[L"HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"][L"PATH"] = {platform::kRegSz,
                                                                          core::EncodeRegSz(L"C:\\m.exe")};
    reg.failAt = failAt;
    settings::Autostart autostart{reg, fakes};
    // A refused read shows the box cleared; it never shows an entry that is not there.
    const int shown = autostart.OnClick(1);
    EXPECT_TRUE(shown == 0 || reg.keys[L"HKLM\\" + run].contains(L"Kalvero") || reg.keys[L"HKCU\\" + run].contains(L"Kalvero"));
    settings::RegistrySettingsStore store{reg};
    const std::wstring haut = store.GetSetting(L"Kalvero", L"Settings", L"Haut", L"10");
    EXPECT_TRUE(haut == L"720" || haut == L"10");
    store.SaveSetting(L"Kalvero", L"Settings", L"Gauche", L"960");
    about::SysInfoLauncher{reg, fakes, fakes, fakes}.StartSysInfo();
    ASSERT_EQ(fakes.j.calls.size(), 1u);
    EXPECT_TRUE(fakes.j.calls[0].starts_with("start [C:\\m.exe]") || fakes.j.calls[0].starts_with("box [Information"));
    EXPECT_TRUE(reg.open.empty()) << "a key was left open";
    if (failAt == 0) total = reg.calls;  // the first run counts the calls there are to fail
  }
}

}  // namespace
}  // namespace kalvero
