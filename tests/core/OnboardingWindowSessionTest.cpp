// The permission steps on the session's real desktop: the Linux permissions, the installed speech
// model and the probe through the real application bundle.
#include "TestHome.h"
#include "core/OnboardingWindow.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "platform/linux/LinuxPermissions.h"
#include "platform/linux/PocketSphinxRecognizer.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using Step = OnboardingWindow::Step;

QString bundleExecutable() {
    return qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/Quendle.app/Contents/MacOS/Quendle");
}

class OnboardingWindowSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        // Builds without the GUI have no application to start.
        if (!QFile::exists(bundleExecutable())) GTEST_SKIP() << "the application bundle is not built";
    }

    TestHome home;
    FakeMainQueue queue;
};

TEST_F(OnboardingWindowSessionTest, EveryStepIsGrantedOnTheSessionDesktop) {
    LinuxPermissions permissions;
    PocketSphinxRecognizerProvider speech;
    OnboardingWindow window({permissions, speech, [] { return bundleExecutable(); }});
    for (Step step : OnboardingWindow::allCases)
        EXPECT_TRUE(window.isGranted(step)) << OnboardingWindow::displayName(step).toStdString();
}

// "Check again" asks the sound server at once, not from the answer of up to a minute ago.
TEST_F(OnboardingWindowSessionTest, CheckingAgainAsksTheSoundServerNow) {
    const QByteArray server = qgetenv("PULSE_SERVER");
    const bool hadServer = qEnvironmentVariableIsSet("PULSE_SERVER");
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + home.file(QStringLiteral("no-such-server"))).toUtf8());
    LinuxPermissions permissions;
    ASSERT_TRUE(permissions.waitForMicrophoneCheck(5000));
    EXPECT_EQ(permissions.microphone(), PermissionState::Denied);

    // The server is back.
    if (hadServer)
        qputenv("PULSE_SERVER", server);
    else
        qunsetenv("PULSE_SERVER");
    EXPECT_EQ(permissions.microphone(), PermissionState::Denied) << "the last answer stands for a minute";
    bool answered = false;
    permissions.checkAgain([&] { answered = true; });
    ASSERT_TRUE(queue.waitFor([&] { return answered; }, 5000));
    EXPECT_EQ(permissions.microphone(), PermissionState::Granted);
}

// The in-process answer is "no": the application's own child decides.
TEST_F(OnboardingWindowSessionTest, TheApplicationAnswersTheProbe) {
    FakePermissions permissions;
    permissions.inputMonitoringState = PermissionState::Denied;
    FakeSpeechRecognizerProvider speech;
    const QByteArray display = qgetenv("DISPLAY");

    // A display nobody serves: the child says no, and the next check asks again.
    qputenv("DISPLAY", ":97");
    OnboardingWindow window({permissions, speech, [] { return bundleExecutable(); }});
    EXPECT_FALSE(window.isGranted(Step::inputMonitoring));
    EXPECT_FALSE(window.inputMonitoringProbeGranted());

    qputenv("DISPLAY", display);
    EXPECT_TRUE(window.isGranted(Step::inputMonitoring));
    EXPECT_TRUE(window.inputMonitoringProbeGranted());

    // Kept from now on, whatever a child would say.
    qputenv("DISPLAY", ":97");
    EXPECT_TRUE(window.isGranted(Step::inputMonitoring));
    qputenv("DISPLAY", display);
}

}  // namespace
