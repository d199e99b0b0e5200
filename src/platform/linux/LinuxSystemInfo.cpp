#include "platform/linux/LinuxSystemInfo.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSysInfo>

namespace {

// The text of a small system file up to its first NUL, trimmed; empty when unreadable.
QString firmwareText(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    QByteArray bytes = file.read(4096);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) bytes.truncate(nul);
    return QString::fromUtf8(bytes).trimmed();
}

}  // namespace

QString LinuxSystemInfo::hardwareModel() const {
    const QString product = firmwareText("/sys/devices/virtual/dmi/id/product_name");
    if (!product.isEmpty()) return product;
    return firmwareText("/proc/device-tree/model");
}

QString LinuxSystemInfo::systemVersion() const { return versionTriple(QSysInfo::kernelVersion()); }

QString LinuxSystemInfo::localeIdentifier() const { return QLocale::system().name(); }

bool LinuxSystemInfo::isLaptop() const { return hasBattery(QStringLiteral("/sys/class/power_supply")); }

bool LinuxSystemInfo::hasBattery(const QString& powerSupplyFolder) {
    const QDir folder(powerSupplyFolder);
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        QFile type(folder.filePath(name + QStringLiteral("/type")));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "Battery") return true;
    }
    return false;
}

QString LinuxSystemInfo::versionTriple(const QString& release) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = pattern.match(release);
    int parts[3] = {0, 0, 0};
    for (int i = 0; i < 3 && match.hasMatch(); ++i) parts[i] = match.captured(i + 1).toInt();
    return QStringLiteral("%1.%2.%3").arg(parts[0]).arg(parts[1]).arg(parts[2]);
}
