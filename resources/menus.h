// The power buttons' menus, opened by a right-click, the Menu key or Shift+F10.
// Each menu's first line is its button's own action, shown as the default; the
// others are what the button cannot do in one click. Lines in menu order.
#pragma once

#include <span>

namespace kalvero::layout {

enum PowerCommand : int {
  kShutDownNow = 1001, kShutDownIn15, kShutDownIn30, kShutDownIn60, kShutDownIn120, kSleep, kHibernate,
  kCancelShutdown,
  kRestartNow = 1101, kRestartIn15, kRestartIn30, kRestartIn60, kRestartIn120, kAdvancedRestart, kCancelRestart,
  kLogOffNow = 1201, kLock, kSwitchUser,
};

// What a line does.
enum class Act {
  None,             // a submenu's title
  ShutDownNow,      // as the button
  ShutDownIn,       // shutdown.exe -s -f -t delay
  RestartNow,       // as the button
  RestartIn,        // shutdown.exe -r -f -t delay
  AdvancedRestart,  // shutdown.exe -r -o -f -t 0
  Cancel,           // shutdown.exe -a
  Sleep,
  Hibernate,
  LogOffNow,        // as the button
  Lock,
  SwitchUser,
};

// When a line is shown: what this Windows must be able to do, or a delay of
// Kalvero's that must be running.
enum class Shown { Always, CanSleep, CanHibernate, HasAdvancedStartup, CanSwitchUser, ShutdownDelayed, RestartDelayed };

struct MenuEntry {
  int command;        // 0 for a submenu's title
  const wchar_t* text;  // with its access key
  Act act;
  Shown when = Shown::Always;
  int delaySeconds = 0;
  const wchar_t* failure = L"";  // what could not be done, after « Kalvero n'a pas pu »
  std::span<const MenuEntry> submenu = {};
};

inline constexpr MenuEntry kShutdownDelays[] = {
    {kShutDownIn15, L"1&5 minutes", Act::ShutDownIn, Shown::Always, 15 * 60, L"programmer l'arrêt"},
    {kShutDownIn30, L"&30 minutes", Act::ShutDownIn, Shown::Always, 30 * 60, L"programmer l'arrêt"},
    {kShutDownIn60, L"&1 heure", Act::ShutDownIn, Shown::Always, 60 * 60, L"programmer l'arrêt"},
    {kShutDownIn120, L"&2 heures", Act::ShutDownIn, Shown::Always, 120 * 60, L"programmer l'arrêt"},
};
inline constexpr MenuEntry kRestartDelays[] = {
    {kRestartIn15, L"1&5 minutes", Act::RestartIn, Shown::Always, 15 * 60, L"programmer le redémarrage"},
    {kRestartIn30, L"&30 minutes", Act::RestartIn, Shown::Always, 30 * 60, L"programmer le redémarrage"},
    {kRestartIn60, L"&1 heure", Act::RestartIn, Shown::Always, 60 * 60, L"programmer le redémarrage"},
    {kRestartIn120, L"&2 heures", Act::RestartIn, Shown::Always, 120 * 60, L"programmer le redémarrage"},
};

// A cancel line's text is followed by the delay's time: « (18:45) ».
inline constexpr MenuEntry kShutdownMenu[] = {
    {kShutDownNow, L"&Arrêter maintenant", Act::ShutDownNow, Shown::Always, 0, L"arrêter l'ordinateur"},
    {0, L"Arrêter &dans", Act::None, Shown::Always, 0, L"", kShutdownDelays},
    {kSleep, L"Mettre en &veille", Act::Sleep, Shown::CanSleep, 0, L"mettre l'ordinateur en veille"},
    {kHibernate, L"Mettre en veille &prolongée", Act::Hibernate, Shown::CanHibernate, 0,
     L"mettre l'ordinateur en veille prolongée"},
    {kCancelShutdown, L"A&nnuler l'arrêt programmé", Act::Cancel, Shown::ShutdownDelayed, 0,
     L"annuler l'arrêt programmé"},
};
inline constexpr MenuEntry kRestartMenu[] = {
    {kRestartNow, L"&Redémarrer maintenant", Act::RestartNow, Shown::Always, 0, L"redémarrer l'ordinateur"},
    {0, L"Redémarrer &dans", Act::None, Shown::Always, 0, L"", kRestartDelays},
    {kAdvancedRestart, L"Redémarrer vers les &options de démarrage avancées", Act::AdvancedRestart,
     Shown::HasAdvancedStartup, 0, L"redémarrer vers les options de démarrage avancées"},
    {kCancelRestart, L"A&nnuler le redémarrage programmé", Act::Cancel, Shown::RestartDelayed, 0,
     L"annuler le redémarrage programmé"},
};
inline constexpr MenuEntry kLogOffMenu[] = {
    {kLogOffNow, L"Se &déconnecter maintenant", Act::LogOffNow, Shown::Always, 0, L"fermer la session"},
    {kLock, L"&Verrouiller la session", Act::Lock, Shown::Always, 0, L"verrouiller la session"},
    {kSwitchUser, L"&Changer d'utilisateur", Act::SwitchUser, Shown::CanSwitchUser, 0, L"changer d'utilisateur"},
};

}  // namespace kalvero::layout
