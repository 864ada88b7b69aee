#include <gtest/gtest.h>

#include <cmath>

#include "core/number_text.h"
#include "core/utf16le.h"
#include "fakes.h"

namespace kalvero::core {
namespace {

using test::N;

TEST(TextToNumber, ReadsTheLeadingNumberTheClassicWay) {
  const std::wstring hugeHex = L"&H" + std::wstring(300, L'F');
  const struct {
    const wchar_t* text;
    std::optional<double> expected;  // empty: too large to represent
  } cases[] = {
      {L"", 0}, {L"abc", 0}, {L"1", 1}, {L"01", 1}, {L"1.0", 1}, {L"1abc", 1}, {L" 1 ", 1},
      {L"\t1\n", 1}, {L"1 2 3", 123}, {L"- 1 . 5", -1.5}, {L"+7", 7}, {L"-150", -150},
      {L"1234,5", 1234}, {L"1234.5", 1234.5}, {L".5", 0.5}, {L"1.", 1}, {L"1e3", 1000},
      {L"1E-2", 0.01}, {L"2D2", 200}, {L"2d+2", 200}, {L"1e", 1}, {L"1e+", 1}, {L"1 e 3", 1000},
      {L"&H10", 16}, {L"&hff", 255}, {L"&O17", 15}, {L"&o8", 0}, {L"&H", 0}, {L"&X1", 0},
      {L"-&H10", 0}, {L"1\r", 1}, {L"\r1", 0}, {L"1.5.3", 1.5}, {L"--1", 0},
      {L"1e400", std::nullopt}, {L"-1e400", std::nullopt}, {L"1e-400", 0}, {L"0e999", 0},
      {hugeHex.c_str(), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(N(c.text));
    const auto got = TextToNumber(c.text);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
      EXPECT_DOUBLE_EQ(*got, *c.expected);
    }
  }
}

// An option is on only for exactly 1; a box rounds halves to even, and shows
// anything but 0, 1 and 2 cleared.
TEST(StoredOptions, OnOffAndBoxStates) {
  const struct {
    const wchar_t* text;
    bool on;
    int box;
  } cases[] = {
      {L"1", true, 1},     {L"1.0", true, 1},   {L"01", true, 1},    {L" 1x", true, 1},
      {L"&H1", true, 1},   {L"10e-1", true, 1}, {L"0", false, 0},    {L"2", false, 2},
      {L"1.5", false, 2},  {L"2.5", false, 2},  {L"0.5", false, 0},  {L"0.6", false, 1},
      {L"-1", false, 0},   {L"3", false, 0},    {L"abc", false, 0},  {L"", false, 0},
      {L"1e400", false, 0}, {L"70000", false, 0}, {L"1.4999", false, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsOptionOn(c.text), c.on) << N(c.text);
    EXPECT_EQ(CheckStateFromText(c.text), c.box) << N(c.text);
    EXPECT_EQ(CheckStateText(c.box), std::to_wstring(c.box));
  }
}

TEST(CoordinateText, WholeTwipsThatReadBackTheSame) {
  const struct {
    double twips;
    const char* text;
  } cases[] = {{1440, "1440"}, {-150, "-150"}, {0, "0"}, {1234.4, "1234"}, {1234.5, "1235"},
               {-0.4, "0"}, {123456789, "123456789"}};
  for (const auto& c : cases) {
    EXPECT_EQ(N(CoordinateText(c.twips)), c.text);
    EXPECT_EQ(TextToNumber(CoordinateText(c.twips)), std::round(c.twips) + 0.0);
  }
}

TEST(Utf16le, RoundTripOutsideTheAnsiCodePage) {
  for (const std::wstring t : {L"", L"Kalvéro", L"東京", L"\U0001F600 ok"}) {
    const auto bytes = EncodeRegSz(t);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.back() | bytes[bytes.size() - 2], 0) << "no NUL at the end";
    EXPECT_EQ(DecodeRegSz(bytes.data(), bytes.size()), t);
  }
  EXPECT_EQ(EncodeRegSz(L"abc").size(), 8u);
  const std::uint8_t embedded[] = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(DecodeRegSz(embedded, sizeof embedded), L"a");
}

}  // namespace
}  // namespace kalvero::core
