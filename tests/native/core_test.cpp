#include <gtest/gtest.h>

#include <cmath>

#include "core/number_text.h"
#include "core/placement.h"
#include "fakes.h"

namespace kalvero::core {
namespace {

// A stored text is read the classic way, one row for each way that goes; an option is on only for exactly 1,
// a box rounds halves to even and shows anything but 0, 1 and 2 cleared.
TEST(StoredTexts, NumberOptionAndBox) {
  const std::wstring hugeHex = L"&H" + std::wstring(300, L'F');
  const struct {
    const wchar_t* text;
    std::optional<double> number;  // empty: too large to represent
    bool on;
    int box;
  } cases[] = {
      {L"", 0, false, 0},          {L"abc", 0, false, 0},      {L"\t1\n", 1, true, 1},     {L" 1x", 1, true, 1},
      {L"1 2 3", 123, false, 0},   {L"- 1 . 5", -1.5, false, 0}, {L"+7", 7, false, 0},   {L"1234,5", 1234, false, 0},
      {L".5", 0.5, false, 0},      {L"0.6", 0.6, false, 1},    {L"1.5", 1.5, false, 2},    {L"2.5", 2.5, false, 2},
      {L"1.4999", 1.4999, false, 1}, {L"2", 2, false, 2},      {L"3", 3, false, 0},        {L"1E-2", 0.01, false, 0},
      {L"2d+2", 200, false, 0},    {L"1e+", 1, true, 1},       {L"&hff", 255, false, 0},   {L"&O17", 15, false, 0},
      {L"&o8", 0, false, 0},       {L"-&H10", 0, false, 0},    {L"\r1", 0, false, 0},      {L"1.5.3", 1.5, false, 2},
      {L"--1", 0, false, 0},       {L"1e400", {}, false, 0},   {L"1e-400", 0, false, 0},   {hugeHex.c_str(), {}, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(test::N(c.text));
    EXPECT_EQ(TextToNumber(c.text), c.number);
    EXPECT_EQ(IsOptionOn(c.text), c.on);
    EXPECT_EQ(CheckStateFromText(c.text), c.box);
  }
}

TEST(CoordinateText, WholeTwipsThatReadBackTheSame) {
  const std::pair<double, const char*> cases[] = {{-150, "-150"}, {1234.5, "1235"}, {-0.4, "0"}, {123456789, "123456789"}};
  for (const auto& [twips, text] : cases) {
    EXPECT_EQ(test::N(CoordinateText(twips)), text);
    EXPECT_EQ(TextToNumber(CoordinateText(twips)), std::round(twips) + 0.0);
  }
}

const platform::Monitor kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, kLeft{{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}};

TEST(Placement, RestoredWindowsStayReachable) {
  const platform::Monitor underTaskbar{{0, 0, 1920, 1080}, {400, 0, 1920, 1080}};  // a wide taskbar on the left
  // Twips at 96 dpi: 15 twips a pixel. The window is 167 x 58 pixels.
  const struct {
    const char* what;
    std::vector<platform::Monitor> monitors;
    double left, top;
    int x, y;
  } cases[] = {
      {"on the primary monitor", {kPrimary}, 960, 720, 64, 48},
      {"nothing readable: the corner", {kPrimary}, std::nan(""), std::nan(""), 0, 0},
      {"slightly above the top", {kPrimary}, 300, -150, 20, 7},
      {"monitor to the left keeps negatives", {kPrimary, kLeft}, -15000, 3000, -1000, 200},
      {"straddling two monitors is corrected", {kPrimary, kLeft}, -450, 3000, 7, 200},
      {"partly off the right edge stays", {kPrimary}, 28500, 1500, 1900, 100},
      {"below the screen comes back", {kPrimary}, 1500, 99999, 100, 982},
      {"huge values stay finite", {kPrimary}, 3e38, 3e38, 1753, 982},
      {"no monitor known: the correction only", {}, -1, 99999, 7, 6667},
      {"wholly on a monitor but under its taskbar", {underTaskbar}, 1500, 1500, 400, 100},
  };
  for (const auto& c : cases) {
    const Point p = PlaceRestoredWindow(c.left, c.top, 167, 58, 96, c.monitors);
    EXPECT_TRUE(p.x == c.x && p.y == c.y) << c.what << ": " << p.x << "," << p.y;
  }
}

// The settings window opens 1000 twips left of and 180 below the main window,
// the About window centred over its opener; both moved inside the work area.
TEST(Placement, SettingsAndAboutWindowsStayInTheWorkArea) {
  const struct {
    platform::Rect opener;
    Point settings, about;
  } cases[] = {
      {{400, 300, 567, 358}, {333, 370}, {292, 220}},
      {{7, 7, 174, 65}, {0, 77}, {0, 0}},
      {{1900, 1000, 2067, 1058}, {1631, 858}, {1538, 822}},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(PlaceSettingsWindow(c.opener, 289, 182, 96, kPrimary.work) == c.settings);
    EXPECT_TRUE(CentreOver(c.opener, 382, 218, kPrimary.work) == c.about);
  }
}

}  // namespace
}  // namespace kalvero::core
