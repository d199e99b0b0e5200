// The real bundle installing itself on a desktop with a window manager (openbox), the user
// answering its questions with the keyboard: an update offered by the service is downloaded,
// checked and put in place of the running copy, which the new version replaces; a tampered archive
// changes nothing; a bundle started from the Downloads folder moves itself into ~/Applications,
// and one started from there stays, however HOME names the home folder.
#include "../support/standin/StandInService.h"
#include "QuendleProcess.h"
#include "platform/Files.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include "SessionWindowManager.h"
#include <X11/keysym.h>

namespace {

const QVariantMap kSettings{{"launchAtLogin", false}, {"correctionBar", false}, {"qualityLevel", "low"}};

// The live processes whose executable lies under the folder.
QList<qint64> runningFrom(const QString& folder) {
    QList<qint64> pids;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (!number || !processAlive(pid)) continue;
        if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget().startsWith(folder + QLatin1Char('/')))
            pids << pid;
    }
    return pids;
}

QByteArray digest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The build tree's bundle copied to `path`, with another version number when one is given.
void copyBundle(const QString& path, const QString& version = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QProcess cp;
    cp.start(QStringLiteral("cp"), {QStringLiteral("-a"), qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/Quendle.app"), path});
    ASSERT_TRUE(cp.waitForFinished() && cp.exitCode() == 0);
    if (version.isEmpty()) return;
    QFile info(path + QStringLiteral("/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::ReadWrite));
    QString text = QString::fromUtf8(info.readAll());
    text.replace(QRegularExpression(QStringLiteral("(<key>CFBundleShortVersionString</key>\\s*<string>)[^<]*")),
                 QStringLiteral("\\1") + version);
    info.resize(0);
    info.write(text.toUtf8());
}

class SelfInstallEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        ASSERT_TRUE(keyboard.ok());
        wm = std::make_unique<SessionWindowManager>();
        ASSERT_TRUE(wm->ready()) << "openbox did not start (scripts/setup installs it)";
    }
    void TearDown() override {
        // The copies this test started itself (not children of the test) end by their ids.
        for (qint64 pid : started) {
            if (processAlive(pid)) ::kill(pid_t(pid), SIGTERM);
            pumpUntil([&] { return !processAlive(pid); }, 5000);
        }
        quendle.reset();
        wm.reset();
    }

    // Answers the next question of the process with its first button (Return), once its window
    // is in front; `previous` is a window of an earlier question that may still be known.
    Window answerWithReturn(qint64 pid, Window previous = 0) {
        Window window = 0;
        if (!pumpUntil([&] { return (window = wm->windowOfProcess(pid, 0)) != 0 && window != previous; }, 30000))
            return 0;
        if (!wm->waitForActive(window, 2000)) {
            wm->activateAsUser(window);
            if (!wm->waitForActive(window)) return 0;
        }
        pumpUntil([] { return false; }, 200);  // the dialog has its focus widget once it is active
        keyboard.tap(keyboard.code(XK_Return));
        return window;
    }

    // Waits until exactly one copy runs from under the home folder and it is not `old`.
    qint64 theOneCopyBesides(qint64 old) {
        qint64 found = 0;
        pumpUntil([&] {
            const QList<qint64> pids = runningFrom(quendle->home());
            found = pids.size() == 1 && pids[0] != old ? pids[0] : 0;
            return found != 0;
        }, 30000);
        if (found) started << found;
        return found;
    }

    XKeyboardLock lock;
    XTestKeyboard keyboard;
    std::unique_ptr<SessionWindowManager> wm;
    std::unique_ptr<QuendleProcess> quendle;
    QList<qint64> started;
};

class UpdateEndToEnd : public SelfInstallEndToEnd {
protected:
    void SetUp() override {
        SelfInstallEndToEnd::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        const QString key = qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/update-key/signing-key.pem");
        if (!QFileInfo::exists(key)) GTEST_SKIP() << "this build trusts the release key only";
        // Version 9.0: this build with another number, packed and signed by scripts/package.
        copyBundle(work.filePath(QStringLiteral("new/Quendle.app")), QStringLiteral("9.0"));
        QProcess package;
        package.setProcessChannelMode(QProcess::ForwardedChannels);
        package.start(QStringLiteral("bash"),
                      {qEnvironmentVariable("QUENDLE_SOURCE_DIR") + QStringLiteral("/scripts/package"), QStringLiteral("--key"),
                       key, QStringLiteral("--bundle"), work.filePath(QStringLiteral("new/Quendle.app")),
                       QStringLiteral("--out"), work.filePath(QStringLiteral("dist"))});
        ASSERT_TRUE(package.waitForFinished(60000) && package.exitCode() == 0);
        archive = Files::read(work.filePath(QStringLiteral("dist/Quendle-9.0.zip")));
        signature = Files::read(work.filePath(QStringLiteral("dist/Quendle-9.0.zip.sig")));
        ASSERT_FALSE(archive.isEmpty());
        ASSERT_EQ(signature.size(), 64);
    }

    // Publishes the archive (as given) and its signature, and names version 9.0 in the version
    // document; then starts the installed copy in ~/Applications.
    void startWithRelease(const QByteArray& published) {
        service.publish(QStringLiteral("/releases/Quendle-9.0.zip"), published);
        service.publish(QStringLiteral("/releases/Quendle-9.0.zip.sig"), signature);
        service.enqueue(QStringLiteral("/v1/app/latest"),
                        StandInService::Reply::json(200, QJsonObject{{QStringLiteral("version"), QStringLiteral("9.0")},
                                                                     {QStringLiteral("url"), service.baseURL() +
                                                                          QStringLiteral("/releases/Quendle-9.0.zip")}}));
        QVariantMap settings = kSettings;
        settings.insert(QStringLiteral("serverURL"), service.baseURL());
        QuendleLaunch launch;
        launch.install = [this](const QString& home) {
            installed = home + QStringLiteral("/Applications/Quendle.app");
            copyBundle(installed);
            return installed + QStringLiteral("/Contents/MacOS/Quendle");
        };
        quendle = std::make_unique<QuendleProcess>(settings, launch);
    }

    QStringList besideInstalled() const {
        QStringList names = QDir(QFileInfo(installed).absolutePath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("Quendle.app"));
        return names;
    }

    QTemporaryDir work;
    StandInService service;
    QByteArray archive, signature;
    QString installed;
};

}  // namespace

TEST_F(UpdateEndToEnd, AnAcceptedUpdateRunsTheNewVersionFromTheSamePlace) {
    startWithRelease(archive);
    const qint64 old = quendle->pid();
    ASSERT_TRUE(answerWithReturn(old)) << "no update offer";  // "今すぐアップデート"
    ASSERT_TRUE(quendle->waitForLog(QStringLiteral("アップデート適用: 再起動する"), 30000));
    EXPECT_TRUE(pumpUntil([&] { return !processAlive(old); }, 10000));
    const qint64 now = theOneCopyBesides(old);
    ASSERT_NE(now, 0);
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(now)).symLinkTarget(),
              installed + QStringLiteral("/Contents/MacOS/Quendle"));
    // The new copy's own record of the version it runs.
    const QString prefs = quendle->home() + QStringLiteral("/Library/Preferences");
    EXPECT_TRUE(pumpUntil([&] { return PlistDefaults(QStringLiteral("orvane"), prefs).stringForKey(QStringLiteral("lastRunVersion")) == QStringLiteral("9.0"); },
                          15000));
    EXPECT_EQ(quendle->log().count(QStringLiteral("起動")), 2);
    EXPECT_EQ(besideInstalled(), QStringList());
    EXPECT_TRUE(service.problems().isEmpty()) << service.problems().join(QStringLiteral("; ")).toStdString();
}

