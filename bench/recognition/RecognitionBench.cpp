// PocketSphinx decode speed (real-time factor) and the service client's cost per request.
#include "Microphone.h"
#include "StandInService.h"
#include "core/AppPrefs.h"
#include "core/RecordingFormat.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "platform/linux/QtHttpClient.h"
#include "recognition/LocalRecognizer.h"
#include "recognition/Transcriber.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <future>

namespace {

using Clock = std::chrono::steady_clock;

QByteArray pcmOf(const QString& text) {
    const QVector<int16_t> samples = Microphone::speak(text, 16000);
    return QByteArray(reinterpret_cast<const char*>(samples.constData()), samples.size() * 2);
}

// Speech followed by silence up to `seconds` (as a held trigger records it).
void decode(benchmark::State& state, const QString& phrase, double seconds) {
    PocketSphinxRecognizerProvider provider;
    QByteArray pcm = pcmOf(phrase);
    const qsizetype bytes = qsizetype(seconds * 32000);
    if (pcm.size() < bytes) pcm.append(QByteArray(bytes - pcm.size(), '\0'));
    if (!provider.modelInstalled() || pcm.isEmpty()) {
        state.SkipWithError("model or flite missing");
        return;
    }
    provider.decodeSamples(QByteArray(3200, '\0'));  // the model loads once per process, not here
    const double audio = double(pcm.size()) / 32000.0;
    double spent = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(provider.decodeSamples(pcm));
        spent += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["audio_s"] = audio;
    state.counters["rtf"] = spent / (audio * double(state.iterations()));
}

void BM_PocketSphinxDecode3s(benchmark::State& state) {
    decode(state, QStringLiteral("thank you very much for coming today"), 3.0);
}
void BM_PocketSphinxDecode10s(benchmark::State& state) {
    decode(state,
           QStringLiteral("what time is it now, i would like to know because the meeting with the team starts soon "
                          "and i do not want to be late again this week, so please send me the notes before lunch"),
           10.0);
}

// build + send + parse of one transcription against the stand-in service on loopback.
// `idleReuseSeconds` 0 opens a fresh connection for every request.
void transcribeOverhead(benchmark::State& state, double idleReuseSeconds) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    FakeMainQueue queue;
    MemoryDefaults defaults;
    AppPrefs::setDefaults(&defaults);
    StandInService service;
    service.setFailOnProblems(false);
    defaults.set(QStringLiteral("serverURL"), service.baseURL());
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("bench"));
    QtHttpClient http(idleReuseSeconds);
    Transcriber transcriber(http);
    const QByteArray audio = RecordingFormat::makeWAV(QByteArray(32000, '\x01'));

    std::vector<double> samples;
    for (auto _ : state) {
        std::promise<bool> done;
        const auto start = Clock::now();
        transcriber.transcribe(audio, QStringLiteral("standard"), std::nullopt,
                               [&](const Transcriber::Result& r) { done.set_value(r.isSuccess()); });
        const bool ok = done.get_future().get();
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!ok) state.SkipWithError("request failed");
        queue.runPending();
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples.empty() ? 0 : samples[samples.size() / 2];
    state.counters["target_ms"] = 5.0;
    AppPrefs::setDefaults(nullptr);
}

void BM_TranscribeRequestOverhead(benchmark::State& state) { transcribeOverhead(state, QtHttpClient::kDefaultIdleReuseSeconds); }
void BM_TranscribeRequestOverheadFreshConnection(benchmark::State& state) { transcribeOverhead(state, 0); }

}  // namespace

BENCHMARK(BM_PocketSphinxDecode3s)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PocketSphinxDecode10s)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TranscribeRequestOverhead)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_TranscribeRequestOverheadFreshConnection)->Unit(benchmark::kMillisecond)->Iterations(50);
