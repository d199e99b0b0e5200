#pragma once

#include "platform/RunningApplications.h"

#include <QStringList>

// Running copies for tests, on the installed (virtual) clock: a copy asked to terminate ends
// `quitsAfter` seconds later (never when negative); a forced one ends at once.
class FakeRunningApplications final : public RunningApplications {
public:
    struct Copy {
        qint64 pid = 0;
        QString bundlePath;
        QString identifier = QStringLiteral("orvane");
        double quitsAfter = 0.0;
        bool zombie = false;  // listed by the system, but already ended
        // filled in by the fake
        bool ended = false;
        double terminatedAt = -1.0;  // monotonic time of the first terminate
        int terminateRequests = 0;
        bool forced = false;
    };

    QList<Copy> copies;
    QStringList trashed;        // paths moved to the trash, in order
    bool trashFails = false;    // every move to the trash fails (nothing is recorded)
    int locksTaken = 0;
    int locksHeld = 0;          // taken and not yet released
    int scans = 0;              // calls of copiesOf

    Copy& add(qint64 pid, const QString& bundlePath, double quitsAfter = 0.0);
    Copy* find(qint64 pid);

    QList<RunningCopy> copiesOf(const QString& bundleIdentifier) const override;
    bool terminate(qint64 pid) override;
    bool forceTerminate(qint64 pid) override;
    bool isTerminated(qint64 pid) const override;
    bool moveToTrash(const QString& path) override;
    std::unique_ptr<LaunchLock> acquireLaunchLock(const QString& bundleIdentifier) override;

private:
    const Copy* findConst(qint64 pid) const;
    bool endedNow(const Copy& copy) const;
};
