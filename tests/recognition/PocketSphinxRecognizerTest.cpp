// PocketSphinx with the general US English model, on speech made with flite.
#include "Microphone.h"
#include "RecognitionFixture.h"
#include "core/RecordingFormat.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "recognition/LocalRecognizer.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "recognition/SpeechEngine26.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace {

QByteArray wavOf(const QVector<int16_t>& samples) {
    QByteArray pcm(reinterpret_cast<const char*>(samples.constData()), samples.size() * 2);
    return RecordingFormat::makeWAV(pcm);
}

QByteArray pcmOf(const QString& phrase) {
    const QVector<int16_t> speech = Microphone::speak(phrase, 16000);
    return QByteArray(reinterpret_cast<const char*>(speech.constData()), speech.size() * 2);
}

QByteArray silence(double seconds) { return QByteArray(qsizetype(seconds * 16000) * 2, '\0'); }

// A microphone's steady floor (about 20 sample units RMS), the same on every run.
QByteArray withFloor(QByteArray pcm) {
    quint32 state = 1;
    auto* samples = reinterpret_cast<int16_t*>(pcm.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = int16_t(std::clamp(int(samples[i]) + int(state >> 24) / 4 - 32, -32768, 32767));
    }
    return pcm;
}

// Two phrases with an ordinary pause between them, as a held trigger records them.
QByteArray twoPhrases(const QString& first, const QString& second) {
    return withFloor(silence(0.3) + pcmOf(first) + silence(0.45) + pcmOf(second) + silence(0.45));
}

// Feeds `pcm` to `stream` as the sound server hands a recording over: in pieces of 10 to 40 ms.
void feedAsRecorded(SpeechStream& stream, const QByteArray& pcm) {
    static constexpr qsizetype kPieces[] = {320, 640, 1280, 960, 480};  // bytes: 10, 20, 40, 30, 15 ms
    qsizetype at = 0;
    for (int i = 0; at < pcm.size(); ++i) {
        const qsizetype n = kPieces[i % 5];
        stream.append(pcm.mid(at, n));
        at += n;
    }
}

// Single words with ordinary pauses between them, as a held trigger records them.
QByteArray wordsWithPauses(const QStringList& words) {
    QByteArray pcm = silence(0.3);
    for (const QString& word : words) pcm += pcmOf(word) + silence(0.45);
    return withFloor(pcm);
}

// A closed vocabulary whose every utterance is one word: a recording's text has as many words as
// the utterances it was decoded in.
const QString kOneColour = QStringLiteral("#JSGF V1.0;\ngrammar colours;\npublic <colour> = red | green | blue | yellow;\n");

// The final text `engine` gives for the recording `pcm` (and the stream that heard it, if any).
QString finalText(PocketSphinxRecognizerProvider& provider, SpeechRecognizer& engine, const QByteArray& pcm,
                  std::shared_ptr<SpeechStream> stream = {}) {
    QTemporaryDir dir;
    SpeechRecognitionRequest request;
    request.wavPath = dir.filePath(QStringLiteral("take.wav"));
    EXPECT_TRUE(Files::writeAtomically(request.wavPath, RecordingFormat::makeWAV(pcm)));
    request.stream = std::move(stream);
    QString text;
    engine.recognize(request, [&](auto result, auto) {
        if (result && result->isFinal) text = result->text;
    });
    provider.waitUntilIdle();
    return text;
}

class PocketSphinxRecognizerTest : public RecognitionFixture {
protected:
    void SetUp() override {
        if (!provider.modelInstalled()) GTEST_SKIP() << "the US English model is not installed";
        if (Microphone::speak(QStringLiteral("test")).isEmpty()) GTEST_SKIP() << "flite is not installed";
        defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("en"));
    }

    std::optional<QString> recognize(const QByteArray& wav, bool english = true, std::shared_ptr<SpeechStream> stream = {}) {
        std::optional<std::optional<QString>> got;
        int calls = 0;
        recognizer.transcribe(
            wav, english, std::nullopt,
            [&](const std::optional<QString>& text) {
                ++calls;
                got = text;
            },
            stream);
        // The decoder works on its own thread; its answer hops back through the main queue, and
        // virtual time only moves when nothing is left to run (the wait never falls due first).
        EXPECT_TRUE(queue.waitFor([&] { return got.has_value(); }, 60000));
        queue.runPending();
        EXPECT_EQ(calls, 1);
        return got.value_or(std::nullopt);
    }

    PocketSphinxRecognizerProvider provider;
    FakeSpeechAnalyzer analyzer26;
    SpeechEngine26 engine26{analyzer26};
    LocalRecognizer recognizer{provider, engine26, {}, [](std::function<void()> task) { MainQueue::post(std::move(task)); }};
};

