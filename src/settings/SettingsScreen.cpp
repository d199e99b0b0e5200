#include "settings/SettingsScreen.h"

namespace SettingsScreens {

const QList<SettingsScreen>& all() {
    static const QList<SettingsScreen> screens = {
        SettingsScreen::root,         SettingsScreen::speak,          SettingsScreen::text,
        SettingsScreen::triggerKey,   SettingsScreen::holdMode,       SettingsScreen::sounds,
        SettingsScreen::inputQuality, SettingsScreen::hudPlacement,   SettingsScreen::spokenLanguage,
        SettingsScreen::quality,      SettingsScreen::outputLanguage, SettingsScreen::cleanup,
        SettingsScreen::newline,      SettingsScreen::job,            SettingsScreen::vocabulary,
        SettingsScreen::corrections,  SettingsScreen::bulkDelete,     SettingsScreen::screenshotPaste,
        SettingsScreen::extras,       SettingsScreen::permissions,
    };
    return screens;
}

QString title(SettingsScreen screen) {
    switch (screen) {
    case SettingsScreen::root: return QStringLiteral("設定");
    case SettingsScreen::speak: return QStringLiteral("スピーチの入力");
    case SettingsScreen::text: return QStringLiteral("テキストの出力");
    case SettingsScreen::triggerKey: return QStringLiteral("音声入力キー");
    case SettingsScreen::holdMode: return QStringLiteral("キーの使いかた");
    case SettingsScreen::sounds: return QStringLiteral("効果音");
    case SettingsScreen::inputQuality: return QStringLiteral("インプットの品質");
    case SettingsScreen::hudPlacement: return QStringLiteral("切りかえパネル");
    case SettingsScreen::spokenLanguage: return QStringLiteral("話す言語");
    case SettingsScreen::quality: return QStringLiteral("アウトプットの品質");
    case SettingsScreen::outputLanguage: return QStringLiteral("アウトプットの言語");
    case SettingsScreen::cleanup: return QStringLiteral("文章の整えかた");
    case SettingsScreen::newline: return QStringLiteral("改行の入れかた");
    case SettingsScreen::job: return QStringLiteral("あなたの職種");
    case SettingsScreen::vocabulary: return QStringLiteral("覚えさせる言葉");
    case SettingsScreen::corrections: return QStringLiteral("言い直し");
    case SettingsScreen::bulkDelete: return QStringLiteral("まとめて消す");
    case SettingsScreen::screenshotPaste: return QStringLiteral("スクリーンショットを貼る");
    case SettingsScreen::extras: return QStringLiteral("その他の機能");
    case SettingsScreen::permissions: return QStringLiteral("許可の状態");
    }
    return QString();
}

bool isGroup(SettingsScreen screen) {
    return screen == SettingsScreen::root || screen == SettingsScreen::speak || screen == SettingsScreen::text ||
           screen == SettingsScreen::extras;
}

}  // namespace SettingsScreens
