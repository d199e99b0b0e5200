#include "recognition/LocalRecognizer.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/RecordingFormat.h"
#include "core/ServicePrefs.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/SpeechRecognizer.h"
#include "core/Graphemes.h"
#include "recognition/SpeechEngine26.h"
#include "recognition/VocabularyHints.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QUuid>
#include <QtEndian>
#include <cstring>
#include <mutex>

namespace {

constexpr qsizetype kMaxPcmBytes = 1'760'000;  // 55 s
constexpr qsizetype kSilenceTail = 11'200;     // 0.35 s
constexpr double kWarmUpWait = 1.0;
constexpr double kEarlyFinalGrace = 2.0;

// The process-wide local-speech queue; it lives until the process ends.
SerialQueue& sharedSpeechQueue() {
    static SerialQueue* queue = new SerialQueue(QStringLiteral("orvane.localspeech"));
    return *queue;
}

// The folder of the recordings handed to the classic recogniser: readable by the user alone
// (0700), made on first use (and again should something remove it) and removed when the process
// ends. Empty when it cannot be made.
QString privateScratchFolder() {
    static std::mutex lock;
    static std::unique_ptr<QTemporaryDir> folder;
    std::lock_guard guard(lock);
    if (!folder || !folder->isValid() || !QFileInfo::exists(folder->path()))
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quendle-XXXXXX"));
    return folder->isValid() ? folder->path() : QString();
}

// Calls the wrapped completion once; later calls do nothing.
LocalRecognizer::Completion once(LocalRecognizer::Completion completion) {
    auto called = std::make_shared<std::atomic<bool>>(false);
    return [called, completion = std::move(completion)](const std::optional<QString>& text) {
        if (called->exchange(true)) return;
        if (completion) completion(text);
    };
}

QString languageName(bool english) { return english ? QStringLiteral("英語") : QStringLiteral("日本語"); }

}  // namespace

// One classic recognition. Its cells are read and written on the local-speech queue only.
struct Run {
    bool warmUp = false;
    qint64 generation = 0;
    QString tempPath;
    double seconds = 0;
    double wait = 0;
    LocalRecognizer::Completion completion;
    std::shared_ptr<SpeechRecognitionTask> task;
    bool finished = false;
    std::optional<QString> bestText;
};

struct LocalRecognizer::Impl : std::enable_shared_from_this<LocalRecognizer::Impl> {
    SpeechRecognizerProvider& classic;
    SpeechEngine26& engine26;
    std::function<bool()> keyboardIsEnglish;  // main queue only
    Dispatch speech;

    // Local-speech queue state.
    std::shared_ptr<Run> current;  // the run that holds the task slot
    qint64 generation = 0;

    // The recogniser cache, shared with the probe's thread.
    std::mutex cacheLock;
    QMap<QString, std::shared_ptr<SpeechRecognizer>> cache;

    Impl(SpeechRecognizerProvider& c, SpeechEngine26& e, std::function<bool()> k, Dispatch d)
        : classic(c), engine26(e), keyboardIsEnglish(std::move(k)), speech(std::move(d)) {}

    std::weak_ptr<Impl> weak() { return weak_from_this(); }

    // Runs `fn` on the local-speech queue while this object lives.
    void onSpeechQueue(std::function<void(Impl&)> fn) {
        speech([weak = weak(), fn = std::move(fn)] {
            if (auto self = weak.lock()) fn(*self);
        });
    }

    bool spokenIsEnglish() const {
        const QString spoken = AppPrefs::spokenLanguage();
        if (spoken == QLatin1String("ja")) return false;
        if (spoken == QLatin1String("en")) return true;
        return keyboardIsEnglish && keyboardIsEnglish();
    }

    std::shared_ptr<SpeechRecognizer> recognizer(const QString& locale) {
        std::lock_guard guard(cacheLock);
        auto found = cache.find(locale);
        if (found != cache.end()) return *found;
        auto made = classic.recognizer(locale);
        if (made) cache.insert(locale, made);
        return made;
    }