TEST_F(UpdateEndToEnd, ATamperedArchiveChangesNothing) {
    QByteArray tampered = archive;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 0x20);
    startWithRelease(tampered);
    const qint64 old = quendle->pid();
    const Window offer = answerWithReturn(old);
    ASSERT_TRUE(offer) << "no update offer";
    ASSERT_TRUE(quendle->waitForLog(QStringLiteral("アップデートに失敗: 署名の確認に失敗しました"), 30000));
    // The failure alert, answered with its one button.
    EXPECT_TRUE(answerWithReturn(old, offer)) << "no failure alert";
    EXPECT_TRUE(processAlive(old));
    EXPECT_EQ(runningFrom(quendle->home()), QList<qint64>{old});
    const QString built = qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/Quendle.app");
    for (const char* file : {"/Contents/MacOS/Quendle", "/Contents/Info.plist"})
        EXPECT_EQ(digest(installed + QLatin1String(file)), digest(built + QLatin1String(file))) << file;
    EXPECT_EQ(besideInstalled(), QStringList());
    EXPECT_EQ(quendle->indexOf(QStringLiteral("アップデート適用")), -1);
}

TEST_F(SelfInstallEndToEnd, ABundleStartedFromDownloadsMovesIntoApplications) {
    QVariantMap settings = kSettings;
    settings.insert(QStringLiteral("launchAtLogin"), true);
    QString source;
    QuendleLaunch launch;
    launch.install = [&](const QString& home) {
        source = home + QStringLiteral("/Downloads/Quendle.app");
        copyBundle(source);
        return source + QStringLiteral("/Contents/MacOS/Quendle");
    };
    quendle = std::make_unique<QuendleProcess>(settings, launch);
    const qint64 old = quendle->pid();
    ASSERT_TRUE(answerWithReturn(old)) << "no question";  // "移動して開く"
    const QString home = quendle->home();
    const QString moved = home + QStringLiteral("/Applications/Quendle.app");
    ASSERT_TRUE(quendle->waitForLog(QStringLiteral("アプリケーションフォルダへ移動した: ") + moved, 30000));
    EXPECT_TRUE(pumpUntil([&] { return !processAlive(old); }, 10000));
    const qint64 now = theOneCopyBesides(old);
    ASSERT_NE(now, 0);
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(now)).symLinkTarget(), moved + QStringLiteral("/Contents/MacOS/Quendle"));
    ASSERT_TRUE(quendle->waitForLog(QStringLiteral("ログイン時に起動: 登録した"), 15000));
    EXPECT_EQ(quendle->log().count(QStringLiteral("起動")), 1);  // the source stopped before its start

    const QString exec = QStringLiteral("Exec=\"") + moved + QStringLiteral("/Contents/MacOS/Quendle\"");
    const QString menuEntry = QString::fromUtf8(Files::read(home + QStringLiteral("/.local/share/applications/orvane.desktop")));
    EXPECT_TRUE(menuEntry.contains(exec)) << menuEntry.toStdString();
    const QString loginEntry = QString::fromUtf8(Files::read(home + QStringLiteral("/.config/autostart/orvane.desktop")));
    EXPECT_TRUE(loginEntry.contains(exec)) << loginEntry.toStdString();
    EXPECT_TRUE(pumpUntil([&] { return !QFileInfo::exists(source); }, 5000));
    EXPECT_TRUE(QFileInfo::exists(home + QStringLiteral("/.local/share/Trash/files/Quendle.app")));
}

