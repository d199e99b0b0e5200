#include "app/SingleInstance.h"

#include "core/AppLog.h"
#include "core/Updater.h"
#include "platform/Bundle.h"
#include "platform/Clock.h"

#include <QDir>

namespace {

const QString kTakeoverSwitch = QStringLiteral("--takeover");
const QString kAlreadyRunning = QStringLiteral("Quendle はすでに動いています。トレイのアイコンから使えます");

bool samePath(const QString& a, const QString& b) { return QDir::cleanPath(a) == QDir::cleanPath(b); }

}  // namespace

bool stringArrayContains(const QStringList& list, const QString& string) {
    for (const QString& element : list)
        if (element == string) return true;
    return false;
}

SingleInstance::SingleInstance(Services services, qint64 ownPid) : services_(std::move(services)), ownPid_(ownPid) {}

bool SingleInstance::isVersionNewer(const QString& a, const QString& b) { return Updater::compareVersions(a, b); }

QList<RunningCopy> SingleInstance::runningCopies(const QString& bundleIdentifier) const {
    QList<RunningCopy> others;
    for (const RunningCopy& copy : services_.apps.copiesOf(bundleIdentifier))
        if (copy.pid != ownPid_ && !services_.apps.isTerminated(copy.pid)) others << copy;
    return others;
}

std::optional<QString> SingleInstance::bundleShortVersion(const QString& bundlePath) const {
    if (bundlePath.isEmpty()) return std::nullopt;
    const QString version = services_.bundle.versionOfBundleAt(bundlePath);
    if (version.isEmpty()) return std::nullopt;
    return version;
}

void SingleInstance::takeOverRunningCopies(const QString& bundleIdentifier) {
    for (const RunningCopy& copy : runningCopies(bundleIdentifier)) services_.apps.terminate(copy.pid);
    const double deadline = Clock::monotonicNow() + kTakeoverWait;
    while (Clock::monotonicNow() < deadline) {
        if (runningCopies(bundleIdentifier).isEmpty()) break;
        if (services_.sleep) services_.sleep(kTakeoverPoll);
        else break;  // nothing to wait with: force at once rather than spin
    }
    for (const RunningCopy& copy : runningCopies(bundleIdentifier)) services_.apps.forceTerminate(copy.pid);
    AppLog::write(QStringLiteral("入れ替え起動: 古いインスタンスを終わらせた"));
}

SingleInstance::Outcome SingleInstance::exitWith(int status) {
    if (services_.exit) services_.exit(status);
    return Outcome::Exit;
}

SingleInstance::Outcome SingleInstance::run(const QStringList& arguments) {
    const QString identifier = services_.bundle.identifier();
    if (identifier.isEmpty()) return Outcome::Start;

    // Held while deciding; an exit below keeps it until the process is gone, so the next copy to
    // look never finds one that is about to leave.
    std::unique_ptr<LaunchLock> lock = services_.apps.acquireLaunchLock(identifier);

    const QList<RunningCopy> others = runningCopies(identifier);
    if (others.isEmpty()) return Outcome::Start;
    const RunningCopy running = others.first();

    QString ownVersion = services_.bundle.shortVersion();
    if (ownVersion.isEmpty()) ownVersion = QStringLiteral("0");
    const QString runningVersion = bundleShortVersion(running.bundlePath).value_or(ownVersion);
    const bool takeover = stringArrayContains(arguments, kTakeoverSwitch);

    if (!takeover && !isVersionNewer(ownVersion, runningVersion)) {
        if (!isVersionNewer(runningVersion, ownVersion)) {
            AppLog::write(QStringLiteral("すでに起動しているので、この2つ目は起動しない"));
            if (services_.tell) services_.tell(kAlreadyRunning);
            return exitWith(0);
        }
        const Alert alert{QStringLiteral("新しい Quendle がすでに動いています"),
                          QStringLiteral("動いているのは ") + runningVersion + QStringLiteral("、こちらは古い ") +
                              ownVersion + QStringLiteral(" です。この古いコピーをゴミ箱に入れますか？"),
                          {QStringLiteral("削除して閉じる"), QStringLiteral("そのまま閉じる")}};
        if (services_.alert(alert) == AlertRunner::kFirstButton) services_.apps.moveToTrash(services_.bundle.bundlePath());
        return exitWith(0);
    }

    takeOverRunningCopies(identifier);
    // This copy runs from here on; one that starts now finds it and gives way.
    lock.reset();
    if (takeover) return Outcome::Start;

    // This copy is newer: offer to throw the older bundle away when it lies elsewhere.
    if (!running.bundlePath.isEmpty() && !samePath(running.bundlePath, services_.bundle.bundlePath())) {
        const Alert alert{QStringLiteral("古いバージョンのコピーがあります"),
                          running.bundlePath + QStringLiteral(" にある Quendle ") + runningVersion +
                              QStringLiteral(" は古い版です。ゴミ箱に入れますか？（この ") + ownVersion +
                              QStringLiteral(" はこのまま使えます）"),
                          {QStringLiteral("ゴミ箱に入れる"), QStringLiteral("そのままにする")}};
        if (services_.alert(alert) == AlertRunner::kFirstButton) services_.apps.moveToTrash(running.bundlePath);
    }
    return Outcome::Start;
}
