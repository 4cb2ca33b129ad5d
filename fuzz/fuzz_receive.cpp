// Feeds arbitrary bytes to a bench's receive path in blocks of varying size, with every code either
// awaited or streaming, so framing, dispatch and every decoder see hostile input.
#include "bench.h"
#include "memory_comport.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {
struct Fixture {
    Fixture() {
        port.SetOpen(true);
        bench = std::make_unique<TBench>();
        bench->Init(&port, &host, 0);
    }
    MemoryComPort port{1};
    NullBenchHost host;
    std::unique_ptr<TBench> bench;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture f;
    if (size < 2) return 0;
    // The first byte chooses the block sizes, the second which codes are awaited or streaming.
    const int block = 1 + data[0] % 64;
    for (int c = 0; c < 256; ++c) {
        f.bench->Commands[c].Awaiting = ((c ^ data[1]) & 1) != 0;
        f.bench->Commands[c].Streaming = ((c ^ data[1]) & 2) != 0;
        f.bench->Commands[c].RequestMode = static_cast<uint32_t>((c + data[1]) % 3);
    }
    if (!f.port.Open()) f.port.SetOpen(true);
    for (size_t pos = 2; pos < size; pos += static_cast<size_t>(block)) {
        const size_t n = size - pos < static_cast<size_t>(block) ? size - pos : static_cast<size_t>(block);
        f.port.Inject(QByteArray(reinterpret_cast<const char*>(data + pos), static_cast<qsizetype>(n)),
                      false);
        if ((data[pos] & 0x3F) == 0x3F) f.port.InjectLineError();
        f.bench->DrainPort();
    }
    return 0;
}
