// The single-instance decision on fakes: which copy gives way, which is ended, what is asked and
// what goes to the trash, on virtual time.
#include "app/SingleInstance.h"
#include "core/AppLog.h"
#include "platform/Files.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakeRunningApplications.h"
#include "TestHome.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

const QString kOwnBundle = QStringLiteral("/home/u/Applications/Quendle.app");
const QString kOtherBundle = QStringLiteral("/home/u/Downloads/Quendle.app");
constexpr qint64 kOwnPid = 500;
constexpr qint64 kRunningPid = 100;

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() {
        bundle.path = kOwnBundle;
        bundle.version = QStringLiteral("1.4");
        apps.add(kOwnPid, kOwnBundle);  // the system lists this process too
    }

    SingleInstance makeInstance() {
        return SingleInstance({apps, bundle,
                               [this](const Alert& alert) {
                                   alerts.push_back(alert);
                                   locksHeldDuringAlert.push_back(apps.locksHeld);
                                   return answer;
                               },
                               [this](double seconds) {
                                   slept += seconds;
                                   queue.advance(seconds);
                               },
                               [this](int status) {
                                   exitStatus = status;
                                   locksHeldAtExit = apps.locksHeld;
                               }},
                              kOwnPid);
    }

    SingleInstance::Outcome run(const QStringList& arguments = {QStringLiteral("Quendle")}) {
        return makeInstance().run(arguments);
    }

    // A copy running from `path` whose Info.plist says `version`.
    FakeRunningApplications::Copy& running(const QString& version, const QString& path = kOtherBundle,
                                           double quitsAfter = 0.3) {
        if (!version.isEmpty()) bundle.otherVersions[path] = version;
        return apps.add(kRunningPid, path, quitsAfter);
    }

    QStringList logLines() const { return home.logLines(); }

    TestHome home;
    FakeMainQueue queue;
    FakeBundle bundle;
    FakeRunningApplications apps;
    std::vector<Alert> alerts;
    std::vector<int> locksHeldDuringAlert;
    int answer = AlertRunner::kFirstButton;
    double slept = 0.0;
    std::optional<int> exitStatus;
    int locksHeldAtExit = -1;
};

const QString kGaveWay = QStringLiteral("すでに起動しているので、この2つ目は起動しない");
const QString kTookOver = QStringLiteral("入れ替え起動: 古いインスタンスを終わらせた");

TEST_F(SingleInstanceTest, SameVersionGivesWayAndLeavesTheRunningCopyAlone) {
    running(QStringLiteral("1.4.0"));  // 1.4 and 1.4.0 are the same version
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(logLines(), QStringList{kGaveWay});
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(apps.find(kRunningPid)->terminateRequests, 0);
    EXPECT_FALSE(apps.find(kRunningPid)->forced);
    EXPECT_TRUE(apps.trashed.isEmpty());
    // It leaves still holding the launch lock: the next copy to look never finds it half gone.
    EXPECT_EQ(locksHeldAtExit, 1);
}

TEST_F(SingleInstanceTest, UnreadableRunningVersionCountsAsTheSame) {
    running(QString());  // its Info.plist cannot be read
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(logLines(), QStringList{kGaveWay});

    apps.copies.clear();
    apps.add(kRunningPid, QString());  // no bundle known at all
    exitStatus.reset();
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(SingleInstanceTest, OlderCopyAsksThenExitsWhateverIsChosen) {
    bundle.version = QStringLiteral("1.3");
    running(QStringLiteral("1.4"));

    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(exitStatus, 0);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("新しい Quendle がすでに動いています"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("動いているのは 1.4、こちらは古い 1.3 です。この古いコピーをゴミ箱に入れますか？"));
    EXPECT_EQ(alerts[0].buttons, (QStringList{QStringLiteral("削除して閉じる"), QStringLiteral("そのまま閉じる")}));
    EXPECT_EQ(apps.trashed, QStringList{kOwnBundle});  // the first button throws this copy away
    EXPECT_EQ(apps.find(kRunningPid)->terminateRequests, 0);
    EXPECT_EQ(locksHeldAtExit, 1);

    apps.trashed.clear();
    exitStatus.reset();
    answer = AlertRunner::kFirstButton + 1;
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_TRUE(apps.trashed.isEmpty());

    // A failed move to the trash changes nothing: still exit 0.
    apps.trashFails = true;
    answer = AlertRunner::kFirstButton;
    exitStatus.reset();
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(apps.find(kRunningPid)->terminateRequests, 0);
}

TEST_F(SingleInstanceTest, MissingOwnVersionIsZero) {
    bundle.version.clear();
    running(QStringLiteral("0.9"));
    answer = AlertRunner::kFirstButton + 1;
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].informativeText.contains(QStringLiteral("こちらは古い 0 です")));
}

