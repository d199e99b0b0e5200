#include "platform/linux/PocketSphinxRecognizer.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/linux/SpeechPauses.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>
#include <map>
#include <tuple>
#include <mutex>

#include <malloc.h>
#include <pocketsphinx.h>

#ifndef QUENDLE_POCKETSPHINX_MODELDIR
#define QUENDLE_POCKETSPHINX_MODELDIR "/usr/share/pocketsphinx/model"
#endif

namespace {

using Mean = std::vector<mfcc_t>;

// A mean is only taken from a file or a decoder when it is a plausible one: the right length, and
// every coefficient a finite number of sane size (the energy term is a log energy of some tens).
bool plausible(const Mean& mean, size_t length) {
    if (mean.size() != length || length == 0) return false;
    for (mfcc_t v : mean)
        if (!std::isfinite(double(v)) || std::fabs(double(v)) > 1000.0) return false;
    return true;
}

// The cepstral means this user's speech taught the decoders: in memory for the process, and in
// the support folder (`meanFile`) for the next start. A stored file that is not a plausible mean
// is ignored. A new mean is kept in memory at once and written (flush) once the text it came with
// is on its way, so the disk never delays a dictation.
struct MeanStore {
    std::mutex lock;
    std::map<QString, Mean> known;      // by mean file ("" for a provider that keeps none)
    std::map<QString, Mean> unwritten;  // by mean file, learnt since the last flush

    std::optional<Mean> get(const QString& file, size_t length) {
        std::lock_guard guard(lock);
        auto found = known.find(file);
        if (found != known.end()) return plausible(found->second, length) ? std::optional(found->second) : std::nullopt;
        if (file.isEmpty()) return std::nullopt;
        const QFileInfo info(file);
        if (!info.isFile() || info.size() > 4096) return std::nullopt;
        const QJsonArray values = QJsonDocument::fromJson(Files::read(file)).object().value(QStringLiteral("mean")).toArray();
        Mean mean;
        for (const QJsonValue& v : values) {
            if (!v.isDouble()) return std::nullopt;
            mean.push_back(mfcc_t(v.toDouble()));
        }
        if (!plausible(mean, length)) return std::nullopt;
        known[file] = mean;
        return mean;
    }
    void put(const QString& file, const Mean& mean) {
        std::lock_guard guard(lock);
        known[file] = mean;
        if (!file.isEmpty()) unwritten[file] = mean;
    }
    void flush() {
        std::map<QString, Mean> writing;
        {
            std::lock_guard guard(lock);
            writing.swap(unwritten);
        }
        for (const auto& [file, mean] : writing) {
            QJsonArray values;
            for (mfcc_t v : mean) values.append(double(v));
            Files::makeDirectories(QFileInfo(file).absolutePath());
            Files::writeAtomically(file,
                                   QJsonDocument(QJsonObject{{QStringLiteral("mean"), values}}).toJson(QJsonDocument::Compact));
        }
    }
};

MeanStore& meanStore() {
    static MeanStore store;
    return store;
}

}  // namespace

// One loaded PocketSphinx decoder. It decodes one utterance at a time, so every use takes the
// lock. Audio goes in by chunks: a recording can be fed while it is recorded, and a recognition can
// stop between two chunks.
struct PocketSphinxRecognizerProvider::Decoder {
    std::mutex lock;
    ps_decoder_t* ps = nullptr;
    cmd_ln_t* config = nullptr;
    fe_t* headFrontEnd = nullptr;  // computes a recording's own mean, beside the decoder's
    QString meanFile;
    // The live mean comes from this user's speech, not from the model's initial mean.
    bool meanKnown = false;
    // The open utterance is normalised from a mean of this user's (known, or the recording's own).
    bool meanSet = false;
    Mean meanAtBegin;
    // The open utterance: its number and the stream it belongs to (0: a whole recording).
    bool open = false;
    quint64 utterance = 0;
    // The open utterance's stretches already ended at a pause: their texts, and their frames.
    QStringList stretches;
    int framesBefore = 0;
    quint64 owner = 0;
    std::function<void()> resumeOwner;          // how to tell the owning stream it lost the utterance
    std::vector<std::function<void()>> waiting;  // streams waiting for the decoder

