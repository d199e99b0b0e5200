// The whole application, measured from outside inside the headless session:
//  - release of the trigger key → text in the focused editor, minus the application's own tail
//    (0.45 s / 0.25 s), for the on-device road and for the service road with an immediate answer.
//    The on-device road decodes while the user speaks; beside it the time a whole-recording decode
//    of the same speech takes here (what the road would wait without that) is measured in this run.
//    LocalRoadLong: a 30 s dictation of phrases with pauses of 0.3-0.6 s between them (the
//    on-device road ends a stretch at each pause while the user speaks), with the word error rate
//    of the text that arrived; LocalRoadLongShortPauses: the same phrases with a fast speaker's
//    breaths of 0.12-0.2 s between them instead (no ordinary pause);
//  - the idle process: CPU over 60 s and resident memory.
// Run: bash scripts/headless-session build/bench/app/bench_app (QUENDLE_BENCH_NOISE=N: the speech
// and 0.3 s behind it carry a steady noise of N sample units RMS, as a real microphone's floor).
#include "BenchSupport.h"
#include "WordErrors.h"
#include "Microphone.h"
#include "QuendleProcess.h"
#include "support/standin/StandInService.h"
#include "support/target/TargetApp.h"
#include "platform/linux/PocketSphinxRecognizer.h"
#include "platform/SpeechRecognizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <unistd.h>

// Xlib's macros clash with Qt's names: last.
#include "platform/X11TestDesktop.h"
#include <X11/keysym.h>

namespace {

const QString kPhrase = QStringLiteral("what time is it");

// Everyday phrases: ten (about 30 s with the pauses between them), or fourteen (about 30 s with a
// fast speaker's breaths between them); three in a smoke run.
QStringList longPhrases(bool shortPauses = false) {
    const QStringList phrases = {
        QStringLiteral("i will call you back after lunch"),   QStringLiteral("can we move the meeting to next week"),
        QStringLiteral("the train was late again this morning"), QStringLiteral("please remember to buy some milk"),
        QStringLiteral("i left my keys on the kitchen table"), QStringLiteral("let us meet at the station at noon"),
        QStringLiteral("the weather is nice for a walk today"), QStringLiteral("do you want to have dinner with us"),
        QStringLiteral("i need to finish this work before friday"), QStringLiteral("the children are playing in the garden"),
        QStringLiteral("send me the address of the hotel"),    QStringLiteral("we are running out of coffee"),
        QStringLiteral("my sister lives in a small town"),     QStringLiteral("the doctor said i should rest more"),
    };
    return phrases.mid(0, bench::smoke() ? 3 : shortPauses ? 14 : 10);
}

// QUENDLE_BENCH_NOISE's noise over `speech` and 0.3 s behind it (the same noise on every run).
QVector<int16_t> withNoise(QVector<int16_t> speech) {
    const double rms = qEnvironmentVariable("QUENDLE_BENCH_NOISE").toDouble();
    if (rms <= 0) return speech;
    speech.resize(speech.size() + 4800);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, rms);
    for (int16_t& sample : speech) sample = int16_t(std::clamp(std::lround(sample + noise(random)), -32768L, 32767L));
    return speech;
}

// The long phrases with pauses of 0.3-0.6 s between them, or (shortPauses) a fast speaker's breaths
// of 0.12-0.2 s between their speech.
QVector<int16_t> longSpeech(bool shortPauses = false) {
    QVector<int16_t> speech;
    const QStringList phrases = longPhrases(shortPauses);
    for (qsizetype i = 0; i < phrases.size(); ++i) {
        if (i > 0) speech.resize(speech.size() + (shortPauses ? 1920 + 256 * int((i * 7) % 6) : 4800 + 480 * int((i * 7) % 11)));
        speech += shortPauses ? Microphone::withoutQuietEnds(Microphone::speak(phrases[i])) : Microphone::speak(phrases[i]);
    }
    return withNoise(speech);
}

// One dictation; returns seconds from the release to the text in the field (`expected`, or any text
// when that is empty), or < 0 on failure.
double dictateOnce(QuendleProcess& quendle, TargetApp& target, XTestKeyboard& keyboard, const QVector<int16_t>& speech,
                   const QString& expected, int run) {
    target.setField("line", QString());
    const int shiftR = keyboard.code(XK_Shift_R);
    if (!speakWhileHolding(quendle, speech, [&](bool down) { keyboard.key(shiftR, down); })) return -1;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        const QString field = target.field("line");
        if (expected.isEmpty() ? !field.isEmpty() : field == expected) return timer.nsecsElapsed() / 1e9;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    std::cerr << "run " << run << ": the text never arrived\n";
    return -1;
}

