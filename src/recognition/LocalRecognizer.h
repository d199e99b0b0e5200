#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class SpeechRecognizerProvider;
class SpeechStream;
class SpeechEngine26;

// On-device recognition of recorded takes. It never reports an error: every take ends in a
// trimmed, non-empty text or in nothing.
//
// Completions run exactly once, on the main queue, in every path: a take that a newer take
// supersedes, or that the recogniser refuses, completes with nothing. Work runs on the serial
// local-speech queue ("orvane.localspeech"). The provider and the engine must outlive this object;
// callbacks that arrive after it is gone do nothing.
class LocalRecognizer {
public:
    using Completion = std::function<void(const std::optional<QString>&)>;
    // Runs a task on the local-speech queue (tests pass the main queue).
    using Dispatch = std::function<void(std::function<void()>)>;

    LocalRecognizer(SpeechRecognizerProvider& classic, SpeechEngine26& engine26,
                    std::function<bool()> keyboardIsEnglish = {}, Dispatch speechQueue = {});
    ~LocalRecognizer();

    LocalRecognizer(const LocalRecognizer&) = delete;
    LocalRecognizer& operator=(const LocalRecognizer&) = delete;

    // Recognises one take (a 16 kHz mono WAV). `wait` absent: the adaptive wait
    // min(max(0.9 × seconds + 2.5, 2.5), 50). Returns at once. `stream`: the take as it was
    // streamed while recorded (startStream), so that the recogniser only has the rest to do.
    void transcribe(const QByteArray& wav, bool isEnglish, std::optional<double> wait, Completion completion,
                    std::shared_ptr<SpeechStream> stream = {});
    // The same with a fixed wait that `adaptive` overrides.
    void transcribe(const QByteArray& wav, bool isEnglish, double fixedWait, bool adaptive, Completion completion,
                    std::shared_ptr<SpeechStream> stream = {}) {
        transcribe(wav, isEnglish, adaptive ? std::nullopt : std::optional<double>(fixedWait), std::move(completion),
                   std::move(stream));
    }
    // One recognition by the classic recogniser alone, with a fixed wait (the engine self-check).
    void transcribeClassic(const QByteArray& wav, bool isEnglish, double wait, Completion completion);
    // A recording in the language is starting: its audio may go to the classic recogniser while it
    // is recorded (feed it with append()). Null when that recogniser cannot take a stream.
    std::shared_ptr<SpeechStream> startStream(bool isEnglish);
    // Resets the live-recognition record on the local-speech queue; a run in flight still delivers.
    void cancelPending();
    // A recording has started: the on-device engine may load its model meanwhile.
    void prepare();
    // Whether the classic recogniser can recognise the current spoken language here. Any thread.
    bool probe();
    // Whether the classic recogniser can recognise English (or Japanese) here. Any thread.
    bool hasModel(bool english);
    // Two throw-away recognitions of 0.3 s of silence, the spoken language first; they load the
    // recogniser's model before the first real take.
    void scheduleWarmUp();
    // The launch's hook after asking for authorisation: warms up when `status` is 3 (authorised).
    void warmUpIfAuthorized(int status);

    // ---- shared pieces
    static QStringList vocabularyHints();
    static double adaptiveWait(double seconds);
    // max(0, bytes − 44) / 32000
    static double secondsOf(const QByteArray& wav);

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
    bool ownsSharedQueue_ = false;  // runs on the process's speech queue (not an injected one)
};