    // Main queue: counts a text and hands it over.
    static void deliver(const std::optional<QString>& text, const Completion& completion) {
        if (text) ServicePrefs::incrementCounter(QStringLiteral("helloLowCount"));
        completion(text);
    }

    static void completeWithNothing(const Completion& completion) {
        MainQueue::post([completion] { completion(std::nullopt); });
    }

    // ---------------------------------------------------------------- front

    void transcribe(const QByteArray& wav, bool isEnglish, std::optional<double> wait, Completion completion,
                    std::shared_ptr<SpeechStream> stream) {
        const QString locale = isEnglish ? QStringLiteral("en-US") : QStringLiteral("ja-JP");
        const bool authorized = classic.authorizationStatus() == SpeechAuthorization::Authorized;
        if (engine26.isSupported() && authorized && engine26.isReady(locale)) {
            const QStringList hints = VocabularyHints::current();
            const double seconds = LocalRecognizer::secondsOf(wav);
            const double effectiveWait = wait.value_or(LocalRecognizer::adaptiveWait(seconds));
            engine26.transcribeWithTimeout(wav, locale, hints, effectiveWait,
                                           [weak = weak(), wav, isEnglish, wait, seconds, completion](const SpeechEngine26::Outcome& outcome) {
                if (outcome.text) {
                    const QString text = outcome.text->trimmed();
                    if (!text.isEmpty()) {
                        AppLog::write(QStringLiteral("Low認識 OK(新エンジン, ") + languageName(isEnglish) + QStringLiteral("): ") +
                                      Graphemes::first(text, 40));
                        MainQueue::post([text, completion] { deliver(text, completion); });
                    } else {
                        AppLog::write(QString::asprintf("Low認識 空(新エンジン, %.1f秒音)", seconds));
                        MainQueue::post([completion] { deliver(std::nullopt, completion); });
                    }
                    return;
                }
                AppLog::write(QStringLiteral("認識モデル: 新エンジン失敗→従来へ (") + outcome.error + QStringLiteral(")"));
                auto self = weak.lock();
                if (!self) return;
                self->onSpeechQueue([wav, wait, isEnglish, completion](Impl& impl) {
                    impl.resetLiveRecognition();
                    impl.runLegacy(wav, wait, false, isEnglish, completion);
                });
            });
            return;
        }
        onSpeechQueue([wav, wait, isEnglish, completion, stream](Impl& impl) {
            impl.resetLiveRecognition();
            impl.runLegacy(wav, wait, false, isEnglish, completion, stream);
        });
    }

    // The live-recognition record is never filled in this application, so there is nothing to
    // reset; the run in flight is deliberately left alone.
    void resetLiveRecognition() {}

    // ---------------------------------------------------------------- classic recogniser