// The copy in ~/Applications, started with HOME through a symbolic link and with HOME ending in
// "/": it is home already, so nothing is asked, the watch starts and the bundle stays in place.
TEST_F(SelfInstallEndToEnd, TheInstalledCopyStartsWithoutAQuestionHoweverHomeIsWritten) {
    QTemporaryDir links;
    const struct {
        const char* name;
        std::function<QString(const QString&)> homeVariable;
    } spellings[] = {
        {"through a link",
         [&](const QString& home) {
             const QString link = links.filePath(QStringLiteral("home"));
             return QFile::link(home, link) ? link : home;
         }},
        {"ending in /", [](const QString& home) { return home + QLatin1Char('/'); }},
    };
    const QString executable = QStringLiteral("/Contents/MacOS/Quendle");
    const QString built = qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/Quendle.app");
    for (const auto& spelling : spellings) {
        SCOPED_TRACE(spelling.name);
        QString installed;
        QuendleLaunch launch;
        launch.install = [&](const QString& home) {
            installed = home + QStringLiteral("/Applications/Quendle.app");
            copyBundle(installed);
            return installed + executable;
        };
        launch.homeVariable = spelling.homeVariable;
        quendle = std::make_unique<QuendleProcess>(kSettings, launch);
        const qint64 pid = quendle->pid();
        if (!quendle->waitForLog(QStringLiteral("見張り開始: 成功"), 30000)) {
            ADD_FAILURE() << "stopped before monitoring";
            continue;
        }
        EXPECT_EQ(wm->windowOfProcess(pid, 0), Window(0)) << "a question is open";
        EXPECT_EQ(quendle->indexOf(QStringLiteral("アプリケーションフォルダ")), -1);
        EXPECT_EQ(runningFrom(quendle->home()), QList<qint64>{pid});
        EXPECT_EQ(digest(installed + executable), digest(built + executable));
        EXPECT_FALSE(QFileInfo::exists(quendle->home() + QStringLiteral("/.local/share/Trash")));
        quendle.reset();
    }
}
