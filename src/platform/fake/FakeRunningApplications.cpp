#include "platform/fake/FakeRunningApplications.h"

#include "platform/Clock.h"

namespace {

class FakeLaunchLock final : public LaunchLock {
public:
    explicit FakeLaunchLock(int* held) : held_(held) { ++*held_; }
    ~FakeLaunchLock() override { --*held_; }

private:
    int* held_;
};

}  // namespace

FakeRunningApplications::Copy& FakeRunningApplications::add(qint64 pid, const QString& bundlePath,
                                                             double quitsAfter) {
    Copy copy;
    copy.pid = pid;
    copy.bundlePath = bundlePath;
    copy.quitsAfter = quitsAfter;
    copies.append(copy);
    return copies.last();
}

FakeRunningApplications::Copy* FakeRunningApplications::find(qint64 pid) {
    for (Copy& copy : copies)
        if (copy.pid == pid) return &copy;
    return nullptr;
}

const FakeRunningApplications::Copy* FakeRunningApplications::findConst(qint64 pid) const {
    for (const Copy& copy : copies)
        if (copy.pid == pid) return &copy;
    return nullptr;
}

bool FakeRunningApplications::endedNow(const Copy& copy) const {
    if (copy.ended || copy.zombie) return true;
    return copy.terminatedAt >= 0.0 && copy.quitsAfter >= 0.0 &&
           Clock::monotonicNow() >= copy.terminatedAt + copy.quitsAfter;
}

QList<RunningCopy> FakeRunningApplications::copiesOf(const QString& bundleIdentifier) const {
    ++const_cast<FakeRunningApplications*>(this)->scans;
    QList<RunningCopy> out;
    // Like the system's list: a copy that has really gone is no longer listed, a zombie still is.
    for (const Copy& copy : copies)
        if (copy.identifier == bundleIdentifier && (copy.zombie || !endedNow(copy)))
            out.append(RunningCopy{copy.pid, copy.bundlePath});
    return out;
}

bool FakeRunningApplications::terminate(qint64 pid) {
    Copy* copy = find(pid);
    if (!copy || endedNow(*copy)) return false;
    ++copy->terminateRequests;
    if (copy->terminatedAt < 0.0) copy->terminatedAt = Clock::monotonicNow();
    return true;
}

bool FakeRunningApplications::forceTerminate(qint64 pid) {
    Copy* copy = find(pid);
    if (!copy || endedNow(*copy)) return false;
    copy->forced = true;
    copy->ended = true;
    return true;
}

bool FakeRunningApplications::isTerminated(qint64 pid) const {
    const Copy* copy = findConst(pid);
    return !copy || endedNow(*copy);
}

bool FakeRunningApplications::moveToTrash(const QString& path) {
    if (trashFails) return false;
    trashed.append(path);
    return true;
}

std::unique_ptr<LaunchLock> FakeRunningApplications::acquireLaunchLock(const QString&) {
    ++locksTaken;
    return std::make_unique<FakeLaunchLock>(&locksHeld);
}
