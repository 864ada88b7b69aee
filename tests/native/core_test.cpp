#include <gtest/gtest.h>

#include <set>

#include "core/number_text.h"
#include "core/placement.h"
#include "core/utf16le.h"
#include "fakes.h"
#include "resources/layout_about.h"
#include "resources/layout_main.h"
#include "resources/layout_settings.h"

namespace kalvero::core {
namespace {

// A stored text is read the classic way, one row for each way that goes (empty: too large); an option is on
// only for exactly 1, a box rounds halves to even and shows anything but 0, 1 and 2 cleared.
TEST(StoredTexts, NumberOptionBoxAndPosition) {
  const std::wstring hugeHex = L"&H" + std::wstring(300, L'F');
  const std::tuple<const wchar_t*, std::optional<double>, bool, int> cases[] = {
      {L"", 0, false, 0},        {L"abc", 0, false, 0},   {L"\t1\n", 1, true, 1},    {L" 1x", 1, true, 1},
      {L"1 2 3", 123, false, 0}, {L"- 1 . 5", -1.5, false, 0}, {L"+7", 7, false, 0}, {L"1234,5", 1234, false, 0},
      {L".5", 0.5, false, 0},    {L"0.6", 0.6, false, 1}, {L"1.5", 1.5, false, 2},  {L"2.5", 2.5, false, 2},
      {L"1.4999", 1.4999, false, 1}, {L"2", 2, false, 2}, {L"3", 3, false, 0},      {L"1E-2", 0.01, false, 0},
      {L"2d+2", 200, false, 0},  {L"1e+", 1, true, 1},    {L"&hff", 255, false, 0}, {L"&O17", 15, false, 0},
      {L"&o8", 0, false, 0},     {L"-&H10", 0, false, 0}, {L"\r1", 0, false, 0},    {L"1.5.3", 1.5, false, 2},
      {L"--1", 0, false, 0},     {L"1e400", {}, false, 0}, {L"1e-400", 0, false, 0}, {hugeHex.c_str(), {}, false, 0},
  };
  for (const auto& [text, number, on, box] : cases) {
    SCOPED_TRACE(test::N(text));
    EXPECT_EQ(TextToNumber(text), number);
    EXPECT_EQ(IsOptionOn(text), on);
    EXPECT_EQ(CheckStateFromText(text), box);
  }
  // A position is saved as a whole number of twips (which the table above reads back).
  const std::pair<double, const char*> saved[] = {{-150, "-150"}, {1234.5, "1235"}, {-0.4, "0"}, {1e8, "100000000"}};
  for (const auto& [twips, text] : saved) EXPECT_EQ(test::N(CoordinateText(twips)), text);
  // Written, a text is UTF-16LE (a surrogate pair for what lies beyond 16 bits) and ends with its NUL; read, it
  // ends at its first NUL or where its data ends, an odd last byte dropped.
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_EQ(EncodeRegSz(L"é\U0001F600"), (Bytes{0xE9, 0, 0x3D, 0xD8, 0, 0xDE, 0, 0}));
  for (const auto& [data, text] : {std::pair{Bytes{'o', 0, 'k', 0, '!'}, L"ok"}, {Bytes{'a', 0, 0, 0, 'b', 0}, L"a"},
                                   {Bytes{0x3D, 0xD8, 0, 0xDE, 0, 0}, L"\U0001F600"}})
    EXPECT_EQ(DecodeRegSz(data.data(), data.size()), text);
}

const platform::Monitor kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};

// The strip: 167 x 58 pixels at 96 dpi, 250 x 87 at 144.
struct Strip : platform::IScaledWindow {
  platform::Size OuterSize(int dpi) override { return {167 * dpi / 96, 58 * dpi / 96}; }
};

// Twips at 96 dpi: 15 twips a pixel; at 144, 10.
TEST(Placement, WindowsStayReachable) {
  const platform::Monitor kLeft{{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}}, kRight{{1920, 0, 3200, 1024}, {1920, 0, 3200, 984}};
  const platform::Monitor kAbove{{0, -1080, 1920, 0}, {0, -1080, 1920, -40}}, kBelow{{0, 1080, 1920, 2160}, {0, 1080, 1920, 2120}};
  // A 150 % laptop with a 100 % monitor on its right, and the other way round.
  const platform::Monitor kLaptop{kPrimary.bounds, kPrimary.work, 144}, kBeside{{-1920, 0, 0, 1080}, {-1920, 0, 0, 1040}};
  const platform::Monitor kLaptopBeside{{1920, 0, 3840, 1080}, {1920, 0, 3840, 1040}, 144};
  const std::tuple<std::vector<platform::Monitor>, double, double, int, int, int> cases[] = {  // ..., system dpi
      {{kPrimary}, 960, 720, 64, 48, 96},
      {{kPrimary}, 300, -150, 20, 7, 96},                   // slightly above the top
      {{kPrimary, kLeft}, -15000, 3000, -1000, 200, 96},    // a monitor to the left keeps negatives
      {{kPrimary, kLeft}, -450, 3000, 7, 200, 96},          // straddling two monitors is corrected
      {{kPrimary, kAbove}, 1500, -7500, 100, -500, 96},     // a monitor above keeps negatives
      {{kPrimary, kRight}, 60000, 1500, 3033, 100, 96},     // beyond a second monitor: into the nearest one
      {{kPrimary, kBelow}, 60000, 45000, 1753, 2062, 96},
      {{kRight, kPrimary, kLeft}, -15000, 13500, -1000, 900, 96},  // three: wherever the window is wholly
      {{kBelow, kPrimary, kAbove}, 1500, -15750, 100, -1050, 96},
      {{kLeft, kPrimary, kRight}, 57000, 600, 3033, 40, 96},      // beyond the last of three in a row
      {{kAbove, kPrimary, kBelow}, -30000, 60000, 7, 2062, 96},   // left of three stacked: back from the left
      {{kRight, kPrimary, kLeft}, 57000, 600, 3033, 40, 96},      // the nearest of three is not the last listed
      {{kPrimary, kBelow, kAbove}, 1500, 60000, 100, 2062, 96},
      {{kPrimary}, 28500, 1500, 1900, 100, 96},             // partly off the right edge stays
      {{kPrimary}, 3e38, 3e38, 1753, 982, 96},              // huge values come back, and stay finite
      {{}, -1, 99999, 7, 6667, 96},                         // no monitor known: the correction only
      {{{{0, 0, 1920, 1080}, {400, 0, 1920, 1080}}}, 1500, 1500, 400, 100, 96},  // wholly under a wide taskbar on the left
      // Parked against the laptop on the 100 % monitor at its left, where it is 167 wide: it stays there
      // at every start (taken at 250 wide, it would straddle both and go to 100 twips).
      {{kLaptop, kBeside}, -1670, 5000, -167, 500, 144},
      {{kBeside, kLaptop}, -1670, 9820, -167, 982, 144},
      // Beyond the 150 % monitor: into it, at its size there.
      {{kPrimary, kLaptopBeside}, 60000, 1500, 3590, 100, 96},
  };
  for (const auto& [monitors, left, top, x, y, dpi] : cases) {
    Strip strip;
    const Point p = PlaceRestoredWindow(left, top, strip, dpi, monitors);
    EXPECT_TRUE(p.x == x && p.y == y) << left << "," << top << " placed at " << p.x << "," << p.y;
  }
  // The settings window opens 1000 twips left of and 180 below the main window,
  // the About window centred over its opener; both moved inside the work area.
  const std::tuple<platform::Rect, Point, Point> openers[] = {
      {{400, 300, 567, 358}, {333, 370}, {292, 220}},
      {{7, 7, 174, 65}, {0, 77}, {0, 0}},
      {{1900, 1000, 2067, 1058}, {1631, 858}, {1538, 822}},
  };
  for (const auto& [opener, settings, about] : openers) {
    EXPECT_TRUE(PlaceSettingsWindow(opener, 289, 182, 96, kPrimary.work) == settings);
    EXPECT_TRUE(CentreOver(opener, 382, 218, kPrimary.work) == about);
  }
  // The settings window is made on the primary monitor (100 %), then placed below the strip on the
  // 150 % one, where it grows: placed again, it ends wholly inside the work area, its buttons above the
  // taskbar.
  Point at{0, 0};
  const auto size = [&] { return at.x >= 1920 ? platform::Size{433, 273} : platform::Size{289, 182}; };
  platform::PlaceForItsSize(size, [&](platform::Size s) { return PlaceSettingsWindow({3590, 953, 3840, 1040}, s.width, s.height, 144, kLaptopBeside.work); },
                  [&](Point p) { at = p; });
  EXPECT_TRUE(at == (Point{3407, 767})) << at.x << "," << at.y;
}

// Every layout at 100, 125, 150 and 175 %, and at a custom 115 %: edges that meet in twips meet in pixels, and what ends
// at the client edge in twips ends there. Neighbours that overlap by a pixel at 100 % (15 twips) overlap alike
// everywhere at each of the usual scales; at a custom one that overlap may round either way.
TEST(Layout, EdgesMeetAtEveryScale) {
  using platform::ToPixels, platform::TwipsToPixels;
  for (const int dpi : {96, 110, 120, 144, 168}) {
    std::set<int> overlaps;
    for (const auto& layout : {layout::kMainLayout, layout::kSettingsLayout, layout::kAboutLayout})
      for (const auto& a : layout.controls) {
        const auto pa = ToPixels(a, dpi);
        SCOPED_TRACE(test::N(a.text) + " at " + std::to_string(dpi));
        const int right = TwipsToPixels(layout.clientWidth, dpi), bottom = TwipsToPixels(layout.clientHeight, dpi);
        EXPECT_TRUE(a.left + a.width != layout.clientWidth || pa.x + pa.width == right);
        EXPECT_TRUE(a.top + a.height != layout.clientHeight || pa.y + pa.height == bottom);
        for (const auto& b : layout.controls) {
          const auto pb = ToPixels(b, dpi);
          const bool row = a.top < b.top + b.height && b.top < a.top + a.height;
          const bool column = a.left < b.left + b.width && b.left < a.left + a.width;
          EXPECT_TRUE(a.left + a.width != b.left || pa.x + pa.width == pb.x) << test::N(b.text);
          EXPECT_TRUE(a.top + a.height != b.top || pa.y + pa.height == pb.y) << test::N(b.text);
          if (row && a.left + a.width - b.left == 15) overlaps.insert(pa.x + pa.width - pb.x);
          if (column && a.top + a.height - b.top == 15) overlaps.insert(pa.y + pa.height - pb.y);
        }
      }
    EXPECT_TRUE(dpi % 24 || overlaps.size() == 1) << dpi << " dpi";
  }
}

}  // namespace
}  // namespace kalvero::core
