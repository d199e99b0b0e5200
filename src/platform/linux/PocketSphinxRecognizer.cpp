#include "platform/linux/PocketSphinxRecognizer.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"

#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>
#include <map>
#include <mutex>

#include <malloc.h>
#include <pocketsphinx.h>

#ifndef QUENDLE_POCKETSPHINX_MODELDIR
#define QUENDLE_POCKETSPHINX_MODELDIR "/usr/share/pocketsphinx/model"
#endif

// One loaded PocketSphinx decoder. It decodes one utterance at a time, so every use takes the
// lock. Audio goes in by chunks: a recording can be fed while it is recorded, and a recognition can
// stop between two chunks.
struct PocketSphinxRecognizerProvider::Decoder {
    std::mutex lock;
    ps_decoder_t* ps = nullptr;
    cmd_ln_t* config = nullptr;
    // The open utterance: its number and the stream it belongs to (0: a whole recording).
    bool open = false;
    quint64 utterance = 0;
    quint64 owner = 0;
    std::function<void()> resumeOwner;          // how to tell the owning stream it lost the utterance
    std::vector<std::function<void()>> waiting;  // streams waiting for the decoder

    static constexpr qsizetype kChunkBytes = 6400;  // 0.2 s

    ~Decoder() {
        if (ps) ps_free(ps);
        if (config) cmd_ln_free_r(config);
    }

    // Loads the model; false when it cannot be loaded.
    bool load(const QString& modelDirectory, const QString& grammar) {
        const QByteArray hmm = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/en-us"));
        const QByteArray lm = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/en-us.lm.bin"));
        const QByteArray dict = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/cmudict-en-us.dict"));
        // No second (flat-lexicon) pass: it re-decodes the whole recording once it has ended, which
        // would leave most of the work until after the release.
        config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-lm", lm.constData(), "-dict",
                             dict.constData(), "-fwdflat", "no", "-logfn", "/dev/null", nullptr);
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

    // Opens an utterance for `stream` (0: a whole recording). An utterance still open is closed,
    // and a stream it belonged to is told so that it starts again once the decoder is free.
    bool begin(quint64 stream, std::function<void()> resume = {}) {
        if (open) {
            ps_end_utt(ps);
            if (resumeOwner) waiting.push_back(std::move(resumeOwner));
        }
        open = ps_start_utt(ps) >= 0;
        ++utterance;
        owner = stream;
        resumeOwner = std::move(resume);
        return open;
    }
    // Feeds whole samples from `from` in chunks; stops early when `stop` says so between two
    // chunks (false then). `afterChunk` runs after each chunk.
    bool feed(const QByteArray& pcm, qsizetype from, const std::function<bool()>& stop = {},
              const std::function<void()>& afterChunk = {}) {
        const qsizetype end = pcm.size() & ~qsizetype(1);
        for (qsizetype at = from & ~qsizetype(1); at < end; at += kChunkBytes) {
            if (stop && stop()) return false;
            const qsizetype bytes = std::min(kChunkBytes, end - at);
            ps_process_raw(ps, reinterpret_cast<const int16*>(pcm.constData() + at), size_t(bytes / 2), FALSE, FALSE);
            if (afterChunk) afterChunk();
        }
        return true;
    }
    QString hypothesis() {
        int32 score = 0;
        const char* hyp = ps_get_hyp(ps, &score);
        return hyp ? QString::fromUtf8(hyp).trimmed() : QString();
    }
    // Closes the utterance and returns its text.
    QString end() {
        if (!open) return {};
        ps_end_utt(ps);
        open = false;
        owner = 0;
        resumeOwner = nullptr;
        return hypothesis();
    }
    // The streams that waited run again; the caller has closed the utterance and holds `guard`.
    void release(std::unique_lock<std::mutex>& guard) {
        std::vector<std::function<void()>> resume = std::move(waiting);
        waiting.clear();
        guard.unlock();
        for (auto& fn : resume) fn();
    }

