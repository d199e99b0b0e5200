#include "platform/linux/PocketSphinxRecognizer.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"

#include <QFileInfo>
#include <atomic>
#include <map>
#include <mutex>

#include <malloc.h>
#include <pocketsphinx.h>

#ifndef QUENDLE_POCKETSPHINX_MODELDIR
#define QUENDLE_POCKETSPHINX_MODELDIR "/usr/share/pocketsphinx/model"
#endif

// One loaded PocketSphinx decoder. Decoding is not thread-safe, so every use takes the lock.
struct PocketSphinxRecognizerProvider::Decoder {
    std::mutex lock;
    ps_decoder_t* ps = nullptr;
    cmd_ln_t* config = nullptr;

    ~Decoder() {
        if (ps) ps_free(ps);
        if (config) cmd_ln_free_r(config);
    }

    // Loads the model; false when it cannot be loaded.
    bool load(const QString& modelDirectory, const QString& grammar) {
        const QByteArray hmm = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/en-us"));
        const QByteArray lm = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/en-us.lm.bin"));
        const QByteArray dict = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/cmudict-en-us.dict"));
        config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-lm", lm.constData(), "-dict",
                             dict.constData(), "-logfn", "/dev/null", nullptr);
        if (!config) return false;
        ps = ps_init(config);
        if (!ps) return false;
        if (!grammar.isEmpty()) {
            const QByteArray text = grammar.toUtf8();
            if (ps_set_jsgf_string(ps, "quendle_grammar", text.constData()) != 0) return false;
            if (ps_set_search(ps, "quendle_grammar") != 0) return false;
        }
        return true;
    }

    // Decodes the whole buffer in one call.
    QString decode(const QByteArray& pcm) {
        std::lock_guard guard(lock);
        if (ps_start_utt(ps) < 0) return {};
        ps_process_raw(ps, reinterpret_cast<const int16*>(pcm.constData()), size_t(pcm.size() / 2), FALSE, TRUE);
        ps_end_utt(ps);
        int32 score = 0;
        const char* hyp = ps_get_hyp(ps, &score);
        return hyp ? QString::fromUtf8(hyp).trimmed() : QString();
    }
};

namespace {

using Decoder = PocketSphinxRecognizerProvider::Decoder;

// Loaded decoders, one per model folder and grammar. A decoder unused for kIdleRelease seconds is
// released; the next use loads it again.
struct Registry {
    std::mutex lock;
    struct Entry {
        std::shared_ptr<Decoder> decoder;  // null: the model could not be loaded (not tried again)
        double lastUsed = 0;
    };
    std::map<std::pair<QString, QString>, Entry> entries;
};

Registry& registry() {
    static Registry r;
    return r;
}

void scheduleRelease(const std::pair<QString, QString>& key);

std::shared_ptr<Decoder> sharedDecoder(const QString& modelDirectory, const QString& grammar) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto key = std::make_pair(modelDirectory, grammar);
    auto found = r.entries.find(key);
    if (found != r.entries.end()) {
        found->second.lastUsed = Clock::monotonicNow();
        return found->second.decoder;
    }
    auto decoder = std::make_shared<Decoder>();
    if (!decoder->load(modelDirectory, grammar)) decoder.reset();
    r.entries[key] = {decoder, Clock::monotonicNow()};
    if (decoder) scheduleRelease(key);
    return decoder;
}

// Releases the decoder once it has been idle long enough; checks again otherwise.
void releaseIfIdle(const std::pair<QString, QString>& key) {
    std::shared_ptr<Decoder> released;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        auto found = r.entries.find(key);
        if (found == r.entries.end() || !found->second.decoder) return;
        const double idle = Clock::monotonicNow() - found->second.lastUsed;
        if (idle < PocketSphinxRecognizerProvider::kIdleRelease) {
            MainQueue::post([key] { scheduleRelease(key); });
            return;
        }
        released = std::move(found->second.decoder);
        r.entries.erase(found);
    }
    // A decode in progress holds its own reference; the model goes when it finishes.
    released.reset();
    malloc_trim(0);  // hand the freed model memory back to the system
}

