#include "app/main_window_logic.h"
#include "app/power_actions.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using test::Calls;
using Settings = std::map<std::wstring, std::wstring>;

struct Rig : test::Fakes, platform::IInstanceGuard {
  explicit Rig(Settings settings = {}) { values = std::move(settings); }
  bool AnotherInstanceRunning() override { return another; }
  Calls Run(bool (MainWindowLogic::*step)()) { return j.calls.clear(), (logic.*step)(), j.calls; }
  bool another = false;
  MainWindowLogic logic{*this, *this, *this, *this};
};

TEST(StartUp, SecondInstanceTouchesNothing) {
  Rig rig(Settings{{L"FenVisible", L"1"}});
  rig.another = true;
  EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), Calls{});
}

// What start-up reads and does, then what the close writes.
TEST(StartUp, SequenceByStoredSettings) {
  const Calls reads{"get FenVisible", "topmost off", "get AutoReduit", "get DerPosition"};
  const auto then = [&](Calls tail) { return tail.insert(tail.begin(), reads.begin(), reads.end()), tail; };
  const auto moved = [&](const char* move) { return then({"get Haut", "get Gauche", "rect", move}); };
  const auto saved = [](const char* haut, const char* gauche) {
    return Calls{"icon in", "hide", "rect", std::string("save Haut=") + haut, std::string("save Gauche=") + gauche};
  };
  const Calls hidden{"icon in", "hide"};
  const struct {
    Settings settings;
    Calls load, close;
  } rows[] = {
      {{}, reads, hidden},
      {{{L"FenVisible", L" 01x"}}, {"get FenVisible", "topmost on", "get AutoReduit", "get DerPosition"}, hidden},
      {{{L"FenVisible", L"0.6"}, {L"AutoReduit", L"2"}}, reads, hidden},
      {{{L"AutoReduit", L"1"}},
       {"get FenVisible", "topmost off", "get AutoReduit", "tip Kalvero", "icon in", "hide", "get DerPosition"}, hidden},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, moved("move 64,48"), saved("720", "960")},
      {{{L"DerPosition", L"1"}}, moved("move 1,1"), saved("15", "15")},  // 10 twips from the corner
      {{{L"DerPosition", L"1"}, {L"Haut", L"-150"}, {L"Gauche", L"-1"}}, moved("move 7,7"), saved("105", "105")},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}}, moved("move 64,150"), saved("2250", "960")},
  };
  for (const auto& row : rows) {
    Rig rig(row.settings);
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), row.load);
    rig.j.calls.clear();
    rig.logic.OnCloseRequest();
    rig.logic.OnUnload();
    EXPECT_EQ(rig.j.calls, row.close);
  }
}

// The position flag is the one read at start-up, whatever the settings window wrote since; positions are
// saved in twips of the system DPI.
TEST(StartUp, RememberFlagIsReadOnce) {
  for (const bool on : {false, true}) {
    Rig rig(Settings{{L"DerPosition", on ? L"1" : L"0"}});
    rig.dpi = 144;
    rig.logic.OnLoad();
    rig.values[L"DerPosition"] = on ? L"0" : L"1";
    rig.MoveTo(333, -7);
    const Calls saved{"rect", "save Haut=-70", "save Gauche=3330"};
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnUnload), on ? saved : Calls{});
  }
}

// A platform call fails: the steps after it still run, and the window is never hidden without an icon.
TEST(StartUp, EveryStepRunsPastAFailingCall) {
  const Calls full{"get FenVisible", "topmost on", "get AutoReduit", "tip Kalvero", "icon in",
                   "hide", "get DerPosition", "get Haut", "get Gauche", "rect", "move 64,48"};
  for (const std::string failing : {"tip Kalvero", "icon in", "rect"}) {
    Rig rig(Settings{{L"FenVisible", L"1"}, {L"AutoReduit", L"1"}, {L"DerPosition", L"1"}, {L"Haut", L"720"},
                     {L"Gauche", L"960"}});
    rig.j.failOn = failing;
    Calls expected = full;
    if (failing == "icon in") std::erase(expected, "hide");
    if (failing == "rect") expected.pop_back();
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), expected) << failing;
    rig.j.failOn = "icon in";
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnCloseRequest), Calls{"icon in"}) << "a failing tray";
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnUnload).size(), 3u) << "still saves the position";
  }
}

// The icon's operation comes first; when it fails the window is left as it is.
TEST(Tray, ButtonAndIconClicks) {
  const struct {
    bool inTray;
    int button;  // 0: the strip's tray button
    std::string failOn;
    Calls expected;
  } rows[] = {
      {false, 0, "", {"tip Kalvero", "icon in", "hide"}}, {true, 0, "", {"tip Kalvero", "icon out", "show"}},
      {true, 1, "", {"icon out", "show"}},                {false, 1, "", {"icon in", "hide"}},
      {true, 2, "", {}},                                  {true, 4, "", {}},
      {false, 0, "icon in", {"tip Kalvero", "icon in"}},  {true, 1, "icon out", {"icon out"}},
  };
  for (const auto& row : rows) {
    Rig rig;
    rig.inTray = row.inTray;
    rig.j.failOn = row.failOn;
    row.button ? rig.logic.OnTrayIconClick(row.button) : rig.logic.OnTrayButton();
    EXPECT_EQ(rig.j.calls, row.expected) << row.inTray << " " << row.button << " " << row.failOn;
  }
}

TEST(PowerActions, ExactRequestsFromTheSystemFolder) {
  test::Fakes fakes;
  PowerActions power{fakes, fakes};
  for (auto click : {&PowerActions::ShutDown, &PowerActions::Restart, &PowerActions::LogOff}) (power.*click)();
  EXPECT_EQ(fakes.j.calls, (Calls{"start [C:\\Windows\\system32\\shutdown.exe] [shutdown -s -f -t 0] 2",
                                  "start [C:\\Windows\\system32\\shutdown.exe] [shutdown -r -f -t 0] 2",
                                  "exitwindows 0 0"}));
}

}  // namespace
}  // namespace kalvero::app
