#include "platform/linux/InfoPlistBundle.h"

#include "platform/linux/PlistDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QVariantMap readInfo(const QString& infoPlistPath) {
    QFile file(infoPlistPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return PlistDefaults::fromXml(file.readAll()).value_or(QVariantMap());
}

QString stringIn(const QVariantMap& info, const char* key) {
    const QVariant v = info.value(QString::fromLatin1(key));
    return Defaults::isString(v) ? v.toString() : QString();
}

QString runningExecutable() {
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return target.isEmpty() ? QString() : QFileInfo(target).absoluteFilePath();
}

}  // namespace

InfoPlistBundle::InfoPlistBundle(const QString& executablePath)
    : executable_(executablePath.isEmpty() ? runningExecutable() : QFileInfo(executablePath).absoluteFilePath()) {
    // <bundle>.app/Contents/MacOS/<executable>
    QDir dir = QFileInfo(executable_).absoluteDir();
    if (dir.cdUp() && dir.cdUp()) {
        const QString candidate = dir.absolutePath();
        const QString info = candidate + QStringLiteral("/Contents/Info.plist");
        if (candidate.endsWith(QStringLiteral(".app")) && QFileInfo::exists(info)) {
            bundlePath_ = candidate;
            const QVariantMap map = readInfo(info);
            identifier_ = stringIn(map, "CFBundleIdentifier");
            version_ = stringIn(map, "CFBundleShortVersionString");
        }
    }
}

QString InfoPlistBundle::resourcesPath() const {
    if (!bundlePath_.isEmpty()) return bundlePath_ + QStringLiteral("/Contents/Resources");
    return QFileInfo(executable_).absolutePath();
}

QString InfoPlistBundle::versionOfBundleAt(const QString& bundlePath) const {
    return readShortVersion(bundlePath + QStringLiteral("/Contents/Info.plist"));
}

QString InfoPlistBundle::readShortVersion(const QString& infoPlistPath) {
    return stringIn(readInfo(infoPlistPath), "CFBundleShortVersionString");
}
