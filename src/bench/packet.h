#pragma once

#include <QByteArray>
#include <cstdint>

// One reply packet as it came off the wire: kind (0x06 ACK, 0x15 NAK), command code, length, data.
// Receivers get it whole; data bytes past Length are always zero, never left from an earlier packet.
struct TRxPacket {
    uint8_t Kind = 0;
    uint8_t Code = 0;
    uint8_t Length = 0;
    uint8_t Data[257] = {};

    QByteArray Bytes() const { return QByteArray(reinterpret_cast<const char*>(Data), Length); }
};

inline constexpr uint8_t KindAck = 0x06;
inline constexpr uint8_t KindNak = 0x15;
