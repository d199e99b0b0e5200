// From TextInserter::insert to the text in the focused field of a real Qt program (the test
// target application), over the X clipboard and an XTest paste chord: median of 20 insertions
// into a QLineEdit and 20 into a QTextEdit. A single piece is pasted at once (the inserter's own
// waits, 0.28 s between pieces and 0.4 s before the restore, come after it), so the whole median
// is what the user waits beyond those waits. Also reported: until the clipboard is back
// (restore_ms: the 0.4 s wait plus the target's fetch), and the baseline, one command round trip
// to the target over its pipe.
//
//   bash scripts/headless-session build/bench/textio/bench_textio
#include "BenchSupport.h"
#include "../../tests/support/target/TargetApp.h"

#include "core/AppPrefs.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11SyntheticKeys.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/ui/QtPasteboard.h"
#include "textio/TextInserter.h"

#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;
const int kInsertions = runs(20);




// `clipboardCommand`, when given, is sent to the target before each insertion: what the user had
// on the clipboard, owned by another program.
void insertIntoField(benchmark::State& state, const QByteArray& field, const QString& text,
                     const QByteArray& clipboardCommand = {}) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X server (run inside scripts/headless-session)");
        return;
    }
    QtMainQueue queue;
    MainQueue::install(&queue);
    MemoryDefaults defaults;
    AppPrefs::setDefaults(&defaults);
    QtPasteboard pasteboard;
    X11SyntheticKeys keys;
    X11Workspace workspace;
    TextInserter inserter(pasteboard, keys, workspace, nullptr);

    TargetApp target;
    if (!target.started()) {
        state.SkipWithError("the target application did not start");
        return;
    }
    const QByteArray arrived = "changed " + field + ' ' + TargetApp::b64(text);

    std::vector<double> latencies, restores, roundTrips;
    for (auto _ : state) {
        for (int i = 0; i < kInsertions; ++i) {
            if (!target.setField(field, QString()) || !target.focus(field) ||
                !pumpUntil([&] {
                    auto app = workspace.frontmostApplication();
                    return app && app->pid == target.pid();
                }, 3000)) {
                state.SkipWithError("the target did not take the focus");
                break;
            }
            if (!clipboardCommand.isEmpty() && !target.command(clipboardCommand)) {
                state.SkipWithError("the target did not take the clipboard");
                break;
            }
            const auto start = Clock::now();
            inserter.insert(text);
            if (!target.waitForLine(arrived, 5000)) {
                state.SkipWithError("the text did not arrive");
                break;
            }
            latencies.push_back(ms(Clock::now() - start));
            pumpUntil([&] { return !inserter.isInserting(); }, 10000);
            restores.push_back(ms(Clock::now() - start));

            const auto before = Clock::now();
            target.command("report " + field);
            roundTrips.push_back(ms(Clock::now() - before));
        }
    }
    if (!latencies.empty()) {
        const double med = median(latencies);
        const double baseline = median(roundTrips);
        state.counters["insertions"] = double(latencies.size());
        state.counters["median_ms"] = med;
        state.counters["worst_ms"] = *std::max_element(latencies.begin(), latencies.end());
        state.counters["restore_ms"] = median(restores);
        state.counters["round_trip_ms"] = baseline;
        state.counters["ratio_to_round_trip"] = baseline > 0 ? med / baseline : 0;
    }
    AppPrefs::setDefaults(nullptr);
    MainQueue::install(nullptr);
}

void BM_InsertIntoLineEdit(benchmark::State& state) {
    insertIntoField(state, "line", QStringLiteral("こんにちは、世界 🎉 dictation"));
}
BENCHMARK(BM_InsertIntoLineEdit)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_InsertIntoTextEdit(benchmark::State& state) {
    insertIntoField(state, "text", QStringLiteral("一行目です。\n二行目 😀 emoji\nthird line"));
}
BENCHMARK(BM_InsertIntoTextEdit)->Iterations(1)->Unit(benchmark::kMillisecond);

// A screenshot-sized image on the clipboard: it is saved (every format the owner offers) before
// the first paste.
void BM_InsertOverClipboardImage(benchmark::State& state) {
    insertIntoField(state, "line", QStringLiteral("画像の上に"), "clip-image 1920 1080");
}
BENCHMARK(BM_InsertOverClipboardImage)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
