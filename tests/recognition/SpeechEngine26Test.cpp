// The newer on-device engine's model preparation and its timed recognition, on a scripted
// analyser and the virtual clock.
#include "core/RecordingFormat.h"
#include "RecognitionFixture.h"
#include "platform/fake/FakeSpeechAnalyzer.h"
#include "recognition/LocalRecognizer.h"
#include "recognition/SpeechEngine26.h"

#include <cmath>
#include <cstring>

namespace {

using EngineError = SpeechEngine26::EngineError;

class SpeechEngine26Test : public RecognitionFixture {
protected:
    SpeechEngine26Test() { analyzer.supported = true; }

    QStringList modelLines() const { return logLines().filter(QStringLiteral("認識モデル: ")); }

    // Runs one race and returns what it ended with (nothing while it has not ended).
    std::optional<SpeechEngine26::Outcome> race(const QByteArray& wav, const QStringList& hints, double limit, double run) {
        std::optional<SpeechEngine26::Outcome> outcome;
        int calls = 0;
        engine.transcribeWithTimeout(wav, QStringLiteral("ja-JP"), hints, limit, [&](const SpeechEngine26::Outcome& o) {
            outcome = o;
            ++calls;
        });
        queue.advance(run);
        queue.advance(60);  // nothing more arrives once it has ended
        EXPECT_LE(calls, 1);
        return outcome;
    }

    static QByteArray take(int samples) { return RecordingFormat::makeWAV(QByteArray(samples * 2, '\x01')); }

    FakeSpeechAnalyzer analyzer;
    SpeechEngine26 engine{analyzer};
};

TEST_F(SpeechEngine26Test, ADownloadIsWatchedEveryTenthLoggedOnceAndTheModelStaysReady) {
    const QString ja = QStringLiteral("ja-JP");
    // The poll reads at 0, 0.3, 0.6, … s; the fractions change in between.
    analyzer.downloads[ja] = {{{0.4, 0.05}, {1.0, 0.47}, {1.4, std::nan("")}, {2.0, 0.45}, {2.6, 1.7}}, 3.0, std::nullopt};
    engine.prepareAssetsInBackground({ja});
    queue.runPending();
    EXPECT_TRUE(engine.isPreparing(ja));
    EXPECT_EQ(engine.downloadProgress(ja), 0.0);
    engine.prepareAssets(ja);  // already under way: asks the system nothing
    EXPECT_EQ(analyzer.installationRequests, 1);
    queue.advance(1.35);
    EXPECT_EQ(engine.downloadProgress(ja), 0.47);
    queue.advance(0.3);
    EXPECT_EQ(engine.downloadProgress(ja), 0.0) << "a fraction that is no number counts as 0";
    queue.advance(1.2);
    EXPECT_EQ(engine.downloadProgress(ja), 1.0);
    EXPECT_FALSE(engine.isReady(ja));
    queue.advance(0.2);
    EXPECT_TRUE(engine.isReady(ja));
    EXPECT_FALSE(engine.isPreparing(ja));
    EXPECT_EQ(engine.downloadProgress(ja), std::nullopt);
    EXPECT_EQ(modelLines(), (QStringList{"認識モデル: ja-JP ダウンロード開始", "認識モデル: ja-JP ダウンロード 40%",
                                         "認識モデル: ja-JP ダウンロード 100%", "認識モデル: ja-JP ダウンロード完了"}));
    EXPECT_EQ(queue.pendingTimers(), 0u) << "the progress poll ends with the download";

    // Ready only grows: a later preparation asks again but never takes readiness away.
    analyzer.installed.remove(ja);
    analyzer.downloads.remove(ja);
    engine.prepareAssets(ja);
    EXPECT_TRUE(engine.isReady(ja));
}

TEST_F(SpeechEngine26Test, InstalledOrNothingToInstallIsReadyQuietlyAndAFailedDownloadIsNot) {
    analyzer.installed = {QStringLiteral("en-US")};
    analyzer.nothingToInstall = {QStringLiteral("fr-FR")};
    analyzer.downloads[QStringLiteral("ja-JP")] = {{}, 2.0, QStringLiteral("ネットワークがありません")};
    engine.prepareAssetsInBackground({QStringLiteral("en-US"), QStringLiteral("fr-FR"), QStringLiteral("ja-JP")});
    queue.advance(5);
    EXPECT_TRUE(engine.isReady(QStringLiteral("en-US")));
    EXPECT_TRUE(engine.isReady(QStringLiteral("fr-FR")));
    EXPECT_FALSE(engine.isReady(QStringLiteral("ja-JP")));
    EXPECT_FALSE(engine.isPreparing(QStringLiteral("ja-JP")));
    EXPECT_EQ(engine.downloadProgress(QStringLiteral("ja-JP")), std::nullopt);
    EXPECT_EQ(modelLines(), (QStringList{"認識モデル: ja-JP ダウンロード開始",
                                         "認識モデル: ja-JP ダウンロード失敗 (ネットワークがありません)"}));
}

TEST_F(SpeechEngine26Test, TheFinalTextsWinTheRaceAndTheTimerIsCancelled) {
    analyzer.analysis.results = {{0.1, QStringLiteral("こんにちは"), true}, {0.2, QStringLiteral("まだ"), false},
                                 {0.3, QStringLiteral("世界"), true}};
    const auto outcome = race(take(16000), {}, 2.0, 1.0);
    ASSERT_TRUE(outcome && outcome->text);
    EXPECT_EQ(*outcome->text, QStringLiteral("こんにちは世界"));
    EXPECT_EQ(queue.pendingTimers(), 0u);
    ASSERT_EQ(analyzer.sessions.size(), 1u);
    EXPECT_FALSE(analyzer.sessions[0]->contextSet) << "no hints, no context";
    EXPECT_EQ(analyzer.sessions[0]->fed.size(), 32000);
}

TEST_F(SpeechEngine26Test, TheTimeLimitCancelsTheAnalysisAndOtherFailuresEndItAtOnce) {
    analyzer.analysis.endsAt = 5.0;
    analyzer.analysis.results = {{4.0, QStringLiteral("遅い"), true}};
    auto outcome = race(take(16000), {QStringLiteral("Quendle")}, 2.0, 2.1);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->engineError, EngineError::timeout);
    EXPECT_TRUE(analyzer.sessions.back()->cancelled);
    EXPECT_EQ(analyzer.sessions.back()->context, QStringList{"Quendle"});

