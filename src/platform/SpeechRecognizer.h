#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// The classic on-device speech recogniser: one recogniser per locale, each recognising a
// recording file (16 kHz mono 16-bit WAV) into partial and final results.

// Authorisation of speech recognition, numbered as the settings and logs number it.
enum class SpeechAuthorization : int {
    NotDetermined = 0,
    Denied = 1,
    Restricted = 2,
    Authorized = 3,
};

// The audio of a recording in progress, handed to a recogniser while it is being recorded, so that
// little is left to do once it ends. append() is called in order, from one thread at a time; the
// audio is 16 kHz mono 16-bit little-endian PCM. Dropping the stream abandons what it did.
class SpeechStream {
public:
    virtual ~SpeechStream() = default;
    virtual void append(const QByteArray& pcm) = 0;
};

struct SpeechRecognitionRequest {
    QString wavPath;
    bool requiresOnDevice = true;
    bool reportsPartialResults = true;
    bool addsPunctuation = true;
    // Words the user wants recognised; what an engine does with them is its own business
    // (see the implementation).
    QStringList contextualStrings;
    // The recording's audio as it was streamed while recorded (from this recogniser's
    // startStream()): the recogniser goes on from what it already heard when the file begins with
    // the same samples, and recognises the file afresh otherwise.
    std::shared_ptr<SpeechStream> stream;
    // How long the caller waits for the final result. A recogniser that is not done by about then
    // reports its best partial result, so that the caller has something to keep.
    std::optional<double> wait;
};

struct SpeechRecognitionResult {
    QString text;
    bool isFinal = false;
};

struct SpeechRecognitionError {
    enum class Kind { Cancelled, Failed };
    Kind kind = Kind::Failed;
    QString description;
};

// A running recognition. cancel() may be called from any thread, more than once; a cancelled
// task reports one Cancelled error unless it already reported its final result or an error.
class SpeechRecognitionTask {
public:
    virtual ~SpeechRecognitionTask() = default;
    virtual void cancel() = 0;
};

class SpeechRecognizer {
public:
    // Called on the engine's own thread (never the caller's), any number of times with
    // partial results, and at most once with a final result or an error, after which the
    // handler is not called again.
    using ResultHandler = std::function<void(std::optional<SpeechRecognitionResult>, std::optional<SpeechRecognitionError>)>;

    virtual ~SpeechRecognizer() = default;
    virtual QString localeIdentifier() const = 0;
    virtual bool isAvailable() const = 0;
    virtual bool supportsOnDeviceRecognition() const = 0;
    // Whether the request's contextual strings change what this recogniser hears.
    virtual bool usesContextualStrings() const { return true; }
    virtual std::shared_ptr<SpeechRecognitionTask> recognize(const SpeechRecognitionRequest& request, ResultHandler handler) = 0;
    // Starts listening to a recording while it is recorded; null when this recogniser cannot.
    virtual std::shared_ptr<SpeechStream> startStream() { return nullptr; }
};

// The facility: authorisation and the recognisers of this machine.
class SpeechRecognizerProvider {
public:
    virtual ~SpeechRecognizerProvider() = default;
    virtual SpeechAuthorization authorizationStatus() const = 0;
    // Recognition is about to be asked for (a recording has started): load what it needs now, in
    // the background, so the result does not wait for it. Does nothing by default.
    virtual void prepare() {}
    // A recogniser for "en-US", "ja-JP", …; null when this machine has no model for the locale.
    virtual std::shared_ptr<SpeechRecognizer> recognizer(const QString& localeIdentifier) = 0;
};
