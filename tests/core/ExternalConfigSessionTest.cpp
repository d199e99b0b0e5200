// The watcher on the real settings file, with another process writing it.
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/ExternalConfig.h"
#include "platform/linux/PlistDefaults.h"
#include "platform/linux/QtMainQueue.h"

#include "StoreHelperPath.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

class ExternalConfigSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        ASSERT_TRUE(QFile::exists(storeHelperPath())) << "helper not built";
        MainQueue::install(&queue);
    }
    void TearDown() override {
        AppPrefs::setDefaults(nullptr);
        MainQueue::uninstall(&queue);
    }

    // Another process writes a string through its own store (the locked merge).
    bool writeFromOutside(const char* key, const char* text) {
        QProcess process;
        process.start(storeHelperPath(), {u("set"), temp.path(), u("orvane"), u(key), u(text)});
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    // Runs the event loop until `done` holds or 5 s of real time passed.
    static bool spinUntil(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 5000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }
    static QByteArray log() {
        QFile file(AppLog::fileURL());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QVariant onDisk(const QString& path, const char* key) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return PlistDefaults::fromXml(file.readAll()).value_or(QVariantMap()).value(u(key));
    }

    TestHome home;
    QtMainQueue queue;
    QTemporaryDir temp;
};

TEST_F(ExternalConfigSessionTest, AnotherProcessesWritesAreNormalisedOrRevertedOnDisk) {
    PlistDefaults store(u("orvane"), temp.path());
    AppPrefs::setDefaults(&store);
    int changes = 0;
    ExternalConfig watcher(store, nullptr);
    watcher.start([&] { ++changes; });

    // A number written as a string: accepted, reported, stored back as a number.
    ASSERT_TRUE(writeFromOutside("holdThreshold", "0.4"));
    ASSERT_TRUE(spinUntil([&] { return log().contains(u("外から設定が変わった: holdThreshold = 0.4").toUtf8()); }));
    EXPECT_TRUE(PlistDefaults::sameValue(store.object(u("holdThreshold")), 0.4));
    EXPECT_TRUE(PlistDefaults::sameValue(onDisk(store.filePath(), "holdThreshold"), 0.4));
    EXPECT_EQ(changes, 1);

    // Out of range: the last good value goes back into the file.
    ASSERT_TRUE(writeFromOutside("holdThreshold", "9"));
    ASSERT_TRUE(spinUntil([&] { return log().contains(u("外からの設定を無視した: holdThreshold = 9.0").toUtf8()); }));
    EXPECT_TRUE(spinUntil([&] { return PlistDefaults::sameValue(onDisk(store.filePath(), "holdThreshold"), 0.4); }));
    EXPECT_TRUE(PlistDefaults::sameValue(store.object(u("holdThreshold")), 0.4));
    EXPECT_EQ(changes, 1);
}

}  // namespace
