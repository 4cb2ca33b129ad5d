#include "srecord.h"

#include <QFile>
#include <QFileInfo>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

QByteArray trimmed(QByteArray line) {
    if (line.endsWith('\r')) line.chop(1);
    qsizetype begin = 0, end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t'))
        ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
        --end;
    return line.mid(begin, end - begin);
}

// The type digit of an S-record line ('0'..'9'), or 0 for a line that is not one.
char recordType(const QByteArray& t) {
    if (t.size() < 2 || (t[0] != 'S' && t[0] != 's') || t[1] < '0' || t[1] > '9') return 0;
    return t[1];
}

struct Record {
    QByteArray bytes; // count, address, data, checksum
    QString problem;
};

// Decodes the count byte and the count bytes after it, and checks the checksum.
Record decodeRecord(const QByteArray& t, int addressLength) {
    Record r;
    auto byteAt = [&](int pair, int* value) -> bool {
        const int column = 2 + 2 * pair;
        const int hi = hexValue(t[column]), lo = hexValue(t[column + 1]);
        if (hi < 0 || lo < 0) {
            const int bad = hi < 0 ? column : column + 1;
            r.problem = QStringLiteral("'%1' in column %2 is not a hexadecimal digit")
                            .arg(QLatin1Char(t[bad]))
                            .arg(bad + 1);
            return false;
        }
        *value = hi * 16 + lo;
        return true;
    };
    if (t.size() < 4) {
        r.problem = QStringLiteral("the record has no byte count");
        return r;
    }
    int count = 0;
    if (!byteAt(0, &count)) return r;
    if (count < addressLength + 1) {
        r.problem = QStringLiteral("the byte count %1 is too small for an S%2 record (at least %3)")
                        .arg(count)
                        .arg(QLatin1Char(t[1]))
                        .arg(addressLength + 1);
        return r;
    }
    if (t.size() < 4 + 2 * count) {
        r.problem = QStringLiteral("the record is shorter than its byte count of %1").arg(count);
        return r;
    }
    unsigned sum = 0;
    r.bytes.reserve(count + 1);
    for (int pair = 0; pair <= count; ++pair) {
        int v = 0;
        if (!byteAt(pair, &v)) return r;
        r.bytes.append(char(v));
        if (pair < count) sum += unsigned(v);
    }
    const int checksum = uint8_t(r.bytes.back());
    const int wanted = int(~sum & 0xFF);
    if (checksum != wanted)
        r.problem = QStringLiteral("the checksum is %1, the record's bytes need %2")
                        .arg(QString::number(checksum, 16).rightJustified(2, QLatin1Char('0')).toUpper(),
                             QString::number(wanted, 16).rightJustified(2, QLatin1Char('0')).toUpper());
    return r;
}

uint32_t bigEndian(const QByteArray& bytes, int from, int length) {
    uint32_t v = 0;
    for (int i = 0; i < length; ++i)
        v = (v << 8) | uint8_t(bytes[from + i]);
    return v;
}

TFirmwareReadResult failure(const QString& name, int line, const QString& reason) {
    TFirmwareReadResult r;
    r.Error = {name, line, reason};
    return r;
}

} // namespace

TFirmwareReadResult ParseFirmwareText(const QByteArray& text, const QString& name, int previousFormat) {
    QList<QByteArray> lines = text.split('\n');
    // The line end of the last line does not start another one.
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();

    int format = previousFormat == RecordFormatS3 ? RecordFormatS3 : RecordFormatS2;
    if (!lines.isEmpty()) {
        const QByteArray first = lines.front().toUpper();
        if (first.contains("S3")) {
            format = RecordFormatS3;
        } else if (first.contains("S2")) {
            format = RecordFormatS2;
        } else if (first.contains("S0")) {
            // A header says nothing of the addresses: the first data record does. S3 when none.
            format = RecordFormatS3;
            for (const QByteArray& line : lines) {
                const char type = recordType(trimmed(line));
                if (type == '1' || type == '2' || type == '3') {
                    format = type == '2' ? RecordFormatS2 : RecordFormatS3;
                    break;
                }
            }
        }
    }
    const char dataType = format == RecordFormatS3 ? '3' : '2';
    const int addressLength = format == RecordFormatS3 ? 4 : 3;

    TFirmwareReadResult result;
    TFirmwareImage& image = result.Image;
    image.Path = name;
    image.LineCount = int(lines.size());
    image.RecordFormat = format;
    int dataRecords = 0; // every data record, with or without data, as a count record counts them
    for (int i = 0; i < int(lines.size()); ++i) {
        const QByteArray t = trimmed(lines[i]);
        const char type = recordType(t);
        if (type == '1' || type == '2' || type == '3') {
            // A data record of another format would be skipped and its bytes never written.
            if (type != dataType)
                return failure(name, i + 1,
                               QStringLiteral("an S%1 data record in a file of S%2 records")
                                   .arg(QLatin1Char(type))
                                   .arg(QLatin1Char(dataType)));
            const Record r = decodeRecord(t, addressLength);
            if (!r.problem.isEmpty()) return failure(name, i + 1, r.problem);
            ++dataRecords;
            const QByteArray data = r.bytes.mid(1 + addressLength, r.bytes.size() - addressLength - 2);
            if (data.isEmpty()) continue;
            image.Records.push_back({i, bigEndian(r.bytes, 1, addressLength), data});
            image.DataBytes += data.size();
        } else if (type == '5' || type == '6') {
            const int countLength = type == '5' ? 2 : 3;
            const Record r = decodeRecord(t, countLength);
            if (!r.problem.isEmpty()) return failure(name, i + 1, r.problem);
            const uint32_t said = bigEndian(r.bytes, 1, countLength);
            if (said != uint32_t(dataRecords))
                return failure(
                    name, i + 1,
                    QStringLiteral("the count record says %1 data records, the file has %2 before it")
                        .arg(said)
                        .arg(dataRecords));
        }
    }
    if (image.Records.empty())
        return failure(name, 0,
                       QStringLiteral("the file holds no S%1 data record").arg(QLatin1Char(dataType)));
    return result;
}

TFirmwareReadResult ReadFirmwareFile(const QString& path, int previousFormat) {
    const QString name = QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(path, 0, QStringLiteral("cannot be opened: %1").arg(file.errorString()));
    if (file.size() > MaxFirmwareFileBytes)
        return failure(path, 0,
                       QStringLiteral("is larger than %1 MiB, too large for a firmware file")
                           .arg(MaxFirmwareFileBytes / (1024 * 1024)));
    const QByteArray text = file.read(MaxFirmwareFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(path, 0, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    if (text.size() > MaxFirmwareFileBytes)
        return failure(path, 0, QStringLiteral("is too large for a firmware file"));
    TFirmwareReadResult r = ParseFirmwareText(text, name, previousFormat);
    r.Image.Path = path;
    return r;
}