TEST_F(PocketSphinxRecognizerTest, EverydayPhrasesAreRecognisedWordForWord) {
    for (const QString& phrase : {QStringLiteral("thank you very much"),
                                  QStringLiteral("what time is it")}) {
        EXPECT_EQ(recognize(wavOf(Microphone::speak(phrase, 16000))), phrase);
    }
    EXPECT_EQ(counter("helloLowCount"), 2);
}

// The recogniser the application makes (the provider as main() constructs it) runs the flat-lexicon
// pass: a streamed phrase whose first pass mishears a word arrives right. Without the pass the same
// recording is heard "we need mark coffee".
TEST_F(PocketSphinxRecognizerTest, TheApplicationsRecogniserRunsTheFlatPass) {
    const QString phrase = QStringLiteral("we need more coffee");
    const QByteArray pcm = withFloor(silence(0.3) + pcmOf(phrase) + silence(0.45));
    auto stream = recognizer.startStream(true);
    ASSERT_TRUE(stream);
    feedAsRecorded(*stream, pcm);
    EXPECT_EQ(recognize(RecordingFormat::makeWAV(pcm), true, stream), phrase);

    QTemporaryDir dir;
    PocketSphinxRecognizerProvider firstPassOnly(PocketSphinxRecognizerProvider::defaultModelDirectory(), {},
                                                 {false, dir.filePath(QStringLiteral("mean.json"))});
    auto engine = firstPassOnly.recognizer(QStringLiteral("en-US"));
    auto heard = engine->startStream();
    feedAsRecorded(*heard, pcm);
    EXPECT_NE(finalText(firstPassOnly, *engine, pcm + silence(0.35), heard), phrase)
        << "the phrase no longer tells the two passes apart";
}

// Heard while recorded, only the rest is left after the release, and the text is the file's. A
// stream that heard other audio than the file holds is not trusted.
TEST_F(PocketSphinxRecognizerTest, AStreamedRecordingGivesTheTextOfTheFile) {
    const QByteArray wav = wavOf(Microphone::speak(QStringLiteral("what time is it"), 16000));
    const QByteArray other = wavOf(Microphone::speak(QStringLiteral("thank you very much"), 16000));
    auto heard = recognizer.startStream(true);
    auto misheard = recognizer.startStream(true);
    ASSERT_TRUE(heard && misheard);
    for (qsizetype at = 44; at < wav.size(); at += 2730) heard->append(wav.mid(at, 2730));
    misheard->append(other.mid(44, 32000));
    EXPECT_EQ(recognize(wav, true, heard), QStringLiteral("what time is it"));
    EXPECT_EQ(recognize(wav, true, misheard), QStringLiteral("what time is it"));
}

// Streamed, each pause ends a stretch while the user still speaks; the text of every stretch
// arrives, in order, as one text.
TEST_F(PocketSphinxRecognizerTest, TwoPhrasesWithAPauseArriveInOrderAsOneText) {
    const QByteArray pcm = twoPhrases(QStringLiteral("thank you very much"), QStringLiteral("what time is it"));
    auto stream = recognizer.startStream(true);
    ASSERT_TRUE(stream);
    for (qsizetype at = 0; at < pcm.size(); at += 3200) stream->append(pcm.mid(at, 3200));
    EXPECT_EQ(recognize(RecordingFormat::makeWAV(pcm), true, stream), QStringLiteral("thank you very much what time is it"));
}

