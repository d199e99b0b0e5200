#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The newer on-device engine with downloadable per-locale models. This build has none: the
// stand-in below reports itself unsupported, so local recognition always takes the classic
// recogniser. A real engine implements this interface.
class SpeechEngine26 {
public:
    // Either a text (possibly empty) or the engine's error, described for the log.
    struct Outcome {
        std::optional<QString> text;
        QString error;
    };
    using Done = std::function<void(const Outcome&)>;

    virtual ~SpeechEngine26() = default;
    // Whether this system has the engine at all.
    virtual bool isSupported() const = 0;
    // Whether the model of the locale ("ja-JP", "en-US") is installed and ready. Any thread.
    virtual bool isReady(const QString& localeIdentifier) const = 0;
    // Recognises the whole recording, raced against `timeoutSeconds`; `done` runs exactly once,
    // on any thread.
    virtual void transcribeWithTimeout(const QByteArray& wav, const QString& localeIdentifier, const QStringList& hints,
                                       double timeoutSeconds, Done done) = 0;
};

// The engine of a system without it.
class UnavailableSpeechEngine26 final : public SpeechEngine26 {
public:
    bool isSupported() const override { return false; }
    bool isReady(const QString&) const override { return false; }
    void transcribeWithTimeout(const QByteArray&, const QString&, const QStringList&, double, Done done) override {
        done({std::nullopt, QStringLiteral("not available")});
    }
};
