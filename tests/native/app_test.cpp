#include <algorithm>

#include "app/main_window_logic.h"
#include "app/power_actions.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using Settings = std::map<std::wstring, std::wstring>;

struct Rig : test::Fakes, platform::IInstanceGuard {
  bool AnotherInstanceRunning() override { return another; }
  bool another = false;
  PowerActions power{*this, *this};
  MainWindowLogic logic{*this, *this, *this, *this, power};
};

// What start-up reads, in order, and does; then what a power button and the close write, before their request and
// their tray call (a forced shutdown may end the program unasked). The position flag is the one read at start-up,
// whatever the settings window wrote since; positions are saved in twips of the system DPI.
TEST(StartUp, ReadsDoesAndSaves) {
  const std::string three = "FenVisible AutoReduit DerPosition", five = three + " Haut Gauche";
  const struct {
    Settings settings;
    std::string reads, load, close, saves;
    int dpi = 96;
    std::string failOn = "";  // every step after it still runs; the window never hides without an icon
    bool another = false;     // a second instance touches nothing
  } rows[] = {
      {{}, three, "topmost off", "icon in, hide", ""},
      {{{L"FenVisible", L"1"}}, "", "", "icon in, hide", "", 96, "", true},
      {{{L"FenVisible", L" 01x"}, {L"AutoReduit", L"1"}}, three, "topmost on, tip Kalvero, icon in, hide", "icon in, hide", ""},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, five, "topmost off, move 96,72", "icon in, hide",
       "Haut=720, Gauche=960", 144},
      {{{L"AutoReduit", L"1"}, {L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, five,
       "topmost off, tip Kalvero, icon in, move 64,48", "icon in", "Haut=720, Gauche=960", 96, "icon in"},
      {{{L"DerPosition", L"1"}}, five, "topmost off", "icon in, hide", "", 96, "rect"},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}}, five, "topmost off, move 64,150", "icon in, hide",
       "Haut=2250, Gauche=960"},
  };
  for (const auto& row : rows) {
    Rig rig;
    rig.values = row.settings, rig.dpi = row.dpi, rig.another = row.another, rig.failOn = row.failOn;
    const auto split = [&] {  // the keys read, what was done but asking the window's place, what was saved
      std::string parts[3];
      for (const std::string& c : rig.calls) {
        const bool get = c.starts_with("get "), save = c.starts_with("save ");
        std::string& part = parts[get ? 0 : save ? 2 : 1];
        if (c != "rect") part += (part.empty() ? "" : get ? " " : ", ") + c.substr(get ? 4 : save ? 5 : 0);
      }
      return rig.calls.clear(), std::tuple(parts[0], parts[1], parts[2]);
    };
    rig.logic.OnLoad();
    EXPECT_EQ(split(), std::tuple(row.reads, row.load, std::string()));
    rig.values[L"DerPosition"] = rig.values[L"DerPosition"] == L"1" ? L"0" : L"1";
    rig.logic.OnPowerButton(&PowerActions::LogOff);
    EXPECT_EQ(rig.calls.back(), "exitwindows 0 0");
    EXPECT_EQ(split(), std::tuple(std::string(), std::string("exitwindows 0 0"), row.saves));
    rig.logic.OnClose();
    EXPECT_TRUE(row.saves.empty() || rig.calls.front() == "rect") << "the tray call came first";
    EXPECT_EQ(split(), std::tuple(std::string(), row.close, row.saves));
  }
}

}  // namespace
}  // namespace kalvero::app
