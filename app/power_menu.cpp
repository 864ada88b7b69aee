#include "app/power_menu.h"

#include <span>

#include "core/number_text.h"
#include "resources/layout_main.h"

namespace kalvero::app {

using layout::Act;
using layout::MenuEntry;
using layout::Shown;

namespace {

constexpr std::uint32_t kNoShutdownInProgress = 1116;  // ERROR_NO_SHUTDOWN_IN_PROGRESS
constexpr unsigned kWarningBox = 0x30;                // MB_OK | MB_ICONWARNING

std::span<const MenuEntry> MenuOf(int button) {
  switch (button) {
    case layout::kCommand1: return layout::kShutdownMenu;
    case layout::kCommand2: return layout::kRestartMenu;
    case layout::kCommand3: return layout::kLogOffMenu;
    default: return {};
  }
}

const MenuEntry* Find(std::span<const MenuEntry> entries, int command) {
  for (const MenuEntry& e : entries) {
    if (e.command == command && command != 0) return &e;
    if (const MenuEntry* inner = Find(e.submenu, command)) return inner;
  }
  return nullptr;
}

const MenuEntry* Find(int command) {
  for (const int button : {layout::kCommand1, layout::kCommand2, layout::kCommand3})
    if (const MenuEntry* e = Find(MenuOf(button), command)) return e;
  return nullptr;
}

std::wstring TwoDigits(int n) { return (n < 10 ? L"0" : L"") + core::DecimalText(n); }

}  // namespace

std::wstring FailureReason(std::uint32_t error) {
  switch (error) {
    case 2:  // ERROR_FILE_NOT_FOUND
    case 3:  // ERROR_PATH_NOT_FOUND
      return L"shutdown.exe est introuvable dans le dossier système de Windows.";
    case 5:     // ERROR_ACCESS_DENIED
    case 1300:  // ERROR_NOT_ALL_ASSIGNED: the privilege is not this account's
    case 1314:  // ERROR_PRIVILEGE_NOT_HELD
      return L"Windows refuse ce droit à votre compte.";
    case 50:   // ERROR_NOT_SUPPORTED
    case 120:  // ERROR_CALL_NOT_IMPLEMENTED
      return L"cette version de Windows ne le permet pas.";
    case 1115:  // ERROR_SHUTDOWN_IN_PROGRESS
      return L"Windows est déjà en train de s'arrêter.";
    case 1190:  // ERROR_SHUTDOWN_IS_SCHEDULED
      return L"un arrêt ou un redémarrage est déjà programmé ; annulez-le d'abord.";
    default:
      return L"Windows a répondu par l'erreur " + core::DecimalText(error) + L".";
  }
}

std::wstring PowerMenu::Clock(std::int64_t at) {
  const int minute = clock_.LocalMinuteOfDay(at);
  return TwoDigits(minute / 60 % 24) + L":" + TwoDigits(minute % 60);
}

std::optional<Delay> PowerMenu::Running() {
  if (delay_ && clock_.Now() >= delay_->at) delay_.reset();
  return delay_;
}

std::optional<std::int64_t> PowerMenu::SecondsLeft() {
  const auto delay = Running();
  return delay ? std::optional(delay->at - clock_.Now()) : std::nullopt;
}

std::wstring PowerMenu::TipText() {
  const auto delay = Running();
  if (!delay) return L"Kalvero";
  return std::wstring(L"Kalvero - ") + (delay->restart ? L"redémarrage" : L"arrêt") + L" à " + Clock(delay->at);
}

std::vector<MenuLine> PowerMenu::Lines(int button) {
  const std::span<const MenuEntry> entries = MenuOf(button);
  if (entries.empty()) return {};
  const platform::PowerCapabilities can = system_.Capabilities();
  const auto delay = Running();
  const auto shown = [&](Shown when) {
    switch (when) {
      case Shown::Always: return true;
      case Shown::CanSleep: return can.sleep || can.modernStandby;
      case Shown::CanHibernate: return can.hibernate;
      case Shown::HasAdvancedStartup: return can.advancedStartup;
      case Shown::CanSwitchUser: return can.switchUser;
      case Shown::ShutdownDelayed: return delay && !delay->restart;
      case Shown::RestartDelayed: return delay && delay->restart;
    }
    return false;
  };
  const auto lines = [&](auto& self, std::span<const MenuEntry> from) -> std::vector<MenuLine> {
    std::vector<MenuLine> out;
    for (const MenuEntry& e : from) {
      if (!shown(e.when)) continue;
      MenuLine line{e.command, e.text, out.empty() && &from.front() == &entries.front(), self(self, e.submenu)};
      if (e.act == Act::Cancel) line.text += L" (" + Clock(delay->at) + L")";
      out.push_back(std::move(line));
    }
    return out;
  };
  return lines(lines, entries);
}

std::uint32_t PowerMenu::Ask(const MenuEntry& entry, const std::wstring& commandLine) {
  std::uint32_t id = 0;
  const std::uint32_t error = power_.StartWatched(commandLine, id);
  if (!error) requests_.push_back({id, &entry, clock_.Now() + entry.delaySeconds});
  return error;
}

void PowerMenu::Fail(const MenuEntry& entry, std::uint32_t error) {
  box_.Show(std::wstring(L"Kalvero n'a pas pu ") + entry.failure + L" : " + FailureReason(error), L"Kalvero",
            kWarningBox);
}

void PowerMenu::Choose(int command) {
  const MenuEntry* found = Find(command);
  if (!found) return;
  const MenuEntry& e = *found;
  const std::wstring delay = core::DecimalText(e.delaySeconds);
  std::uint32_t error = 0;
  switch (e.act) {
    case Act::None: return;
    case Act::ShutDownNow: error = Ask(e, std::wstring(kShutdownCommand)); break;
    case Act::RestartNow: error = Ask(e, std::wstring(kRestartCommand)); break;
    case Act::ShutDownIn: error = Ask(e, L"shutdown -s -f -t " + delay); break;
    case Act::RestartIn: error = Ask(e, L"shutdown -r -f -t " + delay); break;
    case Act::AdvancedRestart: error = Ask(e, L"shutdown -r -o -f -t 0"); break;
    case Act::Cancel: error = Ask(e, L"shutdown -a"); break;
    case Act::Sleep:
      // On a modern standby machine the system sleeps as its display goes off,
      // which is what Windows' own Sleep does there.
      error = system_.Capabilities().modernStandby ? system_.TurnDisplayOff() : system_.Suspend(false);
      break;
    case Act::Hibernate: error = system_.Suspend(true); break;
    case Act::LogOffNow: error = power_.LogOff(); break;
    case Act::Lock: error = system_.Lock(); break;
    case Act::SwitchUser: error = system_.SwitchUser(); break;
  }
  if (error) Fail(e, error);
}

bool PowerMenu::Poll() {
  while (const auto ended = power_.NextEnded()) {
    for (auto r = requests_.begin(); r != requests_.end(); ++r) {
      if (r->id != ended->id) continue;
      const Request request = *r;
      requests_.erase(r);
      const Act act = request.entry->act;
      const std::uint32_t code = ended->exitCode;
      if (act == Act::Cancel && (code == 0 || code == kNoShutdownInProgress)) {
        delay_.reset();  // nothing was left to cancel: the delay is over all the same
      } else if (code != 0) {
        Fail(*request.entry, code);
      } else if (act == Act::ShutDownIn || act == Act::RestartIn) {
        delay_ = Delay{act == Act::RestartIn, request.at};
      }
      break;
    }
  }
  return !requests_.empty();
}

}  // namespace kalvero::app
