#include "settings/SettingsLabels.h"

#include "core/AppPrefs.h"
#include "core/OnboardingWindow.h"

#include <initializer_list>
#include <utility>

namespace SettingsLabels {

namespace {

using Table = std::initializer_list<std::pair<const char*, const char*>>;

QString lookup(Table table, const QString& key, const char* fallback) {
    for (const auto& [raw, text] : table)
        if (key == QLatin1String(raw)) return QString::fromUtf8(text);
    return QString::fromUtf8(fallback);
}

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

}  // namespace

QString triggerKeyName(int keyCode) {
    for (const AppPrefs::KeyChoice& choice : AppPrefs::triggerKeyChoices())
        if (choice.code == keyCode) return choice.name;
    return QStringLiteral("未設定");
}

QString modifierSymbol(int keyCode) {
    switch (keyCode) {
    case 56:
    case 60: return QStringLiteral("⇧");
    case 57: return QStringLiteral("⇪");
    case 59:
    case 62: return QStringLiteral("⌃");
    default: return QString();
    }
}

QString triggerKeyDisplayName(int keyCode) {
    const QString symbol = modifierSymbol(keyCode);
    const QString name = triggerKeyName(keyCode);
    return symbol.isEmpty() ? name : symbol + QLatin1Char(' ') + name;
}

QString qualityLabel(const QString& qualityLevel) {
    return lookup({{"low", "Low"}, {"middle", "High"}, {"high", "Max"}}, qualityLevel, "Low");
}

QString outputLanguageLabel(const QString& outputLanguage, const QString& qualityLevel) {
    const QString effective = qualityLevel == QLatin1String("high") ? outputLanguage : QStringLiteral("spoken");
    return lookup({{"spoken", "話したまま"}, {"keyboard", "キーボードに合わせる"}}, effective, "話したまま");
}

QString cleanupModeLabel(const QString& cleanupMode) {
    return lookup({{"off", "整えない"},
                   {"standard", "読みやすくする"},
                   {"formal", "ていねいに"},
                   {"junior", "指示を伝える"},
                   {"friend", "くだけた言い方"},
                   {"lover", "やわらかい言い方"}},
                  cleanupMode, "整えない");
}

QString newlineStyleLabel(const QString& newlineStyle, const QString& cleanupMode) {
    const QString effective = cleanupMode == QLatin1String("off") ? QStringLiteral("off") : newlineStyle;
    return lookup({{"off", "入れない"}, {"line", "改行する"}, {"blank", "1行空ける"}, {"smart", "使い分ける"}},
                  effective, "入れない");
}

QString hudPlacementLabel(const QString& placement) {
    // "top" hangs the panel by the tray icon, which may sit on a panel at the bottom of the screen.
    return lookup({{"top", "アイコンのそばに出す"}, {"cursor", "カーソルの近くに出す"}, {"off", "出さない"}}, placement,
                  "アイコンのそばに出す");
}

QString spokenLanguageLabel(const QString& spokenLanguage) {
    return lookup({{"keyboard", "キーボードのまま"}, {"ja", "日本語"}, {"en", "English"}}, spokenLanguage,
                  "キーボードのまま");
}

QString correctionsSummary(const QString& savedCorrections) {
    static const QStringList separators{QStringLiteral("→"), QStringLiteral("->"), QStringLiteral("＝"),
                                        QStringLiteral("="),  QStringLiteral("："), QStringLiteral(":")};
    int count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= savedCorrections.size(); ++i) {
        if (i < savedCorrections.size() && !isLineBreak(savedCorrections.at(i))) continue;
        const QStringView line = QStringView(savedCorrections).mid(start, i - start);
        for (const QString& separator : separators) {
            if (line.contains(separator)) {
                ++count;
                break;
            }
        }
        start = i + 1;
    }
    return count == 0 ? QStringLiteral("なし") : QStringLiteral("%1件").arg(count);
}

namespace {

// The answers in the settings' order, until `visit` says stop.
template <typename Visit>
void walkPermissions(OnboardingWindow& permissions, Visit visit) {
    for (const OnboardingWindow::Step step : OnboardingWindow::allCases)
        if (!visit(permissions.isGrantedNow(step))) return;
}

}  // namespace

bool anyPermissionMissing(OnboardingWindow& permissions) {
    bool missing = false;
    walkPermissions(permissions, [&](bool granted) {
        if (!granted) missing = true;
        return granted;
    });
    return missing;
}

QString permissionsSummary(OnboardingWindow& permissions) {
    int missing = 0;
    walkPermissions(permissions, [&](bool granted) {
        if (!granted) ++missing;
        return true;
    });
    return missing == 0 ? QStringLiteral("すべて許可済み") : QStringLiteral("%1つ未許可").arg(missing);
}

}  // namespace SettingsLabels
