#include <gtest/gtest.h>

#include "app/startup.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using Calls = std::vector<std::string>;

class TrayTest : public ::testing::Test, protected test::MainLogicRig {
 protected:

  Calls Do(void (MainWindowLogic::*action)()) {
    journal.calls.clear();
    (logic.*action)();
    return journal.calls;
  }
  Calls Click(int button) {
    journal.calls.clear();
    logic.OnTrayIconClick(button);
    return journal.calls;
  }
};

TEST_F(TrayTest, ButtonTogglesBetweenShownAndInTray) {
  // The icon's operation always comes before the window's.
  EXPECT_EQ(Do(&MainWindowLogic::OnTrayButton), (Calls{"tip Kalvero", "icon in", "hide"}));
  EXPECT_TRUE(tray.inTray);
  EXPECT_EQ(Do(&MainWindowLogic::OnTrayButton), (Calls{"tip Kalvero", "icon out", "show"}));
  EXPECT_FALSE(tray.inTray);
}

TEST_F(TrayTest, OnlyTheLeftButtonActsAndWritesNoTip) {
  const struct {
    int button;
    bool inTray;
    Calls expected;
  } cases[] = {
      {1, true, {"icon out", "show"}}, {1, false, {"icon in", "hide"}},
      {2, true, {}},                   {4, true, {}},
      {2, false, {}},                  {0, true, {}},
  };
  for (const auto& c : cases) {
    tray.inTray = c.inTray;
    EXPECT_EQ(Click(c.button), c.expected) << c.button << (c.inTray ? " in tray" : " shown");
  }
}

TEST_F(TrayTest, StartUpGoesToTheTrayOnlyForExactlyOne) {
  const struct {
    const wchar_t* text;
    bool inTray;
  } cases[] = {{L"1", true}, {L" 01 ", true}, {L"0", false}, {L"2", false},
               {L"oui", false}, {L"", false}, {L"1e400", false}};
  for (const auto& c : cases) {
    test::MainLogicRig rig;
    auto& j = rig.journal;
    auto& s = rig.store;
    auto& t = rig.tray;
    auto& l = rig.logic;
    s.values[L"AutoReduit"] = c.text;
    l.OnLoad();
    EXPECT_EQ(t.inTray, c.inTray) << test::N(c.text);
    const bool hidden = std::find(j.calls.begin(), j.calls.end(), "hide") != j.calls.end();
    EXPECT_EQ(hidden, c.inTray) << test::N(c.text);
  }
}

TEST_F(TrayTest, CloseFromEitherStateSendsToTrayWithoutTip) {
  EXPECT_EQ(Do(&MainWindowLogic::OnCloseRequest), (Calls{"icon in", "hide"}));
  EXPECT_EQ(Do(&MainWindowLogic::OnCloseRequest), (Calls{"icon in", "hide"}));
}

TEST_F(TrayTest, AFailingIconLeavesTheWindowAlone) {
  journal.failOn = "icon in";
  EXPECT_ANY_THROW(logic.OnTrayButton());
  EXPECT_EQ(journal.calls, (Calls{"tip Kalvero", "icon in"})) << "hidden without an icon";

  tray.inTray = true;
  journal.calls.clear();
  journal.failOn = "icon out";
  EXPECT_ANY_THROW(logic.OnTrayIconClick(platform::kTrayLeftButton));
  EXPECT_EQ(journal.calls, (Calls{"icon out"}));
}

}  // namespace
}  // namespace kalvero::app
