#include "recognition/SpeechEngine26.h"

#include "core/AppLog.h"
#include "platform/MainQueue.h"
#include "platform/SpeechAnalyzer.h"

#include <QtEndian>
#include <cmath>

namespace {

constexpr double kProgressPoll = 0.3;

QString modelLine(const QString& locale, const QString& what) {
    return QStringLiteral("認識モデル: ") + locale + QLatin1Char(' ') + what;
}

}  // namespace

// One analysis: its session, the final texts so far, and the race's timer. Ended once.
struct SpeechEngine26::Analysis {
    std::unique_ptr<SpeechAnalysisSession> session;
    QString finals;
    MainQueue::TimerId timer = 0;
    Done done;
    bool ended = false;

    void end(const Outcome& outcome) {
        if (ended) return;
        ended = true;
        MainQueue::cancel(timer);
        if (session) {
            session->cancel();
            // It may be calling us right now: let it go on a later turn.
            MainQueue::post([gone = std::shared_ptr<SpeechAnalysisSession>(std::move(session))] {});
        }
        Done finished = std::move(done);
        MainQueue::post([finished, outcome] { finished(outcome); });
    }
    void fail(EngineError error) { end({std::nullopt, error, SpeechEngine26::describe(error)}); }
};

SpeechEngine26::SpeechEngine26(SpeechAnalyzer& analyzer) : analyzer_(analyzer) {}

SpeechEngine26::~SpeechEngine26() {
    *alive_ = false;
    for (quint64 id : watchers_) {
        MainQueue::TimerId timer = id;
        MainQueue::cancel(timer);
    }
}

bool SpeechEngine26::isSupported() const { return analyzer_.isSupported(); }

bool SpeechEngine26::isReady(const QString& localeIdentifier) const {
    std::lock_guard guard(stateLock_);
    return readyLocales_.contains(localeIdentifier);
}

bool SpeechEngine26::isPreparing(const QString& localeIdentifier) const {
    std::lock_guard guard(stateLock_);
    return preparingLocales_.contains(localeIdentifier);
}

std::optional<double> SpeechEngine26::downloadProgress(const QString& localeIdentifier) const {
    std::lock_guard guard(stateLock_);
    const auto found = progressByLocale_.find(localeIdentifier);
    if (found == progressByLocale_.end()) return std::nullopt;
    return *found;
}

// ---------------------------------------------------------------------------------------------
// Models

void SpeechEngine26::prepareAssetsInBackground(const QStringList& localeIdentifiers) {
    for (const QString& locale : localeIdentifiers) {
        MainQueue::post([this, alive = alive_, locale] {
            if (*alive) prepareAssets(locale);
        });
    }
}

// Everything up to the installation request happens in one turn of the main queue, so two
// preparations of one locale can never both ask for a download.
void SpeechEngine26::prepareAssets(const QString& locale) {
    if (isPreparing(locale)) return;
    if (analyzer_.assetStatus(locale) == SpeechAnalyzer::AssetStatus::Installed) {
        std::lock_guard guard(stateLock_);
        readyLocales_.insert(locale);
        progressByLocale_.remove(locale);
        return;
    }
    {
        std::lock_guard guard(stateLock_);
        preparingLocales_.insert(locale);
    }
    analyzer_.reserve(locale);  // a refusal changes nothing: the installation request decides
    const SpeechAnalyzer::InstallationRequest asked = analyzer_.installationRequest(locale);
    if (asked.error) {
        AppLog::write(modelLine(locale, QStringLiteral("ダウンロード失敗 (") + *asked.error + QLatin1Char(')')));
        endPreparation(locale, false);
        return;
    }
    if (!asked.request) {  // nothing to install
        endPreparation(locale, true);
        return;
    }
    AppLog::write(modelLine(locale, QStringLiteral("ダウンロード開始")));
    {
        std::lock_guard guard(stateLock_);
        progressByLocale_.insert(locale, 0.0);
    }
    watchProgress(asked.request, locale);
    asked.request->downloadAndInstall([this, alive = alive_, locale](const std::optional<QString>& error) {
        if (!*alive) return;
        if (error) {
            AppLog::write(modelLine(locale, QStringLiteral("ダウンロード失敗 (") + *error + QLatin1Char(')')));
            endPreparation(locale, false);
        } else {
            endPreparation(locale, true);
            AppLog::write(modelLine(locale, QStringLiteral("ダウンロード完了")));
        }
    });
}

// A locale becomes ready before it stops preparing, so no reader sees a finished preparation as
// neither.
void SpeechEngine26::endPreparation(const QString& locale, bool ready) {
    if (auto watcher = watchers_.take(locale)) {
        MainQueue::TimerId timer = watcher;
        MainQueue::cancel(timer);
    }
    std::lock_guard guard(stateLock_);
    progressByLocale_.remove(locale);
    if (ready) readyLocales_.insert(locale);
    preparingLocales_.remove(locale);
}

