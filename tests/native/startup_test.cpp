#include <gtest/gtest.h>

#include "app/power.h"
#include "app/startup.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using Calls = std::vector<std::string>;

class StartupTest : public ::testing::Test, protected test::MainLogicRig {
 protected:

  void Set(const wchar_t* key, const wchar_t* text) { store.values[key] = text; }
  Calls Run() {
    journal.calls.clear();
    EXPECT_TRUE(logic.OnLoad());
    return journal.calls;
  }
};

TEST_F(StartupTest, SecondInstanceTouchesNothing) {
  instance.another = true;
  store.allowReads = store.allowWrites = false;
  EXPECT_FALSE(logic.OnLoad());
  EXPECT_TRUE(journal.calls.empty());
}

TEST_F(StartupTest, EmptyStoreReadsTheOptionsInOrderAndMovesNothing) {
  EXPECT_EQ(Run(), (Calls{"get FenVisible", "topmost off", "get AutoReduit", "get DerPosition"}));
  journal.calls.clear();
  logic.OnCloseRequest();
  logic.OnUnload();
  EXPECT_EQ(journal.calls, (Calls{"icon in", "hide"})) << "nothing may be written on close";
}

TEST_F(StartupTest, TopmostOnlyForExactlyOne) {
  const struct {
    const wchar_t* text;
    bool topmost;
  } cases[] = {{L"1", true}, {L"01", true}, {L" 1", true}, {L"1x", true}, {L"0", false},
               {L"2", false}, {L"abc", false}, {L"0.6", false}, {L"1e400", false}};
  for (const auto& c : cases) {
    test::MainLogicRig rig;
    auto& s = rig.store;
    auto& w = rig.window;
    auto& l = rig.logic;
    s.values[L"FenVisible"] = c.text;
    l.OnLoad();
    EXPECT_EQ(w.topmostCalls, 1) << test::N(c.text);
    EXPECT_EQ(w.topmost, c.topmost) << test::N(c.text);
  }
}

TEST_F(StartupTest, RestoresThenSavesThePositionInWholeTwips) {
  Set(L"DerPosition", L"1");
  Set(L"Haut", L"720");
  Set(L"Gauche", L"960");
  EXPECT_EQ(Run(), (Calls{"get FenVisible", "topmost off", "get AutoReduit", "get DerPosition",
                          "get Haut", "get Gauche", "rect", "move 64,48"}));
  journal.calls.clear();
  logic.OnCloseRequest();
  logic.OnUnload();
  EXPECT_EQ(journal.calls,
            (Calls{"icon in", "hide", "rect", "save Haut=720", "save Gauche=960"}));
}

TEST_F(StartupTest, DefaultPositionIsTenTwipsFromTheCorner) {
  Set(L"DerPosition", L"1");
  Run();
  EXPECT_EQ(window.rect.left, 1);  // 10 twips = 0.67 px
  EXPECT_EQ(window.rect.top, 1);
}

TEST_F(StartupTest, SavesAtTheDpiOfTheSystem) {
  window.dpi = 144;
  Set(L"DerPosition", L"1");
  Run();
  window.MoveTo(333, -7);  // e.g. on a monitor left of the primary one
  journal.calls.clear();
  logic.OnUnload();
  EXPECT_EQ(journal.calls, (Calls{"rect", "save Haut=-70", "save Gauche=3330"}));
}

TEST_F(StartupTest, RememberFlagIsTheOneReadAtStartUp) {
  Run();  // DerPosition absent: off for this run
  store.values[L"DerPosition"] = L"1";  // turned on in the settings window
  journal.calls.clear();
  logic.OnUnload();
  EXPECT_TRUE(journal.calls.empty());

  test::MainLogicRig rig;

  auto& j = rig.journal;
  auto& s = rig.store;
  auto& on = rig.logic;
  s.values[L"DerPosition"] = L"1";
  on.OnLoad();
  s.values[L"DerPosition"] = L"0";  // turned off during the run
  j.calls.clear();
  on.OnUnload();
  EXPECT_EQ(j.calls.size(), 3u) << "the position is still written";
}

TEST_F(StartupTest, CoordinateTooLargeKeepsThePlatformPlacement) {
  Set(L"DerPosition", L"1");
  Set(L"Haut", L"1e39");  // beyond single precision
  Set(L"Gauche", L"960");
  Run();
  EXPECT_EQ(window.rect.left, 64);
  EXPECT_EQ(window.rect.top, 150);
}

// Each step fails in turn: the steps after it still run.
TEST(StartupFailures, EveryStepRunsPastAFailingOne) {
  const Calls full{"get FenVisible", "topmost on", "get AutoReduit", "tip Kalvero", "icon in",
                   "hide", "get DerPosition", "get Haut", "get Gauche", "rect", "move 64,48"};
  for (const auto& failing : full) {
    test::MainLogicRig rig;
    auto& j = rig.journal;
    auto& s = rig.store;
    auto& logic = rig.logic;
    s.values = {{L"FenVisible", L"1"}, {L"AutoReduit", L"1"}, {L"DerPosition", L"1"},
                {L"Haut", L"720"}, {L"Gauche", L"960"}};
    j.failOn = failing;
    SCOPED_TRACE(failing);
    EXPECT_TRUE(logic.OnLoad());

    Calls expected = full;
    auto drop = [&](const char* call) { std::erase(expected, call); };
    if (failing == "get FenVisible") expected[1] = "topmost off";  // flag keeps its 0
    if (failing == "get AutoReduit") drop("tip Kalvero"), drop("icon in"), drop("hide");
    if (failing == "icon in") drop("hide");  // no icon: the window stays reachable
    if (failing == "get DerPosition") expected.resize(7);          // flag stays off
    if (failing == "rect") expected.pop_back();                    // no rectangle, no move
    if (failing == "get Haut") expected.back() = "move 64,150";    // platform's top kept
    if (failing == "get Gauche") expected.back() = "move 200,48";  // platform's left kept
    EXPECT_EQ(j.calls, expected);
  }
}

TEST(PowerActions, ExactRequestsFromTheSystemFolder) {
  const struct {
    void (PowerActions::*click)();
    Calls expected;
  } cases[] = {
      {&PowerActions::ShutDown,
       {"start [C:\\Windows\\system32\\shutdown.exe] [shutdown -s -f -t 0] 2"}},
      {&PowerActions::Restart,
       {"start [C:\\Windows\\system32\\shutdown.exe] [shutdown -r -f -t 0] 2"}},
      {&PowerActions::LogOff, {"exitwindows 0 0"}},
  };
  for (const auto& c : cases) {
    test::Journal j;
    test::FakeLauncher launcher{j};
    test::FakeSession session{j};
    launcher.allowStarts = c.expected[0].starts_with("start");
    session.allowExit = !launcher.allowStarts;
    PowerActions power{launcher, session};
    (power.*c.click)();
    (power.*c.click)();  // a second click makes a second identical request
    EXPECT_EQ(j.calls, (Calls{c.expected[0], c.expected[0]}));
  }
}

}  // namespace
}  // namespace kalvero::app
