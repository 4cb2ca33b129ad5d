#pragma once

#include <QByteArray>
#include <cstdint>

// Test support: a request frame as the host sends it, written from the wire format apart from the
// host's own request code so that each checks the other: start byte (0x22 for $26-$28, else 0x02),
// length, code and arguments, and the checksum that makes all bytes sum to 0 modulo 256.
inline QByteArray Frame(uint8_t code, const QByteArray& args = {}) {
    QByteArray f;
    f.append(char(code >= 0x26 && code <= 0x28 ? 0x22 : 0x02));
    f.append(char(args.size() + 1));
    f.append(char(code));
    f += args;
    uint8_t sum = 0;
    for (char c : f)
        sum = uint8_t(sum + uint8_t(c));
    f.append(char(uint8_t(0x100 - sum)));
    return f;
}
