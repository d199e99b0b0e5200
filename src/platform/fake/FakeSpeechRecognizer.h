#pragma once

#include "platform/SpeechRecognizer.h"

#include <QByteArray>
#include <QMap>
#include <mutex>
#include <vector>

// Scripted recognisers on the virtual clock, for tests.
//
// A recognition plays the script set for its locale: each step is delivered on the main queue
// `at` seconds after the recognition started (partial or final results, or an error). A task
// that is cancelled before its final step reports one Cancelled error on the next main-queue
// turn and plays nothing more.
class FakeSpeechRecognizer final : public SpeechRecognizer {
public:
    struct Step {
        double at = 0;
        std::optional<SpeechRecognitionResult> result;
        std::optional<SpeechRecognitionError> error;

        static Step partial(double at, const QString& text) { return {at, SpeechRecognitionResult{text, false}, std::nullopt}; }
        static Step final(double at, const QString& text) { return {at, SpeechRecognitionResult{text, true}, std::nullopt}; }
        static Step failure(double at, const QString& description) {
            return {at, std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Failed, description}};
        }
    };

    struct Recognition {
        SpeechRecognitionRequest request;
        QByteArray wav;         // the file's bytes when the recognition started
        bool cancelled = false;
    };

    explicit FakeSpeechRecognizer(QString locale) : locale_(std::move(locale)) {}

    QString localeIdentifier() const override { return locale_; }
    bool isAvailable() const override { return available; }
    bool supportsOnDeviceRecognition() const override { return onDevice; }
    bool usesContextualStrings() const override { return usesHints; }
    std::shared_ptr<SpeechRecognitionTask> recognize(const SpeechRecognitionRequest& request, ResultHandler handler) override;
    // A stream that keeps what it was given (any thread).
    struct Stream final : SpeechStream {
        void append(const QByteArray& pcm) override {
            std::lock_guard guard(lock);
            received.append(pcm);
        }
        std::mutex lock;
        QByteArray received;
    };
    std::shared_ptr<SpeechStream> startStream() override {
        auto stream = std::make_shared<Stream>();
        streams.push_back(stream);
        return stream;
    }
    std::vector<std::shared_ptr<Stream>> streams;  // every stream started, in order

    // Main thread only.
    const std::vector<std::shared_ptr<Recognition>>& recognitions() const { return recognitions_; }

    bool available = true;
    bool onDevice = true;
    bool usesHints = true;
    std::vector<Step> script;  // the script of every following recognition

private:
    QString locale_;
    std::vector<std::shared_ptr<Recognition>> recognitions_;
};

class FakeSpeechRecognizerProvider final : public SpeechRecognizerProvider {
public:
    SpeechAuthorization authorizationStatus() const override { return authorization; }
    // The recogniser registered for the locale (null when none is).
    std::shared_ptr<SpeechRecognizer> recognizer(const QString& localeIdentifier) override;

    // Registers (or returns) the recogniser of a locale.
    std::shared_ptr<FakeSpeechRecognizer> add(const QString& localeIdentifier);
    int lookups() const { return lookups_; }

    SpeechAuthorization authorization = SpeechAuthorization::Authorized;

private:
    QMap<QString, std::shared_ptr<FakeSpeechRecognizer>> recognizers_;
    int lookups_ = 0;
};