void scheduleRelease(const std::pair<QString, QString>& key) {
    // Timers live on the main queue; the check itself runs on any thread (the registry is locked).
    MainQueue::post([key] { MainQueue::after(PocketSphinxRecognizerProvider::kIdleRelease, [key] { releaseIfIdle(key); }); });
}

bool modelFilesPresent(const QString& modelDirectory) {
    return QFileInfo(modelDirectory + QStringLiteral("/en-us/en-us/mdef")).exists() &&
           QFileInfo::exists(modelDirectory + QStringLiteral("/en-us/en-us.lm.bin")) &&
           QFileInfo::exists(modelDirectory + QStringLiteral("/en-us/cmudict-en-us.dict"));
}

class PocketSphinxTask final : public SpeechRecognitionTask {
public:
    void cancel() override { cancelled = true; }
    std::atomic<bool> cancelled{false};
};

class PocketSphinxRecognizer final : public SpeechRecognizer {
public:
    PocketSphinxRecognizer(QString modelDirectory, QString grammar, std::shared_ptr<SerialQueue> queue)
        : modelDirectory_(std::move(modelDirectory)), grammar_(std::move(grammar)), queue_(std::move(queue)) {}

    QString localeIdentifier() const override { return QStringLiteral("en-US"); }
    bool isAvailable() const override { return modelFilesPresent(modelDirectory_); }
    bool supportsOnDeviceRecognition() const override { return true; }
    bool usesContextualStrings() const override { return false; }

    std::shared_ptr<SpeechRecognitionTask> recognize(const SpeechRecognitionRequest& request, ResultHandler handler) override {
        auto task = std::make_shared<PocketSphinxTask>();
        queue_->post([task, request, handler, dir = modelDirectory_, grammar = grammar_] {
            auto cancelled = [&] {
                handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Cancelled,
                                                             QStringLiteral("認識を取り消しました")});
            };
            if (task->cancelled) return cancelled();
            const QByteArray wav = Files::read(request.wavPath);
            if (wav.isNull() || wav.size() < 44) {
                handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Failed,
                                                             QStringLiteral("録音を読み込めませんでした")});
                return;
            }
            auto decoder = sharedDecoder(dir, grammar);
            if (!decoder) {
                handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Failed,
                                                             QStringLiteral("音声モデルを読み込めませんでした")});
                return;
            }
            const QString text = decoder->decode(wav.mid(44));
            if (task->cancelled) return cancelled();
            handler(SpeechRecognitionResult{text, true}, std::nullopt);
        });
        return task;
    }

private:
    QString modelDirectory_;
    QString grammar_;
    std::shared_ptr<SerialQueue> queue_;
};

}  // namespace

PocketSphinxRecognizerProvider::PocketSphinxRecognizerProvider(QString modelDirectory, QString grammar)
    : modelDirectory_(std::move(modelDirectory)),
      grammar_(std::move(grammar)),
      queue_(std::make_shared<SerialQueue>(QStringLiteral("pocketsphinx"))) {}

PocketSphinxRecognizerProvider::~PocketSphinxRecognizerProvider() = default;

QString PocketSphinxRecognizerProvider::defaultModelDirectory() { return QStringLiteral(QUENDLE_POCKETSPHINX_MODELDIR); }

bool PocketSphinxRecognizerProvider::modelInstalled() const { return modelFilesPresent(modelDirectory_); }

SpeechAuthorization PocketSphinxRecognizerProvider::authorizationStatus() const {
    return modelInstalled() ? SpeechAuthorization::Authorized : SpeechAuthorization::Restricted;
}

std::shared_ptr<SpeechRecognizer> PocketSphinxRecognizerProvider::recognizer(const QString& localeIdentifier) {
    if (localeIdentifier != QLatin1String("en-US") || !modelInstalled()) return nullptr;
    return std::make_shared<PocketSphinxRecognizer>(modelDirectory_, grammar_, queue_);
}

void PocketSphinxRecognizerProvider::prepare() {
    if (!modelInstalled()) return;
    queue_->post([dir = modelDirectory_, grammar = grammar_] { sharedDecoder(dir, grammar); });
}

std::optional<QString> PocketSphinxRecognizerProvider::decodeSamples(const QByteArray& pcm) {
    auto decoder = sharedDecoder(modelDirectory_, grammar_);
    if (!decoder) return std::nullopt;
    return decoder->decode(pcm);
}
