// Main of every benchmark: the log goes to a private home unless the headless session already
// gave one; windows and the clipboard are the X server's when there is one.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdlib>

#ifdef QUENDLE_BENCH_GUI
#include <QApplication>
using BenchApplication = QApplication;
#else
#include <QCoreApplication>
using BenchApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!std::getenv("QUENDLE_HEADLESS_SESSION")) qputenv("HOME", home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen");
    setenv("QUENDLE_BUILD_DIR", QUENDLE_BUILD_DIR, 0);
    BenchApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
