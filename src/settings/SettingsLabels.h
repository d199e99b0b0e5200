#pragma once

#include <QString>

class OnboardingWindow;

// The words the settings rows show for the current value of a setting, and the permission
// summary. Pure functions of the values handed in; the model feeds them its own properties.
namespace SettingsLabels {

// The label of the first trigger-key choice with this code (as the choices list it), or "未設定".
QString triggerKeyName(int keyCode);
// The modifier symbol of a key code ("⇧", "⇪", "⌃"; Alt and Super are named in full), or an empty string.
QString modifierSymbol(int keyCode);
// The symbol, a blank and the name; the name alone for keys without a symbol.
QString triggerKeyDisplayName(int keyCode);

QString qualityLabel(const QString& qualityLevel);
// The output language only counts at quality "high"; below that the text stays as spoken.
QString outputLanguageLabel(const QString& outputLanguage, const QString& qualityLevel);
// The title of the cleanup style ("整えない" for "off" and for unknown styles).
QString cleanupModeLabel(const QString& cleanupMode);
// "入れない" while cleanup is off, whatever the newline style.
QString newlineStyleLabel(const QString& newlineStyle, const QString& cleanupMode);
QString hudPlacementLabel(const QString& placement);
QString spokenLanguageLabel(const QString& spokenLanguage);
// The number of saved rule lines (lines holding "→", "->", "＝", "=", "：" or ":") and "件", or "なし".
QString correctionsSummary(const QString& savedCorrections);

// The permissions the settings list, in order (microphone, speech recognition, Accessibility,
// input monitoring), each judged by the one check rule the permissions screen uses too, from
// what is known now: the input-monitoring probe's child is never waited for here (the screens
// have it run in the background and ask again with its answer).
// True at the first permission that is not granted (later ones are not asked).
bool anyPermissionMissing(OnboardingWindow& permissions);
// "すべて許可済み", or the number of missing permissions followed by "つ未許可".
QString permissionsSummary(OnboardingWindow& permissions);

}  // namespace SettingsLabels