    static constexpr qsizetype kChunkBytes = 6400;  // 0.2 s
    // Frames (10 ms with some energy) a recording's head must hold before it is normalised with
    // its own mean while it is recorded: a shorter head's mean strays too far from the whole
    // recording's (measured in bench/recognition, AccuracyBench).
    static constexpr int kHeadFrames = 150;
    // Frames any recording's own mean is taken from at the least, and that an utterance must have
    // to teach the live mean.
    static constexpr int kLeastFrames = 30;
    // How much of a recording is searched for such a head, and how much already decoded audio a
    // recording that ends without one is decoded again for (that work comes after the release).
    static constexpr qsizetype kHeadSearchBytes = 8 * 32000;
    static constexpr qsizetype kLateRestartBytes = 4 * 32000;

    ~Decoder() {
        if (headFrontEnd) fe_free(headFrontEnd);
        if (ps) ps_free(ps);
        if (config) cmd_ln_free_r(config);
    }

    // Loads the model; false when it cannot be loaded.
    bool load(const QString& modelDirectory, const QString& grammar, const PocketSphinxOptions& options) {
        const QByteArray hmm = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/en-us"));
        const QByteArray lm = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/en-us.lm.bin"));
        const QByteArray dict = QFile::encodeName(modelDirectory + QStringLiteral("/en-us/cmudict-en-us.dict"));
        config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-lm", lm.constData(), "-dict",
                             dict.constData(), "-fwdflat", options.flatPass ? "yes" : "no", "-logfn", "/dev/null",
                             nullptr);
        if (!config) return false;
        ps = ps_init(config);
        if (!ps) return false;
        if (!grammar.isEmpty()) {
            const QByteArray text = grammar.toUtf8();
            if (ps_set_jsgf_string(ps, "quendle_grammar", text.constData()) != 0) return false;
            if (ps_set_search(ps, "quendle_grammar") != 0) return false;
        }
        meanFile = options.meanFile;
        if (auto mean = meanStore().get(meanFile, meanLength())) {
            setMean(*mean);
            meanKnown = true;
        }
        return true;
    }

    // ---- the live cepstral mean
    cmn_t* cmn() const {
        feat_t* feat = ps_get_feat(ps);
        return feat ? feat->cmn_struct : nullptr;
    }
    size_t meanLength() const {
        cmn_t* c = cmn();
        return c ? size_t(c->veclen) : 0;
    }
    Mean mean() const {
        Mean m(meanLength());
        if (!m.empty()) cmn_live_get(cmn(), m.data());
        return m;
    }
    void setMean(const Mean& m) {
        if (m.size() == meanLength() && !m.empty()) cmn_live_set(cmn(), m.data());
    }
    // The mean of the cepstra of `pcm` as the decoder's own normalisation takes it (frames without
    // energy left out); nothing when fewer than `minFrames` frames count. `headOnly`: the mean of
    // the first `minFrames` of them only (the same head however the recording came in).
    std::optional<Mean> ownMean(const QByteArray& pcm, int minFrames, bool headOnly = false) {
        const size_t length = meanLength();
        if (!headFrontEnd) headFrontEnd = fe_init_auto_r(config);  // the decoder's own front-end settings
        if (!headFrontEnd || length == 0 || size_t(fe_get_output_size(headFrontEnd)) != length) return std::nullopt;
        std::vector<double> sum(length, 0.0);
        long frames = 0;
        constexpr int kRows = 64;
        std::vector<mfcc_t> storage(kRows * length);
        std::vector<mfcc_t*> rows(kRows);
        for (int i = 0; i < kRows; ++i) rows[size_t(i)] = storage.data() + size_t(i) * length;
        // Frames without energy (digital silence) count for nothing, as in the decoder's own mean.
        auto add = [&](int32 n) {
            for (int32 f = 0; f < n; ++f) {
                if (rows[size_t(f)][0] < 0 || (headOnly && frames >= minFrames)) continue;
                for (size_t i = 0; i < length; ++i) sum[i] += double(rows[size_t(f)][i]);
                ++frames;
            }
        };
        fe_start_utt(headFrontEnd);
        const int16* samples = reinterpret_cast<const int16*>(pcm.constData());
        size_t left = size_t(pcm.size() / 2);
        while (left > 0) {
            int32 n = kRows;
            const size_t before = left;
            if (fe_process_frames(headFrontEnd, &samples, &left, rows.data(), &n, nullptr) < 0) break;
            add(n);
            if (n == 0 && left == before) break;
        }
        int32 last = 0;
        fe_end_utt(headFrontEnd, rows[0], &last);
        add(last);
        if (frames < minFrames) return std::nullopt;
        Mean m(length);
        for (size_t i = 0; i < length; ++i) m[i] = mfcc_t(sum[i] / double(frames));
        if (!plausible(m, length)) return std::nullopt;
        return m;
    }
    // Starts the open utterance again from `m` (what was fed so far is dropped).
    void restartFrom(const Mean& m) {
        ps_end_utt(ps);
        setMean(m);
        ps_start_utt(ps);
        meanSet = true;
        stretches.clear();
        framesBefore = 0;
    }

    // Opens an utterance for `stream` (0: a whole recording). An utterance still open is closed,
    // and a stream it belonged to is told so that it starts again once the decoder is free.
    bool begin(quint64 stream, std::function<void()> resume = {}) {
        if (open) {
            ps_end_utt(ps);
            setMean(meanAtBegin);  // it taught nothing
            if (resumeOwner) waiting.push_back(std::move(resumeOwner));
        }
        meanAtBegin = mean();
        meanSet = meanKnown;
        stretches.clear();
        framesBefore = 0;
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
        return feedUntil(pcm, from, pcm.size(), stop, afterChunk);
    }
    bool feedUntil(const QByteArray& pcm, qsizetype from, qsizetype until, const std::function<bool()>& stop = {},
                   const std::function<void()>& afterChunk = {}) {
        const qsizetype end = std::min(until, pcm.size()) & ~qsizetype(1);
        for (qsizetype at = from & ~qsizetype(1); at < end; at += kChunkBytes) {
            if (stop && stop()) return false;
            const qsizetype bytes = std::min(kChunkBytes, end - at);
            ps_process_raw(ps, reinterpret_cast<const int16*>(pcm.constData() + at), size_t(bytes / 2), FALSE, FALSE);
            if (afterChunk) afterChunk();
        }
        return true;
    }
    // A recording that no mean of this user's fits yet, and that is about to be decoded from `from`,
    // is normalised with its own mean (decoded again from its start) unless too much of it has been
    // decoded already. Returns where to feed from.
    qsizetype normaliseUnknown(const QByteArray& pcm, qsizetype from) {
        if (meanSet || from > kLateRestartBytes) return from;
        if (auto own = ownMean(pcm, kLeastFrames)) {
            restartFrom(*own);
            return 0;
        }
        return from;
    }
    QString hypothesis() {
        int32 score = 0;
        const char* hyp = ps_get_hyp(ps, &score);
        return hyp ? QString::fromUtf8(hyp).trimmed() : QString();
    }
    // The text of the open utterance so far: its ended stretches, then the best hypothesis of the
    // stretch being decoded.
    QString textSoFar() {
        QStringList texts = stretches;
        if (const QString last = hypothesis(); !last.isEmpty()) texts.append(last);
        return texts.join(QLatin1Char(' '));
    }
    // Ends the stretch decoded so far at a pause (its second pass runs now, while the user still
    // speaks) and goes on with the next one from the live mean the stretch ended with.
    void endStretch() {
        ps_end_utt(ps);
        if (const QString text = hypothesis(); !text.isEmpty()) stretches.append(text);
        framesBefore += ps_get_n_frames(ps);
        ps_start_utt(ps);
    }
    // Closes the utterance and returns its text. An utterance with enough speech leaves the live
    // mean it has learnt for the next one (and the next start); any other leaves the mean as it was.
    QString end() {
        if (!open) return {};
        ps_end_utt(ps);
        open = false;
        owner = 0;
        resumeOwner = nullptr;
        const Mean learnt = mean();
        if (meanSet && framesBefore + ps_get_n_frames(ps) >= kLeastFrames && plausible(learnt, meanLength())) {
            meanKnown = true;
            meanStore().put(meanFile, learnt);
        } else {
            setMean(meanAtBegin);
        }
        const QString text = textSoFar();
        stretches.clear();
        framesBefore = 0;
        return text;
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
        const bool whole = feed(pcm, normaliseUnknown(pcm, 0), stop, afterChunk);
        const QString text = end();
        release(guard);
        meanStore().flush();
        if (!whole) return std::nullopt;
        return text;
    }
    // Decodes a whole recording in one piece with the recording's own mean; the live mean stays.
    QString decodeInOnePiece(const QByteArray& pcm) {
        std::unique_lock guard(lock);
        if (open) return {};
        const Mean kept = mean();
        feat_t* feat = ps_get_feat(ps);
        const cmn_type_t type = feat->cmn;
        feat->cmn = CMN_BATCH;
        QString text;
        if (ps_start_utt(ps) >= 0) {
            ps_process_raw(ps, reinterpret_cast<const int16*>(pcm.constData()), size_t(pcm.size() / 2), FALSE, TRUE);
            ps_end_utt(ps);
            text = hypothesis();
        }
        feat->cmn = type;
        setMean(kept);
        return text;
    }
};

