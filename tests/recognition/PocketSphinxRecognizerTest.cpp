// PocketSphinx with the general US English model, on speech made with flite.
#include "Microphone.h"
#include "RecognitionFixture.h"
#include "core/RecordingFormat.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "recognition/LocalRecognizer.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "recognition/SpeechEngine26.h"

#include <QtEndian>

namespace {

QByteArray wavOf(const QVector<int16_t>& samples) {
    QByteArray pcm(reinterpret_cast<const char*>(samples.constData()), samples.size() * 2);
    return RecordingFormat::makeWAV(pcm);
}

class PocketSphinxRecognizerTest : public RecognitionFixture {
protected:
    void SetUp() override {
        if (!provider.modelInstalled()) GTEST_SKIP() << "the US English model is not installed";
        if (Microphone::speak(QStringLiteral("test")).isEmpty()) GTEST_SKIP() << "flite is not installed";
        defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("en"));
    }

    std::optional<QString> recognize(const QByteArray& wav, bool english = true) {
        std::optional<std::optional<QString>> got;
        int calls = 0;
        recognizer.transcribe(wav, english, std::nullopt, [&](const std::optional<QString>& text) {
            ++calls;
            got = text;
        });
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
