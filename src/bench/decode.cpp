#include "bench.h"

// Acknowledged replies are decoded into the bench's fields here, by command code. Codes without a
// decoder change no field.
void TBench::Decode(const TRxPacket& packet) {
    switch (packet.Code) {
    default:
        break;
    }
}