    void runLegacy(const QByteArray& wav, std::optional<double> wait, bool warmUp, bool isEnglish, Completion completion,
                   std::shared_ptr<SpeechStream> stream = {}) {
        // 1. Supersede or skip.
        qint64 runGeneration = generation;
        if (!warmUp) {
            if (current) supersede(current);
            current.reset();
            runGeneration = ++generation;
        } else if (current) {
            completeWithNothing(completion);
            return;
        }

        // 2-3. Locale and preconditions.
        const QString locale = isEnglish ? QStringLiteral("en-US") : QStringLiteral("ja-JP");
        const SpeechAuthorization auth = classic.authorizationStatus();
        std::shared_ptr<SpeechRecognizer> engine;
        bool usable = auth == SpeechAuthorization::Authorized;
        if (usable) engine = recognizer(locale);
        usable = usable && engine && engine->isAvailable() && engine->supportsOnDeviceRecognition() && wav.size() >= 45;
        if (!usable) {
            if (!warmUp) {
                AppLog::write(QStringLiteral("Low認識不可 (locale=") + locale + QStringLiteral(", auth=") +
                              QString::number(int(auth)) + QStringLiteral(")"));
            }
            completeWithNothing(completion);
            return;
        }

        // 4. Language line.
        if (!warmUp) AppLog::write(QStringLiteral("Low認識言語: ") + languageName(isEnglish) + QStringLiteral(" (") + locale + QStringLiteral(")"));

        // 5-6. Audio (at most 55 s, then 0.35 s of silence) and the wait.
        QByteArray pcm = wav.mid(44, kMaxPcmBytes);
        const double seconds = double(pcm.size()) / 32000.0;
        pcm.append(QByteArray(kSilenceTail, '\0'));
        const double effectiveWait = wait.value_or(LocalRecognizer::adaptiveWait(seconds));

        // 7. The recording as a temporary file, in a folder and a file only the user can read: it
        // holds what the user said.
        const QString folder = privateScratchFolder();
        QString writeError;
        QString path;
        if (folder.isEmpty()) {
            writeError = QStringLiteral("（一時フォルダーを作れません）");
        } else {
            path = folder + QStringLiteral("/quendle-low-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                   QStringLiteral(".wav");
            // A scratch file read once and removed: no need to flush it to the disk.
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
                writeError = QStringLiteral("（ファイルを作れません）");
            } else {
                const QByteArray wav = RecordingFormat::makeWAV(pcm);
                const bool written = file.write(wav) == wav.size() && file.flush();
                file.close();
                if (!written) {
                    writeError = QStringLiteral("（書き込めません。ディスクの空きを確かめてください）");
                    file.remove();
                }
            }
        }
        if (!writeError.isEmpty()) {
            AppLog::write(QStringLiteral("Low認識: wav 書き出し失敗 ") + writeError);
            completeWithNothing(completion);
            return;
        }

        // 8. Request.
        SpeechRecognitionRequest request;
        request.wavPath = path;
        request.requiresOnDevice = true;
        request.reportsPartialResults = true;
        request.addsPunctuation = true;
        request.stream = std::move(stream);
        request.wait = effectiveWait;
        // Only a recogniser that uses the hints gets them (and the line that says so).
        if (!warmUp && engine->usesContextualStrings()) {
            const QStringList hints = VocabularyHints::current();
            if (!hints.isEmpty()) {
                request.contextualStrings = hints;
                AppLog::write(QStringLiteral("Low語彙ヒント ") + QString::number(hints.size()) + QStringLiteral("語: ") +
                              hints.mid(0, 8).join(QStringLiteral("、")));
            }
        }

        // 9. The run.
        auto run = std::make_shared<Run>();
        run->warmUp = warmUp;
        run->generation = runGeneration;
        run->tempPath = path;
        run->seconds = seconds;
        run->wait = effectiveWait;
        run->completion = std::move(completion);

        // 10. Timeout.
        scheduleTimeout(run, effectiveWait);

        // 11. Start.
        std::weak_ptr<Run> weakRun = run;
        run->task = engine->recognize(request, [weak = weak(), weakRun](std::optional<SpeechRecognitionResult> result,
                                                                           std::optional<SpeechRecognitionError> error) {
            auto self = weak.lock();
            if (!self) return;
            self->onSpeechQueue([weakRun, result, error](Impl& impl) {
                if (auto run = weakRun.lock()) impl.handleResult(run, result, error);
            });
        });
        current = run;
    }

    // A newer take replaces the run in the slot. A real run completes at once with nothing (its
    // later callbacks and timers are ignored); a warm-up run ends by itself through its cancel.
    void supersede(const std::shared_ptr<Run>& run) {
        if (run->task) run->task->cancel();
        if (run->warmUp || run->finished) return;
        run->finished = true;
        QFile::remove(run->tempPath);
        completeWithNothing(run->completion);
    }

    bool superseded(const Run& run) const { return !run.warmUp && run.generation != generation; }

