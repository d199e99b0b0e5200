#pragma once

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class SpeechAnalyzer;
class SpeechAssetInstallation;
struct SpeechAudioFormat;

// The newer on-device engine with downloadable per-locale models, over the system's
// `SpeechAnalyzer` (on Linux there is none: it reports itself unsupported, and local recognition
// always takes the classic recogniser).
//
// Models: a locale is "ready" once its model was seen installed in this run (it never stops being
// ready); while a preparation runs it is "preparing", and while its download runs its progress is
// known. Recognition: the whole take analysed in one session, raced against a time limit.
//
// Main thread only, except isReady() and downloadProgress(), which any thread may ask. Callbacks
// run on the main queue.
class SpeechEngine26 {
public:
    enum class EngineError { noAudio, noCompatibleFormat, timeout };
    // A text (possibly empty) or an error: one of the engine's own, or the system's description.
    struct Outcome {
        std::optional<QString> text;
        std::optional<EngineError> engineError;
        QString error;  // what the log and the self-check print
    };
    using Done = std::function<void(const Outcome&)>;

    explicit SpeechEngine26(SpeechAnalyzer& analyzer);
    ~SpeechEngine26();
    SpeechEngine26(const SpeechEngine26&) = delete;
    SpeechEngine26& operator=(const SpeechEngine26&) = delete;

    // Whether this system has the engine at all.
    bool isSupported() const;

    // ---- models
    bool isReady(const QString& localeIdentifier) const;
    bool isPreparing(const QString& localeIdentifier) const;
    // The download's fraction (0…1) while one runs.
    std::optional<double> downloadProgress(const QString& localeIdentifier) const;
    // Prepares each locale's model on a later turn of the main queue; returns at once.
    void prepareAssetsInBackground(const QStringList& localeIdentifiers);
    void prepareAssets(const QString& localeIdentifier);

    // ---- recognition
    // The analysis raced against `timeoutSeconds`: `done` runs once with the first to end; the
    // other is cancelled.
    void transcribeWithTimeout(const QByteArray& wav, const QString& localeIdentifier, const QStringList& contextualStrings,
                               double timeoutSeconds, Done done);

    static QString describe(EngineError error);
    // The take's samples (16 kHz mono 16-bit, after the 44-byte header; an odd last byte left
    // out) in `format`; nothing when they cannot be converted to it.
    static std::optional<QByteArray> convertBuffer(const QByteArray& pcm, const SpeechAudioFormat& format);

    struct Analysis;

private:
    std::shared_ptr<Analysis> transcribe(const QByteArray& wav, const QString& localeIdentifier,
                                         const QStringList& contextualStrings, Done done);
    void watchProgress(const std::shared_ptr<SpeechAssetInstallation>& installation, const QString& localeIdentifier);
    void endPreparation(const QString& localeIdentifier, bool ready);

    SpeechAnalyzer& analyzer_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    mutable std::mutex stateLock_;
    QSet<QString> readyLocales_;
    QSet<QString> preparingLocales_;
    QMap<QString, double> progressByLocale_;
    QMap<QString, quint64> watchers_;  // main thread: the progress poll of each running download
};
