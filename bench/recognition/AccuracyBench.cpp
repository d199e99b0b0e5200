// Word error rate of the on-device recogniser on everyday phrases spoken by several flite voices,
// decoded the ways the application can meet them:
//  - Road*: the application's road: the recording streamed to the recogniser in 0.1 s pieces while
//    it is recorded, then recognised from its file (with the 0.35 s of silence the application
//    appends), with the application's settings (flat-lexicon pass, stretches ended at pauses).
//      RoadNewUser: every phrase the very first dictation of a new user (freshly loaded decoder,
//        nothing learnt yet);
//      RoadAfterRelease: per voice, the phrases one after another, the decoder released before
//        each (dictations minutes apart);
//      RoadWarm: per voice, the phrases one after another on the decoder kept loaded;
//      RoadFlatPassAtEnd: RoadAfterRelease without ending stretches at pauses (the flat pass runs
//        over the whole recording after the release);
//      RoadWithoutFlatPass: RoadFlatPassAtEnd without the flat-lexicon pass.
//    tail_ms is the median time from the recognition's start (the stream having caught up) to its
//    text: what the road adds after the release; after_speech_ms the median time from the end of
//    the speech (the stream having caught up to it) to the text: the work the end of the speech
//    leaves, which the application's 0.45 s tail after the release partly hides.
//  - Whole / WholeFlatPass: every recording decoded in one piece with its own mean on a freshly
//    loaded decoder, without and with the flat-lexicon pass (tail_ms: the whole decode).
//  - LongDictation: per voice, the phrases in dictations of ten (about 30 s), with pauses of
//    0.3-0.6 s between them; a new user's first dictation, then the others after the release.
//    wer_percent and wer_<voice> are the road's, wer_whole_flat_percent the whole decode's with the
//    flat-lexicon pass of the same recordings; tail_ms and after_speech_ms the road's, whole_ms
//    the whole decode's.
//  - LongDictationShortPauses: the same with a fast speaker's breaths of 0.12-0.2 s between the
//    phrases instead (the synthesiser's own silence before and after each phrase left out), so no
//    ordinary pause ends a stretch.
// Run: build/bench/recognition/recognition_bench --benchmark_filter=Accuracy
// (QUENDLE_BENCH_SMOKE=1: a few phrases by one voice, to check that it works; QUENDLE_BENCH_VERBOSE=1
// prints every phrase heard wrong; QUENDLE_BENCH_NOISE=N adds a steady noise of N sample units
// RMS to every recording, as a real microphone's floor).
#include "BenchSupport.h"
#include "WordErrors.h"
#include "Microphone.h"
#include "core/RecordingFormat.h"
#include "platform/Files.h"
#include "platform/linux/PocketSphinxRecognizer.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <future>
#include <map>
#include <random>