// Fed in the sound server's small pieces, a recording ends its stretches at the pauses while it is
// still recorded: the recognition after the release only decodes the last one. (With a vocabulary
// of single words, a recording decoded as one utterance would give one word.)
TEST_F(PocketSphinxRecognizerTest, ARecordingFedInSmallPiecesEndsItsStretchesWhileItIsRecorded) {
    QTemporaryDir dir;
    PocketSphinxRecognizerProvider colours(PocketSphinxRecognizerProvider::defaultModelDirectory(), kOneColour,
                                           {true, dir.filePath(QStringLiteral("mean.json"))});
    auto engine = colours.recognizer(QStringLiteral("en-US"));
    ASSERT_TRUE(engine);
    const QByteArray pcm = wordsWithPauses({QStringLiteral("red"), QStringLiteral("green"), QStringLiteral("blue")});
    auto stream = engine->startStream();
    feedAsRecorded(*stream, pcm);
    colours.waitUntilIdle();
    EXPECT_EQ(finalText(colours, *engine, pcm, stream), QStringLiteral("red green blue"));
}

// A recording whose stretches have ended loses the decoder to a whole recording: the whole
// recording's text holds nothing of them, and the first recording, heard again once the decoder
// is free, still gives its own words once each. (The user has dictated before: the decoder knows
// the user's mean.)
TEST_F(PocketSphinxRecognizerTest, ARecordingThatLosesTheDecoderLeavesNoTextInTheNextOne) {
    QTemporaryDir dir;
    PocketSphinxRecognizerProvider colours(PocketSphinxRecognizerProvider::defaultModelDirectory(), kOneColour,
                                           {true, dir.filePath(QStringLiteral("mean.json"))});
    auto engine = colours.recognizer(QStringLiteral("en-US"));
    ASSERT_TRUE(engine);
    ASSERT_EQ(finalText(colours, *engine, wordsWithPauses({QStringLiteral("yellow")})), QStringLiteral("yellow"));
    const QByteArray first = wordsWithPauses({QStringLiteral("red"), QStringLiteral("green")});
    auto stream = engine->startStream();
    feedAsRecorded(*stream, first);
    colours.waitUntilIdle();
    EXPECT_EQ(finalText(colours, *engine, wordsWithPauses({QStringLiteral("blue")})), QStringLiteral("blue"));
    EXPECT_EQ(finalText(colours, *engine, first, stream), QStringLiteral("red green"));
}

// The live mean goes on from one stretch to the next: what a new user's first dictation ends with
// is near what the same recording teaches in one piece (within a few units; a mean that started
// the last stretch afresh stays ten and more away).
TEST_F(PocketSphinxRecognizerTest, TheMeanGoesOnAcrossStretches) {
    const QByteArray pcm = twoPhrases(QStringLiteral("please send me the report by friday"),
                                      QStringLiteral("we need more coffee"));
    QTemporaryDir dir;
    auto learnt = [&](bool cutAtPauses) {
        const QString file = dir.filePath(cutAtPauses ? QStringLiteral("cut.json") : QStringLiteral("whole.json"));
        PocketSphinxRecognizerProvider fresh(PocketSphinxRecognizerProvider::defaultModelDirectory(), {},
                                             {true, file, cutAtPauses});
        auto stream = fresh.recognizer(QStringLiteral("en-US"))->startStream();
        for (qsizetype at = 0; at < pcm.size(); at += 3200) stream->append(pcm.mid(at, 3200));
        const QString wav = dir.filePath(QStringLiteral("take.wav"));
        EXPECT_TRUE(Files::writeAtomically(wav, RecordingFormat::makeWAV(pcm)));
        SpeechRecognitionRequest request;
        request.wavPath = wav;
        request.stream = stream;
        fresh.recognizer(QStringLiteral("en-US"))->recognize(request, [](auto, auto) {});
        fresh.waitUntilIdle();
        return QJsonDocument::fromJson(Files::read(file)).object().value(QStringLiteral("mean")).toArray();
    };
    const QJsonArray cut = learnt(true), whole = learnt(false);
    ASSERT_EQ(cut.size(), 13);
    ASSERT_EQ(whole.size(), 13);
    for (qsizetype i = 0; i < 13; ++i) EXPECT_NEAR(cut[i].toDouble(), whole[i].toDouble(), 3.0) << "coefficient " << i;
}

