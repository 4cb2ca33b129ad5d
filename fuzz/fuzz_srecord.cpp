// The firmware file reader on arbitrary text: it must return records or an error, never crash, and
// every record it returns must fit one flash write request.
#include "srecord.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int previous : {RecordFormatS2, RecordFormatS3}) {
        const TFirmwareReadResult r = ParseFirmwareText(text, QStringLiteral("fuzz.s19"), previous);
        if (!r.Ok()) continue;
        if (r.Image.Records.empty()) std::abort();
        for (const TFlashRecord& record : r.Image.Records)
            if (record.Data.isEmpty() || record.Data.size() > 251 || record.Line >= r.Image.LineCount)
                std::abort();
    }
    return 0;
}
