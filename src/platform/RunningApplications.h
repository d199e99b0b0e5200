#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>

// One running process of an application bundle.
struct RunningCopy {
    qint64 pid = 0;
    QString bundlePath;  // the .app folder it runs from; empty when unknown
};

// Held by a starting copy while it looks for other copies and decides whether to run. Released
// when destroyed, or when the process ends (a copy that exits while holding it keeps it to the
// last moment, so the next one to look no longer finds it).
class LaunchLock {
public:
    virtual ~LaunchLock() = default;
};

// The running copies of an application, and what may be done to them.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;

    // Every process of this user (and this home folder) running a bundle with the identifier,
    // possibly the calling process itself, in a stable order (oldest process first where known).
    virtual QList<RunningCopy> copiesOf(const QString& bundleIdentifier) const = 0;

    // Asks the process to quit (it may take a moment, or refuse). False when it could not be asked.
    virtual bool terminate(qint64 pid) = 0;
    // Ends the process at once.
    virtual bool forceTerminate(qint64 pid) = 0;
    // True when the process is gone or has already ended (a zombie counts as ended).
    virtual bool isTerminated(qint64 pid) const = 0;

    // Moves a file or folder to the desktop's trash; false when it could not.
    virtual bool moveToTrash(const QString& path) = 0;

    // Blocks until this process holds the launch lock of the bundle identifier. Never fails: when
    // no lock can be taken (no writable folder) it returns a lock that holds nothing.
    virtual std::unique_ptr<LaunchLock> acquireLaunchLock(const QString& bundleIdentifier) = 0;
};
