#pragma once

// Writes Motorola S-records for tests and benchmarks: single records with a correct checksum (or one
// made wrong on purpose) and whole S3 images of a byte block.

#include <QByteArray>
#include <QString>
#include <cstdint>

// One record line without line end: type '0'..'9', the address in `addressBytes` bytes, the data.
// checksumError is added to the correct checksum.
inline QByteArray SRecord(char type, uint32_t address, const QByteArray& data, int checksumError = 0) {
    const int addressBytes = type == '3' || type == '7'                  ? 4
                             : type == '2' || type == '8' || type == '6' ? 3
                                                                         : 2;
    const int count = addressBytes + int(data.size()) + 1;
    QByteArray bytes;
    bytes.append(char(count));
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.append(char((address >> (8 * i)) & 0xFF));
    bytes += data;
    unsigned sum = 0;
    for (char c : bytes)
        sum += uint8_t(c);
    bytes.append(char((~sum + unsigned(checksumError)) & 0xFF));
    return QByteArray("S") + type + bytes.toHex().toUpper();
}

// A whole image of `data` loaded at `base` in S3 records of `perRecord` bytes: an S0 header, the data
// records, an S5 count record and an S7 end record, lines ending in line feeds.
inline QByteArray SRecordImage(const QByteArray& data, uint32_t base = 0, int perRecord = 32) {
    QByteArray text = SRecord('0', 0, QByteArray("x714 test image")) + '\n';
    int records = 0;
    for (qsizetype at = 0; at < data.size(); at += perRecord, ++records)
        text += SRecord('3', base + uint32_t(at), data.mid(at, perRecord)) + '\n';
    if (records <= 0xFFFF) text += SRecord('5', uint32_t(records), {}) + '\n';
    text += SRecord('7', base, {}) + '\n';
    return text;
}
