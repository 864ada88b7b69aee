#include "settings/settings_dialog.h"

#include "settings/settings_logic.h"

namespace kalvero::settings {

OptionBoxes SettingsDialogLogic::Load() {
  auto read = [&](std::wstring_view key) {
    return CheckStateFromText(store_.GetSetting(kAppName, kSection, key, L"0"));
  };
  OptionBoxes boxes;
  boxes.alwaysVisible = read(kFenVisible);
  boxes.rememberPosition = read(kDerPosition);
  boxes.startInTray = read(kAutoReduit);
  return boxes;
}

void SettingsDialogLogic::Apply(const OptionBoxes& boxes) {
  store_.SaveSetting(kAppName, kSection, kFenVisible, CheckStateText(boxes.alwaysVisible));
  store_.SaveSetting(kAppName, kSection, kDerPosition, CheckStateText(boxes.rememberPosition));
  store_.SaveSetting(kAppName, kSection, kAutoReduit, CheckStateText(boxes.startInTray));
  if (const auto n = TextToNumber(store_.GetSetting(kAppName, kSection, kFenVisible, L"0")))
    main_.Flags().alwaysVisible = *n;
  main_.ApplyAlwaysOnTop();
}

}  // namespace kalvero::settings