namespace {

const QStringList kPhrases = {
    QStringLiteral("i will call you back after lunch"),
    QStringLiteral("can we move the meeting to next week"),
    QStringLiteral("the train was late again this morning"),
    QStringLiteral("please remember to buy some milk"),
    QStringLiteral("i left my keys on the kitchen table"),
    QStringLiteral("let us meet at the station at noon"),
    QStringLiteral("the weather is nice for a walk today"),
    QStringLiteral("do you want to have dinner with us"),
    QStringLiteral("i need to finish this work before friday"),
    QStringLiteral("the children are playing in the garden"),
    QStringLiteral("send me the address of the hotel"),
    QStringLiteral("we are running out of coffee"),
    QStringLiteral("my sister lives in a small town"),
    QStringLiteral("the doctor said i should rest more"),
    QStringLiteral("could you open the window please"),
    QStringLiteral("i forgot to answer your message"),
    QStringLiteral("the shop closes early on sunday"),
    QStringLiteral("she bought a new car last month"),
    QStringLiteral("turn left at the next corner"),
    QStringLiteral("i am looking forward to the holiday"),
    QStringLiteral("the price of bread has gone up"),
    QStringLiteral("we should leave before it gets dark"),
    QStringLiteral("he plays the piano every evening"),
    QStringLiteral("the printer in the office is broken"),
    QStringLiteral("thank you for your help yesterday"),
    QStringLiteral("the movie starts in ten minutes"),
    QStringLiteral("i would like a cup of tea"),
    QStringLiteral("our flight leaves early tomorrow"),
    QStringLiteral("the dog is sleeping on the sofa"),
    QStringLiteral("please write your name on the form"),
};
const QStringList kVoices = {QStringLiteral("awb"), QStringLiteral("rms"), QStringLiteral("slt")};

QStringList phrases() { return bench::smoke() ? kPhrases.mid(0, 3) : kPhrases; }
QStringList voices() { return bench::smoke() ? kVoices.mid(2, 1) : kVoices; }

// QUENDLE_BENCH_NOISE's steady noise added to `pcm` (the same noise on every run).
void addNoise(QByteArray& pcm) {
    const double rms = qEnvironmentVariable("QUENDLE_BENCH_NOISE").toDouble();
    if (rms <= 0) return;
    std::mt19937 random(uint32_t(pcm.size()));
    std::normal_distribution<double> noise(0, rms);
    auto* samples = reinterpret_cast<int16_t*>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        samples[i] = int16_t(std::clamp(std::lround(samples[i] + noise(random)), -32768L, 32767L));
}

// `trim`: without the synthesiser's own quiet before and after the speech.
QByteArray speechOf(const QString& voice, const QString& phrase, bool trim = false) {
    QVector<int16_t> speech = Microphone::speak(phrase, 16000, voice);
    if (trim) speech = Microphone::withoutQuietEnds(speech);
    return QByteArray(reinterpret_cast<const char*>(speech.constData()), speech.size() * 2);
}

// Every recording ends with 0.45 s without speech (the application's tail after the release).
constexpr qsizetype kAfterSpeechBytes = 14400;

// A held trigger's recording of the phrase: 0.3 s before the speech, 0.45 s after it.
const QByteArray& recordingOf(const QString& voice, const QString& phrase) {
    static std::map<QString, QByteArray> made;
    QByteArray& pcm = made[voice + QLatin1Char('|') + phrase];
    if (pcm.isEmpty()) {
        pcm = QByteArray(9600, '\0') + speechOf(voice, phrase) + QByteArray(kAfterSpeechBytes, '\0');
        addNoise(pcm);
    }
    return pcm;
}

enum class Pauses { Ordinary, Short };

// A long dictation of `phrases`: 0.3 s before the speech, pauses of 0.3-0.6 s between the phrases
// (Short: 0.12-0.2 s between the phrases' speech), 0.45 s after the last.
QByteArray longRecordingOf(const QString& voice, const QStringList& phrases, Pauses pauses = Pauses::Ordinary) {
    QByteArray pcm(9600, '\0');
    for (qsizetype i = 0; i < phrases.size(); ++i) {
        if (i > 0) {
            const int gap = pauses == Pauses::Ordinary ? 4800 + 480 * int((i * 7) % 11) : 1920 + 256 * int((i * 7) % 6);
            pcm.append(QByteArray(2 * gap, '\0'));
        }
        pcm.append(speechOf(voice, phrases[i], pauses == Pauses::Short));
    }
    pcm.append(QByteArray(kAfterSpeechBytes, '\0'));
    addNoise(pcm);
    return pcm;
}

using bench::wordErrors;
using bench::wordsOf;

struct Tally {
    std::map<QString, std::pair<int, int>> byVoice;  // errors, reference words
    std::vector<double> tails;
    std::vector<double> afterSpeech;