// The mean reaches the disk only after the text has been handed on: a first dictation's mean file
// is not there yet when its text arrives, and is there afterwards.
TEST_F(PocketSphinxRecognizerTest, TheMeanIsWrittenAfterTheTextHasGone) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("support/speech-mean.json"));
    PocketSphinxRecognizerProvider fresh(PocketSphinxRecognizerProvider::defaultModelDirectory(), {}, {true, file});
    const QByteArray pcm = twoPhrases(QStringLiteral("where did you park the car"), QStringLiteral("thank you"));
    SpeechRecognitionRequest request;
    request.wavPath = dir.filePath(QStringLiteral("take.wav"));
    ASSERT_TRUE(Files::writeAtomically(request.wavPath, RecordingFormat::makeWAV(pcm)));
    for (bool streamed : {false, true}) {
        QFile::remove(file);
        PocketSphinxRecognizerProvider::releaseModels();
        std::optional<bool> fileWhenTextArrived;
        QString text;
        auto engine = fresh.recognizer(QStringLiteral("en-US"));
        if (streamed) {
            request.stream = engine->startStream();
            request.stream->append(pcm);
        }
        engine->recognize(request, [&](auto result, auto) {
            if (!result || !result->isFinal) return;
            text = result->text;
            fileWhenTextArrived = QFile::exists(file);
        });
        fresh.waitUntilIdle();
        EXPECT_FALSE(text.isEmpty()) << "streamed " << streamed;
        EXPECT_EQ(fileWhenTextArrived, false) << "streamed " << streamed;
        EXPECT_TRUE(QFile::exists(file)) << "streamed " << streamed;
    }
}

// A long decode reports its best hypothesis once it nears the caller's wait (with the stretches the
// stream has ended before it), and a cancel stops it between two chunks, in the middle of a
// stretch, instead of at the end of the recording.
TEST_F(PocketSphinxRecognizerTest, ALongDecodeReportsPartialResultsAndStopsWhenCancelled) {
    const QByteArray phrase = pcmOf(QStringLiteral("please send me the report by friday"));
    const QByteArray head = withFloor(silence(0.3) + pcmOf(QStringLiteral("thank you very much")) + silence(0.45));
    QByteArray pcm = head;
    for (int i = 0; i < 20; ++i) pcm.append(phrase);
    QTemporaryDir dir;
    SpeechRecognitionRequest request;
    request.wavPath = dir.filePath(QStringLiteral("long.wav"));
    request.wait = 0.01;
    ASSERT_TRUE(Files::writeAtomically(request.wavPath, RecordingFormat::makeWAV(pcm)));
    auto engine = provider.recognizer(QStringLiteral("en-US"));
    request.stream = engine->startStream();
    request.stream->append(pcm.left(head.size() + 32000));  // the release comes a second into the rest
    std::mutex lock;
    std::condition_variable changed;
    int partials = 0;
    QString firstPartial;
    bool finalResult = false, cancelledError = false;
    auto task = engine->recognize(request, [&](auto result, auto error) {
        std::lock_guard guard(lock);
        if (result && !result->isFinal && partials++ == 0) firstPartial = result->text;
        if (result && result->isFinal) finalResult = true;
        if (error && error->kind == SpeechRecognitionError::Kind::Cancelled) cancelledError = true;
        changed.notify_all();
    });
    std::unique_lock guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(60), [&] { return partials > 0 || finalResult; }));
    ASSERT_FALSE(finalResult);
    EXPECT_TRUE(firstPartial.startsWith(QStringLiteral("thank you very much "))) << firstPartial.toStdString();
    const int before = partials;
    task->cancel();
    ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(60), [&] { return cancelledError || finalResult; }));
    EXPECT_LE(partials - before, 1);
    EXPECT_FALSE(finalResult);
}