    // A header alone never reaches the analyser.
    outcome = race(RecordingFormat::makeWAV({}), {}, 2.0, 0.1);
    EXPECT_EQ(outcome->engineError, EngineError::noAudio);
    EXPECT_EQ(analyzer.sessions.size(), 1u);

    analyzer.analysis = {};
    analyzer.analysis.format = std::nullopt;
    outcome = race(take(100), {}, 2.0, 0.1);
    EXPECT_EQ(outcome->engineError, EngineError::noCompatibleFormat);

    analyzer.analysis = {};
    analyzer.analysis.error = QStringLiteral("解析に失敗");
    outcome = race(take(100), {}, 2.0, 1.0);
    EXPECT_FALSE(outcome->text);
    EXPECT_EQ(outcome->error, QStringLiteral("解析に失敗"));
}

TEST_F(SpeechEngine26Test, TheTakeIsConvertedToTheAnalysersFormat) {
    // 0.5 s at 16 kHz with an odd trailing byte, to 48 kHz float stereo.
    QByteArray pcm;
    for (int i = 0; i < 8000; ++i) {
        const qint16 v = qint16(i % 2 ? 16384 : -16384);
        pcm.append(reinterpret_cast<const char*>(&v), 2);
    }
    pcm.append('\x7f');
    const auto converted = SpeechEngine26::convertBuffer(pcm, SpeechAudioFormat{48000, 2, true});
    ASSERT_TRUE(converted);
    ASSERT_EQ(converted->size(), 24000 * 2 * 4);
    float first[2], third[2];
    std::memcpy(first, converted->constData(), 8);
    std::memcpy(third, converted->constData() + 3 * 8, 8);  // the second source sample
    EXPECT_FLOAT_EQ(first[0], -0.5f);
    EXPECT_FLOAT_EQ(first[1], -0.5f);
    EXPECT_FLOAT_EQ(third[0], 0.5f);
    EXPECT_FALSE(SpeechEngine26::convertBuffer(pcm, SpeechAudioFormat{0, 1, false}));
}

}  // namespace
