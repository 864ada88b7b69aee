#include <gtest/gtest.h>

#include "app/placement.h"
#include "fakes.h"
#include "settings/settings_dialog.h"

namespace kalvero::settings {
namespace {

using Calls = std::vector<std::string>;

class SettingsDialogTest : public ::testing::Test, protected test::MainLogicRig {
 protected:
  app::MainWindowLogic& main = logic;
  SettingsDialogLogic dialog{store, main};
};

TEST_F(SettingsDialogTest, LoadReadsInOrderByTheCheckBoxRule) {
  store.values = {{L"FenVisible", L"0.6"}, {L"DerPosition", L"2"}, {L"AutoReduit", L"7"}};
  EXPECT_EQ(dialog.Load(), (OptionBoxes{1, 0, 2}));
  EXPECT_EQ(journal.calls, (Calls{"get FenVisible", "get DerPosition", "get AutoReduit"}));
  store.values.clear();
  EXPECT_EQ(dialog.Load(), (OptionBoxes{0, 0, 0}));
}

TEST_F(SettingsDialogTest, ApplySavesReadsBackAndAppliesTopmost) {
  const struct {
    OptionBoxes boxes;
    const char *fen, *der, *auto_;
    const char* topmost;
  } cases[] = {
      {{1, 0, 0}, "1", "0", "0", "topmost on"},
      {{0, 1, 1}, "0", "1", "1", "topmost off"},
      {{2, 2, 2}, "2", "2", "2", "topmost off"},  // greyed boxes write "2" back
  };
  for (const auto& c : cases) {
    journal.calls.clear();
    dialog.Apply(c.boxes);
    EXPECT_EQ(journal.calls,
              (Calls{std::string("save FenVisible=") + c.fen, std::string("save DerPosition=") + c.der,
                     std::string("save AutoReduit=") + c.auto_, "get FenVisible", c.topmost}));
  }
}

TEST_F(SettingsDialogTest, ShownTickedFromPointSixIsWrittenAsOne) {
  store.values[L"FenVisible"] = L"0.6";
  dialog.Apply(dialog.Load());
  EXPECT_EQ(test::N(store.values[L"FenVisible"]), "1");
  EXPECT_TRUE(window.topmost);
}

TEST_F(SettingsDialogTest, ApplyLeavesTheRememberFlagAsReadAtStartUp) {
  main.OnLoad();  // DerPosition absent: off
  dialog.Apply({0, 0, 1});
  journal.calls.clear();
  main.OnUnload();
  EXPECT_TRUE(journal.calls.empty()) << "no position written in this run";
}

TEST(SettingsPlacement, BelowTheMainWindowAndInsideTheWorkArea) {
  const platform::Rect work{0, 0, 1920, 1040};
  const struct {
    const char* what;
    platform::Rect main;
    app::Point expected;
  } cases[] = {
      {"room enough", {400, 300, 567, 358}, {333, 370}},
      {"near the left edge", {7, 7, 174, 65}, {0, 77}},
      {"near the bottom", {400, 1000, 567, 1058}, {333, 858}},
      {"off to the right", {1900, 300, 2067, 358}, {1631, 370}},
  };
  for (const auto& c : cases) {
    const app::Point p = app::PlaceSettingsWindow(c.main, 289, 182, 96, work);
    EXPECT_EQ(p.x, c.expected.x) << c.what;
    EXPECT_EQ(p.y, c.expected.y) << c.what;
  }
}

TEST(AboutPlacement, CentredOverItsOpenerInsideTheWorkArea) {
  const platform::Rect work{0, 0, 1920, 1040};
  const struct {
    const char* what;
    platform::Rect opener;
    app::Point expected;
  } cases[] = {
      {"room enough", {333, 370, 628, 565}, {289, 358}},
      {"opener at the left edge", {0, 370, 295, 565}, {0, 358}},
      {"opener at the bottom right", {1700, 900, 1995, 1095}, {1538, 822}},
  };
  for (const auto& c : cases) {
    const app::Point p = app::CentreOver(c.opener, 382, 218, work);
    EXPECT_EQ(p.x, c.expected.x) << c.what;
    EXPECT_EQ(p.y, c.expected.y) << c.what;
  }
}

}  // namespace
}  // namespace kalvero::settings
