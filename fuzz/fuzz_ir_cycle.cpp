// Feeds arbitrary raw IR replies to the cycle assembly under an arbitrary layout; every complete
// cycle is formatted as the IR data log writes it.
#include "ir_cycle.h"
#include "ir_log.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    TIrCycle cycle;
    // The first two bytes choose the layout; refused layouts leave the default.
    cycle.SetLayout(int(int8_t(data[0])), int(int8_t(data[1])));
    size_t pos = 2;
    while (pos < size) {
        // Each reply: its length byte, then that many data bytes (or what is left).
        TRxPacket packet;
        packet.Kind = KindAck;
        packet.Code = 0x40;
        const size_t length = data[pos++];
        const size_t n = length < size - pos ? length : size - pos;
        packet.Length = static_cast<uint8_t>(n);
        std::memcpy(packet.Data, data + pos, n);
        pos += n;
        if (cycle.Feed(packet) != TIrCycle::Result::Complete) continue;
        if (cycle.SamplesPerCycle() > TIrCycle::CycleSamples) std::abort();
        for (int s = 0; s < cycle.SamplesPerCycle(); ++s) {
            const QString line = TIrLog::FormatLine(
                {cycle.Sample(0, s), cycle.Sample(1, s), cycle.Sample(2, s), cycle.Sample(3, s)});
            if (line.size() < 23) std::abort();
        }
    }
    return 0;
}