// The decode time of `speech` within a recording of `recordingSeconds` (the rest silence), plus the
// 0.35 s of silence the recogniser appends, as the application decodes it.
double decodeSeconds(const QVector<int16_t>& speech, double recordingSeconds) {
    PocketSphinxRecognizerProvider provider;
    QByteArray pcm(reinterpret_cast<const char*>(speech.constData()), speech.size() * 2);
    pcm.append(QByteArray(qMax<qsizetype>(0, qsizetype((recordingSeconds + 0.35) * 32000) - pcm.size()) & ~qsizetype(1), '\0'));
    provider.decodeSamples(pcm);  // loads the model
    std::vector<double> times;
    for (int i = 0; i < bench::runs(5); ++i) {
        QElapsedTimer timer;
        timer.start();
        provider.decodeSamples(pcm);
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    return bench::median(times);
}

void runRoad(benchmark::State& state, bool online) {
    XKeyboardLock lock;
    XTestKeyboard keyboard;
    qputenv("QT_QPA_PLATFORM", "xcb");
    TargetApp target;
    target.focus("line");
    StandInService service;
    QVariantMap settings{{"spokenLanguage", "en"}, {"triggerKeyCode", 60LL}, {"launchAtLogin", false},
                         {"correctionBar", false}, {"cleanup", false}};
    if (online) {
        settings.insert("qualityLevel", "high");
        settings.insert("qualityLevelSchema", 2LL);
        settings.insert("serverURL", service.baseURL());
    } else {
        settings.insert("qualityLevel", "low");
    }
    QuendleProcess quendle(settings);
    quendle.waitForLog(QStringLiteral("見張り開始: "));
    const QVector<int16_t> speech = withNoise(Microphone::speak(kPhrase));
    const double tail = online ? 0.25 : 0.45;
    std::vector<double> afterTail, decodes;
    int run = 0;
    for (auto _ : state) {
        if (online) service.enqueue(QStringLiteral("/v1/transcribe"), StandInService::Reply::text(kPhrase));
        const double total = dictateOnce(quendle, target, keyboard, speech, kPhrase, run++);
        if (total < 0) {
            state.SkipWithError("dictation failed");
            break;
        }
        if (!online) {
            // The recording's length as the application logged it: "録音 2.7秒（生）".
            double seconds = 0;
            for (const QString& line : quendle.log())
                if (line.startsWith(QStringLiteral("録音 ")) && line.endsWith(QStringLiteral("秒（生）")))
                    seconds = line.mid(3, line.size() - 3 - 4).toDouble();
            decodes.push_back(decodeSeconds(speech, seconds));
        }
        afterTail.push_back(total - tail);
        state.SetIterationTime(total);
    }
    state.counters["release_to_text_minus_tail_ms_median"] = bench::median(afterTail) * 1000;
    state.counters["tail_ms"] = tail * 1000;
    if (!online) state.counters["whole_decode_ms"] = bench::median(decodes) * 1000;
    state.counters["minus_tail_to_tail_ratio"] = bench::median(afterTail) / tail;
}

void BM_ReleaseToTextLocalRoad(benchmark::State& state) { runRoad(state, false); }

void localRoadLong(benchmark::State& state, bool shortPauses) {
    XKeyboardLock lock;
    XTestKeyboard keyboard;
    qputenv("QT_QPA_PLATFORM", "xcb");
    TargetApp target;
    target.focus("line");
    QuendleProcess quendle({{"spokenLanguage", "en"}, {"triggerKeyCode", 60LL}, {"launchAtLogin", false},
                            {"correctionBar", false}, {"cleanup", false}, {"qualityLevel", "low"}});
    quendle.waitForLog(QStringLiteral("見張り開始: "));
    const QVector<int16_t> speech = longSpeech(shortPauses);
    const QString said = longPhrases(shortPauses).join(QLatin1Char(' '));
    const double tail = 0.45;
    std::vector<double> afterTail, errors;
    int run = 0;
    for (auto _ : state) {
        const double total = dictateOnce(quendle, target, keyboard, speech, QString(), run++);
        if (total < 0) {
            state.SkipWithError("dictation failed");
            break;
        }
        errors.push_back(bench::wordErrorPercent(said, target.field("line")));
        afterTail.push_back(total - tail);
        state.SetIterationTime(total);
    }
    state.counters["release_to_text_minus_tail_ms_median"] = bench::median(afterTail) * 1000;
    state.counters["tail_ms"] = tail * 1000;
    state.counters["speech_s"] = speech.size() / 16000.0;
    state.counters["wer_percent_median"] = bench::median(errors);
}
void BM_ReleaseToTextLocalRoadLong(benchmark::State& state) { localRoadLong(state, false); }
void BM_ReleaseToTextLocalRoadLongShortPauses(benchmark::State& state) { localRoadLong(state, true); }
void BM_ReleaseToTextOnlineRoad(benchmark::State& state) { runRoad(state, true); }

// CPU ticks (user + system) of a process.
long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();  // utime, stime
}

long residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void BM_IdleApplication(benchmark::State& state) {
    QuendleProcess quendle({{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
                            {"launchAtLogin", false}});
    quendle.waitForLog(QStringLiteral("見張り開始: "));
    TargetApp::spin(bench::smoke() ? 300 : 3000);
    const long withModel = residentKiB(quendle.pid());
    // Launch work settles and the warmed-up speech model is released after its idle time.
    if (!bench::smoke()) TargetApp::spin(int((PocketSphinxRecognizerProvider::kIdleRelease + 10) * 1000));
    state.counters["rss_with_model_MiB"] = withModel / 1024.0;
    const double ticksPerSecond = double(sysconf(_SC_CLK_TCK));
    for (auto _ : state) {
        const long before = cpuTicks(quendle.pid());
        QElapsedTimer timer;
        timer.start();
        TargetApp::spin(bench::smoke() ? 1000 : 60000);
        const double seconds = timer.nsecsElapsed() / 1e9;
        const long after = cpuTicks(quendle.pid());
        state.counters["idle_cpu_percent"] = (after - before) / ticksPerSecond / seconds * 100.0;
        state.counters["rss_MiB"] = residentKiB(quendle.pid()) / 1024.0;
        state.SetIterationTime(seconds);
    }
}

}  // namespace

BENCHMARK(BM_ReleaseToTextLocalRoad)->Iterations(bench::runs(10))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleaseToTextLocalRoadLong)->Iterations(bench::runs(5))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleaseToTextLocalRoadLongShortPauses)->Iterations(bench::smoke() ? 1 : 5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReleaseToTextOnlineRoad)->Iterations(bench::runs(10))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleApplication)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
