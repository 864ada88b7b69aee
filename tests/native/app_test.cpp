#include <algorithm>

#include "about/about_texts.h"
#include "app/main_window_logic.h"
#include "fakes.h"

namespace kalvero::app {
namespace {

using test::Calls;
using Settings = std::map<std::wstring, std::wstring>;

struct Rig : test::Fakes, platform::IInstanceGuard {
  bool AnotherInstanceRunning() override { return another; }
  Calls Run(bool (MainWindowLogic::*step)()) { return calls.clear(), (logic.*step)(), calls; }
  bool another = false;
  MainWindowLogic logic{*this, *this, *this, *this};
};

// What start-up reads and does, then what the close writes: the position flag is the one read at start-up,
// whatever the settings window wrote since, and positions are saved in twips of the system DPI.
TEST(StartUp, SequenceByStoredSettings) {
  const Calls reads{"get FenVisible", "topmost off", "get AutoReduit", "get DerPosition"};
  const auto then = [&](Calls tail) { return tail.insert(tail.begin(), reads.begin(), reads.end()), tail; };
  const auto moved = [&](const char* move) { return then({"get Haut", "get Gauche", "rect", move}); };
  const auto saved = [](const char* haut, const char* gauche) {
    return Calls{"icon in", "hide", "rect", std::string("save Haut=") + haut, std::string("save Gauche=") + gauche};
  };
  const Calls hidden{"icon in", "hide"};
  const struct {
    Settings settings;
    Calls load, close;
    int dpi = 96;
    std::string failOn = "";  // every step after it still runs; the window never hides without an icon
    bool another = false;     // a second instance touches nothing
  } rows[] = {
      {{}, reads, hidden},
      {{{L"FenVisible", L"1"}}, {}, hidden, 96, "", true},
      {{{L"FenVisible", L" 01x"}, {L"AutoReduit", L"1"}},
       {"get FenVisible", "topmost on", "get AutoReduit", "tip Kalvero", "icon in", "hide", "get DerPosition"}, hidden},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, moved("move 96,72"), saved("720", "960"), 144},
      {{{L"AutoReduit", L"1"}, {L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}},
       {"get FenVisible", "topmost off", "get AutoReduit", "tip Kalvero", "icon in", "get DerPosition", "get Haut",
        "get Gauche", "rect", "move 64,48"},
       {"icon in", "rect", "save Haut=720", "save Gauche=960"}, 96, "icon in"},
      {{{L"DerPosition", L"1"}}, then({"get Haut", "get Gauche", "rect"}), {"icon in", "hide", "rect"}, 96, "rect"},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}}, moved("move 64,150"), saved("2250", "960")},
  };
  for (const auto& row : rows) {
    Rig rig;
    rig.values = row.settings, rig.dpi = row.dpi, rig.another = row.another, rig.failOn = row.failOn;
    EXPECT_EQ(rig.Run(&MainWindowLogic::OnLoad), row.load);
    rig.values[L"DerPosition"] = rig.values[L"DerPosition"] == L"1" ? L"0" : L"1";
    rig.Run(&MainWindowLogic::OnCloseRequest);
    rig.logic.OnUnload();
    EXPECT_EQ(rig.calls, row.close);
  }
}

// The icon's operation comes first; when it fails the window is left as it is.
TEST(Tray, ButtonAndIconClicks) {
  const std::tuple<bool, int, std::string, Calls> rows[] = {  // button 0: the strip's tray button
      {false, 0, "", {"tip Kalvero", "icon in", "hide"}}, {true, 1, "", {"icon out", "show"}}, {true, 2, "", {}},
      {false, 0, "icon in", {"tip Kalvero", "icon in"}},  {true, 1, "icon out", {"icon out"}},
  };
  for (const auto& [inTray, button, failOn, expected] : rows) {
    Rig rig;
    rig.inTray = inTray, rig.failOn = failOn;
    button ? rig.logic.OnTrayIconClick(button) : rig.logic.OnTrayButton();
    EXPECT_EQ(rig.calls, expected) << inTray << " " << button << " " << failOn;
  }
}

// The About box's text box breaks lines at a bare CR.
TEST(AboutTexts, DetailsBreakAtBareReturns) {
  const std::wstring text = about::DetailsText({L"https://www.example.org/", L"a@example.org", L"", L"auteur"});
  EXPECT_TRUE(std::ranges::count(text, L'\r') == 12 && text.find(L'\n') == std::wstring::npos);
}

}  // namespace
}  // namespace kalvero::app
