#pragma once

// Test support: raw IR replies as a bench sends them: the packet number, then per sample point the
// four channels as signed 16-bit values, high byte first.
#include "packet.h"
#include "reply_packet.h"

#include <QByteArray>
#include <cstdint>
#include <functional>

// The sample of channel c at point s of a reply; by default a value that tells phase, point and
// channel apart: 1000 * phase + 10 * point + channel.
using IrSampleFn = std::function<int16_t(int phase, int point, int channel)>;
inline int16_t DefaultIrSample(int phase, int point, int channel) {
    return int16_t(1000 * phase + 10 * point + channel);
}

inline QByteArray irData(uint8_t number, int points, int phase, const IrSampleFn& sample = DefaultIrSample) {
    QByteArray d;
    d.append(char(number));
    for (int s = 0; s < points; ++s)
        for (int c = 0; c < 4; ++c) {
            const auto v = uint16_t(sample(phase, s, c));
            d.append(char(v >> 8));
            d.append(char(v & 0xFF));
        }
    return d;
}

// The reply packet as the bench connection hands it on.
inline TRxPacket irPacket(uint8_t number, int points = 25, int phases = 4,
                          const IrSampleFn& sample = DefaultIrSample) {
    const QByteArray d = irData(number, points, number % phases, sample);
    TRxPacket p;
    p.Kind = KindAck;
    p.Code = 0x40;
    p.Length = uint8_t(d.size());
    for (int i = 0; i < d.size(); ++i)
        p.Data[i] = uint8_t(d[i]);
    return p;
}

// The same reply as bytes on the wire.
inline QByteArray irWirePacket(uint8_t code, uint8_t number, int points = 25, int phases = 4,
                               const IrSampleFn& sample = DefaultIrSample) {
    return replyPacket(KindAck, code, irData(number, points, number % phases, sample));
}
