// The classic on-device recogniser on the virtual clock, with a scripted engine.
#include "RecognitionFixture.h"
#include "core/RecordingFormat.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "recognition/LocalRecognizer.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "recognition/SpeechEngine26.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <QRegularExpression>
#include <thread>

namespace {

using Step = FakeSpeechRecognizer::Step;

QByteArray takeOfSeconds(double seconds) {
    const auto bytes = quint32(seconds * 32000.0);
    return RecordingFormat::makeWAV(QByteArray(bytes, '\x02'));
}

// Records what each completion received and how often it ran.
struct Outcomes {
    std::vector<std::optional<QString>> received;
    LocalRecognizer::Completion completion() {
        return [this](const std::optional<QString>& text) {
            EXPECT_TRUE(MainQueue::onMainThread());
            received.push_back(text);
        };
    }
};

class LocalRecognizerTest : public RecognitionFixture {
protected:
    LocalRecognizerTest() {
        defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("en"));
        english = provider.add(QStringLiteral("en-US"));
    }

    QStringList linesStartingWith(const QString& prefix) const { return logLines().filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix))); }

    FakeSpeechRecognizerProvider provider;
    std::shared_ptr<FakeSpeechRecognizer> english;
    FakeSpeechAnalyzer analyzer26;
    SpeechEngine26 engine26{analyzer26};
    LocalRecognizer recognizer{provider, engine26, [] { return false; }, [](std::function<void()> task) { MainQueue::post(std::move(task)); }};
};

