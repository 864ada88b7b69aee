// The settings window's logic: what its option boxes show when it opens, and
// what "Appliquer et fermer" writes.
#pragma once

#include "platform/settings_store.h"

namespace kalvero::settings {

// The main window's topmost state, which "Appliquer et fermer" changes at once.
class IAlwaysOnTop {
 public:
  virtual ~IAlwaysOnTop() = default;
  virtual void SetAlwaysVisibleFlag(double flag) = 0;
  virtual void ApplyAlwaysOnTop() = 0;
};

struct OptionBoxes {
  int alwaysVisible = 0;     // Check1, FenVisible
  int startInTray = 0;       // Check2, AutoReduit
  int rememberPosition = 0;  // Check3, DerPosition
  bool operator==(const OptionBoxes&) const = default;
};

class SettingsWindowLogic {
 public:
  SettingsWindowLogic(platform::ISettingsStore& store, IAlwaysOnTop& main)
      : store_(store), main_(main) {}

  OptionBoxes Load();
  // Saves the three boxes, then applies the topmost state at once. The
  // position flag keeps the value read at start-up.
  void Apply(const OptionBoxes& boxes);

 private:
  platform::ISettingsStore& store_;
  IAlwaysOnTop& main_;
};

}  // namespace kalvero::settings
