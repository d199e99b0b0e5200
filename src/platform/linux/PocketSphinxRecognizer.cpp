#include "platform/linux/PocketSphinxRecognizer.h"

#include "platform/Files.h"
#include "platform/SerialQueue.h"

#include <QFileInfo>
#include <atomic>
#include <map>
#include <mutex>

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

// Loaded decoders, one per model folder and grammar, kept for the life of the process.
std::shared_ptr<Decoder> sharedDecoder(const QString& modelDirectory, const QString& grammar) {
    static std::mutex registryLock;
    static std::map<std::pair<QString, QString>, std::shared_ptr<Decoder>> registry;
    std::lock_guard guard(registryLock);
    auto key = std::make_pair(modelDirectory, grammar);
    auto found = registry.find(key);
    if (found != registry.end()) return found->second;
    auto decoder = std::make_shared<Decoder>();
    if (!decoder->load(modelDirectory, grammar)) decoder.reset();
    registry.emplace(key, decoder);  // a model that failed to load is not tried again
    return decoder;
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

    std::shared_ptr<SpeechRecognitionTask> recognize(const SpeechRecognitionRequest& request, ResultHandler handler) override {
        auto task = std::make_shared<PocketSphinxTask>();
        queue_->post([task, request, handler, dir = modelDirectory_, grammar = grammar_] {
            auto cancelled = [&] {
                handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Cancelled,
                                                             QStringLiteral("Recognition was cancelled")});
            };
            if (task->cancelled) return cancelled();
            const QByteArray wav = Files::read(request.wavPath);
            if (wav.isNull() || wav.size() < 44) {
                handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Failed,
                                                             QStringLiteral("The recording could not be read")});
                return;
            }
            auto decoder = sharedDecoder(dir, grammar);
            if (!decoder) {
                handler(std::nullopt, SpeechRecognitionError{SpeechRecognitionError::Kind::Failed,
                                                             QStringLiteral("The speech model could not be loaded")});
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

std::optional<QString> PocketSphinxRecognizerProvider::decodeSamples(const QByteArray& pcm) {
    auto decoder = sharedDecoder(modelDirectory_, grammar_);
    if (!decoder) return std::nullopt;
    return decoder->decode(pcm);
}
