// Status file figures: the cost on the main thread of one 5 s refresh tick (building the
// document), the whole tick when nothing changed (build, compare, no disk write) against a tick
// that writes the file, and the cached permission answers against one sound-server check
// (needs a sound server; skipped without one).
#include "core/AppPrefs.h"
#include "core/StatusDocument.h"
#include "core/StatusFile.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/LinuxPermissions.h"
#include "TestHome.h"

#include <benchmark/benchmark.h>

namespace {

struct Setup {
    Setup() {
        AppPrefs::setDefaults(&defaults);
        defaults.set(QStringLiteral("status.lastAPIError"), QStringLiteral("サーバーが応答しません"));
        defaults.set(QStringLiteral("styleNote.formal"), QString(400, QChar(0x3042)));
    }
    ~Setup() { AppPrefs::setDefaults(nullptr); }
    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakePermissions permissions;
};

void BM_BuildDocument(benchmark::State& state) {
    Setup setup;
    const QDateTime started = QDateTime::currentDateTimeUtc();
    for (auto _ : state) benchmark::DoNotOptimize(StatusDocument::build(&setup.permissions, started));
}
BENCHMARK(BM_BuildDocument)->Unit(benchmark::kMicrosecond);

// One refresh with its flush and the write step on the status queue, content unchanged.
void BM_RefreshTickUnchanged(benchmark::State& state) {
    Setup setup;
    StatusFile status(&setup.permissions);
    for (auto _ : state) {
        status.refresh();
        setup.queue.advance(StatusFile::kCoalesceSeconds);
        status.waitForWrites();
    }
}
BENCHMARK(BM_RefreshTickUnchanged)->Unit(benchmark::kMicrosecond);

// The baseline: every tick carries a change, so every tick writes the file.
void BM_RefreshTickWrites(benchmark::State& state) {
    Setup setup;
    StatusFile status(&setup.permissions);
    qlonglong n = 0;
    for (auto _ : state) {
        setup.defaults.set(QStringLiteral("status.lastAPIError"), QString::number(++n));
        status.refresh();
        setup.queue.advance(StatusFile::kCoalesceSeconds);
        status.waitForWrites();
    }
}
BENCHMARK(BM_RefreshTickWrites)->Unit(benchmark::kMicrosecond);

void BM_LinuxPermissionsCached(benchmark::State& state) {
    FakeMainQueue queue;
    if (!LinuxPermissions::soundServerHasSource()) {
        state.SkipWithError("no sound server with a source");
        return;
    }
    LinuxPermissions permissions;
    permissions.waitForMicrophoneCheck(10'000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(permissions.microphone());
        benchmark::DoNotOptimize(permissions.accessibility());
        benchmark::DoNotOptimize(permissions.inputMonitoring());
    }
}
BENCHMARK(BM_LinuxPermissionsCached)->Unit(benchmark::kMicrosecond);

void BM_SoundServerCheck(benchmark::State& state) {
    if (!LinuxPermissions::soundServerHasSource()) {
        state.SkipWithError("no sound server with a source");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(LinuxPermissions::soundServerHasSource());
}
BENCHMARK(BM_SoundServerCheck)->Unit(benchmark::kMicrosecond);

}  // namespace