TEST_F(SingleInstanceTest, NewerCopyEndsTheRunningOneAndOffersToTrashItsBundle) {
    bundle.version = QStringLiteral("1.5");
    running(QStringLiteral("1.4"));

    EXPECT_EQ(run(), SingleInstance::Outcome::Start);
    EXPECT_FALSE(exitStatus.has_value());
    const auto& old = *apps.find(kRunningPid);
    EXPECT_EQ(old.terminateRequests, 1);
    EXPECT_FALSE(old.forced);
    EXPECT_EQ(logLines(), QStringList{kTookOver});
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("古いバージョンのコピーがあります"));
    EXPECT_EQ(alerts[0].informativeText,
              kOtherBundle + QStringLiteral(" にある Quendle 1.4 は古い版です。ゴミ箱に入れますか？（この 1.5 はこのまま使えます）"));
    EXPECT_EQ(alerts[0].buttons, (QStringList{QStringLiteral("ゴミ箱に入れる"), QStringLiteral("そのままにする")}));
    EXPECT_EQ(apps.trashed, QStringList{kOtherBundle});
    // The question is asked after this copy took over: a copy starting meanwhile is not held up.
    EXPECT_EQ(locksHeldDuringAlert, std::vector<int>{0});
    EXPECT_EQ(apps.locksHeld, 0);
}

TEST_F(SingleInstanceTest, NewerCopyKeepsTheOldBundleWhenRefusedOrWhenTheTrashFails) {
    bundle.version = QStringLiteral("1.10");
    running(QStringLiteral("1.9"));
    answer = AlertRunner::kFirstButton + 1;
    EXPECT_EQ(run(), SingleInstance::Outcome::Start);
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(apps.trashed.isEmpty());

    apps.copies.clear();
    apps.add(kOwnPid, kOwnBundle);
    running(QStringLiteral("1.9"));
    apps.trashFails = true;
    answer = AlertRunner::kFirstButton;
    EXPECT_EQ(run(), SingleInstance::Outcome::Start);
    EXPECT_FALSE(exitStatus.has_value());
}

TEST_F(SingleInstanceTest, NewerCopyFromTheSameBundleEndsTheOldOneWithoutATrashOffer) {
    bundle.version = QStringLiteral("1.5");
    running(QStringLiteral("1.4"), kOwnBundle + QStringLiteral("/"));
    EXPECT_EQ(run(), SingleInstance::Outcome::Start);
    EXPECT_EQ(apps.find(kRunningPid)->terminateRequests, 1);
    EXPECT_TRUE(alerts.empty());
    EXPECT_TRUE(apps.trashed.isEmpty());
}

TEST_F(SingleInstanceTest, TakeoverEndsTheRunningCopyOfAnyVersionWithoutAsking) {
    for (const char* version : {"1.4", "2.0", "1.0"}) {
        apps.copies.clear();
        apps.add(kOwnPid, kOwnBundle);
        running(QString::fromLatin1(version));
        alerts.clear();
        EXPECT_EQ(run({QStringLiteral("Quendle"), QStringLiteral("--takeover")}), SingleInstance::Outcome::Start)
            << version;
        EXPECT_EQ(apps.find(kRunningPid)->terminateRequests, 1) << version;
        EXPECT_TRUE(apps.copiesOf(QStringLiteral("orvane")).size() == 1) << version;  // only this one
        EXPECT_TRUE(alerts.empty()) << version;
        EXPECT_FALSE(exitStatus.has_value()) << version;
    }
    EXPECT_EQ(logLines().count(kTookOver), 3);
    // The switch is matched exactly.
    apps.copies.clear();
    apps.add(kOwnPid, kOwnBundle);
    running(QStringLiteral("1.4"));
    EXPECT_EQ(run({QStringLiteral("Quendle"), QStringLiteral("--Takeover"), QStringLiteral("-takeover")}),
              SingleInstance::Outcome::Exit);
}

