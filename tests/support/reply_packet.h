#pragma once

#include <QByteArray>
#include <cstdint>

// Test support: the bytes of a reply packet as a bench sends it (kind, code, length, data) with the
// checksum that makes all bytes sum to 0 modulo 256. Written apart from the host's receive code so
// that each checks the other.
inline QByteArray replyPacket(uint8_t kind, uint8_t code, const QByteArray& data) {
    QByteArray p;
    p.append(char(kind));
    p.append(char(code));
    p.append(char(data.size()));
    p.append(data);
    int sum = 0;
    for (char b : p)
        sum += uint8_t(b);
    p.append(char((256 - sum % 256) % 256));
    return p;
}

// "06 04 00 F6" -> the four bytes.
inline QByteArray hexBytes(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
