#pragma once

// Test-side driver of quendle_target_app (header only): starts it, sends commands, waits for its
// reports. Waits run the caller's Qt event loop, so our own clipboard keeps serving meanwhile.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <optional>

class TargetApp {
public:
    static QString executable() {
        return qEnvironmentVariable("QUENDLE_BUILD_DIR") + QStringLiteral("/bin/quendle_target_app");
    }

    explicit TargetApp(const QStringList& arguments = {}) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(executable(), arguments);
        const auto ready = waitForLine("ready ", 15000);
        if (ready) pid_ = ready->mid(6).toInt();
    }
    ~TargetApp() {
        if (process_.state() != QProcess::NotRunning) {
            send("quit");
            if (!process_.waitForFinished(3000)) process_.kill();
            process_.waitForFinished(1000);
        }
    }

    bool started() const { return pid_ > 0; }
    qint32 pid() const { return pid_; }

    void send(const QByteArray& command) {
        process_.write(command + '\n');
        process_.waitForBytesWritten(1000);
    }
    // Sends a command and waits for its "ok".
    bool command(const QByteArray& command, int ms = 5000) {
        send(command);
        return waitForLine("ok " + command.split(' ').value(0), ms).has_value();
    }
    // Sends a command and waits for its "ok" without running our event loop meanwhile, so that
    // what the command changes on the desktop has not reached us yet when this returns.
    bool commandBlind(const QByteArray& command, int ms = 5000) {
        send(command);
        const QByteArray ok = "ok " + command.split(' ').value(0);
        QDeadlineTimer deadline(ms);
        for (;;) {
            while (process_.canReadLine()) {
                QByteArray line = process_.readLine();
                while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
                if (line.startsWith(ok)) return true;
            }
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
            process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
    }
    static QByteArray b64(const QString& text) { return text.toUtf8().toBase64(); }

    bool focus(const QByteArray& field) { return command("focus " + field); }
    bool setField(const QByteArray& field, const QString& text) { return command("set " + field + ' ' + b64(text)); }

    QString field(const QByteArray& name) {
        send("report " + name);
        const auto line = waitForLine("field " + name + ' ');
        return line ? QString::fromUtf8(QByteArray::fromBase64(line->mid(7 + name.size()))) : QString();
    }
    // Waits until the field holds `expected` (true) or `ms` passed.
    bool waitForField(const QByteArray& name, const QString& expected, int ms = 5000) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (field(name) == expected) return true;
            spin(10);
        }
        return field(name) == expected;
    }
    // The clipboard as the target sees it: format → bytes, plus "image-size"/"image-pixel" facts.
    QMap<QString, QByteArray> clipboard() {
        send("clip-report");
        QMap<QString, QByteArray> result;
        const auto line = waitForLine("clip");
        if (!line) return result;
        const QList<QByteArray> words = line->split(' ');
        for (int i = 1; i + 1 < words.size(); i += 2) {
            if (words[i] == "image-size" || words[i] == "image-pixel")
                result.insert(QString::fromLatin1(words[i]), words[i + 1]);
            else
                result.insert(QString::fromUtf8(QByteArray::fromBase64(words[i])), QByteArray::fromBase64(words[i + 1]));
        }
        return result;
    }

    // The text of the PRIMARY selection as the target sees it.
    QString primary() {
        send("primary-report");
        const auto line = waitForLine("primary ");
        return line ? QString::fromUtf8(QByteArray::fromBase64(line->mid(8))) : QString();
    }

    static void spin(int ms) {
        QDeadlineTimer deadline(ms);
        QTimer wake;
        wake.start(std::min(ms, 5));
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

    // Runs the event loop until `done()` holds (true) or `ms` passed (false).
    template <typename Done>
    static bool spinUntil(Done done, int ms = 5000) {
        QDeadlineTimer deadline(ms);
        QTimer wake;
        wake.start(5);
        while (!done()) {
            if (deadline.hasExpired()) return done();
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    std::optional<QByteArray> waitForLine(const QByteArray& prefix, int ms = 5000) {
        QDeadlineTimer deadline(ms);
        QTimer wake;
        wake.start(5);
        for (;;) {
            while (process_.canReadLine()) {
                // Only the line end goes: a reply may end in a blank that belongs to it
                // ("field line " for an empty field).
                QByteArray line = process_.readLine();
                while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
                if (line.startsWith(prefix)) return line;
            }
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return std::nullopt;
            // Sleep in the event loop, not in QProcess: our clipboard must keep answering the
            // target while we wait for it. The timer bounds each sleep.
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
    }

private:
    QProcess process_;
    qint32 pid_ = 0;
};
