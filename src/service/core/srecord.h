#pragma once

#include "read_error.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// Firmware files: Motorola S-records, read and checked whole before a bench is touched. A file is
// downloaded only when every data record of its format is sound (hexadecimal digits, length against
// its count, checksum), any S5/S6 count record agrees with the records before it, and at least one
// record carries data; otherwise the reader names the line and the reason, and nothing is sent.

// RecordFormat: 1 = S2 records (3-byte addresses), 2 = S3 records (4-byte addresses).
inline constexpr int RecordFormatS2 = 1;
inline constexpr int RecordFormatS3 = 2;

// One data record to program: its line (0-based, as the line counter counts), its load address and
// its bytes (at most 251 for S2, 250 for S3, so one record always fits one flash write request).
struct TFlashRecord {
    int Line = 0;
    uint32_t Address = 0;
    QByteArray Data;
};

struct TFirmwareImage {
    QString Path;
    int LineCount = 0;                 // every line of the file, records or not
    int RecordFormat = RecordFormatS2; // the format the file was read in
    std::vector<TFlashRecord> Records; // records with data, in file order
    qint64 DataBytes = 0;
};

struct TFirmwareReadResult {
    TFirmwareImage Image; // meaningful when Ok()
    // Why the file cannot be downloaded (line 0: the file as a whole).
    TReadError Error;
    bool Ok() const { return Error.Reason.isEmpty(); }
};

// Largest firmware file read (a full 16 MiB image in S-records is about 40 MiB).
inline constexpr qint64 MaxFirmwareFileBytes = 64LL * 1024 * 1024;

// The format is decided from the first line: "S3" in it gives S3, else "S2" gives S2; a first line
// that is only an S0 header leaves it to the first data record; any other first line keeps
// previousFormat (the format of the previous download). Lines that are not S-records (blank lines,
// text) and records without data (S0, S4, S7-S9) are skipped but counted.
TFirmwareReadResult ParseFirmwareText(const QByteArray& text, const QString& name, int previousFormat);
TFirmwareReadResult ReadFirmwareFile(const QString& path, int previousFormat);