    void add(const QString& voice, const QString& phrase, const std::optional<QString>& heard) {
        const QStringList reference = wordsOf(phrase);
        auto& [errors, words] = byVoice[voice];
        const int wrong = wordErrors(reference, wordsOf(heard.value_or(QString())));
        errors += wrong;
        if (wrong && std::getenv("QUENDLE_BENCH_VERBOSE"))
            fprintf(stderr, "%s: \"%s\" heard \"%s\"\n", qPrintable(voice), qPrintable(phrase),
                    qPrintable(heard.value_or(QStringLiteral("(nothing)"))));
        words += int(reference.size());
    }
    void report(benchmark::State& state) const {
        int errors = 0, words = 0;
        for (const auto& [voice, count] : byVoice) {
            state.counters["wer_" + voice.toStdString()] = 100.0 * count.first / std::max(1, count.second);
            errors += count.first;
            words += count.second;
        }
        state.counters["wer_percent"] = 100.0 * errors / std::max(1, words);
        state.counters["tail_ms"] = bench::median(tails);
        if (!afterSpeech.empty()) state.counters["after_speech_ms"] = bench::median(afterSpeech);
    }
};

// The application's road for one recording on `provider`; the text, and the time after the stream
// has caught up.
std::optional<QString> road(PocketSphinxRecognizerProvider& provider, const QByteArray& recording, Tally& tally) {
    QTemporaryDir dir;
    auto recognizer = provider.recognizer(QStringLiteral("en-US"));
    if (!recognizer) return std::nullopt;
    auto stream = recognizer->startStream();
    // The speech streams in; the 0.45 s after it is recorded while the work of its end runs.
    const qsizetype speechEnd = recording.size() - kAfterSpeechBytes;
    for (qsizetype at = 0; at < speechEnd; at += 3200) stream->append(recording.mid(at, std::min<qsizetype>(3200, speechEnd - at)));
    provider.waitUntilIdle();
    const auto speechEnded = bench::Clock::now();
    for (qsizetype at = speechEnd; at < recording.size(); at += 3200) stream->append(recording.mid(at, 3200));
    provider.waitUntilIdle();
    SpeechRecognitionRequest request;
    request.wavPath = dir.filePath(QStringLiteral("take.wav"));
    request.stream = stream;
    request.wait = 60;
    if (!Files::writeAtomically(request.wavPath, RecordingFormat::makeWAV(recording + QByteArray(11200, '\0'))))
        return std::nullopt;
    std::promise<std::optional<QString>> done;
    bool answered = false;
    const auto start = bench::Clock::now();
    recognizer->recognize(request, [&](const std::optional<SpeechRecognitionResult>& result,
                                       const std::optional<SpeechRecognitionError>& error) {
        if (answered || (result && !result->isFinal)) return;
        answered = true;
        done.set_value(result ? std::optional(result->text) : std::nullopt);
        (void)error;
    });
    std::optional<QString> text = done.get_future().get();
    tally.tails.push_back(bench::ms(bench::Clock::now() - start));
    tally.afterSpeech.push_back(bench::ms(bench::Clock::now() - speechEnded));
    return text;
}

// The model and the voices are there; otherwise the benchmark says so and measures nothing.
bool canMeasure(benchmark::State& state) {
    if (PocketSphinxRecognizerProvider().modelInstalled() && recordingOf(QStringLiteral("slt"), kPhrases[0]).size() >= 30000)
        return true;
    state.SkipWithError("model or flite missing");
    return false;
}

enum class Road { NewUser, AfterRelease, Warm };

void roadAccuracy(benchmark::State& state, Road kind, bool flatPass = true, bool cutAtPauses = true) {
    if (!canMeasure(state)) return;
    for (auto _ : state) {
        Tally tally;
        for (const QString& voice : voices()) {
            QTemporaryDir support;  // a new user per voice
            PocketSphinxRecognizerProvider::releaseModels();
            int n = 0;
            for (const QString& phrase : phrases()) {
                const QString meanFile =
                    support.filePath(kind == Road::NewUser ? QStringLiteral("mean-%1.json").arg(n++) : QStringLiteral("mean.json"));
                PocketSphinxRecognizerProvider provider(PocketSphinxRecognizerProvider::defaultModelDirectory(), {},
                                                        {flatPass, meanFile, cutAtPauses});
                if (kind != Road::Warm) PocketSphinxRecognizerProvider::releaseModels();
                tally.add(voice, phrase, road(provider, recordingOf(voice, phrase), tally));
            }
        }
        tally.report(state);
    }
    PocketSphinxRecognizerProvider::releaseModels();
}

void wholeAccuracy(benchmark::State& state, bool flatPass) {
    if (!canMeasure(state)) return;
    for (auto _ : state) {
        Tally tally;
        for (const QString& voice : voices()) {
            for (const QString& phrase : phrases()) {
                PocketSphinxRecognizerProvider::releaseModels();
                PocketSphinxRecognizerProvider provider(PocketSphinxRecognizerProvider::defaultModelDirectory(), {},
                                                        {flatPass, QString()});
                const QByteArray pcm = recordingOf(voice, phrase) + QByteArray(11200, '\0');
                provider.decodeSamples(QByteArray(3200, '\0'));  // loads the model
                const auto start = bench::Clock::now();
                const std::optional<QString> text = provider.decodeWholeRecording(pcm);
                tally.tails.push_back(bench::ms(bench::Clock::now() - start));
                tally.add(voice, phrase, text);
            }
        }
        tally.report(state);
    }
    PocketSphinxRecognizerProvider::releaseModels();
}

// Per voice, the phrases in dictations of ten: the road (a new user's first dictation, then the
// others after the release) and the whole decode with the flat-lexicon pass of the same recordings.
void longDictationAccuracy(benchmark::State& state, Pauses pauses) {
    if (!canMeasure(state)) return;
    const qsizetype perDictation = bench::smoke() ? 3 : 10;
    for (auto _ : state) {
        Tally road, whole;
        std::vector<double> wholeTimes;
        for (const QString& voice : voices()) {
            QTemporaryDir support;  // a new user per voice
            const QString meanFile = support.filePath(QStringLiteral("mean.json"));
            for (qsizetype first = 0; first < phrases().size(); first += perDictation) {
                const QStringList said = phrases().mid(first, perDictation);
                const QByteArray recording = longRecordingOf(voice, said, pauses);
                const QString reference = said.join(QLatin1Char(' '));
                PocketSphinxRecognizerProvider::releaseModels();
                PocketSphinxRecognizerProvider provider(PocketSphinxRecognizerProvider::defaultModelDirectory(), {},
                                                        {true, meanFile, true});
                road.add(voice, reference, ::road(provider, recording, road));

                PocketSphinxRecognizerProvider::releaseModels();
                PocketSphinxRecognizerProvider flat(PocketSphinxRecognizerProvider::defaultModelDirectory(), {},
                                                    {true, QString()});
                flat.decodeSamples(QByteArray(3200, '\0'));  // loads the model
                const auto start = bench::Clock::now();
                whole.add(voice, reference, flat.decodeWholeRecording(recording + QByteArray(11200, '\0')));
                wholeTimes.push_back(bench::ms(bench::Clock::now() - start));
            }
        }
        road.report(state);
        int errors = 0, words = 0;
        for (const auto& [voice, count] : whole.byVoice) {
            errors += count.first;
            words += count.second;
        }
        state.counters["wer_whole_flat_percent"] = 100.0 * errors / std::max(1, words);
        state.counters["whole_ms"] = bench::median(wholeTimes);
    }
    PocketSphinxRecognizerProvider::releaseModels();
}

void BM_AccuracyRoadNewUser(benchmark::State& state) { roadAccuracy(state, Road::NewUser); }
void BM_AccuracyRoadAfterRelease(benchmark::State& state) { roadAccuracy(state, Road::AfterRelease); }
void BM_AccuracyRoadWarm(benchmark::State& state) { roadAccuracy(state, Road::Warm); }
void BM_AccuracyRoadFlatPassAtEnd(benchmark::State& state) { roadAccuracy(state, Road::AfterRelease, true, false); }
void BM_AccuracyRoadWithoutFlatPass(benchmark::State& state) { roadAccuracy(state, Road::AfterRelease, false, false); }
void BM_AccuracyLongDictation(benchmark::State& state) { longDictationAccuracy(state, Pauses::Ordinary); }
void BM_AccuracyLongDictationShortPauses(benchmark::State& state) { longDictationAccuracy(state, Pauses::Short); }
void BM_AccuracyWhole(benchmark::State& state) { wholeAccuracy(state, false); }
void BM_AccuracyWholeFlatPass(benchmark::State& state) { wholeAccuracy(state, true); }

}  // namespace

BENCHMARK(BM_AccuracyRoadNewUser)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyRoadAfterRelease)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyRoadWarm)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyRoadFlatPassAtEnd)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyRoadWithoutFlatPass)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyWhole)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyWholeFlatPass)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyLongDictation)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_AccuracyLongDictationShortPauses)->Iterations(1)->Unit(benchmark::kSecond);
