// The start of the whole application and its quit, measured from outside inside the headless
// session, on the session's own buses and on desktops whose buses are missing or do not answer:
//  - Session: the session's bus with its accessibility launcher (the usual desktop);
//  - NoLauncher: a session bus without org.a11y.Bus (at-spi2-core not installed);
//  - NoSessionBus: DBUS_SESSION_BUS_ADDRESS names a socket that does not exist, and there is no
//    bus socket in XDG_RUNTIME_DIR;
//  - HungLauncher: something owns org.a11y.Bus and never answers;
//  - SilentSessionBus, SilentAccessibilityBus: a bus that accepts connections and never says a
//    word (a stopped daemon).
// Outside the usual case the X root window's AT_SPI_BUS property is hidden for the run, and the
// bundle is started without QT_LINUX_ACCESSIBILITY_ALWAYS_ON, as on a desktop with no screen
// reader. start_ms: from the start of the process to 「見張り開始」 in its log (read every 10 ms);
// quit_ms: from SIGTERM to its end.
// Run: bash scripts/headless-session build/bench/app/bench_start
#include "BenchSupport.h"
#include "QuendleProcess.h"
#include "TestBuses.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

enum Case { Session, NoLauncher, NoSessionBus, HungLauncher, SilentSessionBus, SilentAccessibilityBus };

QVariantMap settings() {
    return {{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"launchAtLogin", false}, {"correctionBar", false}};
}

void BM_Start(benchmark::State& state, Case which) {
    std::unique_ptr<HiddenAccessibilityBusProperty> hidden;
    std::unique_ptr<PrivateSessionBus> bus;
    SilentSocket silent;
    QTemporaryDir runtime;
    QuendleLaunch launch;
    QMap<QString, QString> set;
    if (which != Session) {
        hidden = std::make_unique<HiddenAccessibilityBusProperty>();
        if (which != NoSessionBus && which != SilentSessionBus) {
            bus = std::make_unique<PrivateSessionBus>();
            if (!bus->ok() || (which == HungLauncher && !bus->hangAsTheAccessibilityLauncher()))
                return state.SkipWithError("the test bus did not start");
            set.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address());
        }
        if (which == NoSessionBus) {
            set.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + runtime.filePath("bus"));
            set.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        }
        if (which == SilentSessionBus) set.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), silent.address());
        if (which == SilentAccessibilityBus) set.insert(QStringLiteral("AT_SPI_BUS_ADDRESS"), silent.address());
        launch.environment = [set](QProcessEnvironment& env) {
            env.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
            env.remove(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"));
            for (auto it = set.begin(); it != set.end(); ++it) env.insert(it.key(), it.value());
        };
    }
    std::vector<double> starts, quits;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QuendleProcess quendle(settings(), launch);
        const bool started = bench::pumpUntil(
            [&] { return !quendle.running() || quendle.indexOf(QStringLiteral("見張り開始")) >= 0; }, 60000);
        if (!quendle.running()) return state.SkipWithError("the process ended before it started monitoring");
        if (!started) return state.SkipWithError("no start within 60 s");
        const double start = double(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        if (!quendle.endsOnTerm(60000)) return state.SkipWithError("no end within 60 s of SIGTERM");
        const double quit = double(timer.nsecsElapsed()) / 1e6;
        starts.push_back(start);
        quits.push_back(quit);
        state.SetIterationTime((start + quit) / 1000);
    }
    state.counters["start_ms"] = bench::median(starts);
    state.counters["quit_ms"] = bench::median(quits);
}

}  // namespace

#define QUENDLE_START_CASE(name) \
    BENCHMARK_CAPTURE(BM_Start, name, name)->Iterations(bench::runs(5))->UseManualTime()->Unit(benchmark::kMillisecond)
QUENDLE_START_CASE(Session);
QUENDLE_START_CASE(NoLauncher);
QUENDLE_START_CASE(NoSessionBus);
QUENDLE_START_CASE(HungLauncher);
QUENDLE_START_CASE(SilentSessionBus);
QUENDLE_START_CASE(SilentAccessibilityBus);
