// Reading another program over AT-SPI with a 1 MB document in its editor (the test target
// application, a QTextEdit holding 1 MB of text with the caret in the middle):
//   - context capture: one ContextCapture::captureSync, as a recording start runs it;
//   - copy-on-select: from the mouse release that ends a selection to the selection on the X
//     clipboard and the notice shown (the copier's own 0.08 s wait included).
// Each runs against a small window and against one with 1000 more widgets, met before the editor
// by a search of the tree. Medians of 20 runs.
//
//   bash scripts/headless-session build/bench/textio/bench_textio --benchmark_filter='Capture|CopyOnSelect'
#include "BenchSupport.h"
#include "../../tests/support/target/TargetApp.h"

#include "core/AppPrefs.h"
#include "core/Toast.h"
#include "platform/fake/FakePointerButtons.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/ui/QtPasteboard.h"
#include "textio/ContextCapture.h"
#include "textio/SelectionCopier.h"

#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;
const int kRuns = runs(20);
constexpr int kDocumentBytes = 1 << 20;
constexpr int kCaret = kDocumentBytes / 2;




// 1 MB of prose-like ASCII lines.
QString document() {
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog, line %1.\n");
    QString text;
    text.reserve(kDocumentBytes + 64);
    for (int i = 0; text.size() < kDocumentBytes; ++i) text += line.arg(i, 6, 10, QLatin1Char('0'));
    text.truncate(kDocumentBytes);
    return text;
}

// The target with the document in its editor, focused, the caret in the middle.
std::unique_ptr<TargetApp> startTarget(benchmark::State& state, int extraWidgets, const QString& text) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X server and the accessibility bus (run inside scripts/headless-session)");
        return nullptr;
    }
    QStringList arguments;
    if (extraWidgets > 0) arguments << QStringLiteral("--widgets") << QString::number(extraWidgets);
    auto target = std::make_unique<TargetApp>(arguments);
    if (!target->started() || !target->setField("text", text) || !target->focus("text") ||
        !target->command("caret text " + QByteArray::number(kCaret))) {
        state.SkipWithError("the target application did not start");
        return nullptr;
    }
    return target;
}

struct Installed {
    QtMainQueue queue;
    MemoryDefaults defaults;
    Installed() {
        MainQueue::install(&queue);
        AppPrefs::setDefaults(&defaults);
    }
    ~Installed() {
        AppPrefs::setDefaults(nullptr);
        MainQueue::install(nullptr);
    }
};

void contextCapture(benchmark::State& state) {
    Installed installed;
    const QString text = document();
    auto target = startTarget(state, int(state.range(0)), text);
    if (!target) return;
    AtspiAccessibility accessibility;
    ContextCapture capture(accessibility);
    const QString expected = text.mid(kCaret - ContextCapture::kLimit, ContextCapture::kLimit);
    // The first answer: the program has published its tree and the caret.
    if (!pumpUntil([&] {
            auto snapshot = capture.captureSync(target->pid());
            return snapshot && snapshot->before == expected;
        }, 20000)) {
        state.SkipWithError("the editor's text never came over the accessibility bus");
        return;
    }
    std::vector<double> times;
    for (auto _ : state) {
        for (int i = 0; i < kRuns; ++i) {
            const auto start = Clock::now();
            const auto snapshot = capture.captureSync(target->pid());
            times.push_back(ms(Clock::now() - start));
            if (!snapshot || snapshot->before != expected) {
                state.SkipWithError("a capture read the wrong text");
                return;
            }
        }
    }
    state.counters["capture_median_ms"] = median(times);
    state.counters["capture_worst_ms"] = *std::max_element(times.begin(), times.end());
}
BENCHMARK(contextCapture)->Name("BM_ContextCaptureIn1MBDocument")->Arg(0)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

struct NoticeCount final : ToastPresenter {
    int shown = 0;
    void show(const QString&, std::optional<QPointF>, double) override { ++shown; }
};

void copyOnSelect(benchmark::State& state) {
    Installed installed;
    installed.defaults.set(QStringLiteral("copyOnSelectMode"), QStringLiteral("notify"));
    NoticeCount notices;
    ToastPresenter::install(&notices);
    const QString text = document();
    auto target = startTarget(state, int(state.range(0)), text);
    if (!target) return ToastPresenter::install(nullptr);
    const int length = 200;
    const QString selection = text.mid(kCaret, length);
    if (!target->command("caret text " + QByteArray::number(kCaret) + ' ' + QByteArray::number(length))) {
        state.SkipWithError("the target did not select");
        return ToastPresenter::install(nullptr);
    }
    AtspiAccessibility accessibility;
    QtPasteboard pasteboard;
    X11Workspace workspace;
    FakePointerButtons mouse;
    PointerSelectionCopier copier(mouse, accessibility, pasteboard, workspace, nullptr, nullptr);
    copier.begin();
    if (!pumpUntil([&] {
            auto app = workspace.frontmostApplication();
            return app && app->pid == target->pid();
        }, 5000)) {
        state.SkipWithError("the target did not take the focus");
        return ToastPresenter::install(nullptr);
    }
    auto copied = [&] { return pasteboard.text() == selection; };

    std::vector<double> times;
    bool warm = false;
    for (auto _ : state) {
        for (int i = -1; i < kRuns; ++i) {
            // Something else on the clipboard first, owned by the target.
            const QString other = QStringLiteral("other %1").arg(i);
            if (!target->command("clip-text " + TargetApp::b64(other)) ||
                !pumpUntil([&] { return pasteboard.text() == other; }, 5000)) {
                state.SkipWithError("the target did not take the clipboard");
                return ToastPresenter::install(nullptr);
            }
            const int noticesBefore = notices.shown;
            const auto start = Clock::now();
            mouse.press();
            mouse.drag();
            mouse.release();
            if (!pumpUntil([&] { return copied() && notices.shown > noticesBefore; }, warm ? 10000 : 20000)) {
                state.SkipWithError("the selection never reached the clipboard");
                return ToastPresenter::install(nullptr);
            }
            if (i >= 0) times.push_back(ms(Clock::now() - start));  // the first run warms the bus up
            warm = true;
        }
    }
    state.counters["copy_median_ms"] = median(times);
    state.counters["copy_worst_ms"] = *std::max_element(times.begin(), times.end());
    ToastPresenter::install(nullptr);
}
BENCHMARK(copyOnSelect)->Name("BM_CopyOnSelectIn1MBDocument")->Arg(0)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
