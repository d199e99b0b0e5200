#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// The system's newer on-device speech engine: per-locale models that the system installs on
// request, and analysis sessions that turn audio into text. Main thread only; every callback runs
// on the main queue, never inside the call that started it.

// One download and installation of a locale's model.
class SpeechAssetInstallation {
public:
    using Done = std::function<void(const std::optional<QString>& error)>;

    virtual ~SpeechAssetInstallation() = default;
    // How far the download has got, as the system reports it (it may lie outside 0…1, or be no
    // number at all).
    virtual double fractionCompleted() const = 0;
    virtual bool isFinished() const = 0;
    // Downloads and installs; `done` runs once, with nothing or the failure's description.
    virtual void downloadAndInstall(Done done) = 0;
};

// The audio a session takes: interleaved samples in the machine's byte order.
struct SpeechAudioFormat {
    double sampleRate = 16000;
    int channels = 1;
    bool floatSamples = false;  // 32-bit floats in −1…1; otherwise signed 16-bit integers
};

// One analysis of one recording. Results arrive through the handler given when it was opened.
class SpeechAnalysisSession {
public:
    using Finished = std::function<void(const std::optional<QString>& error)>;

    virtual ~SpeechAnalysisSession() = default;
    // Biases the recognition towards these strings; the error's description when that fails.
    virtual std::optional<QString> setContext(const QStringList& contextualStrings) = 0;
    // The format the analyser prefers for the audio; nothing when it offers none.
    virtual std::optional<SpeechAudioFormat> bestFormat() = 0;
    // Audio in the best format.
    virtual void feed(const QByteArray& samples) = 0;
    // No more audio: the remaining results arrive, then `done` runs once with nothing or the error.
    virtual void finish(Finished done) = 0;
    // Ends the analysis now: no further result, and a pending `finish` never reports.
    virtual void cancel() = 0;
};

class SpeechAnalyzer {
public:
    enum class AssetStatus { Unsupported, NotInstalled, Installed };
    // A result of a session: its text and whether it is final (a later one never revises it).
    using ResultHandler = std::function<void(const QString& text, bool isFinal)>;
    // The system's answer to "what must be installed for this locale": a request, nothing (all is
    // there), or the error's description.
    struct InstallationRequest {
        std::shared_ptr<SpeechAssetInstallation> request;
        std::optional<QString> error;
    };

    virtual ~SpeechAnalyzer() = default;
    // Whether this system has the engine at all.
    virtual bool isSupported() const = 0;
    virtual AssetStatus assetStatus(const QString& localeIdentifier) = 0;
    // Asks the system to keep the locale's model; whether it agreed.
    virtual bool reserve(const QString& localeIdentifier) = 0;
    virtual InstallationRequest installationRequest(const QString& localeIdentifier) = 0;
    // A new session for the locale; null when the engine cannot analyse it.
    virtual std::unique_ptr<SpeechAnalysisSession> openSession(const QString& localeIdentifier, ResultHandler results) = 0;
};
