#pragma once

#include <QString>

// The running application bundle: Quendle.app/Contents/{Info.plist, MacOS/Quendle, Resources/}.
class Bundle {
public:
    virtual ~Bundle() = default;
    virtual QString identifier() const = 0;      // empty when unknown
    virtual QString shortVersion() const = 0;    // CFBundleShortVersionString
    virtual QString bundlePath() const = 0;      // the .app folder
    virtual QString executablePath() const = 0;
    virtual QString resourcesPath() const = 0;
    // The short version written in another bundle's Info.plist; empty when unreadable.
    virtual QString versionOfBundleAt(const QString& bundlePath) const = 0;

    static void install(Bundle* bundle);
    static Bundle& instance();
    // True once a bundle was installed (instance() would not abort).
    static bool isInstalled();
};