    void scheduleTimeout(const std::shared_ptr<Run>& run, double seconds) {
        // The run is kept alive by its timer until it falls due.
        MainQueue::post([weak = weak(), run, seconds] {
            MainQueue::after(seconds, [weak, run] {
                if (auto self = weak.lock()) self->onSpeechQueue([run](Impl& impl) { impl.timeout(run); });
            });
        });
    }

    void handleResult(const std::shared_ptr<Run>& run, const std::optional<SpeechRecognitionResult>& result,
                      const std::optional<SpeechRecognitionError>& error) {
        if (superseded(*run) || run->finished) return;
        if (result) {
            const QString& text = result->text;
            if (!run->bestText || Graphemes::count(*run->bestText) < Graphemes::count(text)) run->bestText = text;
            if (!result->isFinal) return;
            const qsizetype length = run->bestText ? Graphemes::count(*run->bestText) : 0;
            const double rate = run->seconds > 0 ? double(length) / run->seconds : 0.0;
            if (!run->warmUp && run->seconds >= 8.0 && rate < 1.0) {
                AppLog::write(QString::asprintf("Low認識 isFinal早期疑い (%.1f秒音に%d文字・%.1f文字/秒) → あと%.1f秒だけ待つ",
                                                run->seconds, int(length), rate, kEarlyFinalGrace));
                scheduleTimeout(run, kEarlyFinalGrace);
                return;
            }
            scheduleFinish(run, run->bestText);
            return;
        }
        if (error) {
            if (error->kind != SpeechRecognitionError::Kind::Cancelled && !run->warmUp) {
                AppLog::write(QStringLiteral("Low認識エラー: ") + error->description);
            }
            scheduleFinish(run, run->bestText);
        }
    }

    void timeout(const std::shared_ptr<Run>& run) {
        if (superseded(*run) || run->finished) return;
        if (run->task) run->task->cancel();  // its own task, never another run's
        scheduleFinish(run, run->bestText);
    }

    void scheduleFinish(const std::shared_ptr<Run>& run, std::optional<QString> text) {
        onSpeechQueue([run, text](Impl& impl) { impl.finish(run, text); });
    }

    void finish(const std::shared_ptr<Run>& run, const std::optional<QString>& text) {
        if (superseded(*run)) {
            QFile::remove(run->tempPath);
            return;
        }
        if (run->finished) return;
        run->finished = true;
        if (current == run) current.reset();  // only while the slot still holds this run
        QFile::remove(run->tempPath);

        std::optional<QString> outcome;
        if (text && !text->trimmed().isEmpty()) outcome = text->trimmed();
        if (!run->warmUp) {
            if (!outcome) {
                AppLog::write(QString::asprintf("Low認識 空(従来) (%.1f秒音→wait %.1f)", run->seconds, run->wait));
            } else {
                const qsizetype length = Graphemes::count(*outcome);
                const double rate = run->seconds > 0 ? double(length) / run->seconds : 0.0;
                const bool suspicious = run->seconds >= 8.0 && rate < 1.0;
                const QString label = suspicious ? QStringLiteral("OK(従来・短すぎる疑いあり・要確認)") : QStringLiteral("OK(従来)");
                const QString note = suspicious ? QString::asprintf("・%.1f文字/秒", rate) : QString();
                AppLog::write(QStringLiteral("Low認識 ") + label +
                              QString::asprintf(" (%.1f秒音→wait %.1f, %d文字", run->seconds, run->wait, int(length)) + note +
                              QStringLiteral("): ") + Graphemes::first(*outcome, 40));
            }
        }
        MainQueue::post([outcome, completion = run->completion] { deliver(outcome, completion); });
    }

    // ---------------------------------------------------------------- warm-up

    // `english` is read on the main queue: the keyboard's input source belongs to it.
    void warmUp(bool english) {
        if (current) return;
        QByteArray clip = RecordingFormat::makeWAV(QByteArray(9600, '\0'));
        runLegacy(clip, kWarmUpWait, true, english, [weak = weak(), clip, english](const std::optional<QString>&) {
            if (auto self = weak.lock()) {
                self->onSpeechQueue([clip, english](Impl& impl) {
                    if (impl.current) return;
                    impl.runLegacy(clip, kWarmUpWait, true, !english, [](const std::optional<QString>&) {});
                });
            }
        });
    }
};