TEST_F(LocalRecognizerTest, AWaitThatRunsOutCancelsAndDeliversTheBestPartial) {
    english->script = {Step::partial(1.0, QStringLiteral("hello")), Step::partial(2.0, QStringLiteral("hell"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(5), true, std::nullopt, out.completion());
    queue.advance(6.9);
    EXPECT_TRUE(out.received.empty());
    queue.advance(0.2);
    ASSERT_EQ(out.received.size(), 1u);
    EXPECT_EQ(out.received[0], QStringLiteral("hello"));
    ASSERT_EQ(english->recognitions().size(), 1u);
    EXPECT_TRUE(english->recognitions()[0]->cancelled);
    EXPECT_EQ(counter("helloLowCount"), 1);
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low認識")),
              (QStringList{QStringLiteral("Low認識言語: 英語 (en-US)"), QStringLiteral("Low認識 OK(従来) (5.0秒音→wait 7.0, 5文字): hello")}));
    // The temporary recording is gone once the run finished.
    EXPECT_FALSE(QFileInfo::exists(english->recognitions()[0]->request.wavPath));
    queue.advance(60);
    EXPECT_EQ(out.received.size(), 1u);
}

TEST_F(LocalRecognizerTest, LongTakesAreCutTo55SecondsAndPaddedWithSilenceAndLongTextsOnlyInTheLog) {
    const QString text = QStringLiteral("a long take with plenty of words in it to be safe from the early rule");
    english->script = {Step::final(1.0, text)};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(70), true, std::nullopt, out.completion());
    queue.advance(1.5);
    ASSERT_EQ(english->recognitions().size(), 1u);
    const QByteArray sent = english->recognitions()[0]->wav;
    ASSERT_EQ(sent.size(), 44 + 1'760'000 + 11'200);
    EXPECT_EQ(sent.mid(44 + 1'760'000 - 1, 1), QByteArray("\x02"));
    EXPECT_EQ(sent.mid(44 + 1'760'000), QByteArray(11'200, '\0'));
    ASSERT_EQ(out.received.size(), 1u);
    EXPECT_EQ(out.received[0], text) << "the text is delivered whole";
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low認識 OK")),
              QStringList{QStringLiteral("Low認識 OK(従来) (55.0秒音→wait 50.0, 69文字): ") + text.left(40)});
}

TEST_F(LocalRecognizerTest, AnEarlyFinalOfALongTakeWaitsTwoSecondsMore) {
    english->script = {Step::final(1.0, QStringLiteral("abcde"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(9), true, std::nullopt, out.completion());
    queue.advance(2.9);
    EXPECT_TRUE(out.received.empty());
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low認識 isFinal")),
              QStringList{QStringLiteral("Low認識 isFinal早期疑い (9.0秒音に5文字・0.6文字/秒) → あと2.0秒だけ待つ")});
    queue.advance(0.2);
    ASSERT_EQ(out.received.size(), 1u);
    EXPECT_EQ(out.received[0], QStringLiteral("abcde"));
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low認識 OK")),
              QStringList{QStringLiteral("Low認識 OK(従来・短すぎる疑いあり・要確認) (9.0秒音→wait 10.6, 5文字・0.6文字/秒): abcde")});
}

TEST_F(LocalRecognizerTest, FinalsAtTheRateBoundaryOrOnShortTakesFinishAtOnce) {
    struct Case {
        double seconds;
        QString text;
        QString line;
    };
    const std::vector<Case> cases = {
        {8.0, QStringLiteral("abcdefgh"), QStringLiteral("Low認識 OK(従来) (8.0秒音→wait 9.7, 8文字): abcdefgh")},
        {7.9, QStringLiteral("a"), QStringLiteral("Low認識 OK(従来) (7.9秒音→wait 9.6, 1文字): a")},
    };
    for (const Case& c : cases) {
        QFile::remove(AppLog::fileURL());
        english->script = {Step::final(0.5, c.text)};
        Outcomes out;
        recognizer.transcribe(takeOfSeconds(c.seconds), true, std::nullopt, out.completion());
        queue.advance(0.6);
        ASSERT_EQ(out.received.size(), 1u) << c.seconds;
        EXPECT_EQ(linesStartingWith(QStringLiteral("Low認識 OK")), QStringList{c.line});
        EXPECT_TRUE(linesStartingWith(QStringLiteral("Low認識 isFinal")).isEmpty());
    }
}

TEST_F(LocalRecognizerTest, TheLongestTextSeenWinsOverAShorterFinal) {
    english->script = {Step::partial(0.2, QStringLiteral("abc")), Step::partial(0.4, QStringLiteral("abcdefg")),
                       Step::partial(0.6, QStringLiteral("abcde")), Step::final(0.8, QStringLiteral("ab"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, out.completion());
    queue.advance(1.0);
    ASSERT_EQ(out.received.size(), 1u);
    EXPECT_EQ(out.received[0], QStringLiteral("abcdefg"));
}

TEST_F(LocalRecognizerTest, AnErrorAfterPartialsDeliversTheBestTextAndBlankFinalsDeliverNothing) {
    english->script = {Step::partial(0.2, QStringLiteral("half")), Step::failure(0.4, QStringLiteral("audio ended"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, out.completion());
    queue.advance(1.0);
    english->script = {Step::final(0.2, QStringLiteral("   "))};
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, out.completion());
    queue.advance(1.0);
    ASSERT_EQ(out.received.size(), 2u);
    EXPECT_EQ(out.received[0], QStringLiteral("half"));
    EXPECT_EQ(out.received[1], std::nullopt);
    EXPECT_EQ(counter("helloLowCount"), 1);
    EXPECT_TRUE(logLines().contains(QStringLiteral("Low認識エラー: audio ended")));
    EXPECT_TRUE(logLines().contains(QStringLiteral("Low認識 空(従来) (2.0秒音→wait 4.3)")));
}

TEST_F(LocalRecognizerTest, ASupersededTakeCompletesOnceWithNothing) {
    english->script = {Step::final(3.0, QStringLiteral("first take"))};
    Outcomes first;
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, first.completion());
    queue.advance(0.5);
    english->script = {Step::final(1.0, QStringLiteral("second take"))};
    Outcomes second;
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, second.completion());
    queue.advance(0.01);
    ASSERT_EQ(first.received.size(), 1u);
    EXPECT_EQ(first.received[0], std::nullopt);
    ASSERT_EQ(english->recognitions().size(), 2u);
    EXPECT_TRUE(english->recognitions()[0]->cancelled);
    EXPECT_FALSE(QFileInfo::exists(english->recognitions()[0]->request.wavPath));
    queue.advance(10);
    EXPECT_EQ(first.received.size(), 1u);
    ASSERT_EQ(second.received.size(), 1u);
    EXPECT_EQ(second.received[0], QStringLiteral("second take"));
    EXPECT_EQ(counter("helloLowCount"), 1);
}

TEST_F(LocalRecognizerTest, RefusalsLogAndCompleteWithNothing) {
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(2), false, std::nullopt, out.completion());  // no Japanese model here
    recognizer.transcribe(RecordingFormat::makeWAV({}), true, std::nullopt, out.completion());
    queue.advance(0.1);
    provider.authorization = SpeechAuthorization::Denied;
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, out.completion());
    queue.advance(0.1);
    EXPECT_EQ(out.received, (std::vector<std::optional<QString>>{std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low認識不可")),
              (QStringList{QStringLiteral("Low認識不可 (locale=ja-JP, auth=3)"), QStringLiteral("Low認識不可 (locale=en-US, auth=3)"),
                           QStringLiteral("Low認識不可 (locale=en-US, auth=1)")}));
    EXPECT_EQ(counter("helloLowCount"), 0);
}

TEST_F(LocalRecognizerTest, VocabularyHintsGoWithRealTakesOnly) {
    english->script = {Step::final(0.5, QStringLiteral("ok"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(1), true, std::nullopt, out.completion());
    queue.advance(1.0);
    ASSERT_EQ(english->recognitions().size(), 1u);
    EXPECT_EQ(english->recognitions()[0]->request.contextualStrings.size(), 37);
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low語彙ヒント")),
              QStringList{QStringLiteral("Low語彙ヒント 37語: Quendle、Excel、Word、PowerPoint、Outlook、Teams、Zoom、Google Meet")});
    defaults.set(QStringLiteral("vocabulary"), QString());
    recognizer.transcribe(takeOfSeconds(1), true, std::nullopt, out.completion());
    queue.advance(1.0);
    EXPECT_TRUE(english->recognitions()[1]->request.contextualStrings.isEmpty());
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low語彙ヒント")).size(), 1);
    // A recogniser that does not use hints gets none, and the log does not claim it did.
    defaults.remove(QStringLiteral("vocabulary"));
    english->usesHints = false;
    recognizer.transcribe(takeOfSeconds(1), true, std::nullopt, out.completion());
    queue.advance(1.0);
    EXPECT_TRUE(english->recognitions()[2]->request.contextualStrings.isEmpty());
    EXPECT_EQ(linesStartingWith(QStringLiteral("Low語彙ヒント")).size(), 1);
}

// The recording holds what the user said: no other user of the machine may read it.
TEST_F(LocalRecognizerTest, TheRecordingIsHandedOverInAFolderAndFileOnlyTheUserCanRead) {
    english->script = {Step::final(1.0, QStringLiteral("private words"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(1), true, std::nullopt, out.completion());
    queue.runPending();
    ASSERT_EQ(english->recognitions().size(), 1u);
    const QString path = english->recognitions()[0]->request.wavPath;
    const QString folder = QFileInfo(path).absolutePath();
    struct stat file {}, dir {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &file), 0);
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &dir), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(dir.st_mode & 0777, 0700u);
    EXPECT_NE(QDir(folder).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
    queue.advance(2.0);
    EXPECT_EQ(out.received, std::vector<std::optional<QString>>{QStringLiteral("private words")});
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(LocalRecognizerTest, WarmUpRunsTheSpokenLanguageFirstThenTheOther) {
    auto japanese = provider.add(QStringLiteral("ja-JP"));
    recognizer.scheduleWarmUp();
    queue.advance(1.5);
    ASSERT_EQ(english->recognitions().size(), 1u);
    EXPECT_EQ(english->recognitions()[0]->wav.size(), 44 + 9600 + 11200);
    EXPECT_TRUE(english->recognitions()[0]->request.contextualStrings.isEmpty());
    queue.advance(1.5);
    EXPECT_EQ(japanese->recognitions().size(), 1u);
    EXPECT_TRUE(logLines().isEmpty()) << "warm-ups write no log lines";

    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("keyboard"));  // keyboard is Japanese here
    recognizer.warmUpIfAuthorized(1);
    queue.advance(5);
    EXPECT_EQ(japanese->recognitions().size(), 1u);
    recognizer.warmUpIfAuthorized(3);
    queue.advance(1.5);
    EXPECT_EQ(japanese->recognitions().size(), 2u);
    queue.advance(1.5);
    EXPECT_EQ(english->recognitions().size(), 2u);
}

// The keyboard's input source is asked on the main queue only, also for a warm-up that runs on the
// speech queue: the source belongs to the application, which may be gone before the queue runs.
TEST_F(LocalRecognizerTest, WarmUpAsksTheKeyboardOnTheMainQueueOnly) {
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("keyboard"));
    int asked = 0, askedOffMain = 0;
    auto keyboardIsEnglish = [&] {
        ++asked;
        askedOffMain += !MainQueue::onMainThread();
        return true;
    };
    auto onWorkerThread = [](std::function<void()> task) { std::thread(std::move(task)).join(); };
    LocalRecognizer threaded{provider, engine26, keyboardIsEnglish, onWorkerThread};
    threaded.scheduleWarmUp();
    threaded.warmUpIfAuthorized(3);
    queue.advance(5);
    EXPECT_GE(asked, 2);
    EXPECT_EQ(askedOffMain, 0);
    EXPECT_GE(english->recognitions().size(), 1u);
}

TEST_F(LocalRecognizerTest, AWarmUpNeverDropsOrCancelsARealTakeThatStartedDuringIt) {
    // The warm-up's engine answers late; the real take starts while the warm-up holds the slot.
    english->script = {Step::final(0.8, QString())};
    recognizer.scheduleWarmUp();
    queue.advance(0.3);
    english->script = {Step::final(4.0, QStringLiteral("real words"))};
    Outcomes first;
    recognizer.transcribe(takeOfSeconds(3), true, std::nullopt, first.completion());
    queue.advance(1.5);  // the warm-up's own finish and 1 s wait pass
    ASSERT_EQ(english->recognitions().size(), 2u);
    EXPECT_TRUE(english->recognitions()[0]->cancelled);
    EXPECT_FALSE(english->recognitions()[1]->cancelled);
    // The real take still holds the slot: a warm-up now does nothing, a newer take supersedes it.
    recognizer.scheduleWarmUp();
    queue.advance(0.1);
    EXPECT_EQ(english->recognitions().size(), 2u);
    Outcomes second;
    english->script = {Step::final(0.5, QStringLiteral("newer words"))};
    recognizer.transcribe(takeOfSeconds(3), true, std::nullopt, second.completion());
    queue.advance(0.1);
    EXPECT_TRUE(english->recognitions()[1]->cancelled);
    EXPECT_EQ(first.received, std::vector<std::optional<QString>>{std::nullopt});
    queue.advance(10);
    EXPECT_EQ(first.received.size(), 1u);
    EXPECT_EQ(second.received, std::vector<std::optional<QString>>{QStringLiteral("newer words")});
}

TEST_F(LocalRecognizerTest, CancelPendingLeavesTheRunInFlightAlone) {
    english->script = {Step::final(1.0, QStringLiteral("still delivered"))};
    Outcomes out;
    recognizer.transcribe(takeOfSeconds(2), true, std::nullopt, out.completion());
    queue.advance(0.5);
    recognizer.cancelPending();
    queue.advance(1.0);
    EXPECT_EQ(out.received, std::vector<std::optional<QString>>{QStringLiteral("still delivered")});
}

TEST_F(LocalRecognizerTest, ProbeNeedsAuthorisationAndAnAvailableOnDeviceRecogniser) {
    EXPECT_TRUE(recognizer.probe());
    english->onDevice = false;
    EXPECT_FALSE(recognizer.probe());
    english->onDevice = true;
    english->available = false;
    EXPECT_FALSE(recognizer.probe());
    english->available = true;
    provider.authorization = SpeechAuthorization::NotDetermined;
    EXPECT_FALSE(recognizer.probe());
    provider.authorization = SpeechAuthorization::Authorized;
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("ja"));
    EXPECT_FALSE(recognizer.probe()) << "no Japanese model";
}

// A new engine that is ready takes the take; an error or the time limit falls back to the
// classic recogniser, an empty text does not.
TEST_F(LocalRecognizerTest, TheNewEngineAnswersWhenReadyAndFallsBackOnFailure) {
    FakeSpeechAnalyzer analyzer;
    analyzer.supported = true;
    analyzer.installed = {QStringLiteral("en-US")};
    SpeechEngine26 engine(analyzer);
    engine.prepareAssets(QStringLiteral("en-US"));
    engine.prepareAssets(QStringLiteral("ja-JP"));
    LocalRecognizer front(provider, engine, {}, [](std::function<void()> task) { MainQueue::post(std::move(task)); });
    Outcomes out;
    analyzer.analysis.results = {{0.2, QStringLiteral(" new engine"), true}, {0.3, QStringLiteral(" maybe"), false},
                                 {0.4, QStringLiteral(" text \n"), true}};
    front.transcribe(takeOfSeconds(10), true, std::nullopt, out.completion());
    queue.advance(1.0);
    analyzer.analysis.results = {{0.2, QStringLiteral("  "), true}};
    front.transcribe(takeOfSeconds(1), true, std::nullopt, out.completion());
    queue.advance(1.0);
    ASSERT_EQ(analyzer.sessions.size(), 2u);
    EXPECT_EQ(analyzer.sessions[0]->context.size(), 37) << "the vocabulary hints go with the take";
    EXPECT_EQ(out.received, (std::vector<std::optional<QString>>{QStringLiteral("new engine text"), std::nullopt}));
    EXPECT_TRUE(english->recognitions().empty());

    // The engine outlives the wait of a 1 s take (3.4 s): the classic recogniser answers instead.
    analyzer.analysis.endsAt = 10;
    english->script = {Step::final(0.5, QStringLiteral("classic text"))};
    front.transcribe(takeOfSeconds(1), true, std::nullopt, out.completion());
    queue.advance(3.3);
    EXPECT_EQ(out.received.size(), 2u);
    queue.advance(1.0);
    EXPECT_TRUE(analyzer.sessions[2]->cancelled);
    ASSERT_EQ(out.received.size(), 3u);
    EXPECT_EQ(out.received[2], QStringLiteral("classic text"));
    // A Japanese take finds no Japanese model ready and goes to the classic recogniser at once.
    front.transcribe(takeOfSeconds(1), false, std::nullopt, out.completion());
    queue.advance(1.0);
    EXPECT_EQ(analyzer.sessions.size(), 3u);

    EXPECT_TRUE(logLines().contains(QStringLiteral("Low認識 OK(新エンジン, 英語): new engine text")));
    EXPECT_TRUE(logLines().contains(QStringLiteral("Low認識 空(新エンジン, 1.0秒音)")));
    EXPECT_TRUE(logLines().contains(QStringLiteral("認識モデル: 新エンジン失敗→従来へ (時間切れ (timeout))")));
    EXPECT_EQ(counter("helloLowCount"), 2);
}

}  // namespace
