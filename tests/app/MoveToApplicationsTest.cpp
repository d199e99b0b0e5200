// Moving the bundle into ~/Applications on real folders, with fake running copies on virtual time:
// where a move is offered, the question and its answers, the order of copy, start and trash, and
// what each failure leaves behind.
#include "app/MoveToApplications.h"
#include "app/SingleInstance.h"
#include "platform/Files.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakeRunningApplications.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

void makeBundle(const QString& path, const QByteArray& content) {
    QDir().mkpath(path + QStringLiteral("/Contents/MacOS"));
    QFile file(path + QStringLiteral("/Contents/MacOS/Quendle"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray executableOf(const QString& bundle) { return Files::read(bundle + QStringLiteral("/Contents/MacOS/Quendle")); }

TEST(MoveToApplicationsPaths, OfferedEverywhereButApplicationsAndBuildTrees) {
    TestHome home;
    QTemporaryDir tree;
    QFile(tree.filePath(QStringLiteral("CMakeCache.txt"))).open(QIODevice::WriteOnly);
    const struct {
        QString path;
        bool offered;
    } cases[] = {
        {home.file(QStringLiteral("Downloads/Quendle.app")), true},
        {QStringLiteral("/opt/Quendle.app"), true},
        {QStringLiteral("/media/u/STICK/Quendle.app"), true},
        {home.file(QStringLiteral("ApplicationsOld/Quendle.app")), true},
        {home.file(QStringLiteral("Applications/Quendle.app")), false},
        {home.file(QStringLiteral("Applications/Tools/Quendle.app")), false},
        {tree.filePath(QStringLiteral("Quendle.app")), false},              // the build tree's own bundle
        {tree.filePath(QStringLiteral("out/x/Quendle.app")), false},        // deeper inside it
        {QStringLiteral("/src/quendle/.build/release/Quendle.app"), false},
        {QString(), false},                                                 // not run from a bundle
    };
    for (const auto& c : cases) EXPECT_EQ(MoveToApplications::shouldOffer(c.path), c.offered) << c.path.toStdString();

    // ~/Applications may itself be a link; the running bundle's path is always resolved.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), home.file(QStringLiteral("Applications"))));
    EXPECT_FALSE(MoveToApplications::shouldOffer(elsewhere.filePath(QStringLiteral("Quendle.app"))));
    EXPECT_TRUE(MoveToApplications::shouldOffer(home.file(QStringLiteral("Downloads/Quendle.app"))));
}

TEST(MoveToApplicationsPaths, VolumeRootIsTheMountedMedium) {
    const struct {
        const char* path;
        std::optional<QString> root;
    } cases[] = {
        {"/media/u/STICK/Quendle.app", QStringLiteral("/media/u/STICK")},
        {"/media/u/STICK/apps/Quendle.app", QStringLiteral("/media/u/STICK")},
        {"/run/media/u/My Disk/Quendle.app", QStringLiteral("/run/media/u/My Disk")},
        {"/media/u", std::nullopt},
        {"/run/media/u", std::nullopt},
        {"/mediax/u/STICK/Quendle.app", std::nullopt},
        {"/home/u/media/u/STICK/Quendle.app", std::nullopt},
        {"/Volumes/STICK/Quendle.app", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(MoveToApplications::volumeRoot(QString::fromUtf8(c.path)), c.root) << c.path;
}

class MoveToApplicationsTest : public ::testing::Test {
protected:
    MoveToApplicationsTest() {
        makeBundle(source, "new");
        bundle.path = source;
        apps.add(kOwnPid, source);
    }

    bool offer(const QString& path) {
        const bool moving = mover.offer(path);
        queue.runPending();
        return moving;
    }

    static constexpr qint64 kOwnPid = 500;
    TestHome home;
    FakeMainQueue queue;
    FakeBundle bundle;
    FakeRunningApplications apps;
    const QString source = home.file(QStringLiteral("Downloads/Quendle.app"));
    const QString destination = home.file(QStringLiteral("Applications/Quendle.app"));
    std::vector<Alert> alerts;
    int answer = AlertRunner::kFirstButton;
    QStringList events;
    QString startError;
    int quits = 0;
    std::function<bool()> renameAllowed = [] { return true; };
    SingleInstance instances{{apps, bundle, [](const Alert&) { return AlertRunner::kFirstButton + 1; },
                              [this](double seconds) { queue.advance(seconds); }, [](int) {}},
                             kOwnPid};
    MoveToApplications mover{{apps, instances, QStringLiteral("orvane"),
                              [this](const QString& program, const QStringList& arguments) {
                                  events << QStringLiteral("start %1 %2 (trashed %3)")
                                                .arg(program, arguments.join(QLatin1Char(' ')))
                                                .arg(apps.trashed.size());
                                  return startError;
                              },
                              [this](const QString& root) { events << QStringLiteral("detach ") + root; },
                              [this](const QString& path) {
                                  events << QStringLiteral("menu ") + path;
                                  return QString();
                              },
                              [this] { ++quits; },
                              [this](const Alert& alert) {
                                  alerts.push_back(alert);
                                  return answer;
                              },
                              [this](const QString& from, const QString& to) {
                                  events << QStringLiteral("rename");
                                  return renameAllowed() &&
                                         std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
                              }}};
};

TEST_F(MoveToApplicationsTest, TheQuestionAndItsTwoAnswers) {
    answer = AlertRunner::kFirstButton + 1;  // "このまま使う"
    EXPECT_FALSE(offer(source));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("アプリケーションフォルダに移動しますか？"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("Quendle をアプリケーションフォルダに入れてから開きます。次からはアプリケーションメニューからすぐ開けます。"));
    EXPECT_EQ(alerts[0].buttons, (QStringList{QStringLiteral("移動して開く"), QStringLiteral("このまま使う")}));
    EXPECT_FALSE(QFileInfo::exists(destination));
    EXPECT_TRUE(events.isEmpty());

    answer = AlertRunner::kFirstButton;  // "移動して開く"
    EXPECT_TRUE(offer(source));
    EXPECT_EQ(executableOf(destination), QByteArray("new"));
    // The copy is started before the source goes to the trash.
    EXPECT_EQ(events, (QStringList{QStringLiteral("rename"), QStringLiteral("menu ") + destination,
                                   QStringLiteral("start ") + destination + QStringLiteral("/Contents/MacOS/Quendle --takeover (trashed 0)")}));
    EXPECT_EQ(apps.trashed, QStringList{source});
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(home.logLines(), QStringList{QStringLiteral("アプリケーションフォルダへ移動した: ") + destination});
    EXPECT_EQ(QDir(home.file(QStringLiteral("Applications"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Quendle.app")});
}

// HOME reached through a symbolic link or ending in "/" names the same home: the copy installed
// there is never asked to move, and moved anyway it is neither copied onto itself nor trashed.
TEST_F(MoveToApplicationsTest, TheInstalledCopyStaysWhereItIsHoweverHomeIsWritten) {
    makeBundle(destination, "installed");
    QTemporaryDir links;
    const QString linked = links.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QFile::link(home.path(), linked));
    for (const QString& variable : {linked, home.path() + QLatin1Char('/'), linked + QLatin1Char('/')}) {
        SCOPED_TRACE(variable.toStdString());
        qputenv("HOME", QFile::encodeName(variable));
        alerts.clear();
        EXPECT_FALSE(offer(destination));  // the bundle's own path, as the running copy knows it
        EXPECT_TRUE(alerts.empty());

        EXPECT_FALSE(mover.move(destination));
        queue.runPending();
        EXPECT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts.empty() ? QString() : alerts.back().message, QStringLiteral("移動できませんでした"));
        EXPECT_EQ(executableOf(destination), QByteArray("installed"));
        EXPECT_EQ(QDir(home.file(QStringLiteral("Applications"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("Quendle.app")});
        EXPECT_TRUE(apps.trashed.isEmpty());
        EXPECT_TRUE(events.isEmpty());
        EXPECT_EQ(quits, 0);
    }

    // A bundle elsewhere still moves in, replacing the installed one.
    qputenv("HOME", QFile::encodeName(linked));
    EXPECT_TRUE(offer(source));
    EXPECT_EQ(executableOf(destination), QByteArray("new"));
    ASSERT_EQ(apps.trashed.size(), 2);
    EXPECT_EQ(executableOf(apps.trashed[0]), QByteArray("installed"));
    EXPECT_EQ(apps.trashed[1], source);
    EXPECT_EQ(quits, 1);
}

TEST_F(MoveToApplicationsTest, ACopyRunningFromTheDestinationEndsBeforeItIsReplaced) {
    makeBundle(destination, "old");
    FakeRunningApplications::Copy& old = apps.add(100, destination, 1.0);  // takes a second to quit
    renameAllowed = [&] { return apps.isTerminated(old.pid); };
    EXPECT_TRUE(offer(source));
    EXPECT_TRUE(alerts.size() == 1u && alerts[0].buttons.size() == 2);  // only the question
    EXPECT_EQ(executableOf(destination), QByteArray("new"));
    EXPECT_FALSE(old.forced);
    // The replaced copy goes to the trash, then, once the new one runs, the source.
    ASSERT_EQ(apps.trashed.size(), 2);
    EXPECT_TRUE(apps.trashed[0].startsWith(home.file(QStringLiteral("Applications/.Quendle.app.old-"))));
    EXPECT_EQ(executableOf(apps.trashed[0]), QByteArray("old"));
    EXPECT_EQ(apps.trashed[1], source);
}

TEST_F(MoveToApplicationsTest, AFailedMoveSaysWhyAndLeavesBothBundlesInPlace) {
    makeBundle(destination, "old");
    renameAllowed = [] { return false; };
    EXPECT_FALSE(offer(source));
    ASSERT_EQ(alerts.size(), 2u);
    const QString reason = destination + QStringLiteral(" を置き換えられません");
    EXPECT_EQ(alerts[1].message, QStringLiteral("移動できませんでした"));
    EXPECT_EQ(alerts[1].informativeText,
              QStringLiteral("このまま使えます。あとでアプリケーションフォルダへドラッグしてください。（理由: ") + reason +
                  QStringLiteral("）"));
    EXPECT_TRUE(alerts[1].buttons.isEmpty());
    EXPECT_EQ(home.logLines().last(), QStringLiteral("アプリケーションフォルダへの移動に失敗: ") + reason);
    EXPECT_EQ(executableOf(destination), QByteArray("old"));
    EXPECT_EQ(executableOf(source), QByteArray("new"));
    EXPECT_EQ(QDir(home.file(QStringLiteral("Applications"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Quendle.app")});
    EXPECT_TRUE(apps.trashed.isEmpty());
    EXPECT_EQ(quits, 0);

    // From a removable medium nothing is asked; a medium that cannot be read fails the same way.
    alerts.clear();
    EXPECT_FALSE(offer(QStringLiteral("/media/nobody/GONE/Quendle.app")));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("移動できませんでした"));
    EXPECT_TRUE(alerts[0].informativeText.endsWith(QStandardPaths::findExecutable(QStringLiteral("cp")) +
                                                   QStringLiteral(" が失敗しました）")));
}

TEST_F(MoveToApplicationsTest, ACopyThatCannotStartKeepsThisOneRunningAndTheSourceInPlace) {
    startError = destination + QStringLiteral("/Contents/MacOS/Quendle を起動できません");
    EXPECT_FALSE(offer(source));
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[1].message, QStringLiteral("移動しましたが、開き直せませんでした"));
    EXPECT_EQ(alerts[1].informativeText,
              QStringLiteral("このまま使えます。次からはアプリケーションメニューの Quendle を開いてください。"));
    EXPECT_EQ(home.logLines().last(), QStringLiteral("移動後の起動に失敗: ") + startError);
    EXPECT_EQ(executableOf(destination), QByteArray("new"));
    EXPECT_EQ(executableOf(source), QByteArray("new"));
    EXPECT_TRUE(apps.trashed.isEmpty());
    EXPECT_EQ(quits, 0);
}

}  // namespace
