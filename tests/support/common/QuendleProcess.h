#pragma once

// Runs the real Quendle bundle from the build tree with a home folder of its own (header only;
// for end-to-end tests and benchmarks inside the headless session).
#include "Microphone.h"
#include "TestHome.h"
#include "platform/linux/PlistDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <iostream>

#include <gtest/gtest.h>

inline QString bundleExecutable() {
    return qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/Quendle.app/Contents/MacOS/Quendle");
}

// How a run starts.
struct QuendleLaunch {
    // The user went through the setup onboarding before (no onboarding window at launch), unless
    // the settings say otherwise.
    bool setUp = true;
    // The home folder of an earlier run, to start again with what it left; none: a new one.
    std::shared_ptr<QTemporaryDir> home;
    // Puts a bundle somewhere in the home folder it is given and returns its executable, to run
    // instead of the build tree's.
    std::function<QString(const QString& home)> install = {};
    // The HOME the process is given for the home folder it is handed (the folder's own path when
    // there is none): the same home written another way.
    std::function<QString(const QString& home)> homeVariable = {};
    // Changes to the environment it starts with (the session's own otherwise): another bus, no
    // sound server, another display.
    std::function<void(QProcessEnvironment& environment)> environment = {};
};

// True while the process exists and has not ended (a zombie has ended).
inline bool processAlive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

// One run of the application with a home folder of its own.
class QuendleProcess {
public:
    explicit QuendleProcess(const QVariantMap& settings, QuendleLaunch launch = {})
        : home_(launch.home ? launch.home : std::make_shared<QTemporaryDir>()) {
        PlistDefaults defaults(QStringLiteral("orvane"), preferencesFolder());
        if (launch.install) executable_ = launch.install(home_->path());
        if (launch.homeVariable) homeVariable_ = launch.homeVariable(home_->path());
        environment_ = launch.environment;
        for (auto it = settings.begin(); it != settings.end(); ++it) defaults.set(it.key(), it.value());
        if (launch.setUp && !settings.contains(QStringLiteral("onboardingV2Completed")))
            defaults.set(QStringLiteral("onboardingV2Completed"), true);
        start();
    }
    // Starts with these bytes as the settings file, exactly as they are.
    explicit QuendleProcess(const QByteArray& settingsFile) : home_(std::make_shared<QTemporaryDir>()) {
        QFile file(settingsPath());
        if (file.open(QIODevice::WriteOnly)) file.write(settingsFile);
        file.close();
        start();
    }
    QString settingsPath() const { return preferencesFolder() + QStringLiteral("/orvane.plist"); }
    bool running() const { return process_.state() == QProcess::Running; }

    void start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), homeVariable_.isEmpty() ? home_->path() : homeVariable_);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_->path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_->path() + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));  // test mains default to offscreen
        if (environment_) environment_(env);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(executable_, {});
        process_.waitForStarted(10000);
    }
    QString preferencesFolder() const {
        const QString prefs = home_->path() + QStringLiteral("/Library/Preferences");
        QDir().mkpath(prefs);
        return prefs;
    }
    ~QuendleProcess() {
        if (::testing::UnitTest::GetInstance()->current_test_info() && ::testing::Test::HasFailure()) {
            std::cerr << "--- the application's log\n";
            for (const QString& line : log()) std::cerr << line.toStdString() << "\n";
        }
        stop();
    }
    // Ends the run (the home folder stays while someone holds it).
    void stop() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(1000);
    }

    // Sends SIGTERM and waits up to `ms` for the process to be gone; true when it went.
    bool endsOnTerm(int ms) {
        process_.terminate();
        return process_.waitForFinished(ms);
    }

    // Waits up to `ms` for the process to end by itself; its exit status when it did (a crash
    // gives none).
    std::optional<int> endsWithStatus(int ms) {
        if (!process_.waitForFinished(ms) || process_.exitStatus() != QProcess::NormalExit) return std::nullopt;
        return process_.exitCode();
    }

    QStringList log() const { return logLinesIn(home_->path()); }
    // Waits (running the caller's event loop) for a log line that starts with `prefix`.
    bool waitForLog(const QString& prefix, int ms = 15000) const {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            for (const QString& line : log())
                if (line.startsWith(prefix)) return true;
            if (timer.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
    qint64 pid() const { return process_.processId(); }
    // The home folder it runs with (another copy started with it is the same user's second copy).
    QString home() const { return home_->path(); }
    std::shared_ptr<QTemporaryDir> homeFolder() const { return home_; }
    // A setting as the application stored it.
    QVariant setting(const QString& key) const { return PlistDefaults(QStringLiteral("orvane"), preferencesFolder()).object(key); }
    int indexOf(const QString& prefix) const {
        const QStringList lines = log();
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].startsWith(prefix)) return i;
        return -1;
    }

private:
    std::shared_ptr<QTemporaryDir> home_;
    QString executable_ = bundleExecutable();
    QString homeVariable_;
    std::function<void(QProcessEnvironment&)> environment_;
    QProcess process_;
};

// Holds the trigger (through `key`, pressed with true and released with false) while `speech`
// plays through the session's microphone, then releases it. False when the recording did not
// start or the speech was not played.
inline bool speakWhileHolding(const QuendleProcess& quendle, const QVector<int16_t>& speech,
                              const std::function<void(bool down)>& key) {
    const QString started = QStringLiteral("録音中（マイク起動 ");
    auto recordings = [&] {
        int count = 0;
        for (const QString& line : quendle.log()) count += line.startsWith(started);
        return count;
    };
    const int before = recordings();
    key(true);
    // This press's recording: one more start line than before.
    QElapsedTimer wait;
    wait.start();
    bool ok = false;
    while (!(ok = recordings() > before) && wait.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // The speech and a tail of silence behind it: once the microphone has played the tail, the
    // speech has gone through the microphone's buffers to the recording.
    QVector<int16_t> take = speech;
    take.resize(speech.size() + 16000 * 3 / 10);
    if (ok) ok = Microphone::waitPlayed(Microphone::queue(take));
    key(false);
    return ok;
}
