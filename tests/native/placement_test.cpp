#include <gtest/gtest.h>

#include <cmath>

#include "core/placement.h"
#include "resources/layout_main.h"

namespace kalvero::core {

void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

using platform::Monitor;

const Monitor kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
const Monitor kLeft{{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}};
const Monitor kAbove{{0, -900, 1440, 0}, {0, -900, 1440, -40}};
const Monitor kSmall{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
const Monitor kLeftTaskbar{{0, 0, 1920, 1080}, {400, 0, 1920, 1080}};  // a wide taskbar on the left

TEST(Placement, RestoredWindowsStayReachable) {
  // Twips at 96 dpi: 15 twips a pixel. The window is 167 x 58 pixels.
  const struct {
    const char* what;
    std::vector<Monitor> monitors;
    double left, top;
    Point expected;
  } cases[] = {
      {"on the primary monitor", {kPrimary}, 960, 720, {64, 48}},
      {"zero stays zero", {kPrimary}, 0, 0, {0, 0}},
      {"slightly negative", {kPrimary}, -150, 300, {7, 20}},
      {"monitor to the left keeps negatives", {kPrimary, kLeft}, -15000, 3000, {-1000, 200}},
      {"monitor above keeps negatives", {kPrimary, kAbove}, 1500, -7500, {100, -500}},
      {"straddling two monitors is corrected", {kPrimary, kLeft}, -450, 3000, {7, 200}},
      {"partly off the right edge stays", {kPrimary}, 28500, 1500, {1900, 100}},
      {"partly below the work area stays", {kPrimary}, 1500, 15300, {100, 1020}},
      {"below the screen comes back", {kPrimary}, 1500, 99999, {100, 982}},
      {"monitor gone: nearest work area", {kSmall}, 27000, 13500, {857, 670}},
      {"huge values stay finite", {kPrimary}, 3e38, 3e38, {1753, 982}},
      {"no monitor known: the correction only", {}, -1, 99999, {7, 6667}},
      {"wholly on a monitor but under its taskbar", {kLeftTaskbar}, 1500, 1500, {400, 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlaceRestoredWindow(c.left, c.top, 167, 58, 96, c.monitors), c.expected);
  }
}

// The settings window opens 1000 twips left of and 180 below the main window,
// the About window centred over its opener; both moved inside the work area.
TEST(Placement, SettingsAndAboutWindowsStayInTheWorkArea) {
  const platform::Rect work{0, 0, 1920, 1040};
  const struct {
    platform::Rect opener;
    Point settings, about;
  } cases[] = {
      {{400, 300, 567, 358}, {333, 370}, {292, 220}},
      {{7, 7, 174, 65}, {0, 77}, {0, 0}},
      {{1900, 1000, 2067, 1058}, {1631, 858}, {1538, 822}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceSettingsWindow(c.opener, 289, 182, 96, work), c.settings);
    EXPECT_EQ(CentreOver(c.opener, 382, 218, work), c.about);
  }
}

TEST(Layout, StripFillsTheClientAreaAtEveryDpi) {
  for (int dpi : {96, 120, 144, 168, 192}) {
    SCOPED_TRACE(dpi);
    const int width = platform::TwipsToPixels(layout::kMainLayout.clientWidth, dpi);
    const int height = platform::TwipsToPixels(layout::kMainLayout.clientHeight, dpi);
    int rightmost = 0;
    for (const auto& c : layout::kMainControls) {
      const platform::PixelRect r = platform::ToPixels(c, dpi);
      EXPECT_EQ(r.height, height);
      EXPECT_NEAR(r.width, height, 1) << "buttons stay square";
      rightmost = std::max(rightmost, r.x + r.width);
    }
    EXPECT_EQ(rightmost, width);
  }
  EXPECT_EQ(platform::TwipsToPixels(std::nan(""), 96), 0);
}

}  // namespace
}  // namespace kalvero::core
