#include <utility>

#include "app/main_window_logic.h"
#include "app/power_actions.h"
#include "fakes.h"
#include "resources/layout_main.h"

namespace kalvero::app {
namespace {

// What start-up does; then what a power button and the close write, before their request and their tray call (a
// forced shutdown may end the program unasked). The position flag is the one read at start-up, whatever the
// settings window wrote since; positions are saved in twips of the system DPI.
TEST(StartUp, DoesAndSaves) {
  const std::string saved = "save Haut=720, save Gauche=960, ";
  const struct {
    std::map<std::wstring, std::wstring> settings;
    std::string load, saves;  // saves: what a power button and the close write first
    int dpi = 96;
    std::string failOn = "";  // every step after it still runs; the window never hides without an icon
    bool another = false;     // a second instance touches nothing
    std::string close = "icon in, hide";
  } rows[] = {
      {{}, "topmost off", ""},
      {{{L"FenVisible", L"1"}}, "", "", 96, "", true},
      {{{L"FenVisible", L" 01x"}, {L"AutoReduit", L"1"}}, "topmost on, tip Kalvero, icon in, hide", ""},
      {{{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, "topmost off, move 96,72", saved, 144},
      {{{L"AutoReduit", L"1"}, {L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}},
       "topmost off, tip Kalvero, icon in, move 64,48", saved, 96, "icon in", false, "icon in"},
      {{{L"DerPosition", L"1"}}, "topmost off", "", 96, "rect"},
      // Beyond single precision: that coordinate keeps the platform's place.
      {{{L"DerPosition", L"1"}, {L"Haut", L"1e39"}, {L"Gauche", L"960"}}, "topmost off, move 64,150",
       "save Haut=2250, save Gauche=960, "},
  };
  for (const auto& row : rows) {
    test::Fakes rig;
    PowerActions power{rig, rig};
    PowerMenu menu{power, rig, rig, rig};
    MainWindowLogic logic{rig, rig, rig, rig, power, menu};
    rig.values = row.settings, rig.dpi = row.dpi, rig.another = row.another, rig.failOn = row.failOn;
    const auto done = [&] {  // what was done since the last look, in order
      std::string all;
      for (const std::string& c : std::exchange(rig.calls, {})) all += (all.empty() ? "" : ", ") + c;
      return all;
    };
    logic.OnLoad();
    EXPECT_EQ(done(), row.load);
    rig.values[L"DerPosition"] = rig.values[L"DerPosition"] == L"1" ? L"0" : L"1";
    logic.OnPowerButton(&PowerActions::LogOff);
    EXPECT_EQ(done(), row.saves + "exitwindows 0 0");
    logic.OnClose();
    EXPECT_EQ(done(), row.saves + row.close);
  }
}

// The power buttons' menus as they show: each line where this Windows can do it, the button's own action
// first and shown as the default, a cancel line only while a delay Kalvero asked for runs, with its time on
// this computer's clock.
TEST(PowerMenus, WhatEachShows) {
  using layout::kCommand1, layout::kCommand2, layout::kCommand3;
  const std::string delays = ">[1&5 minutes|&30 minutes|&1 heure|&2 heures]";
  const std::string shutdown = "*&Arrêter maintenant|Arrêter &dans" + delays, restart = "*&Redémarrer maintenant|Redémarrer &dans" + delays;
  const platform::PowerCapabilities none{}, all{true, false, true, true, true}, standby{false, true};
  const std::tuple<int, platform::PowerCapabilities, std::optional<Delay>, std::string> rows[] = {
      {kCommand1, none, {}, shutdown},
      {kCommand1, all, {}, shutdown + "|Mettre en &veille|Mettre en veille &prolongée"},
      {kCommand1, standby, {}, shutdown + "|Mettre en &veille"},  // modern standby sleeps too
      {kCommand1, {.sleep = true}, {}, shutdown + "|Mettre en &veille"},  // hibernation off or not allowed
      {kCommand1, {.hibernate = true}, Delay{false, 1765101800}, shutdown + "|Mettre en veille &prolongée|A&nnuler l'arrêt programmé (11:03)"},
      {kCommand1, none, Delay{true, 1765101800}, shutdown},      // a restart's delay is not the shutdown's
      {kCommand2, none, {}, restart},
      {kCommand2, all, Delay{true, 1765115000}, restart + "|Redémarrer vers les &options de démarrage avancées|A&nnuler le redémarrage programmé (14:43)"},
      {kCommand2, none, Delay{false, 1765101800}, restart},
      {kCommand3, none, {}, "*Se &déconnecter maintenant|&Verrouiller la session"},
      {kCommand3, all, Delay{false, 1765101800}, "*Se &déconnecter maintenant|&Verrouiller la session|&Changer d'utilisateur"},
      {layout::kCommand4, all, {}, ""},
  };
  const auto text = [](auto& self, const std::vector<MenuLine>& lines) -> std::string {
    std::string out;
    for (const MenuLine& l : lines)
      out += (out.empty() ? "" : "|") + std::string(l.isDefault ? "*" : "") + test::N(l.text) + (l.submenu.empty() ? "" : ">[" + self(self, l.submenu) + "]");
    return out;
  };
  for (const auto& [button, can, delay, shown] : rows) {
    SCOPED_TRACE(shown);
    test::Fakes rig;
    PowerActions power{rig, rig};
    PowerMenu menu{power, rig, rig, rig};
    rig.can = can;
    if (delay) {  // half an hour, asked for and taken by Windows
      rig.now = delay->at - 1800;
      menu.Choose(delay->restart ? layout::kRestartIn30 : layout::kShutDownIn30);
      rig.ended.push_back({1, 0});
      menu.Poll();
    }
    EXPECT_EQ(text(text, menu.Lines(button)), shown);
  }
}

// What each line does, once the position is written (as for the buttons: a forced shutdown may end Kalvero
// unasked): the buttons' shutdown.exe, minimised, with its command line, or the system's call. A delay runs
// once Windows took it, with the tray's tooltip saying so, until it is cancelled or its time has passed; a
// failure says why in a message box.
TEST(PowerMenus, WhatEachLineDoes) {
  using namespace layout;
  const std::string start = "start [C:\\Windows\\system32\\shutdown.exe] [shutdown ", box = "box [Kalvero n'a pas pu ";
  const platform::PowerCapabilities sleeps{.sleep = true}, standby{.modernStandby = true};
  const struct {
    int command;
    std::string did;
    std::string tip = "Kalvero";  // the tray's, once the request ended with exitCode
    platform::PowerCapabilities can = {};
    std::uint32_t exitCode = 0;
    std::string failOn = "";
    std::uint32_t failCode = 5;
    bool delayed = false;  // a delay Kalvero asked for runs before
  } rows[] = {
      {kShutDownNow, start + "-s -f -t 0] 2"},
      {kShutDownIn15, start + "-s -f -t 900] 2", "Kalvero - arrêt à 10:48"},
      {kShutDownIn30, start + "-s -f -t 1800] 2", "Kalvero - arrêt à 11:03"},
      {kShutDownIn60, start + "-s -f -t 3600] 2", "Kalvero - arrêt à 11:33"},
      {kShutDownIn120, start + "-s -f -t 7200] 2", "Kalvero - arrêt à 12:33"},
      {kRestartNow, start + "-r -f -t 0] 2"},
      {kRestartIn15, start + "-r -f -t 900] 2", "Kalvero - redémarrage à 10:48"},
      {kRestartIn120, start + "-r -f -t 7200] 2", "Kalvero - redémarrage à 12:33"},
      {kAdvancedRestart, start + "-r -o -f -t 0] 2"},
      {kCancelShutdown, start + "-a] 2", "Kalvero", {}, 0, "", 5, true},
      {kCancelRestart, start + "-a] 2", "Kalvero", {}, 1116, "", 5, true},  // nothing left to cancel: over all the same
      {kSleep, "sleep", "Kalvero", sleeps},
      {kSleep, "display off", "Kalvero", standby},  // modern standby: the display goes off, as Windows' Sleep does
      {kHibernate, "hibernate"},
      {kLogOffNow, "exitwindows 0 0"},
      {kLock, "lock"},
      {kSwitchUser, "switch user"},
      // Failures, with their reasons.
      {kShutDownIn30, start + "-s -f -t 1800] 2, " + box + "programmer l'arrêt : shutdown.exe est introuvable dans le dossier système de Windows.] [Kalvero] 48",
       "Kalvero", {}, 0, start + "-s -f -t 1800] 2", 2},
      {kRestartIn60, start + "-r -f -t 3600] 2, " + box + "programmer le redémarrage : un arrêt ou un redémarrage est déjà programmé ; annulez-le d'abord.] [Kalvero] 48",
       "Kalvero", {}, 1190},
      {kCancelShutdown, start + "-a] 2, " + box + "annuler l'arrêt programmé : Windows a répondu par l'erreur 87.] [Kalvero] 48",
       "Kalvero - arrêt à 11:03", {}, 87, "", 5, true},
      {kHibernate, "hibernate, " + box + "mettre l'ordinateur en veille prolongée : Windows refuse ce droit à votre compte.] [Kalvero] 48",
       "Kalvero", {}, 0, "hibernate", 1300},
      {kSwitchUser, "switch user, " + box + "changer d'utilisateur : cette version de Windows ne le permet pas.] [Kalvero] 48",
       "Kalvero", {}, 0, "switch user", 50},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.did);
    test::Fakes rig;
    PowerActions power{rig, rig};
    PowerMenu menu{power, rig, rig, rig};
    MainWindowLogic logic{rig, rig, rig, rig, power, menu};
    rig.values = {{L"DerPosition", L"1"}, {L"Haut", L"720"}, {L"Gauche", L"960"}}, rig.can = row.can;
    logic.OnLoad();
    if (row.delayed) {
      logic.OnMenuCommand(kShutDownIn30);
      rig.ended.push_back({rig.started, 0});
      logic.PollRequests();
    }
    rig.calls.clear(), rig.failOn = row.failOn, rig.failCode = row.failCode;
    logic.OnMenuCommand(row.command);
    if (row.did.starts_with(start)) rig.ended.push_back({rig.started, row.exitCode});
    logic.PollRequests();
    std::string did;
    for (const std::string& c : rig.calls)
      if (!c.starts_with("tip ")) did += (did.empty() ? "" : ", ") + c;
    EXPECT_EQ(did, "save Haut=720, save Gauche=960, " + row.did);
    EXPECT_EQ(test::N(menu.TipText()), row.tip);
    rig.now += 7201;  // every delay is over
    EXPECT_EQ(test::N(menu.TipText()), "Kalvero");
  }
}

}  // namespace
}  // namespace kalvero::app