namespace {

using Decoder = PocketSphinxRecognizerProvider::Decoder;

// Loaded decoders, one per model folder, grammar and set-up. A decoder unused for idleRelease()
// seconds is released; the next use loads it again.
using DecoderKey = std::tuple<QString, QString, bool, QString>;  // cutAtPauses is the streams' own

DecoderKey keyOf(const QString& modelDirectory, const QString& grammar, const PocketSphinxOptions& options) {
    return {modelDirectory, grammar, options.flatPass, options.meanFile};
}

struct Registry {
    std::mutex lock;
    struct Entry {
        std::shared_ptr<Decoder> decoder;  // null: the model could not be loaded (not tried again)
        double lastUsed = 0;
    };
    std::map<DecoderKey, Entry> entries;
};

Registry& registry() {
    static Registry r;
    return r;
}

void scheduleRelease(const DecoderKey& key);

std::shared_ptr<Decoder> sharedDecoder(const QString& modelDirectory, const QString& grammar,
                                       const PocketSphinxOptions& options) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const DecoderKey key = keyOf(modelDirectory, grammar, options);
    auto found = r.entries.find(key);
    if (found != r.entries.end()) {
        found->second.lastUsed = Clock::monotonicNow();
        return found->second.decoder;
    }
    auto decoder = std::make_shared<Decoder>();
    if (!decoder->load(modelDirectory, grammar, options)) decoder.reset();
    r.entries[key] = {decoder, Clock::monotonicNow()};
    if (decoder) scheduleRelease(key);
    return decoder;
}

