#include "textio/TerminalDetection.h"

#include "platform/Accessibility.h"

namespace TerminalDetection {

const QSet<QString>& terminalBundleIDs() {
    static const QSet<QString> ids = {
        QStringLiteral("com.apple.Terminal"),   QStringLiteral("com.googlecode.iterm2"),
        QStringLiteral("dev.warp.Warp"),        QStringLiteral("dev.warp.Warp-Stable"),
        QStringLiteral("co.zeit.hyper"),        QStringLiteral("io.alacritty"),
        QStringLiteral("org.alacritty"),        QStringLiteral("net.kovidgoyal.kitty"),
        QStringLiteral("com.github.wez.wezterm"), QStringLiteral("com.mitchellh.ghostty"),
    };
    return ids;
}

const QSet<QString>& desktopTerminalIDs() {
    static const QSet<QString> ids = {
        QStringLiteral("xterm"),          QStringLiteral("urxvt"),         QStringLiteral("rxvt"),
        QStringLiteral("eterm"),          QStringLiteral("aterm"),         QStringLiteral("gnome-terminal"),
        QStringLiteral("konsole"),        QStringLiteral("foot"),          QStringLiteral("xfce4-terminal"),
        QStringLiteral("tilix"),          QStringLiteral("terminator"),    QStringLiteral("st"),
        QStringLiteral("qterminal"),      QStringLiteral("lxterminal"),    QStringLiteral("mate-terminal"),
        QStringLiteral("terminology"),    QStringLiteral("sakura"),        QStringLiteral("kgx"),
        QStringLiteral("org.gnome.console"), QStringLiteral("ptyxis"),     QStringLiteral("org.gnome.ptyxis"),
        QStringLiteral("guake"),          QStringLiteral("tilda"),         QStringLiteral("yakuake"),
        QStringLiteral("roxterm"),        QStringLiteral("cool-retro-term"), QStringLiteral("deepin-terminal"),
        QStringLiteral("io.elementary.terminal"), QStringLiteral("wezterm-gui"),
    };
    return ids;
}

bool isTerminalIdentifier(const QString& identifier) {
    if (identifier.isEmpty()) return false;
    return terminalBundleIDs().contains(identifier) || desktopTerminalIDs().contains(identifier);
}

PasteChord pasteChordFor(const QString& identifier) {
    static const QSet<QString> primaryPasters = {
        QStringLiteral("xterm"), QStringLiteral("urxvt"), QStringLiteral("rxvt"),
        QStringLiteral("eterm"), QStringLiteral("aterm"),
    };
    if (primaryPasters.contains(identifier)) return PasteChord::ShiftInsert;
    if (isTerminalIdentifier(identifier)) return PasteChord::ControlShiftV;
    return PasteChord::ControlV;
}

bool presentsAsTerminal(AccessibleElement& element) {
    if (element.role() == AccessibleRole::Terminal) return true;
    if (auto classes = element.domClassList()) {
        for (const QString& name : *classes)
            if (name.toLower().contains(QLatin1String("xterm"))) return true;
    }
    for (auto which : {AccessibleAttribute::Description, AccessibleAttribute::Title,
                       AccessibleAttribute::RoleDescription}) {
        const auto value = element.attribute(which);
        if (!value) continue;
        const QString lower = value->toLower();
        if (lower.contains(QLatin1String("terminal")) || lower.contains(QStringLiteral("ターミナル"))) return true;
    }
    return false;
}

}  // namespace TerminalDetection
