#include "recognition/Speech26Smoke.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "recognition/LocalRecognizer.h"
#include "recognition/SpeechEngine26.h"

namespace {

constexpr double kModelDeadline = 180.0;
constexpr double kModelPoll = 1.0;
constexpr double kRecognitionLimit = 30.0;

QString seconds(double value) { return QString::asprintf("%.2f", value); }

}  // namespace

Speech26Smoke::Arguments Speech26Smoke::parseArguments(const QStringList& arguments) {
    Arguments parsed;
    const qsizetype at = arguments.indexOf(QStringLiteral("--speech26-smoke"));
    if (at < 0) return parsed;
    parsed.present = true;
    if (at + 1 < arguments.size()) parsed.path = arguments.at(at + 1);
    if (at + 2 < arguments.size() && !arguments.at(at + 2).startsWith(QLatin1Char('-'))) parsed.locale = arguments.at(at + 2);
    return parsed;
}

QString Speech26Smoke::usageLine() { return QStringLiteral("使い方: --speech26-smoke <wav> [localeID（既定 ja-JP）]"); }

void Speech26Smoke::run(const QString& wavPath, const QString& locale) {
    locale_ = locale;
    wav_ = Files::read(wavPath);
    if (wav_.isNull() || wav_.size() < 45) {
        s_.printLine(QStringLiteral("[FAIL] wav を読めません: ") + wavPath);
        return finish(1);
    }
    if (!s_.engine.isSupported()) {
        s_.printLine(QStringLiteral("[SKIP] このシステムには新エンジンがありません（新エンジン非対応）"));
        return finish(0);
    }
    if (usable()) return recognise();
    // Without permission the model never counts as usable: waiting for it would only end, three
    // minutes later, blaming the model.
    if (!s_.authorized()) {
        s_.printLine(QStringLiteral("[FAIL] 音声認識が許可されていません"));
        return finish(1);
    }
    s_.printLine(QStringLiteral("認識モデル(") + locale_ + QStringLiteral(")が未インストール。準備します…"));
    s_.engine.prepareAssetsInBackground({locale_});
    deadline_ = Clock::monotonicNow() + kModelDeadline;
    MainQueue::post([this] { waitForModel(); });  // after the preparation's first steps
}

bool Speech26Smoke::usable() const { return s_.authorized() && s_.engine.isReady(locale_); }

void Speech26Smoke::waitForModel() {
    if (usable()) {
        s_.printLine(QStringLiteral("準備完了"));
        return recognise();
    }
    if (Clock::monotonicNow() >= deadline_) {
        s_.printLine(QStringLiteral("[FAIL] 3分待っても資産の準備が終わりませんでした"));
        return finish(1);
    }
    // A preparation that ended without the model will not bring it by waiting longer.
    if (!s_.engine.isPreparing(locale_)) {
        s_.printLine(QStringLiteral("[FAIL] 認識モデルを準備できませんでした"));
        return finish(1);
    }
    if (const auto progress = s_.engine.downloadProgress(locale_))
        s_.printLine(QString::asprintf("  ダウンロード %.0f%%", *progress * 100));
    s_.printLine(QStringLiteral("  [debug] isReady=false"));
    MainQueue::after(kModelPoll, [this] { waitForModel(); });
}

void Speech26Smoke::recognise() {
    const double started = Clock::monotonicNow();
    s_.engine.transcribeWithTimeout(wav_, locale_, {}, kRecognitionLimit, [this, started](const SpeechEngine26::Outcome& outcome) {
        const QString took = seconds(Clock::monotonicNow() - started);
        if (outcome.text)
            s_.printLine(QStringLiteral("[新エンジン] ") + took + QStringLiteral("秒: ") +
                         (outcome.text->isEmpty() ? QStringLiteral("(空)") : *outcome.text));
        else
            s_.printLine(QStringLiteral("[新エンジン] ") + took + QStringLiteral("秒: 失敗 (") + outcome.error + QLatin1Char(')'));
        const double classicStarted = Clock::monotonicNow();
        const bool english = !locale_.startsWith(QLatin1String("ja"));
        s_.classic.transcribeClassic(wav_, english, kRecognitionLimit, [this, classicStarted](const std::optional<QString>& text) {
            s_.printLine(QStringLiteral("[従来エンジン] ") + seconds(Clock::monotonicNow() - classicStarted) + QStringLiteral("秒: ") +
                         text.value_or(QStringLiteral("(空)")));
            finish(0);
        });
    });
}

void Speech26Smoke::finish(int status) {
    if (ended_) return;
    ended_ = true;
    s_.end(status);
}