// Releases the decoder once it has been idle long enough; checks again otherwise.
void releaseIfIdle(const DecoderKey& key) {
    std::shared_ptr<Decoder> released;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        auto found = r.entries.find(key);
        if (found == r.entries.end() || !found->second.decoder) return;
        const double idle = Clock::monotonicNow() - found->second.lastUsed;
        if (idle < PocketSphinxRecognizerProvider::idleRelease()) {
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

void scheduleRelease(const DecoderKey& key) {
    // Timers live on the main queue; the check itself runs on any thread (the registry is locked).
    MainQueue::post([key] { MainQueue::after(PocketSphinxRecognizerProvider::idleRelease(), [key] { releaseIfIdle(key); }); });
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
    PocketSphinxStream(QString dir, QString grammar, PocketSphinxOptions options, std::shared_ptr<SerialQueue> queue)
        : dir_(std::move(dir)), grammar_(std::move(grammar)), options_(std::move(options)), queue_(std::move(queue)) {}

    // Whatever it holds of the decoder is given back on the queue.
    ~PocketSphinxStream() override {
        queue_->post([decoder = decoder_, id = id_] {
            auto held = decoder.lock();
            if (!held) return;
            std::unique_lock guard(held->lock);
            if (held->open && held->owner == id) {
                held->end();
                held->release(guard);
                meanStore().flush();
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
    // Feeds what arrived since the last time, once the decoder is ours. With cutAtPauses, each
    // pause of the speech ends a stretch: its second pass runs while the user goes on speaking.
    void pump() {
        if (closed_) return;
        auto decoder = sharedDecoder(dir_, grammar_, options_);
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
            pauses_ = SpeechPauses();
            heard_ = 0;
            cuts_.clear();
        }
        qsizetype decodable = received_.size() & ~qsizetype(1);
        if (options_.cutAtPauses) {
            const qsizetype end = received_.size() & ~qsizetype(1);
            for (size_t at : pauses_.add(reinterpret_cast<const int16*>(received_.constData() + heard_),
                                         size_t((end - heard_) / 2)))
                cuts_.push_back(qsizetype(at) * 2);
            heard_ = end;
            decodable = qsizetype(pauses_.decodableUntil()) * 2;
        }
        while (!cuts_.empty()) {
            const qsizetype cut = cuts_.front();
            cuts_.erase(cuts_.begin());
            if (cut < fed_) continue;  // cannot happen: nothing is fed past a cut to come
            feedTo(*decoder, cut);
            // A first dictation whose head never held enough speech is normalised with the mean of
            // all it has heard before its first stretch ends.
            if (!decoder->meanSet && fed_ <= Decoder::kHeadSearchBytes) {
                if (auto own = decoder->ownMean(received_.left(fed_), Decoder::kLeastFrames)) {
                    decoder->restartFrom(*own);
                    decoder->feedUntil(received_, 0, fed_);
                }
            }
            if (decoder->meanSet || fed_ > Decoder::kHeadSearchBytes) decoder->endStretch();
        }
        feedTo(*decoder, decodable);
    }
    // Feeds up to `until`. No mean of this user's is known yet: once the head holds enough speech,
    // it is decoded again from its own mean, which the rest of the recording goes on from.
    void feedTo(Decoder& decoder, qsizetype until) {
        if (until <= fed_) return;
        decoder.feedUntil(received_, fed_, until);
        fed_ = until;
        if (!decoder.meanSet && fed_ <= Decoder::kHeadSearchBytes) {
            if (auto own = decoder.ownMean(received_.left(fed_), Decoder::kHeadFrames, true)) {
                decoder.restartFrom(*own);
                decoder.feedUntil(received_, 0, fed_);
            }
        }
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
    PocketSphinxOptions options_;
    std::shared_ptr<SerialQueue> queue_;
    std::weak_ptr<PocketSphinxRecognizerProvider::Decoder> decoder_;
    QByteArray received_;
    qsizetype fed_ = 0;
    quint64 utterance_ = 0;
    bool waiting_ = false;
    bool closed_ = false;
    SpeechPauses pauses_;       // of the audio from the decoder's begin
    qsizetype heard_ = 0;       // bytes the pauses have been looked for in
    std::vector<qsizetype> cuts_;  // where stretches end, not yet reached
};

class PocketSphinxRecognizer final : public SpeechRecognizer {
public:
    PocketSphinxRecognizer(QString modelDirectory, QString grammar, PocketSphinxOptions options,
                           std::shared_ptr<SerialQueue> queue)
        : modelDirectory_(std::move(modelDirectory)),
          grammar_(std::move(grammar)),
          options_(std::move(options)),
          queue_(std::move(queue)) {}

    QString localeIdentifier() const override { return QStringLiteral("en-US"); }
    bool isAvailable() const override { return modelFilesPresent(modelDirectory_); }
    bool supportsOnDeviceRecognition() const override { return true; }
    bool usesContextualStrings() const override { return false; }

    std::shared_ptr<SpeechStream> startStream() override {
        return std::make_shared<PocketSphinxStream>(modelDirectory_, grammar_, options_, queue_);
    }

    // The recording is decoded by chunks: a cancel stops it between two chunks, and when the
    // decode runs close to the caller's wait the best hypothesis so far is reported as partial.
    std::shared_ptr<SpeechRecognitionTask> recognize(const SpeechRecognitionRequest& request, ResultHandler handler) override {
        auto task = std::make_shared<PocketSphinxTask>();
        queue_->post([task, request, handler, dir = modelDirectory_, grammar = grammar_, options = options_] {
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
            auto decoder = sharedDecoder(dir, grammar, options);
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
                const QString text = decoder->textSoFar();
                if (!text.isEmpty()) handler(SpeechRecognitionResult{text, false}, std::nullopt);
            };

            std::unique_lock guard(decoder->lock);
            qsizetype from = -1;
            if (auto* stream = dynamic_cast<PocketSphinxStream*>(request.stream.get())) from = stream->takeOver(*decoder, pcm);
            if (from < 0) {
                if (!decoder->begin(0)) from = pcm.size();  // nothing can be decoded: an empty text
                else from = 0;
            }
            if (decoder->open) from = decoder->normaliseUnknown(pcm, from);
            const bool whole = decoder->feed(pcm, from, [&] { return task->cancelled.load(); }, reportPartial);
            const QString text = decoder->end();
            decoder->release(guard);
            if (!whole || task->cancelled) {
                cancelled();
            } else {
                handler(SpeechRecognitionResult{text, true}, std::nullopt);
            }
            meanStore().flush();  // after the text has gone

        });
        return task;
    }

private:
    QString modelDirectory_;
    QString grammar_;
    PocketSphinxOptions options_;
    std::shared_ptr<SerialQueue> queue_;
};

}  // namespace

PocketSphinxRecognizerProvider::PocketSphinxRecognizerProvider(QString modelDirectory, QString grammar)
    : PocketSphinxRecognizerProvider(std::move(modelDirectory), std::move(grammar),
                                     PocketSphinxOptions{.meanFile = defaultMeanFile()}) {}

PocketSphinxRecognizerProvider::PocketSphinxRecognizerProvider(QString modelDirectory, QString grammar,
                                                               PocketSphinxOptions options)
    : modelDirectory_(std::move(modelDirectory)),
      grammar_(std::move(grammar)),
      options_(std::move(options)),
      queue_(std::make_shared<SerialQueue>(QStringLiteral("pocketsphinx"))) {}

PocketSphinxRecognizerProvider::~PocketSphinxRecognizerProvider() = default;

QString PocketSphinxRecognizerProvider::defaultModelDirectory() { return QStringLiteral(QUENDLE_POCKETSPHINX_MODELDIR); }

QString PocketSphinxRecognizerProvider::defaultMeanFile() {
    return Files::inHome(QStringLiteral("Library/Application Support/Quendle/speech-mean.json"));
}

double PocketSphinxRecognizerProvider::idleRelease() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("QUENDLE_SPEECH_IDLE_RELEASE").toDouble(&ok);
    return ok && seconds >= 0.1 && seconds < kIdleRelease ? seconds : kIdleRelease;
}

void PocketSphinxRecognizerProvider::releaseModels() {
    std::vector<std::shared_ptr<Decoder>> released;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        for (auto& [key, entry] : r.entries)
            if (entry.decoder) released.push_back(std::move(entry.decoder));
        r.entries.clear();
    }
    released.clear();
    malloc_trim(0);
}

void PocketSphinxRecognizerProvider::waitUntilIdle() { queue_->sync([] {}); }

bool PocketSphinxRecognizerProvider::modelInstalled() const { return modelFilesPresent(modelDirectory_); }

SpeechAuthorization PocketSphinxRecognizerProvider::authorizationStatus() const {
    return modelInstalled() ? SpeechAuthorization::Authorized : SpeechAuthorization::Restricted;
}

std::shared_ptr<SpeechRecognizer> PocketSphinxRecognizerProvider::recognizer(const QString& localeIdentifier) {
    if (localeIdentifier != QLatin1String("en-US") || !modelInstalled()) return nullptr;
    return std::make_shared<PocketSphinxRecognizer>(modelDirectory_, grammar_, options_, queue_);
}

void PocketSphinxRecognizerProvider::prepare() {
    if (!modelInstalled()) return;
    queue_->post([dir = modelDirectory_, grammar = grammar_, options = options_] { sharedDecoder(dir, grammar, options); });
}

std::optional<QString> PocketSphinxRecognizerProvider::decodeSamples(const QByteArray& pcm) {
    auto decoder = sharedDecoder(modelDirectory_, grammar_, options_);
    if (!decoder) return std::nullopt;
    return decoder->decode(pcm);
}

std::optional<QString> PocketSphinxRecognizerProvider::decodeWholeRecording(const QByteArray& pcm) {
    auto decoder = sharedDecoder(modelDirectory_, grammar_, options_);
    if (!decoder) return std::nullopt;
    return decoder->decodeInOnePiece(pcm);
}
