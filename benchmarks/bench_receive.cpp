// Throughput of the receive path: a long stream of 86-byte $44 data replies framed, checked and
// dispatched by one bench (decoding included), as the serial handler drains its port.
#include "bench.h"
#include "memory_comport.h"
#include "reply_packet.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {
QByteArray engineeringReply(int seq) {
    QByteArray d(86, '\0');
    for (int i = 0; i < d.size(); ++i)
        d[i] = static_cast<char>((seq * 7 + i * 13) & 0xFF);
    return replyPacket(0x06, 0x44, d);
}

void BM_ReceiveEngineeringStream(benchmark::State& state) {
    const int packets = static_cast<int>(state.range(0));
    QByteArray stream;
    for (int i = 0; i < packets; ++i)
        stream += engineeringReply(i);
    MemoryComPort port(1);
    port.SetOpen(true);
    NullBenchHost host;
    auto bench = std::make_unique<TBench>();
    bench->Init(&port, &host, 0);
    bench->Commands[0x44].Streaming = true;
    for (auto _ : state) {
        port.Inject(stream, false);
        bench->DrainPort();
    }
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(packets) * state.iterations(), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(stream.size()) * state.iterations());
}
} // namespace

BENCHMARK(BM_ReceiveEngineeringStream)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
