#include "platform/linux/XdgDesktopEntry.h"

#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>

namespace XdgDesktopEntry {

QString execLine(const QString& program) {
    // Inside double quotes a backslash escapes ", `, $ and \; the value's own string escaping
    // then doubles every backslash. A literal % is written %%.
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QStringLiteral("Exec=\"") + quoted + QLatin1Char('"');
}

QString menuEntryPath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = Files::inHome(QStringLiteral(".local/share"));
    return data + QStringLiteral("/applications/orvane.desktop");
}

QString addToMenu(const QString& bundlePath) {
    const QString path = menuEntryPath();
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Quendle\n") +
                         execLine(bundlePath + QStringLiteral("/Contents/MacOS/Quendle")) +
                         QStringLiteral("\nTerminal=false\nCategories=Utility;\n");
    if (!Files::makeDirectories(QFileInfo(path).absolutePath())) return QStringLiteral("フォルダを作れません: ") + path;
    if (!Files::writeAtomically(path, text.toUtf8())) return QStringLiteral("書き込めません: ") + path;
    return QString();
}

}  // namespace XdgDesktopEntry