// Polls the download every 0.3 s and logs each new tenth (10 % … 100 %).
void SpeechEngine26::watchProgress(const std::shared_ptr<SpeechAssetInstallation>& installation, const QString& locale) {
    auto lastStep = std::make_shared<int>(-1);
    auto poll = [this, installation, locale, lastStep] {
        if (installation->isFinished()) {
            if (auto watcher = watchers_.take(locale)) {
                MainQueue::TimerId timer = watcher;
                MainQueue::cancel(timer);
            }
            return;
        }
        double fraction = installation->fractionCompleted();
        if (!std::isfinite(fraction) || fraction <= 0) fraction = 0;
        if (fraction > 1) fraction = 1;
        {
            std::lock_guard guard(stateLock_);
            progressByLocale_.insert(locale, fraction);
        }
        const int step = int(fraction * 10);
        if (step >= 1 && step != *lastStep) {
            AppLog::write(modelLine(locale, QStringLiteral("ダウンロード ") + QString::number(step * 10) + QLatin1Char('%')));
            *lastStep = step;
        }
    };
    poll();
    if (installation->isFinished()) return;
    watchers_.insert(locale, MainQueue::every(kProgressPoll, poll));
}

// ---------------------------------------------------------------------------------------------
// Recognition

QString SpeechEngine26::describe(EngineError error) {
    switch (error) {
    case EngineError::noAudio: return QStringLiteral("音声がありません (noAudio)");
    case EngineError::noCompatibleFormat: return QStringLiteral("使える音声形式がありません (noCompatibleFormat)");
    case EngineError::timeout: return QStringLiteral("時間切れ (timeout)");
    }
    return QString();
}

void SpeechEngine26::transcribeWithTimeout(const QByteArray& wav, const QString& localeIdentifier,
                                           const QStringList& contextualStrings, double timeoutSeconds, Done done) {
    std::shared_ptr<Analysis> analysis = transcribe(wav, localeIdentifier, contextualStrings, std::move(done));
    if (analysis->ended) return;
    // The timer holds the analysis until the race ends; the session's callbacks hold it weakly.
    analysis->timer = MainQueue::after(std::max(0.0, timeoutSeconds), [analysis] { analysis->fail(EngineError::timeout); });
}

std::shared_ptr<SpeechEngine26::Analysis> SpeechEngine26::transcribe(const QByteArray& wav, const QString& locale,
                                                                     const QStringList& contextualStrings, Done done) {
    auto analysis = std::make_shared<Analysis>();
    analysis->done = std::move(done);
    if (wav.size() < 45) {
        analysis->fail(EngineError::noAudio);
        return analysis;
    }
    std::weak_ptr<Analysis> weak = analysis;
    analysis->session = analyzer_.openSession(locale, [weak](const QString& text, bool isFinal) {
        auto running = weak.lock();
        if (running && !running->ended && isFinal) running->finals += text;
    });
    if (!analysis->session) {
        analysis->end({std::nullopt, std::nullopt, QStringLiteral("この言語は新エンジンで認識できません")});
        return analysis;
    }
    if (!contextualStrings.isEmpty()) {
        if (const auto error = analysis->session->setContext(contextualStrings)) {
            analysis->end({std::nullopt, std::nullopt, *error});
            return analysis;
        }
    }
    const std::optional<SpeechAudioFormat> format = analysis->session->bestFormat();
    if (!format) {
        analysis->fail(EngineError::noCompatibleFormat);
        return analysis;
    }
    const QByteArray pcm = wav.mid(44);
    if (pcm.size() < 2) {
        analysis->fail(EngineError::noAudio);
        return analysis;
    }
    const std::optional<QByteArray> converted = convertBuffer(pcm, *format);
    if (!converted) {
        analysis->fail(EngineError::noCompatibleFormat);
        return analysis;
    }
    analysis->session->feed(*converted);
    analysis->session->finish([weak](const std::optional<QString>& error) {
        auto running = weak.lock();
        if (!running) return;
        if (error)
            running->end({std::nullopt, std::nullopt, *error});
        else
            running->end({running->finals, std::nullopt, QString()});
    });
    return analysis;
}

std::optional<QByteArray> SpeechEngine26::convertBuffer(const QByteArray& pcm, const SpeechAudioFormat& format) {
    if (!(format.sampleRate >= 1000 && format.sampleRate <= 384000) || format.channels < 1 || format.channels > 8)
        return std::nullopt;
    const qsizetype frames = pcm.size() / 2;
    const auto* samples = reinterpret_cast<const uchar*>(pcm.constData());
    auto sampleAt = [&](qsizetype i) { return double(qFromLittleEndian<qint16>(samples + 2 * i)); };
    const double step = 16000.0 / format.sampleRate;
    const auto outFrames = qsizetype(std::floor(double(frames) / step));
    const int width = format.floatSamples ? 4 : 2;
    QByteArray out(outFrames * format.channels * width, Qt::Uninitialized);
    char* to = out.data();
    for (qsizetype i = 0; i < outFrames; ++i) {
        // Linear interpolation between the two nearest source samples.
        const double at = double(i) * step;
        const auto left = qsizetype(at);
        const double frac = at - double(left);
        const double value = sampleAt(left) * (1 - frac) + sampleAt(std::min(left + 1, frames - 1)) * frac;
        for (int c = 0; c < format.channels; ++c) {
            if (format.floatSamples) {
                const float f = float(value / 32768.0);
                memcpy(to, &f, 4);
            } else {
                const qint16 v = qint16(std::clamp(std::lround(value), -32768L, 32767L));
                memcpy(to, &v, 2);
            }
            to += width;
        }
    }
    return out;
}
