#include "core/AppPrefs.h"
#include "core/StatusFile.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/LinuxPermissions.h"

#include "TestHome.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), previous_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray previous_;
    bool had_;
};

class StatusFileSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        AppPrefs::setDefaults(&defaults);
    }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
};

TEST_F(StatusFileSessionTest, ASessionWithAMicrophoneAndTheKeyExtensionsIsReady) {
    LinuxPermissions permissions;
    ASSERT_TRUE(permissions.waitForMicrophoneCheck(10'000));
    EXPECT_EQ(permissions.microphone(), PermissionState::Granted);
    EXPECT_EQ(permissions.accessibility(), PermissionState::Granted);
    EXPECT_EQ(permissions.inputMonitoring(), PermissionState::Granted);

    StatusFile status(&permissions);
    status.refresh();
    queue.advance(StatusFile::kCoalesceSeconds + 0.05);
    status.waitForWrites();
    QFile file(StatusFile::filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_TRUE(document.value(QStringLiteral("ready")).toBool());
    EXPECT_TRUE(document.value(QStringLiteral("issues")).toArray().isEmpty());
}

TEST_F(StatusFileSessionTest, TheMicrophoneAnswerIsCachedAndCheckedAgainAfterAMinute) {
    std::optional<ScopedEnv> noServer;
    noServer.emplace("PULSE_SERVER", "unix:/nonexistent/quendle-no-server");
    LinuxPermissions permissions;
    ASSERT_TRUE(permissions.waitForMicrophoneCheck(10'000));
    EXPECT_EQ(permissions.microphone(), PermissionState::Denied);

    // The sound server comes back: the cached answer stands until the minute has passed.
    noServer.reset();
    queue.advance(30);
    EXPECT_EQ(permissions.microphone(), PermissionState::Denied);
    queue.advance(31);
    EXPECT_EQ(permissions.microphone(), PermissionState::Denied) << "the last answer stands while the check runs";
    ASSERT_TRUE(permissions.waitForMicrophoneCheck(10'000));
    EXPECT_EQ(permissions.microphone(), PermissionState::Granted);
}

}  // namespace
