#pragma once

#include "platform/Bundle.h"

#include <QString>

// The running bundle, found from the executable: Quendle.app/Contents/MacOS/<executable>, so the
// bundle is the folder three levels up when it ends in ".app" and holds Contents/Info.plist.
// Identifier and version are read once from that Info.plist. Outside a bundle (a test binary, a
// build run in place) identifier, version and bundle path are empty and resources are looked up
// beside the executable.
class InfoPlistBundle final : public Bundle {
public:
    // `executablePath` empty: the running executable.
    explicit InfoPlistBundle(const QString& executablePath = QString());

    QString identifier() const override { return identifier_; }
    QString shortVersion() const override { return version_; }
    QString bundlePath() const override { return bundlePath_; }
    QString executablePath() const override { return executable_; }
    QString resourcesPath() const override;
    QString versionOfBundleAt(const QString& bundlePath) const override;

    // CFBundleShortVersionString of an Info.plist file; empty when unreadable or missing.
    static QString readShortVersion(const QString& infoPlistPath);

private:
    QString executable_;
    QString bundlePath_;
    QString identifier_;
    QString version_;
};
