#include <gtest/gtest.h>

#include <cmath>

#include "fakes.h"
#include "settings/registry_text.h"
#include "settings/settings_logic.h"
#include "settings/settings_store.h"

namespace kalvero::settings {
namespace {

using test::N;

struct NumberCase {
  const wchar_t* text;
  std::optional<double> expected;  // empty: too large to represent
};

TEST(TextToNumber, ReadsTheLeadingNumberTheClassicWay) {
  const NumberCase cases[] = {
      {L"", 0},           {L"abc", 0},          {L"1", 1},           {L"01", 1},
      {L"1.0", 1},        {L"1abc", 1},         {L" 1 ", 1},         {L"\t1\n", 1},
      {L"1 2 3", 123},    {L"- 1 . 5", -1.5},   {L"+7", 7},          {L"-150", -150},
      {L"1234,5", 1234},  {L"1234.5", 1234.5},  {L".5", 0.5},        {L"1.", 1},
      {L"1e3", 1000},     {L"1E-2", 0.01},      {L"2D2", 200},       {L"2d+2", 200},
      {L"1e", 1},         {L"1e+", 1},          {L"1 e 3", 1000},    {L"&H10", 16},
      {L"&hff", 255},     {L"&O17", 15},        {L"&o8", 0},         {L"&H", 0},
      {L"&", 0},          {L"&X1", 0},          {L"-&H10", 0},       {L"0.6", 0.6},
      {L"1\r", 1},        {L"\r1", 0},          {L"1.5.3", 1.5},     {L"--1", 0},
      {L"1e400", std::nullopt},                 {L"-1e400", std::nullopt},
      {L"1e-400", 0},     {L"0e999", 0},        {L"0.000001e-320", 0},
      {L"&HFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
       L"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
       L"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
       std::nullopt},
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

TEST(Options, OnlyExactlyOneIsOn) {
  const struct {
    const wchar_t* text;
    bool on;
  } cases[] = {
      {L"1", true},    {L"1.0", true},  {L"01", true},  {L"1abc", true}, {L" 1 ", true},
      {L"1x", true},   {L"&H1", true},  {L"10e-1", true}, {L"0", false}, {L"2", false},
      {L"1.5", false}, {L"-1", false},  {L"abc", false}, {L"", false},   {L"0.6", false},
      {L"1e400", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOptionOn(c.text), c.on) << N(c.text);
}

TEST(CheckState, RoundsHalvesToEvenAndClearsOddValues) {
  const struct {
    const wchar_t* text;
    int state;
  } cases[] = {
      {L"0", 0},   {L"1", 1},   {L"2", 2},   {L"0.5", 0},  {L"1.5", 2}, {L"2.5", 2},
      {L"0.6", 1}, {L"0.4", 0}, {L"-0.4", 0}, {L"3", 0},   {L"-1", 0},  {L"abc", 0},
      {L"", 0},    {L"1e9", 0}, {L"1e400", 0}, {L"70000", 0}, {L"1.4999", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckStateFromText(c.text), c.state) << N(c.text);
  EXPECT_EQ(N(CheckStateText(0)), "0");
  EXPECT_EQ(N(CheckStateText(2)), "2");
}

TEST(CoordinateText, WholeTwipsWithoutSeparators) {
  const struct {
    double twips;
    const char* text;
  } cases[] = {{1440, "1440"}, {-150, "-150"}, {0, "0"}, {1234.4, "1234"}, {1234.5, "1235"},
               {-0.4, "0"}, {123456789, "123456789"}};
  for (const auto& c : cases) {
    EXPECT_EQ(N(CoordinateText(c.twips)), c.text);
    // What is written reads back as the same number.
    EXPECT_EQ(TextToNumber(CoordinateText(c.twips)), std::round(c.twips) + 0.0);
  }
}

TEST(RegistryText, Utf16RoundTripOutsideTheAnsiCodePage) {
  const std::wstring texts[] = {L"", L"Kalvéro", L"東京", L"\U0001F600 ok"};
  for (const auto& t : texts) {
    const auto bytes = EncodeRegSz(t);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[bytes.size() - 1], 0);
    EXPECT_EQ(bytes[bytes.size() - 2], 0);
    EXPECT_EQ(DecodeRegSz(bytes.data(), bytes.size()), t);
  }
  EXPECT_EQ(EncodeRegSz(L"abc").size(), 8u);
  const std::uint8_t embedded[] = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(DecodeRegSz(embedded, sizeof embedded), L"a");
}

class StoreTest : public ::testing::Test {
 protected:
  test::FakeRegistry reg;
  RegistrySettingsStore store{reg};
  const std::wstring path = L"HKCU\\Software\\VB and VBA Program Settings\\Kalvero\\Settings";
};

TEST_F(StoreTest, MissingKeyValueOrWrongTypeGivesTheDefault) {
  EXPECT_EQ(store.GetSetting(L"Kalvero", L"Settings", L"Haut", L"10"), L"10");
  reg.keys[path][L"Haut"] = {platform::kRegDword, {1, 0, 0, 0}};
  EXPECT_EQ(store.GetSetting(L"Kalvero", L"Settings", L"Haut", L"10"), L"10");
  EXPECT_EQ(store.GetSetting(L"Kalvero", L"Settings", L"Gauche", L"10"), L"10");
  EXPECT_TRUE(reg.open.empty());
}

TEST_F(StoreTest, WritesAndReadsBackUnderTheClassicKey) {
  store.SaveSetting(L"Kalvero", L"Settings", L"Haut", L"-150");
  ASSERT_TRUE(reg.keys.count(path));
  EXPECT_EQ(reg.keys[path][L"Haut"].type, platform::kRegSz);
  EXPECT_EQ(store.GetSetting(L"Kalvero", L"Settings", L"Haut", L"10"), L"-150");
  // A value written by another program without its NUL reads the same.
  reg.keys[path][L"Gauche"] = {platform::kRegSz, {'9', 0, '6', 0, '0', 0}};
  EXPECT_EQ(store.GetSetting(L"Kalvero", L"Settings", L"Gauche", L"10"), L"960");
  EXPECT_TRUE(reg.open.empty());
}

TEST_F(StoreTest, RefusedWriteIsSilentAndLeavesNothingOpen) {
  reg.refuseWrites = platform::kRegAccessDenied;
  store.SaveSetting(L"Kalvero", L"Settings", L"Haut", L"1");
  EXPECT_TRUE(reg.keys.empty());
  EXPECT_TRUE(reg.open.empty());
}

}  // namespace
}  // namespace kalvero::settings
