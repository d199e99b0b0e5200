#pragma once

#include "platform/RunningApplications.h"

#include <QString>

// Running copies found in /proc: processes of this user whose executable lies in a bundle
// "<X>.app/Contents/MacOS/" whose Contents/Info.plist carries the identifier. Only processes with
// the same home folder count: another home has its own settings, log and status file, so it is
// another user as far as the application is concerned (test runs, a second account's session).
// terminate is SIGTERM, forceTerminate SIGKILL, the trash is the desktop's (freedesktop) trash.
// The launch lock is an flock on ~/Library/Application Support/Quendle/<identifier>.launch.lock.
class ProcRunningApplications final : public RunningApplications {
public:
    // `procRoot` and `home` are for tests; empty: "/proc" and the user's home folder.
    explicit ProcRunningApplications(const QString& procRoot = QString(), const QString& home = QString());

    QList<RunningCopy> copiesOf(const QString& bundleIdentifier) const override;
    bool terminate(qint64 pid) override;
    bool forceTerminate(qint64 pid) override;
    bool isTerminated(qint64 pid) const override;
    bool moveToTrash(const QString& path) override;
    std::unique_ptr<LaunchLock> acquireLaunchLock(const QString& bundleIdentifier) override;

    // The bundle folder of an executable path when it lies in "<X>.app/Contents/MacOS/"; empty
    // otherwise. A " (deleted)" mark of a replaced executable is dropped.
    static QString bundleOfExecutable(const QString& executablePath);

private:
    QString procRoot_;
    QString home_;
};
