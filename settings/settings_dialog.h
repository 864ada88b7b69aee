// The settings window's logic: what its option boxes show when it opens, and
// what "Appliquer et fermer" writes.
#pragma once

#include "app/startup.h"
#include "platform/settings_store.h"

namespace kalvero::settings {

struct OptionBoxes {
  int alwaysVisible = 0;     // Check1, FenVisible
  int startInTray = 0;       // Check2, AutoReduit
  int rememberPosition = 0;  // Check3, DerPosition
  bool operator==(const OptionBoxes&) const = default;
};

class SettingsDialogLogic {
 public:
  SettingsDialogLogic(platform::ISettingsStore& store, app::MainWindowLogic& main)
      : store_(store), main_(main) {}

  OptionBoxes Load();
  // Saves the three boxes, then applies the topmost state at once. The
  // position flag keeps the value read at start-up.
  void Apply(const OptionBoxes& boxes);

 private:
  platform::ISettingsStore& store_;
  app::MainWindowLogic& main_;
};

}  // namespace kalvero::settings
