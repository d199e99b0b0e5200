#include "platform/ApplicationIdentifiers.h"

#include <QHash>

namespace ApplicationIdentifiers {

namespace {

const QHash<QString, QString>& knownClasses() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("kitty"), QStringLiteral("net.kovidgoyal.kitty")},
        {QStringLiteral("wezterm"), QStringLiteral("com.github.wez.wezterm")},
        {QStringLiteral("org.wezfurlong.wezterm"), QStringLiteral("com.github.wez.wezterm")},
        {QStringLiteral("ghostty"), QStringLiteral("com.mitchellh.ghostty")},
        {QStringLiteral("com.mitchellh.ghostty"), QStringLiteral("com.mitchellh.ghostty")},
        {QStringLiteral("warp"), QStringLiteral("dev.warp.Warp-Stable")},
        {QStringLiteral("dev.warp.warp"), QStringLiteral("dev.warp.Warp-Stable")},
        {QStringLiteral("hyper"), QStringLiteral("co.zeit.hyper")},
        {QStringLiteral("alacritty"), QStringLiteral("org.alacritty")},
        // File managers (and the desktop windows they draw).
        {QStringLiteral("nautilus"), QLatin1String(kFileManager)},
        {QStringLiteral("org.gnome.nautilus"), QLatin1String(kFileManager)},
        {QStringLiteral("dolphin"), QLatin1String(kFileManager)},
        {QStringLiteral("thunar"), QLatin1String(kFileManager)},
        {QStringLiteral("nemo"), QLatin1String(kFileManager)},
        {QStringLiteral("nemo-desktop"), QLatin1String(kFileManager)},
        {QStringLiteral("pcmanfm"), QLatin1String(kFileManager)},
        {QStringLiteral("pcmanfm-qt"), QLatin1String(kFileManager)},
        {QStringLiteral("caja"), QLatin1String(kFileManager)},
        {QStringLiteral("xfdesktop"), QLatin1String(kFileManager)},
        // Names some terminals give their window class, made uniform.
        {QStringLiteral("gnome-terminal-server"), QStringLiteral("gnome-terminal")},
        {QStringLiteral("org.gnome.terminal"), QStringLiteral("gnome-terminal")},
        {QStringLiteral("st-256color"), QStringLiteral("st")},
        {QStringLiteral("rxvt-unicode"), QStringLiteral("urxvt")},
        {QStringLiteral("footclient"), QStringLiteral("foot")},
        {QStringLiteral("uxterm"), QStringLiteral("xterm")},
    };
    return table;
}

}  // namespace

QString fromWindowClass(const QString& instanceName, const QString& className) {
    const QString cls = className.trimmed().toLower();
    const QString instance = instanceName.trimmed().toLower();
    const auto& table = knownClasses();
    if (auto it = table.find(cls); it != table.end()) return *it;
    if (auto it = table.find(instance); it != table.end()) return *it;
    return cls.isEmpty() ? instance : cls;
}

}  // namespace ApplicationIdentifiers
