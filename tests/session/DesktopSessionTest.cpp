// The headless session that integration tests run in must really offer an X server, a session
// bus, the accessibility bus and a microphone that returns what is fed to it.
#include "Microphone.h"
#include "TestHome.h"

#include <QByteArray>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>

namespace {
QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}
}  // namespace

class HeadlessSession : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
    }
};

TEST_F(HeadlessSession, XServerWithXTestAndXInput2) {
    int code = 0;
    const QString info = run(QStringLiteral("xdpyinfo"), {}, &code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(info.contains(QStringLiteral("XTEST")));
    EXPECT_TRUE(info.contains(QStringLiteral("XInputExtension")));
}

TEST_F(HeadlessSession, SessionBusAndAccessibilityBus) {
    int code = 0;
    run(QStringLiteral("dbus-send"), {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                      QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                      QStringLiteral("org.freedesktop.DBus.ListNames")},
        &code);
    EXPECT_EQ(code, 0);
    const QString address = run(QStringLiteral("dbus-send"),
                                {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                                 QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus.GetAddress")},
                                &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(address.contains(QStringLiteral("unix:"))) << address.toStdString();
}

// A capture of the pipe-source microphone returns the samples fed to it, in order.
TEST_F(HeadlessSession, MicrophoneReturnsWhatIsFed) {
    QProcess parec;
    parec.start(QStringLiteral("parec"), {QStringLiteral("--device=quendle_mic"), QStringLiteral("--format=s16le"),
                                          QStringLiteral("--rate=16000"), QStringLiteral("--channels=1"),
                                          QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")});
    ASSERT_TRUE(parec.waitForStarted(5000));
    // Only once the recording stream delivers is it certain to hear all of the ramp: on a loaded
    // machine connecting to the sound server can take longer than the ramp lasts.
    QByteArray captured;
    for (int i = 0; i < 100 && captured.isEmpty(); ++i) {
        parec.waitForReadyRead(100);
        captured += parec.readAllStandardOutput();
    }
    ASSERT_FALSE(captured.isEmpty()) << "the recording stream never delivered";

    // A distinctive ramp of 0.5 s that never repeats a value.
    QVector<int16_t> ramp(8000);
    for (int i = 0; i < ramp.size(); ++i) ramp[i] = int16_t(1000 + i * 3);
    const QString ticket = Microphone::queue(ramp, 16000);
    ASSERT_FALSE(ticket.isEmpty());
    ASSERT_TRUE(Microphone::waitPlayed(ticket));

    // Where the ramp starts in what was captured, or -1.
    auto rampStart = [&]() -> qsizetype {
        const auto* samples = reinterpret_cast<const int16_t*>(captured.constData());
        const qsizetype count = captured.size() / 2;
        for (qsizetype i = 0; i + 1 < count; ++i)
            if (samples[i] == 1000 && samples[i + 1] == 1003) return i;
        return -1;
    };
    // Read until the whole ramp has come through: the source lags the feeder by its latency, and
    // audio the feeder wrote while nobody recorded may come first.
    qsizetype start = -1;
    for (int i = 0; i < 100; ++i) {
        parec.waitForReadyRead(100);
        captured += parec.readAllStandardOutput();
        start = rampStart();
        if (start >= 0 && start + ramp.size() <= captured.size() / 2) break;
    }
    parec.kill();
    parec.waitForFinished(2000);

    const auto* samples = reinterpret_cast<const int16_t*>(captured.constData());
    const qsizetype count = captured.size() / 2;
    ASSERT_GE(start, 0) << "the ramp never arrived; captured " << count << " samples";
    ASSERT_LE(start + ramp.size(), count);
    qsizetype mismatches = 0;
    for (qsizetype i = 0; i < ramp.size(); ++i) mismatches += samples[start + i] != ramp[i];
    EXPECT_EQ(mismatches, 0);
}
