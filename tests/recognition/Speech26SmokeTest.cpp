// The newer engine's self-check on a scripted engine and classic recogniser, on the virtual clock:
// the model is prepared with its progress, then both engines answer with their times.
#include "core/RecordingFormat.h"
#include "RecognitionFixture.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "recognition/LocalRecognizer.h"
#include "recognition/Speech26Smoke.h"
#include "recognition/SpeechEngine26.h"

#include <QTemporaryDir>

namespace {

using Step = FakeSpeechRecognizer::Step;

class Speech26SmokeTest : public RecognitionFixture {
protected:
    Speech26SmokeTest() {
        analyzer.supported = true;
        japanese = provider.add(QStringLiteral("ja-JP"));
        Files::writeAtomically(wavPath, RecordingFormat::makeWAV(QByteArray(32000, '\x01')));
    }

    QTemporaryDir folder;
    const QString wavPath = folder.path() + QStringLiteral("/take.wav");
    FakeSpeechAnalyzer analyzer;
    SpeechEngine26 engine{analyzer};
    FakeSpeechRecognizerProvider provider;
    std::shared_ptr<FakeSpeechRecognizer> japanese;
    LocalRecognizer classic{provider, engine, {}, [](std::function<void()> task) { MainQueue::post(std::move(task)); }};
    QStringList printed;
    std::vector<int> ends;
    Speech26Smoke smoke{{engine, classic, [this] { return provider.authorization == SpeechAuthorization::Authorized; },
                         [this](const QString& line) { printed << line; }, [this](int status) { ends.push_back(status); }}};
};

TEST_F(Speech26SmokeTest, TheModelIsPreparedThenBothEnginesAnswerWithTheirTimes) {
    analyzer.downloads[QStringLiteral("ja-JP")] = {{{0.5, 0.25}, {1.5, 0.6}}, 2.5, std::nullopt};
    analyzer.analysis.results = {{0.5, QStringLiteral("新しい文"), true}};
    analyzer.analysis.endsAt = 0.75;
    japanese->script = {Step::final(1.25, QStringLiteral("従来の文"))};
    smoke.run(wavPath, QStringLiteral("ja-JP"));
    queue.advance(10);
    EXPECT_EQ(printed, (QStringList{"認識モデル(ja-JP)が未インストール。準備します…", "  ダウンロード 0%", "  [debug] isReady=false",
                                    "  ダウンロード 25%", "  [debug] isReady=false", "  ダウンロード 60%",
                                    "  [debug] isReady=false", "準備完了", "[新エンジン] 0.75秒: 新しい文",
                                    "[従来エンジン] 1.25秒: 従来の文"}));
    EXPECT_EQ(ends, std::vector<int>{0});
}

TEST_F(Speech26SmokeTest, AFailedPreparationOrAMissingPermissionEndsAtOnceInsteadOfAfterThreeMinutes) {
    smoke.run(wavPath, QStringLiteral("ja-JP"));  // the system has no model to offer
    queue.advance(1);
    EXPECT_EQ(printed.last(), QStringLiteral("[FAIL] 認識モデルを準備できませんでした"));
    EXPECT_EQ(ends, std::vector<int>{1});

    provider.authorization = SpeechAuthorization::Denied;
    Speech26Smoke denied{{engine, classic, [] { return false; }, [this](const QString& line) { printed << line; },
                          [this](int status) { ends.push_back(status); }}};
    denied.run(wavPath, QStringLiteral("ja-JP"));
    EXPECT_EQ(printed.last(), QStringLiteral("[FAIL] 音声認識が許可されていません"));
    EXPECT_EQ(ends, (std::vector<int>{1, 1}));
}

TEST_F(Speech26SmokeTest, ANewEngineTimeoutIsPrintedAndTheClassicEngineStillRuns) {
    analyzer.installed = {QStringLiteral("en-US")};
    engine.prepareAssets(QStringLiteral("en-US"));
    analyzer.analysis.endsAt = 60;
    provider.add(QStringLiteral("en-US"))->script = {};
    smoke.run(wavPath, QStringLiteral("en-US"));
    queue.advance(70);
    EXPECT_EQ(printed, (QStringList{"[新エンジン] 30.00秒: 失敗 (時間切れ (timeout))", "[従来エンジン] 30.00秒: (空)"}));
    EXPECT_EQ(ends, std::vector<int>{0});
}

TEST(Speech26SmokeArguments, PathAndLocale) {
    using A = Speech26Smoke;
    EXPECT_FALSE(A::parseArguments({"Quendle"}).present);
    EXPECT_FALSE(A::parseArguments({"Quendle", "--speech26-smoke"}).path);
    EXPECT_EQ(A::parseArguments({"Quendle", "--speech26-smoke", "a.wav", "-v"}).locale, "ja-JP");
    const auto english = A::parseArguments({"--speech26-smoke", "a.wav", "en-US"});
    EXPECT_EQ(english.path, "a.wav");
    EXPECT_EQ(english.locale, "en-US");
}

}  // namespace
