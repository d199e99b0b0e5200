// Audio figures: preparing a 300 s recording for upload (trimming and time compression with
// SoundTouch), as milliseconds and as a multiple of real time; and the microphone start latency
// the controller logs as "録音中（マイク起動 …ms）" (median of 20 starts; needs a sound server).
#include "core/AppPrefs.h"
#include "dictation/Recorder.h"
#include "core/RecordingFormat.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/SoundTouchTimePitch.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QtEndian>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace {

// Speech-like audio: 2.5 s phrases of voiced sound (a 140 Hz pulse with a moving formant and a
// syllable rhythm) separated by 1 s pauses of quiet room noise.
QByteArray speechLikeRecording(double seconds) {
    const size_t n = size_t(seconds * 16000);
    QByteArray pcm(qsizetype(n * 2), '\0');
    quint32 noise = 12345;
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / 16000;
        const double inCycle = std::fmod(t, 3.5);
        noise = noise * 1664525u + 1013904223u;
        double v = (double(int(noise >> 16) % 200) - 100);  // room noise, about 50 mean absolute
        if (inCycle < 2.5) {
            const double f0 = 140 + 20 * std::sin(t * 3);
            phase += 2 * M_PI * f0 / 16000;
            const double syllable = 0.5 + 0.5 * std::sin(2 * M_PI * 4 * t);
            const double formant = 600 + 400 * std::sin(t * 5);
            v += 6000 * syllable * (std::sin(phase) + 0.5 * std::sin(phase * 2) + 0.4 * std::sin(2 * M_PI * formant * t));
        }
        qToLittleEndian<qint16>(qint16(std::clamp(v, -32768.0, 32767.0)), pcm.data() + i * 2);
    }
    return pcm;
}

struct Settings {
    Settings() { AppPrefs::setDefaults(&defaults); }
    ~Settings() { AppPrefs::setDefaults(nullptr); }
    TestHome home;  // the preparation logs a line
    FakeMainQueue queue;
    MemoryDefaults defaults;
};

void BM_PrepareForCloud300s(benchmark::State& state) {
    Settings settings;
    AppPrefs::setQualityLevel(QStringLiteral("middle"));
    AppPrefs::setInputQualityPercent(int(state.range(0)));
    const QByteArray wav = RecordingFormat::makeWAV(speechLikeRecording(300.0));
    SoundTouchTimePitch timePitch;
    double outSeconds = 0;
    for (auto _ : state) {
        const QByteArray cloud = RecordingFormat::prepareForCloud(wav, timePitch);
        outSeconds = RecordingFormat::durationSeconds(cloud);
        benchmark::DoNotOptimize(cloud.data());
    }
    state.counters["audio_s"] = 300.0;
    state.counters["upload_s"] = outSeconds;
    // Seconds of audio prepared per second of work: the multiple of real time.
    state.counters["x_realtime"] = benchmark::Counter(300.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PrepareForCloud300s)->Arg(80)->Arg(60)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TrimSilence300s(benchmark::State& state) {
    Settings settings;
    const QByteArray pcm = speechLikeRecording(300.0);
    for (auto _ : state) benchmark::DoNotOptimize(RecordingFormat::trimSilence(pcm).size());
    state.counters["x_realtime"] = benchmark::Counter(300.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TrimSilence300s)->Unit(benchmark::kMillisecond);

// Median of 20 starts of the recorder on the sound server (each followed by a cancel), timed as
// the controller times it: around Recorder::start().
void BM_RecorderStartLatency(benchmark::State& state) {
    Settings settings;
    PulseAudioInput mic;
    if (mic.deviceFormat().sampleRate <= 0) {
        state.SkipWithError("no sound server / input device");
        for (auto _ : state) {
        }
        return;
    }
    Recorder recorder(mic);
    std::vector<double> ms;
    double first = 0;
    for (auto _ : state) {
        ms.clear();
        for (int i = 0; i < 21; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const bool ok = recorder.start();
            const auto t1 = std::chrono::steady_clock::now();
            if (!ok) {
                state.SkipWithError("start failed");
                break;
            }
            const double elapsed = std::chrono::duration<double, std::milli>(t1 - t0).count();
            if (i == 0)
                first = elapsed;  // this one also connected to the server
            else
                ms.push_back(elapsed);
            recorder.cancel();
            settings.queue.runPending();
        }
    }
    if (ms.size() == 20) {
        std::sort(ms.begin(), ms.end());
        state.counters["median_ms"] = (ms[9] + ms[10]) / 2;
        state.counters["max_ms"] = ms.back();
        state.counters["first_ms"] = first;
    }
}
BENCHMARK(BM_RecorderStartLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
