#pragma once

#include "platform/SpeechRecognizer.h"

#include <QString>
#include <memory>

class SerialQueue;

// The classic on-device recogniser on Linux: PocketSphinx with Debian's US English model
// (acoustic model en-us/en-us, language model en-us.lm.bin, dictionary cmudict-en-us.dict).
//
// - Only "en-US" has a model; every other locale ("ja-JP" included) gets no recogniser.
// - Speech recognition counts as authorised when the model is installed.
// - The decoder is loaded once per process, on the first recognition (the launch warm-up is
//   that first recognition), and shared by every recogniser with the same model and grammar.
// - One decoder decodes one recording at a time, by chunks of 0.2 s: a cancelled recognition stops
//   between two chunks, and one that runs close to the caller's wait reports its best hypothesis
//   so far as a partial result. A recording can be streamed while it is recorded (startStream());
//   its recognition then only decodes the rest. Chunked decoding normalises the cepstral mean as
//   it goes (live), so a streamed recording gives the text a whole one does.
// - A whole recording asked for while another recording is being streamed goes first; the
//   stream starts again from its beginning once the decoder is free.
// - Vocabulary hints (contextualStrings) are ignored: the general n-gram model cannot be
//   weighted per request, words of the pronunciation dictionary are recognisable anyway, and
//   words outside it have no pronunciation to add.
class PocketSphinxRecognizerProvider final : public SpeechRecognizerProvider {
public:
    // `grammar`: an optional JSGF grammar text that replaces the language model (for tests
    // that need a closed vocabulary); empty uses the general language model.
    explicit PocketSphinxRecognizerProvider(QString modelDirectory = defaultModelDirectory(), QString grammar = {});
    ~PocketSphinxRecognizerProvider() override;

    SpeechAuthorization authorizationStatus() const override;
    // Loads the model on the recogniser's queue unless it is loaded.
    void prepare() override;

    // A loaded model is released after this long without use (it holds about 90 MB); prepare()
    // at every recording start loads it again while the user speaks.
    static constexpr double kIdleRelease = 30.0;
    std::shared_ptr<SpeechRecognizer> recognizer(const QString& localeIdentifier) override;

    static QString defaultModelDirectory();
    bool modelInstalled() const;

    // Decodes 16 kHz mono 16-bit samples synchronously on the calling thread (benchmarks and the
    // self-check); null when the model cannot be loaded.
    std::optional<QString> decodeSamples(const QByteArray& pcm);

    struct Decoder;

private:
    QString modelDirectory_;
    QString grammar_;
    std::shared_ptr<SerialQueue> queue_;
};