LocalRecognizer::LocalRecognizer(SpeechRecognizerProvider& classic, SpeechEngine26& engine26,
                                 std::function<bool()> keyboardIsEnglish, Dispatch speechQueue) {
    if (!speechQueue) {
        ownsSharedQueue_ = true;
        speechQueue = [](std::function<void()> task) { sharedSpeechQueue().post(std::move(task)); };
    }
    impl_ = std::make_shared<Impl>(classic, engine26, std::move(keyboardIsEnglish), std::move(speechQueue));
}

// A task that already holds the recogniser may still be running on the speech queue; it uses the
// providers this object was given, so wait for it before those can go away. Later tasks find
// the recogniser gone and do nothing.
LocalRecognizer::~LocalRecognizer() {
    impl_.reset();
    if (ownsSharedQueue_) sharedSpeechQueue().sync([] {});
}

void LocalRecognizer::transcribe(const QByteArray& wav, bool isEnglish, std::optional<double> wait, Completion completion,
                                 std::shared_ptr<SpeechStream> stream) {
    impl_->transcribe(wav, isEnglish, wait, once(std::move(completion)), std::move(stream));
}

std::shared_ptr<SpeechStream> LocalRecognizer::startStream(bool isEnglish) {
    const QString locale = isEnglish ? QStringLiteral("en-US") : QStringLiteral("ja-JP");
    if (impl_->classic.authorizationStatus() != SpeechAuthorization::Authorized) return nullptr;
    if (impl_->engine26.isSupported() && impl_->engine26.isReady(locale)) return nullptr;  // the newer engine takes it whole
    auto engine = impl_->recognizer(locale);
    return engine && engine->isAvailable() ? engine->startStream() : nullptr;
}

void LocalRecognizer::transcribeClassic(const QByteArray& wav, bool isEnglish, double wait, Completion completion) {
    impl_->onSpeechQueue([wav, isEnglish, wait, completion = once(std::move(completion))](Impl& impl) {
        impl.resetLiveRecognition();
        impl.runLegacy(wav, wait, false, isEnglish, completion);
    });
}

void LocalRecognizer::cancelPending() {
    impl_->onSpeechQueue([](Impl& impl) { impl.resetLiveRecognition(); });
}

void LocalRecognizer::prepare() { impl_->classic.prepare(); }

bool LocalRecognizer::probe() { return hasModel(impl_->spokenIsEnglish()); }

bool LocalRecognizer::hasModel(bool english) {
    const QString locale = english ? QStringLiteral("en-US") : QStringLiteral("ja-JP");
    if (impl_->classic.authorizationStatus() != SpeechAuthorization::Authorized) return false;
    auto engine = impl_->recognizer(locale);
    return engine && engine->isAvailable() && engine->supportsOnDeviceRecognition();
}

void LocalRecognizer::scheduleWarmUp() {
    impl_->onSpeechQueue([english = impl_->spokenIsEnglish()](Impl& impl) { impl.warmUp(english); });
}

void LocalRecognizer::warmUpIfAuthorized(int status) {
    if (status != int(SpeechAuthorization::Authorized)) return;
    MainQueue::post([weak = impl_->weak()] {
        if (auto self = weak.lock())
            self->onSpeechQueue([english = self->spokenIsEnglish()](Impl& impl) { impl.warmUp(english); });
    });
}

QStringList LocalRecognizer::vocabularyHints() { return VocabularyHints::current(); }

double LocalRecognizer::adaptiveWait(double seconds) { return std::min(std::max(0.9 * seconds + 2.5, 2.5), 50.0); }

double LocalRecognizer::secondsOf(const QByteArray& wav) { return double(std::max<qsizetype>(0, wav.size() - 44)) / 32000.0; }
