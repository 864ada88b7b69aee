#include <gtest/gtest.h>

#include "app/placement.h"
#include "resources/layout_main.h"

namespace kalvero::app {

void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

using platform::Monitor;

const Monitor kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
const Monitor kLeft{{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}};
const Monitor kAbove{{0, -900, 1440, 0}, {0, -900, 1440, -40}};
const Monitor kSmall{{0, 0, 1024, 768}, {0, 0, 1024, 728}};

TEST(Placement, RestoredWindowsStayReachable) {
  // Twips at 96 dpi: 15 twips a pixel. The window is 167 x 58 pixels.
  const struct {
    const char* what;
    std::vector<Monitor> monitors;
    double left, top;
    Point expected;
  } cases[] = {
      {"on the primary monitor", {kPrimary}, 960, 720, {64, 48}},
      {"defaults", {kPrimary}, 10, 10, {1, 1}},
      {"zero stays zero", {kPrimary}, 0, 0, {0, 0}},
      {"negative on a single screen", {kPrimary}, -1, -50, {7, 7}},
      {"slightly negative", {kPrimary}, -150, 300, {7, 20}},
      {"monitor to the left keeps negatives", {kPrimary, kLeft}, -15000, 3000, {-1000, 200}},
      {"monitor above keeps negatives", {kPrimary, kAbove}, 1500, -7500, {100, -500}},
      {"straddling two monitors is corrected", {kPrimary, kLeft}, -450, 3000, {7, 200}},
      {"partly off the right edge stays", {kPrimary}, 28500, 1500, {1900, 100}},
      {"partly below the work area stays", {kPrimary}, 1500, 15300, {100, 1020}},
      {"below the screen comes back", {kPrimary}, 1500, 99999, {100, 982}},
      {"monitor gone: nearest work area", {kSmall}, 27000, 13500, {857, 670}},
      {"far beyond the left with nothing there", {kPrimary}, -99999, 3000, {7, 200}},
      {"huge values stay finite", {kPrimary}, 3e38, 3e38, {1753, 982}},
      {"no monitor known: the correction only", {}, -1, 99999, {7, 6667}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlaceRestoredWindow(c.left, c.top, 167, 58, 96, c.monitors), c.expected);
  }
}

TEST(Placement, TwipsAtOtherDpis) {
  EXPECT_EQ(TwipsToPixels(1440, 144), 144);
  EXPECT_EQ(TwipsToPixels(100, 144), 10);
  EXPECT_EQ(PixelsToTwips(64, 96), 960);
  EXPECT_EQ(PixelsToTwips(7, 168), 60);
}

TEST(Layout, StripFillsTheClientAreaAtEveryDpi) {
  using namespace layout;
  for (int dpi : {96, 120, 144, 168, 192}) {
    SCOPED_TRACE(dpi);
    const int clientWidth = ToPixels(kMainClientWidth, dpi);
    const int clientHeight = ToPixels(kMainClientHeight, dpi);
    int rightmost = 0;
    for (const auto& c : kMainControls) {
      const PixelRect r = ToPixels(c, dpi);
      EXPECT_EQ(r.y, 0);
      EXPECT_EQ(r.height, clientHeight);
      EXPECT_NEAR(r.width, clientHeight, 1) << "buttons stay square";
      rightmost = std::max(rightmost, r.x + r.width);
    }
    EXPECT_EQ(rightmost, clientWidth);
  }
  EXPECT_EQ(ToPixels(kMainClientWidth, 96), 161);
  EXPECT_EQ(ToPixels(kMainClientHeight, 96), 33);
  // Neighbours overlap by one pixel at 96 dpi.
  EXPECT_EQ(ToPixels(kMainControls[1], 96).x, 32);
  EXPECT_EQ(ToPixels(kMainControls[0], 96).width, 33);
}

TEST(Layout, TabOrderAndPictures) {
  using namespace layout;
  int byTab[5] = {};
  for (const auto& c : kMainControls) byTab[c.tabIndex] = c.id;
  EXPECT_EQ(std::vector<int>(byTab, byTab + 5),
            (std::vector<int>{kCommand1, kCommand3, kCommand4, kCommand5, kCommand2}));
  const struct {
    int px, index;
  } picks[] = {{33, 0}, {34, 1}, {41, 1}, {50, 2}, {58, 3}, {66, 3}, {99, 3}, {20, 0}};
  for (const auto& p : picks) EXPECT_EQ(PictureScaleIndex(p.px), p.index) << p.px;
}

}  // namespace
}  // namespace kalvero::app
