#include <gtest/gtest.h>

#include "app/main_window_logic.h"
#include "app/power_actions.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using test::Calls;

struct FakeInstance final : platform::IInstanceGuard {
  bool another = false;
  bool AnotherInstanceRunning() override { return another; }
};

using Settings = std::map<std::wstring, std::wstring>;

struct Rig {
  explicit Rig(Settings settings = {}) { store.values = std::move(settings); }
  Calls Run(bool (MainWindowLogic::*step)()) {
    journal.calls.clear();
    (logic.*step)();
    return journal.calls;
  }
  test::Journal journal;
  test::FakeStore store{journal};
  test::FakeWindow window{journal};
  test::FakeTray tray{journal};
  FakeInstance instance;
  MainWindowLogic logic{store, window, tray, instance};
};

TEST(StartUp, SecondInstanceTouchesNothing) {
  Rig rig(Settings{{L"FenVisible", L"1"}});
  rig.instance.another = true;
  EXPECT_FALSE(rig.logic.OnLoad());
  EXPECT_TRUE(rig.journal.calls.empty());
}

// What start-up reads and does, then what the close writes (icon in, hidden, saved).
TEST(StartUp, SequenceByStoredSettings) {
  const Calls base{"get FenVisible", "topmost off", "get AutoReduit", "get DerPosition"};
  const auto with = [&](Calls tail, std::string topmost = "topmost off") {
    Calls c = base;
    c[1] = topmost;
    c.insert(c.end(), tail.begin(), tail.end());
    return c;
  };
  const struct {
    Settings settings;
    Calls load, close;
  } rows[] = {
      {{}, base, {"icon in", "hide"}},
      {{{L"FenVisible", L" 01x"}}, with({}, "topmost on"), {"icon in", "hide"}},
      {{{L"FenVisible", L"0.6"}, {L"AutoReduit", L"2"}}, base, {"icon in", "hide"}},
      {{{L"AutoReduit", L"1"}},
       {"get FenVisible", "topmost off", "get AutoReduit", "tip Kalvero", "icon in", "hide", "get DerPosition"},
       {"icon in", "hide"}},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}},
       with({"get Haut", "get Gauche", "rect", "move 64,48"}),
       {"icon in", "hide", "rect", "save Haut=720", "save Gauche=960"}},
      // Defaults: 10 twips from the corner. Negative: 100 twips.
      {{{L"DerPosition", L"1"}}, with({"get Haut", "get Gauche", "rect", "move 1,1"}),
       {"icon in", "hide", "rect", "save Haut=15", "save Gauche=15"}},
      {{{L"DerPosition", L"1"}, {L"Haut", L"-150"}, {L"Gauche", L"-1"}},
       with({"get Haut", "get Gauche", "rect", "move 7,7"}),
       {"icon in", "hide", "rect", "save Haut=105", "save Gauche=105"}},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}},
       with({"get Haut", "get Gauche", "rect", "move 64,150"}),
       {"icon in", "hide", "rect", "save Haut=2250", "save Gauche=960"}},
  };
  for (const auto& row : rows) {
    Rig rig(row.settings);
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), row.load);
    rig.journal.calls.clear();
    rig.logic.OnCloseRequest();
    rig.logic.OnUnload();
    EXPECT_EQ(rig.journal.calls, row.close);
  }
}

// The position flag is the one read at start-up, whatever the settings window wrote since.
TEST(StartUp, RememberFlagIsReadOnce) {
  for (const bool on : {false, true}) {
    Rig rig(Settings{{L"DerPosition", on ? L"1" : L"0"}});
    rig.logic.OnLoad();
    rig.store.values[L"DerPosition"] = on ? L"0" : L"1";
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnUnload).size(), on ? 3u : 0u);
  }
  Rig rig(Settings{{L"DerPosition", L"1"}});
  rig.window.dpi = 144;  // positions are saved in twips of the system DPI
  rig.logic.OnLoad();
  rig.window.MoveTo(333, -7);
  EXPECT_EQ(rig.Run(&MainWindowLogic::OnUnload), (Calls{"rect", "save Haut=-70", "save Gauche=3330"}));
}

// Each platform call fails in turn: the steps after it still run.
TEST(StartUp, EveryStepRunsPastAFailingCall) {
  const Calls full{"get FenVisible", "topmost on", "get AutoReduit", "tip Kalvero", "icon in",
                   "hide", "get DerPosition", "get Haut", "get Gauche", "rect", "move 64,48"};
  for (const std::string failing : {"tip Kalvero", "icon in", "rect", "move 64,48"}) {
    SCOPED_TRACE(failing);
    Rig rig(Settings{{L"FenVisible", L"1"}, {L"AutoReduit", L"1"}, {L"DerPosition", L"1"},
             {L"Haut", L"720"}, {L"Gauche", L"960"}});
    rig.journal.failOn = failing;
    Calls expected = full;
    if (failing == "icon in") std::erase(expected, "hide");  // no icon: the window stays reachable
    if (failing == "rect") expected.pop_back();               // no rectangle, no move
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), expected);
  }
}

TEST(Close, AFailingTrayStillSavesThePosition) {
  Rig rig(Settings{{L"DerPosition", L"1"}});
  rig.logic.OnLoad();
  rig.journal.failOn = "icon in";
  EXPECT_EQ(rig.Run(&MainWindowLogic::OnCloseRequest), (Calls{"icon in"}));
  EXPECT_EQ(rig.Run(&MainWindowLogic::OnUnload).size(), 3u);
}

// The icon's operation comes first; when it fails the window is left as it is.
TEST(Tray, ButtonAndIconClicks) {
  const struct {
    bool inTray;
    int button;  // 0: the strip's tray button
    std::string failOn;
    Calls expected;
  } rows[] = {
      {false, 0, "", {"tip Kalvero", "icon in", "hide"}},
      {true, 0, "", {"tip Kalvero", "icon out", "show"}},
      {true, 1, "", {"icon out", "show"}},
      {false, 1, "", {"icon in", "hide"}},
      {true, 2, "", {}},
      {true, 4, "", {}},
      {false, 0, "icon in", {"tip Kalvero", "icon in"}},
      {true, 1, "icon out", {"icon out"}},
  };
  for (const auto& row : rows) {
    Rig rig;
    rig.tray.inTray = row.inTray;
    rig.journal.failOn = row.failOn;
    if (row.button) rig.logic.OnTrayIconClick(row.button);
    else rig.logic.OnTrayButton();
    EXPECT_EQ(rig.journal.calls, row.expected) << row.inTray << " " << row.button << " " << row.failOn;
  }
}

TEST(PowerActions, ExactRequestsFromTheSystemFolder) {
  test::Journal j;
  test::FakeLauncher launcher{j};
  PowerActions power{launcher, launcher};
  for (auto click : {&PowerActions::ShutDown, &PowerActions::Restart, &PowerActions::LogOff})
    for (int twice = 0; twice < 2; ++twice) (power.*click)();
  EXPECT_EQ(j.calls, (Calls{"start [C:\\Windows\\system32\\shutdown.exe] [shutdown -s -f -t 0] 2",
                            "start [C:\\Windows\\system32\\shutdown.exe] [shutdown -s -f -t 0] 2",
                            "start [C:\\Windows\\system32\\shutdown.exe] [shutdown -r -f -t 0] 2",
                            "start [C:\\Windows\\system32\\shutdown.exe] [shutdown -r -f -t 0] 2",
                            "exitwindows 0 0", "exitwindows 0 0"}));
}

}  // namespace
}  // namespace kalvero::app
