#pragma once

#include "platform/HttpClient.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class SpeechSynthesizer;

// The command-line self-check of the cloud transcription road ("--smoke"): speaks a short
// Japanese test sentence, converts it to the recording format, sends it to the service's
// transcription endpoint with the given or stored service credential, and prints one line per
// check, a summary line and, on request, a JSON report.
//
// Runs synchronously on the calling thread and needs no window: a QCoreApplication (for the
// HTTP client's worker and the tools' processes) and the settings store behind AppPrefs
// (credential, base URL, installation identifier). No main queue or clock is used.
class Smoke {
public:
    enum class Status { Pass, Fail, Warn, Skip };

    struct CheckResult {
        QString name;
        Status status;
        QString detail;
        bool operator==(const CheckResult&) const = default;
    };

    // What the entry point reads off the command line.
    struct Arguments {
        bool smoke = false;           // "--smoke" anywhere
        std::optional<QString> key;   // the argument right after the first "--key"
        bool json = false;            // "--json" anywhere
    };

    // Receives every printed piece (each ends with a line feed); default: standard output.
    using Output = std::function<void(const QByteArray&)>;

    static constexpr double kRequestTimeout = 30.0;
    static constexpr double kWaitLimit = 40.0;

    Smoke(HttpClient& http, SpeechSynthesizer& speech, Output output = {});

    // Runs the checks and prints their results. The key is used when it is present and not
    // empty, else the stored credential; without either the check is skipped. Returns the
    // process's exit status: 1 when a check failed, else 0.
    int run(const std::optional<QString>& key, bool json);

    CheckResult checkTranscribe(const QString& credential);

    // ---- the pieces, for the entry point and tests
    static Arguments parseArguments(const QStringList& arguments);
    static QString rawValue(Status status);                        // "PASS", "FAIL", "WARN", "SKIP"
    static std::optional<Status> statusFromRawValue(const QString& raw);  // exactly those four
    static QString resultLine(const CheckResult& result);          // "[PASS] transcribe: …"
    static QString summaryLine(const QList<CheckResult>& results);  // "総括: PASS=1 FAIL=0 WARN=0 SKIP=0"
    // The results as a pretty-printed JSON array of objects with sorted keys.
    static QByteArray jsonReport(const QList<CheckResult>& results);
    // The five fixed form fields and the recording as "rec.wav".
    static QByteArray multipartBody(const QString& boundary, const QByteArray& wav);
    // "quendle-smoke-" + a new upper-case UUID.
    static QString makeBoundary();
    // Judges the service's answer; nothing means no answer came within the wait.
    static CheckResult judgeReply(const std::optional<HttpResponse>& response);
    // Removes both files; errors (a file never made) are ignored.
    static void removeTempFiles(const QString& speechPath, const QString& wavPath);

    // Sends and waits at most `limitSeconds` for the answer; nothing when the wait ran out (an
    // answer that comes later is dropped).
    std::optional<HttpResponse> sendSynchronously(HttpRequest request, double limitSeconds);
    // The wait for the service's answer (40 s unless changed).
    void setWaitLimit(double seconds) { waitLimit_ = seconds; }

private:
    void print(const QString& text);

    HttpClient& http_;
    SpeechSynthesizer& speech_;
    Output output_;
    double waitLimit_ = kWaitLimit;
};
