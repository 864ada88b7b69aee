#include <algorithm>

#include "app/main_window_logic.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using test::Calls;
using Settings = std::map<std::wstring, std::wstring>;

struct Rig : test::Fakes, platform::IInstanceGuard {
  bool AnotherInstanceRunning() override { return another; }
  Calls Run(bool (MainWindowLogic::*step)()) { return calls.clear(), (logic.*step)(), calls; }
  bool another = false;
  PowerActions power{*this, *this};
  MainWindowLogic logic{*this, *this, *this, *this, power};
};

// What start-up reads and does, then what the close writes, before its tray call: the position flag is the one
// read at start-up, whatever the settings window wrote since, and positions are saved in twips of the system DPI.
// A power button writes the same first, as a forced shutdown may end the program without a close request.
TEST(StartUp, SequenceByStoredSettings) {
  const Calls reads{"get FenVisible", "topmost off", "get AutoReduit", "get DerPosition"};
  const auto then = [&](Calls tail) { return tail.insert(tail.begin(), reads.begin(), reads.end()), tail; };
  const auto moved = [&](const char* move) { return then({"get Haut", "get Gauche", "rect", move}); };
  const auto saved = [](const char* haut, const char* gauche) {
    return Calls{"rect", std::string("save Haut=") + haut, std::string("save Gauche=") + gauche, "icon in", "hide"};
  };
  const Calls hidden{"icon in", "hide"};
  const struct {
    Settings settings;
    Calls load, close;
    int dpi = 96;
    std::string failOn = "";  // every step after it still runs; the window never hides without an icon
    bool another = false;     // a second instance touches nothing
  } rows[] = {
      {{}, reads, hidden},
      {{{L"FenVisible", L"1"}}, {}, hidden, 96, "", true},
      {{{L"FenVisible", L" 01x"}, {L"AutoReduit", L"1"}},
       {"get FenVisible", "topmost on", "get AutoReduit", "tip Kalvero", "icon in", "hide", "get DerPosition"}, hidden},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, moved("move 96,72"), saved("720", "960"), 144},
      {{{L"AutoReduit", L"1"}, {L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}},
       {"get FenVisible", "topmost off", "get AutoReduit", "tip Kalvero", "icon in", "get DerPosition", "get Haut",
        "get Gauche", "rect", "move 64,48"},
       {"rect", "save Haut=720", "save Gauche=960", "icon in"}, 96, "icon in"},
      {{{L"DerPosition", L"1"}}, then({"get Haut", "get Gauche", "rect"}), {"rect", "icon in", "hide"}, 96, "rect"},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}}, moved("move 64,150"), saved("2250", "960")},
  };
  for (const auto& row : rows) {
    Rig rig;
    rig.values = row.settings, rig.dpi = row.dpi, rig.another = row.another, rig.failOn = row.failOn;
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), row.load);
    rig.values[L"DerPosition"] = rig.values[L"DerPosition"] == L"1" ? L"0" : L"1";
    Calls power(row.close.begin(), std::ranges::find(row.close, "icon in"));
    rig.calls.clear(), rig.logic.OnPowerButton(&PowerActions::LogOff), power.push_back("exitwindows 0 0");
    EXPECT_EQ(rig.calls, power);
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnClose), row.close);
  }
}

// The icon's operation comes first; when it fails the window is left as it is.
TEST(Tray, ButtonAndIconClicks) {
  const std::tuple<bool, int, std::string, Calls> rows[] = {  // button 0: the strip's tray button
      {false, 0, "", {"tip Kalvero", "icon in", "hide"}}, {true, 1, "", {"icon out", "show"}}, {true, 2, "", {}},
      {false, 0, "icon in", {"tip Kalvero", "icon in"}},  {true, 1, "icon out", {"icon out"}},
  };
  for (const auto& [inTray, button, failOn, expected] : rows) {
    Rig rig;
    rig.inTray = inTray, rig.failOn = failOn;
    button ? rig.logic.OnTrayIconClick(button) : rig.logic.OnTrayButton();
    EXPECT_EQ(rig.calls, expected) << inTray << " " << button << " " << failOn;
  }
}

}  // namespace
}  // namespace kalvero::app
