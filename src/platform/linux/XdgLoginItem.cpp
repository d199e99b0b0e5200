#include "platform/linux/XdgLoginItem.h"

#include "platform/Files.h"
#include "platform/linux/XdgDesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

XdgLoginItem::XdgLoginItem(QString executablePath) : executable_(std::move(executablePath)) {}

QString XdgLoginItem::entryPath() const {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = Files::inHome(QStringLiteral(".config"));
    return config + QStringLiteral("/autostart/orvane.desktop");
}

QString XdgLoginItem::entryText() const {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Quendle\n") + XdgDesktopEntry::execLine(executable_) +
           QStringLiteral("\nX-GNOME-Autostart-enabled=true\nNoDisplay=true\nTerminal=false\n");
}

bool XdgLoginItem::isEnabled() const {
    const QByteArray text = Files::read(entryPath());
    return !text.isNull() && QString::fromUtf8(text) == entryText();
}

QString XdgLoginItem::enable() {
    const QString path = entryPath();
    if (!Files::makeDirectories(QFileInfo(path).absolutePath())) return QStringLiteral("フォルダを作れません: ") + path;
    if (!Files::writeAtomically(path, entryText().toUtf8())) return QStringLiteral("書き込めません: ") + path;
    return QString();
}

QString XdgLoginItem::disable() {
    const QString path = entryPath();
    if (QFileInfo::exists(path) && !QFile::remove(path)) return QStringLiteral("削除できません: ") + path;
    return QString();
}