// What speech teaches the decoder is kept for the next start. A kept file that holds no plausible
// mean (unreadable, the wrong length, values no speech gives, too large) is ignored: the
// recording is recognised as for a new user, and what it teaches replaces the file.
TEST_F(PocketSphinxRecognizerTest, AKeptMeanThatIsNotPlausibleIsIgnored) {
    const QVector<int16_t> speech = Microphone::speak(QStringLiteral("where did you park the car"), 16000);
    const QByteArray pcm = QByteArray(9600, '\0') + QByteArray(reinterpret_cast<const char*>(speech.constData()), speech.size() * 2) +
                           QByteArray(14400, '\0');
    QString thirteen = QStringLiteral("1e30");
    for (int i = 1; i < 13; ++i) thirteen += QStringLiteral(",1e30");
    const QList<QByteArray> kept = {
        "not a mean",
        "{\"mean\":[" + thirteen.toUtf8() + "]}",
        "{\"mean\":[40,-5,0,5,2,-4,-1,-2,-5,-2,-6,-1]}",
        "{\"mean\":[\"40\",-5,0,5,2,-4,-1,-2,-5,-2,-6,-1,1]}",
        "{\"mean\":[40,-5,0,5,2,-4,-1,-2,-5,-2,-6,-1,1]}" + QByteArray(8192, ' '),
    };
    QTemporaryDir dir;
    int n = 0;
    for (const QByteArray& content : kept) {
        const QString file = dir.filePath(QStringLiteral("mean-%1.json").arg(n++));
        ASSERT_TRUE(Files::writeAtomically(file, content));
        PocketSphinxRecognizerProvider::releaseModels();
        PocketSphinxRecognizerProvider fresh(PocketSphinxRecognizerProvider::defaultModelDirectory(), {}, {false, file});
        EXPECT_EQ(fresh.decodeSamples(pcm), QStringLiteral("where did you park the car")) << content.left(60).toStdString();
        const QJsonArray mean = QJsonDocument::fromJson(Files::read(file)).object().value(QStringLiteral("mean")).toArray();
        ASSERT_EQ(mean.size(), 13) << content.left(60).toStdString();
        for (const QJsonValue& v : mean) EXPECT_TRUE(v.isDouble() && std::fabs(v.toDouble()) < 200);
    }
}

TEST_F(PocketSphinxRecognizerTest, JapaneseHasNoModelHere) {
    EXPECT_EQ(provider.recognizer(QStringLiteral("ja-JP")), nullptr);
    EXPECT_EQ(provider.authorizationStatus(), SpeechAuthorization::Authorized);
    EXPECT_EQ(recognize(wavOf(Microphone::speak(QStringLiteral("good morning"), 16000)), false), std::nullopt);
    EXPECT_TRUE(logLines().contains(QStringLiteral("Low認識不可 (locale=ja-JP, auth=3)")));
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("ja"));
    EXPECT_FALSE(recognizer.probe());
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("en"));
    EXPECT_TRUE(recognizer.probe());
}

TEST_F(PocketSphinxRecognizerTest, AMissingModelIsNotAuthorisedAndHasNoRecogniser) {
    PocketSphinxRecognizerProvider missing(QStringLiteral("/nonexistent/model"));
    EXPECT_EQ(missing.authorizationStatus(), SpeechAuthorization::Restricted);
    EXPECT_EQ(missing.recognizer(QStringLiteral("en-US")), nullptr);
}

TEST_F(PocketSphinxRecognizerTest, AGrammarPinsTheVocabulary) {
    PocketSphinxRecognizerProvider closed(PocketSphinxRecognizerProvider::defaultModelDirectory(),
                                          QStringLiteral("#JSGF V1.0;\ngrammar colours;\npublic <colour> = red | green | blue | yellow;\n"));
    const QVector<int16_t> speech = Microphone::speak(QStringLiteral("green"), 16000);
    const QByteArray pcm(reinterpret_cast<const char*>(speech.constData()), speech.size() * 2);
    EXPECT_EQ(closed.decodeSamples(pcm), QStringLiteral("green"));
}

}  // namespace
