#include "settings/settings_window_logic.h"

#include "core/number_text.h"
#include "settings/setting_names.h"

namespace kalvero::settings {

using core::CheckStateFromText;
using core::CheckStateText;

OptionBoxes SettingsWindowLogic::Load() {
  auto read = [&](std::wstring_view key) {
    return CheckStateFromText(store_.GetSetting(kAppName, kSection, key, L"0"));
  };
  OptionBoxes boxes;
  boxes.alwaysVisible = read(kFenVisible);
  boxes.rememberPosition = read(kDerPosition);
  boxes.startInTray = read(kAutoReduit);
  return boxes;
}

void SettingsWindowLogic::Apply(const OptionBoxes& boxes) {
  store_.SaveSetting(kAppName, kSection, kFenVisible, CheckStateText(boxes.alwaysVisible));
  store_.SaveSetting(kAppName, kSection, kDerPosition, CheckStateText(boxes.rememberPosition));
  store_.SaveSetting(kAppName, kSection, kAutoReduit, CheckStateText(boxes.startInTray));
  // Read back: what counts is what the store now holds.
  if (const auto n = core::TextToNumber(store_.GetSetting(kAppName, kSection, kFenVisible, L"0")))
    main_.SetAlwaysVisibleFlag(*n);
  main_.ApplyAlwaysOnTop();
}

}  // namespace kalvero::settings
