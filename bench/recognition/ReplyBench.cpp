// What a hostile or slow service costs to read: a large reply header arriving a byte at a time,
// and a very long transcript.
#include "platform/linux/HttpWire.h"
#include "recognition/Transcriber.h"

#include <benchmark/benchmark.h>

namespace {

void headerByteByByte(benchmark::State& state) {
    const qsizetype size = state.range(0);
    QByteArray wire = "HTTP/1.1 200 OK\r\n";
    while (wire.size() < size) wire += "X-Filler: " + QByteArray(70, 'a') + "\r\n";
    wire += "Content-Length: 2\r\n\r\n{}";
    for (auto _ : state) {
        HttpReplyReader reader("POST");
        HttpReplyReader::State result = HttpReplyReader::State::Incomplete;
        for (qsizetype i = 0; i < wire.size(); ++i) result = reader.feed(wire.mid(i, 1));
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * wire.size());
}
BENCHMARK(headerByteByByte)->Arg(4 * 1024)->Arg(60 * 1024)->Unit(benchmark::kMillisecond);

void longTranscript(benchmark::State& state) {
    const QByteArray body = "{\"text\":\"" + QByteArray(state.range(0), 'a') + "\"}";
    for (auto _ : state) benchmark::DoNotOptimize(Transcriber::extractText(body));
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(longTranscript)->Arg(1000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
