// The microphone against sound servers that misbehave, each a stand-in of the test's own: one
// that accepts the connection and never answers, one that goes away during a recording, one
// without any microphone. The main thread waits on none of them for long, and no failure is taken
// for a recording or a microphone.
#include "core/AppPrefs.h"
#include "dictation/Recorder.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/LinuxPermissions.h"
#include "platform/linux/PulseAudioInput.h"
#include "TestBuses.h"
#include "TestHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>

namespace {

// PULSE_SERVER for the life of the object.
class SoundServerVariable {
public:
    explicit SoundServerVariable(const QString& socketPath)
        : had_(qEnvironmentVariableIsSet("PULSE_SERVER")), previous_(qgetenv("PULSE_SERVER")) {
        qputenv("PULSE_SERVER", ("unix:" + socketPath).toLocal8Bit());
    }
    ~SoundServerVariable() {
        if (had_) qputenv("PULSE_SERVER", previous_);
        else qunsetenv("PULSE_SERVER");
    }

private:
    bool had_;
    QByteArray previous_;
};

// A PulseAudio server of the test's own with the modules given, killed at will.
class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const QStringList& modules) {
        QDir().mkpath(dir_.filePath(QStringLiteral("run")));
        QFile::setPermissions(dir_.filePath(QStringLiteral("run")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                     QFileDevice::ExeOwner);
        socket_ = dir_.filePath(QStringLiteral("run/native"));
        QFile config(dir_.filePath(QStringLiteral("server.pa")));
        if (!config.open(QIODevice::WriteOnly)) return;
        config.write(("load-module module-native-protocol-unix auth-anonymous=1 socket=" + socket_ + "\n").toLocal8Bit());
        for (const QString& module : modules) config.write((module + "\n").toLocal8Bit());
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.filePath(QStringLiteral("run")));
        // Off the session's bus, where the session's own server holds PulseAudio's name.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        env.remove(QStringLiteral("DISPLAY"));
        process_.setProcessEnvironment(env);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(dir_.filePath(QStringLiteral("server.log")));
        process_.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--system=no"),
                        QStringLiteral("-F"), config.fileName()});
        if (!process_.waitForStarted(5000)) return;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && process_.state() == QProcess::Running) {
            QProcess info;
            QProcessEnvironment infoEnv = QProcessEnvironment::systemEnvironment();
            infoEnv.insert(QStringLiteral("PULSE_SERVER"), "unix:" + socket_);
            info.setProcessEnvironment(infoEnv);
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(5000) && info.exitCode() == 0) {
                ready_ = true;
                return;
            }
            process_.waitForFinished(50);
        }
    }
    ~PrivateSoundServer() { kill(); }
    bool ready() const { return ready_; }
    QString socket() const { return socket_; }
    // Gone at once, as when the server crashes.
    void kill() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    QTemporaryDir dir_;
    QString socket_;
    QProcess process_;
    bool ready_ = false;
};

class SoundServerSession : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        AppPrefs::setDefaults(&defaults);
    }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    static qint64 msToStart(Recorder& recorder, bool* started) {
        QElapsedTimer timer;
        timer.start();
        *started = recorder.start();
        return timer.elapsed();
    }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
};

// A server that takes the connection and never answers: the first start waits for it about a
// second at most, a later one does not wait for that same connection again.
TEST_F(SoundServerSession, ServerThatNeverAnswersHoldsAStartUpOnlyBriefly) {
    SilentSocket server;
    ASSERT_TRUE(server.ok());
    SoundServerVariable variable(server.path());
    PulseAudioInput mic;
    Recorder recorder(mic);
    bool started = true;
    EXPECT_LT(msToStart(recorder, &started), 2000);
    EXPECT_FALSE(started);
    EXPECT_LT(msToStart(recorder, &started), 500);
    EXPECT_FALSE(started);
    EXPECT_FALSE(recorder.isRunning());
}

// The server ends in the middle of a recording: the recorder says so at once, keeps what it heard
// and a new start fails without waiting.
TEST_F(SoundServerSession, ServerThatGoesAwayEndsTheCaptureWithWhatWasHeard) {
    PrivateSoundServer server({QStringLiteral("load-module module-sine-source source_name=mic rate=16000 frequency=440"),
                               QStringLiteral("set-default-source mic")});
    ASSERT_TRUE(server.ready());
    SoundServerVariable variable(server.socket());
    PulseAudioInput mic;
    Recorder recorder(mic);
    std::atomic<int> bytes{0};
    int lost = 0;
    recorder.onPCMChunk = [&](const QByteArray& chunk) { bytes += int(chunk.size()); };
    recorder.onLost = [&] { ++lost; };
    ASSERT_TRUE(recorder.start());
    ASSERT_TRUE(queue.waitFor([&] { return bytes.load() >= 16000; }, 10000)) << "the sine never came";
    server.kill();
    ASSERT_TRUE(queue.waitFor([&] { return lost > 0; }, 5000)) << "the end of the server went unnoticed";
    EXPECT_EQ(lost, 1);
    const auto wav = recorder.stop();
    ASSERT_TRUE(wav);
    EXPECT_GE(wav->size(), 44 + 16000 + Recorder::kAppendedSilenceBytes);
    bool started = true;
    EXPECT_LT(msToStart(recorder, &started), 1000);
    EXPECT_FALSE(started);
}

// A server without any microphone offers the monitor of its output as the default source: that is
// no microphone for the permission or for a recording; a monitor named on purpose still records.
TEST_F(SoundServerSession, MonitorOfAnOutputIsNoMicrophone) {
    PrivateSoundServer server({QStringLiteral("load-module module-null-sink sink_name=speaker")});
    ASSERT_TRUE(server.ready());
    SoundServerVariable variable(server.socket());
    EXPECT_FALSE(LinuxPermissions::soundServerHasSource());
    PulseAudioInput mic;
    EXPECT_EQ(mic.deviceFormat().sampleRate, 0);
    Recorder recorder(mic);
    EXPECT_FALSE(recorder.start());
    PulseAudioInput named(QStringLiteral("speaker.monitor"));
    EXPECT_GT(named.deviceFormat().sampleRate, 0);
}

}  // namespace