TEST_F(SingleInstanceTest, TakeoverWaitsForTheOldCopyAndForcesOnlyAfterFiveSeconds) {
    running(QStringLiteral("1.4"), kOtherBundle, 1.0);  // quits a second after being asked
    EXPECT_EQ(run({QStringLiteral("--takeover")}), SingleInstance::Outcome::Start);
    EXPECT_FALSE(apps.find(kRunningPid)->forced);
    EXPECT_NEAR(slept, 1.0, 0.2 + 1e-9);

    apps.copies.clear();
    apps.add(kOwnPid, kOwnBundle);
    running(QStringLiteral("1.4"), kOtherBundle, -1.0);  // ignores the request
    apps.add(101, kOtherBundle, -1.0);                     // and a second stubborn copy
    slept = 0.0;
    EXPECT_EQ(run({QStringLiteral("--takeover")}), SingleInstance::Outcome::Start);
    EXPECT_TRUE(apps.find(kRunningPid)->forced);
    EXPECT_TRUE(apps.find(101)->forced);
    EXPECT_EQ(apps.find(101)->terminateRequests, 1);
    EXPECT_NEAR(slept, 5.0, 0.2 + 1e-9);
    EXPECT_EQ(logLines().count(kTookOver), 2);  // written whether or not force was needed
}

TEST_F(SingleInstanceTest, NothingHappensWithoutOtherLiveCopiesOrWithoutAnIdentifier) {
    EXPECT_EQ(run(), SingleInstance::Outcome::Start);  // only this process

    running(QStringLiteral("1.4")).zombie = true;  // ended, not yet reaped
    FakeRunningApplications::Copy& foreign = apps.add(102, kOtherBundle);
    foreign.identifier = QStringLiteral("other");
    EXPECT_EQ(run(), SingleInstance::Outcome::Start);
    EXPECT_TRUE(alerts.empty());
    EXPECT_TRUE(logLines().isEmpty());
    EXPECT_EQ(apps.locksHeld, 0);

    apps.copies.clear();
    running(QStringLiteral("1.4"));
    bundle.id.clear();
    const int locks = apps.locksTaken;
    EXPECT_EQ(run(), SingleInstance::Outcome::Start);
    EXPECT_EQ(apps.locksTaken, locks);
    EXPECT_EQ(apps.find(kRunningPid)->terminateRequests, 0);
}

TEST_F(SingleInstanceTest, TheFirstListedCopyDecides) {
    bundle.version = QStringLiteral("1.4");
    running(QStringLiteral("1.4"), QStringLiteral("/a/Quendle.app"));
    apps.add(101, QStringLiteral("/b/Quendle.app"));
    bundle.otherVersions[QStringLiteral("/b/Quendle.app")] = QStringLiteral("1.2");
    EXPECT_EQ(run(), SingleInstance::Outcome::Exit);
    EXPECT_EQ(logLines(), QStringList{kGaveWay});
}

TEST(SingleInstanceVersions, ComparesNumberByNumber) {
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    };
    const Case cases[] = {
        {"1.2", "1.2.0", false}, {"1.2.0", "1.2", false}, {"1.2.1", "1.2", true},  {"1.10", "1.9", true},
        {"1.9", "1.10", false},  {"2", "1.99.99", true},  {"1..3", "1.3", false},  {"1.3", "1..2", true},
        {"1.x", "1.0", false},   {"1.x", "1", false},     {"1.0", "1.x", false},   {"1.2a", "1.1", false},
        {"1.1", "1.2a", true},   {"", "0", false},        {"0.1", "", true},       {"1. 2", "1.1", false},
        {"1.99999999999999999999", "1.1", false},  // an overflowing piece is not a number
        {"+2", "1", true},       {"1.-1", "1", false},    {"１.0", "0.9", false},  // full-width digit
    };
    for (const Case& c : cases)
        EXPECT_EQ(SingleInstance::isVersionNewer(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.newer)
            << c.a << " vs " << c.b;
}

TEST(SingleInstanceSwitches, StringArrayContainsIsExactAndCaseSensitive) {
    const QStringList args{QStringLiteral("/x/Quendle"), QStringLiteral("--takeover"), QStringLiteral("a b")};
    EXPECT_TRUE(stringArrayContains(args, QStringLiteral("--takeover")));
    EXPECT_TRUE(stringArrayContains(args, QStringLiteral("/x/Quendle")));  // the executable counts too
    EXPECT_TRUE(stringArrayContains(args, QStringLiteral("a b")));
    EXPECT_FALSE(stringArrayContains(args, QStringLiteral("--TAKEOVER")));
    EXPECT_FALSE(stringArrayContains(args, QStringLiteral("--take")));
    EXPECT_FALSE(stringArrayContains({}, QString()));
}

}  // namespace
