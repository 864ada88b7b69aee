#include <utility>

#include "app/main_window_logic.h"
#include "app/power_actions.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

// What start-up does; then what a power button and the close write, before their request and their tray call (a
// forced shutdown may end the program unasked). The position flag is the one read at start-up, whatever the
// settings window wrote since; positions are saved in twips of the system DPI.
TEST(StartUp, DoesAndSaves) {
  const std::string saved = "save Haut=720, save Gauche=960, ";
  const struct {
    std::map<std::wstring, std::wstring> settings;
    std::string load, saves;  // saves: what a power button and the close write first
    int dpi = 96;
    std::string failOn = "";  // every step after it still runs; the window never hides without an icon
    bool another = false;     // a second instance touches nothing
    std::string close = "icon in, hide";
  } rows[] = {
      {{}, "topmost off", ""},
      {{{L"FenVisible", L"1"}}, "", "", 96, "", true},
      {{{L"FenVisible", L" 01x"}, {L"AutoReduit", L"1"}}, "topmost on, tip Kalvero, icon in, hide", ""},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, "topmost off, move 96,72", saved, 144},
      {{{L"AutoReduit", L"1"}, {L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}},
       "topmost off, tip Kalvero, icon in, move 64,48", saved, 96, "icon in", false, "icon in"},
      {{{L"DerPosition", L"1"}}, "topmost off", "", 96, "rect"},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}}, "topmost off, move 64,150",
       "save Haut=2250, save Gauche=960, "},
  };
  for (const auto& row : rows) {
    test::Fakes rig;
    PowerActions power{rig, rig};
    MainWindowLogic logic{rig, rig, rig, rig, power};
    rig.values = row.settings, rig.dpi = row.dpi, rig.another = row.another, rig.failOn = row.failOn;
    const auto done = [&] {  // what was done since the last look, in order
      std::string all;
      for (const std::string& c : std::exchange(rig.calls, {})) all += (all.empty() ? "" : ", ") + c;
      return all;
    };
    logic.OnLoad();
    EXPECT_EQ(done(), row.load);
    rig.values[L"DerPosition"] = rig.values[L"DerPosition"] == L"1" ? L"0" : L"1";
    logic.OnPowerButton(&PowerActions::LogOff);
    EXPECT_EQ(done(), row.saves + "exitwindows 0 0");
    logic.OnClose();
    EXPECT_EQ(done(), row.saves + row.close);
  }
}

}  // namespace
}  // namespace kalvero::app
