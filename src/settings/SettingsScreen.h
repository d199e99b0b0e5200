#pragma once

#include <QList>
#include <QString>

// The screens of the settings window. The numbers are stable ids; they are not positions.
enum class SettingsScreen {
    root = 0,
    speak = 1,
    text = 2,
    triggerKey = 8,
    holdMode = 9,
    sounds = 10,
    inputQuality = 11,
    hudPlacement = 12,
    spokenLanguage = 13,
    quality = 14,
    outputLanguage = 15,
    cleanup = 16,
    newline = 17,
    job = 18,
    vocabulary = 19,
    corrections = 20,
    bulkDelete = 21,
    screenshotPaste = 22,
    extras = 23,
    permissions = 24,
};

namespace SettingsScreens {

// Every screen, root first.
const QList<SettingsScreen>& all();
// The title the page header shows ("設定", "スピーチの入力", …).
QString title(SettingsScreen screen);
// The group screens, which list rows that open further screens (root, speak, text, extras).
bool isGroup(SettingsScreen screen);

}  // namespace SettingsScreens
