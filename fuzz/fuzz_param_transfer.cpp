// The parameter transfer file reader on arbitrary text: entries or an error, never a crash; every
// entry it returns can be sent in one write request, to the parameter it names.
#include "param_transfer.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const TTransferRead r = ParseTransferText(text, QStringLiteral("fuzz.CAL"));
    if (!r.Ok() && !r.Entries.empty()) std::abort();
    for (const TTransferEntry& e : r.Entries)
        if (e.Number < 0 || e.Number > 0xFFFF || e.Value.size() > MaxTransferValueLength || e.Value.contains('\0'))
            std::abort();
    // An upload's own lines read back as what was written.
    if (r.Ok() && !r.Entries.empty()) {
        const TTransferEntry& e = r.Entries.front();
        const TTransferRead again = ParseTransferText(UploadHeaderLine(e.Number, QString()) + "\r\n" +
                                                          UploadValueLine(e.Value) + "\r\n",
                                                      QStringLiteral("again.CAL"));
        if (!again.Ok() || again.Entries.size() != 1 || again.Entries[0].Value != e.Value) std::abort();
    }
    return 0;
}
