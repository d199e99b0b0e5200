#pragma once

#include "core/Alerts.h"
#include "core/BundleSwap.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class RunningApplications;
class SingleInstance;

// At every launch, before anything else, the application looks where its bundle lives. Run from a
// removable medium mounted by the desktop (/media/USER/NAME, /run/media/USER/NAME) it copies
// itself into ~/Applications without asking; run from any other place outside ~/Applications it
// asks once per launch. After a copy it starts the copy (which takes over as the running copy),
// makes it findable in the desktop's application menu, and quits; the medium it came from is
// detached once this process is gone, a bundle elsewhere goes to the trash. A bundle inside a
// build tree (the developer's own build) is never offered a move.
class MoveToApplications {
public:
    struct Services {
        RunningApplications& apps;  // the trash
        // Ends the other running copies of the bundle identifier, waiting for them to go.
        SingleInstance& instances;
        QString bundleIdentifier;
        // Starts a program on its own; empty when it started, else what went wrong.
        std::function<QString(const QString& program, const QStringList& arguments)> start;
        // Detaches the removable medium mounted at the root once this process has ended.
        std::function<void(const QString& volumeRoot)> detachVolume;
        // Makes the bundle at the path findable in the desktop's application menu; empty on
        // success, else what went wrong.
        std::function<QString(const QString& bundlePath)> addToMenu;
        std::function<void()> quit;
        std::function<int(const Alert&)> alert = runModalAlert;
        BundleSwap::Rename rename = {};
    };

    explicit MoveToApplications(Services services);

    // ~/Applications/Quendle.app
    static QString destination();
    // False inside a build tree and inside ~/Applications; true anywhere else. The two are
    // compared as the file system resolves them: a home reached through a symbolic link, or a
    // HOME that ends in "/", still finds the copy there.
    static bool shouldOffer(const QString& bundlePath);
    // The root of the removable medium the path lies on ("/media/USER/NAME",
    // "/run/media/USER/NAME"); none elsewhere.
    static std::optional<QString> volumeRoot(const QString& path);
    // True for a bundle inside a build tree: a path with a "/.build/" folder, or one of whose
    // folders holds a CMakeCache.txt. Such a bundle is neither moved nor registered at login.
    static bool isInBuildTree(const QString& bundlePath);

    // True when a copy in ~/Applications has been started and this process quits; false when the
    // application goes on running where it is.
    bool offer(const QString& bundlePath);
    // Copies the bundle to the destination and starts the copy; false (after an alert) when that
    // failed, or when the source is the destination itself (or the one lies inside the other):
    // such a bundle is neither copied onto itself nor put in the trash.
    bool move(const QString& source);

private:
    bool failed(const QString& reason);

    Services services_;
};