    // Decodes a whole recording; nothing when `stop` ended it early.
    std::optional<QString> decode(const QByteArray& pcm, const std::function<bool()>& stop = {},
                                  const std::function<void()>& afterChunk = {}) {
        std::unique_lock guard(lock);
        if (!begin(0)) return QString();
        const bool whole = feed(pcm, 0, stop, afterChunk);
        const QString text = end();
        release(guard);
        if (!whole) return std::nullopt;
        return text;
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

std::atomic<quint64> gNextStream{1};

// A recording decoded while it is recorded. Its state lives on the recogniser's queue.
class PocketSphinxStream final : public SpeechStream, public std::enable_shared_from_this<PocketSphinxStream> {
public:
    PocketSphinxStream(QString dir, QString grammar, std::shared_ptr<SerialQueue> queue)
        : dir_(std::move(dir)), grammar_(std::move(grammar)), queue_(std::move(queue)) {}

    // Whatever it holds of the decoder is given back on the queue.
    ~PocketSphinxStream() override {
        queue_->post([decoder = decoder_, id = id_] {
            auto held = decoder.lock();
            if (!held) return;
            std::unique_lock guard(held->lock);
            if (held->open && held->owner == id) {
                held->end();
                held->release(guard);
            }
        });
    }

    void append(const QByteArray& pcm) override {
        queue_->post([weak = weak_from_this(), pcm] {
            if (auto self = weak.lock()) {
                self->received_.append(pcm);
                self->pump();
            }
        });
    }

    // ---- on the queue
    // Feeds what arrived since the last time, once the decoder is ours.
    void pump() {
        if (closed_) return;
        auto decoder = sharedDecoder(dir_, grammar_);
        if (!decoder) return;
        std::unique_lock guard(decoder->lock);
        if (!holds(*decoder)) {
            if (decoder->open) {
                // Another recording is being decoded: this one catches up when it is done.
                if (!waiting_) {
                    waiting_ = true;
                    decoder->waiting.push_back(resume());
                }
                return;
            }
            if (!decoder->begin(id_, resume())) return;
            utterance_ = decoder->utterance;
            decoder_ = decoder;
            fed_ = 0;
        }
        decoder->feed(received_, fed_);
        fed_ = received_.size() & ~qsizetype(1);
    }
    // The recording ended as `pcm`: when the stream fed a beginning of it and still holds its
    // utterance, the decoder goes on from there. Returns the byte to go on from, or -1 when the
    // recording must be decoded afresh. No more appends are fed afterwards.
    qsizetype takeOver(PocketSphinxRecognizerProvider::Decoder& decoder, const QByteArray& pcm) {
        closed_ = true;
        if (!holds(decoder) || fed_ > pcm.size() || memcmp(pcm.constData(), received_.constData(), size_t(fed_)) != 0)
            return -1;
        decoder.owner = 0;  // the recognition owns it now
        decoder.resumeOwner = nullptr;
        return fed_;
    }

private:
    bool holds(const PocketSphinxRecognizerProvider::Decoder& decoder) const {
        return decoder.open && decoder.owner == id_ && decoder.utterance == utterance_;
    }
    std::function<void()> resume() {
        return [weak = weak_from_this(), queue = queue_] {
            queue->post([weak] {
                if (auto self = weak.lock()) {
                    self->waiting_ = false;
                    self->pump();
                }
            });
        };
    }

    const quint64 id_ = gNextStream.fetch_add(1);
    QString dir_;
    QString grammar_;
    std::shared_ptr<SerialQueue> queue_;
    std::weak_ptr<PocketSphinxRecognizerProvider::Decoder> decoder_;
    QByteArray received_;
    qsizetype fed_ = 0;
    quint64 utterance_ = 0;
    bool waiting_ = false;
    bool closed_ = false;
};

class PocketSphinxRecognizer final : public SpeechRecognizer {
public:
    PocketSphinxRecognizer(QString modelDirectory, QString grammar, std::shared_ptr<SerialQueue> queue)
        : modelDirectory_(std::move(modelDirectory)), grammar_(std::move(grammar)), queue_(std::move(queue)) {}

    QString localeIdentifier() const override { return QStringLiteral("en-US"); }
    bool isAvailable() const override { return modelFilesPresent(modelDirectory_); }
    bool supportsOnDeviceRecognition() const override { return true; }
    bool usesContextualStrings() const override { return false; }

    std::shared_ptr<SpeechStream> startStream() override {
        return std::make_shared<PocketSphinxStream>(modelDirectory_, grammar_, queue_);
    }

    // The recording is decoded by chunks: a cancel stops it between two chunks, and when the
    // decode runs close to the caller's wait the best hypothesis so far is reported as partial.
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
            const QByteArray pcm = wav.mid(44);
            const auto started = std::chrono::steady_clock::now();
            const double partialAfter = request.wait ? *request.wait * 0.8 : -1;
            double lastPartial = -1;
            auto reportPartial = [&] {
                if (partialAfter < 0) return;
                const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
                if (elapsed < partialAfter || elapsed - lastPartial < 0.5) return;
                lastPartial = elapsed;
                const QString text = decoder->hypothesis();
                if (!text.isEmpty()) handler(SpeechRecognitionResult{text, false}, std::nullopt);
            };

            std::unique_lock guard(decoder->lock);
            qsizetype from = -1;
            if (auto* stream = dynamic_cast<PocketSphinxStream*>(request.stream.get())) from = stream->takeOver(*decoder, pcm);
            if (from < 0) {
                if (!decoder->begin(0)) from = pcm.size();  // nothing can be decoded: an empty text
                else from = 0;
            }
            const bool whole = decoder->feed(pcm, from, [&] { return task->cancelled.load(); }, reportPartial);
            const QString text = decoder->end();
            decoder->release(guard);
            if (!whole || task->cancelled) return cancelled();
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
