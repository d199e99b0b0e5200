// From an XTest key event sent to the X server to the trigger press callback on the main queue,
// over 100 presses of right shift. The baseline is one plain round trip to the same server.
//
//   bash scripts/headless-session build/bench/keys/bench_keys
#include "BenchSupport.h"
#include "core/AppPrefs.h"
#include "dictation/HotKeyMonitor.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11KeyEventSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;
constexpr int kPresses = 100;




void BM_XTestPressToCallback(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X server (run inside scripts/headless-session)");
        return;
    }
    QtMainQueue queue;
    MainQueue::install(&queue);
    MemoryDefaults defaults;
    AppPrefs::setDefaults(&defaults);
    defaults.set("triggerKeyCode", qlonglong(60));

    Display* keyboard = XOpenDisplay(nullptr);
    const unsigned shiftR = XKeysymToKeycode(keyboard, XK_Shift_R);
    X11KeyEventSource source;
    HotKeyMonitor monitor(source);
    int presses = 0, releases = 0;
    monitor.onPress = [&] { ++presses; };
    monitor.onRelease = [&] { ++releases; };
    if (!monitor.start()) {
        state.SkipWithError("the key monitor could not start");
        return;
    }

    std::vector<double> latencies, roundTrips;
    for (auto _ : state) {
        latencies.clear();
        roundTrips.clear();
        for (int i = 0; i < kPresses; ++i) {
            const auto sent = Clock::now();
            XTestFakeKeyEvent(keyboard, shiftR, True, CurrentTime);
            XFlush(keyboard);
            if (!pumpUntil([&] { return presses == i + 1; })) {
                state.SkipWithError("a press was not reported");
                break;
            }
            latencies.push_back(ms(Clock::now() - sent));
            XTestFakeKeyEvent(keyboard, shiftR, False, CurrentTime);
            XFlush(keyboard);
            pumpUntil([&] { return releases == i + 1; });

            const auto before = Clock::now();
            XSync(keyboard, False);
            roundTrips.push_back(ms(Clock::now() - before));
        }
        presses = releases = 0;
    }
    if (latencies.empty()) return;
    const double med = median(latencies);
    const double baseline = median(roundTrips);
    state.counters["presses"] = double(latencies.size());
    state.counters["median_ms"] = med;
    state.counters["worst_ms"] = *std::max_element(latencies.begin(), latencies.end());
    state.counters["round_trip_ms"] = baseline;
    state.counters["ratio_to_round_trip"] = baseline > 0 ? med / baseline : 0;

    monitor.stop();
    XCloseDisplay(keyboard);
    AppPrefs::setDefaults(nullptr);
    MainQueue::install(nullptr);
}
BENCHMARK(BM_XTestPressToCallback)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
