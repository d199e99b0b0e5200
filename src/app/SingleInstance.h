#pragma once

#include "core/Alerts.h"
#include "platform/RunningApplications.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Bundle;

// Only one copy of the application runs (per user and home folder). A starting copy compares its
// version with the running one and gives way to it, ends it, or offers to move the older bundle
// to the trash. `--takeover` (the restart of the status menu) ends the running copy without asking.
class SingleInstance {
public:
    static constexpr double kTakeoverWait = 5.0;
    static constexpr double kTakeoverPoll = 0.2;

    struct Services {
        RunningApplications& apps;
        const Bundle& bundle;  // this process's own bundle
        // Modal questions; answers AlertRunner::kFirstButton for the first button.
        std::function<int(const Alert&)> alert = runModalAlert;
        // Blocks the calling thread for the given seconds (the takeover's poll).
        std::function<void(double)> sleep;
        // Ends the process with the status. When it returns (tests), `run` returns Exit.
        std::function<void(int)> exit;
        // A line for the terminal the copy was started from (may be empty).
        std::function<void(const QString&)> tell = {};
    };

    enum class Outcome { Start, Exit };

    SingleInstance(Services services, qint64 ownPid);

    // The decision of a normal start, run once before the application exists. Holds the launch
    // lock while it looks and decides, so two copies started together cannot both run (or both
    // give way); a copy that exits keeps it until it is gone.
    Outcome run(const QStringList& arguments);

    // The other copies still running under the identifier, in the system's order.
    QList<RunningCopy> runningCopies(const QString& bundleIdentifier) const;
    // CFBundleShortVersionString of the bundle at the path; nothing when missing or unreadable.
    std::optional<QString> bundleShortVersion(const QString& bundlePath) const;
    // Asks every other copy to quit, waits up to 5 s (polling every 0.2 s), then forces those left.
    void takeOverRunningCopies(const QString& bundleIdentifier);

    // Whether version a is newer than b: dot-separated decimal numbers, empty pieces dropped, a
    // piece that is not a number counts 0, missing pieces count 0 (so 1.2 equals 1.2.0).
    static bool isVersionNewer(const QString& a, const QString& b);

private:
    Outcome exitWith(int status);

    Services services_;
    qint64 ownPid_;
};

// True when an element of the list equals the string exactly (case-sensitive).
bool stringArrayContains(const QStringList& list, const QString& string);
