#pragma once

#include "platform/SpeechRecognizer.h"

#include <QString>
#include <memory>

class SerialQueue;

// How a PocketSphinx decoder is set up.
struct PocketSphinxOptions {
    // The second, flat-lexicon pass: it decodes an utterance again once it has ended (a sixth fewer
    // wrong words on bench/recognition's accuracy benchmark). Its work comes when the utterance
    // ends, so a streamed recording ends one at each pause of the speech (cutAtPauses).
    bool flatPass = true;
    // Where this user's cepstral mean is kept between starts (empty: only for this process).
    QString meanFile;
    // A streamed recording ends an utterance at each pause of the speech while the user is still
    // speaking, so that after the release only the stretch after the last pause is left to decode.
    bool cutAtPauses = true;
};

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
//   its recognition then only decodes the rest.
// - Chunked decoding normalises the cepstral mean live. The live mean this user's speech has
//   taught the decoder is kept across recordings, across the idle release and across starts (in
//   the support folder): a freshly loaded decoder starts from it instead of the model's initial
//   mean, which fits no particular speaker or microphone and costs words until it has adapted.
//   While no mean is known yet (the very first recording), the recording is normalised with its
//   own mean: once enough speech has been heard its head is decoded again from that mean; a short
//   recording that never got that far is decoded again whole when it ends.
// - The flat-lexicon second pass decodes each utterance again when it ends. A streamed recording
//   ends an utterance at each pause of the speech (SpeechPauses; once a stretch has run long, at a
//   quick breath too) while the user goes on speaking, so that pass runs during the recording and
//   only the stretch after the last pause is left for the release; the live mean goes on from
//   stretch to stretch and the texts of the stretches are joined. A new user's first stretch ends
//   only once it has been normalised with its own mean.
// - A whole recording asked for while another recording is being streamed goes first; the
//   stream starts again from its beginning once the decoder is free.
// - Vocabulary hints (contextualStrings) are ignored: the general n-gram model cannot be
//   weighted per request, words of the pronunciation dictionary are recognisable anyway, and
//   words outside it have no pronunciation to add.
class PocketSphinxRecognizerProvider final : public SpeechRecognizerProvider {
public:
    // `grammar`: an optional JSGF grammar text that replaces the language model (for tests
    // that need a closed vocabulary); empty uses the general language model. The options are the
    // defaults above, with the mean kept in defaultMeanFile(): the application's recogniser.
    explicit PocketSphinxRecognizerProvider(QString modelDirectory = defaultModelDirectory(), QString grammar = {});
    PocketSphinxRecognizerProvider(QString modelDirectory, QString grammar, PocketSphinxOptions options);
    ~PocketSphinxRecognizerProvider() override;

    SpeechAuthorization authorizationStatus() const override;
    // Loads the model on the recogniser's queue unless it is loaded.
    void prepare() override;

    // A loaded model is released after this long without use (it holds about 90 MB); prepare()
    // at every recording start loads it again while the user speaks.
    static constexpr double kIdleRelease = 30.0;
    // kIdleRelease, or a shorter time from QUENDLE_SPEECH_IDLE_RELEASE (seconds, for tests).
    static double idleRelease();
    // Releases every loaded decoder now, as the idle release does (benchmarks and tests).
    static void releaseModels();
    // Returns once everything queued on the recogniser's queue so far has run.
    void waitUntilIdle();
    std::shared_ptr<SpeechRecognizer> recognizer(const QString& localeIdentifier) override;

    static QString defaultModelDirectory();
    // ~/Library/Application Support/Quendle/speech-mean.json
    static QString defaultMeanFile();
    bool modelInstalled() const;

    // Decodes 16 kHz mono 16-bit samples synchronously on the calling thread (benchmarks and the
    // self-check); null when the model cannot be loaded.
    std::optional<QString> decodeSamples(const QByteArray& pcm);
    // The same decoded in one piece, normalised with the recording's own mean (what chunked
    // decoding is measured against); the decoder's live mean is left as it was.
    std::optional<QString> decodeWholeRecording(const QByteArray& pcm);

    struct Decoder;

private:
    QString modelDirectory_;
    QString grammar_;
    PocketSphinxOptions options_;
    std::shared_ptr<SerialQueue> queue_;
};
