#pragma once

#include "platform/Bundle.h"

#include <QMap>

// A bundle with settable fields for tests.
class FakeBundle final : public Bundle {
public:
    QString id = QStringLiteral("orvane");
    QString version = QStringLiteral("0.1.0");
    QString path = QStringLiteral("/tmp/Quendle.app");
    QMap<QString, QString> otherVersions;

    QString identifier() const override { return id; }
    QString shortVersion() const override { return version; }
    QString bundlePath() const override { return path; }
    QString executablePath() const override { return path + QStringLiteral("/Contents/MacOS/Quendle"); }
    QString resourcesPath() const override { return path + QStringLiteral("/Contents/Resources"); }
    QString versionOfBundleAt(const QString& bundlePath) const override { return otherVersions.value(bundlePath); }
};
