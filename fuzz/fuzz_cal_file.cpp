// Feeds arbitrary text to the calibration file reader: it returns a file or an error, and a file's
// blocks never hold more values than their lines allow, nor a text too long for one parameter write.
#include "bench.h"
#include "cal_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto read = ParseCalFile(text, QStringLiteral("fuzz.CAL"));
    if (const auto* cal = std::get_if<TCalFile>(&read)) {
        for (const TCalValues& t : cal->Temperatures)
            if (t.Values.size() != 3) std::abort();
        auto check = [](const TCalValues& block, size_t most) {
            if (block.Values.empty() || block.Values.size() > most ||
                block.Values.size() != size_t(block.Tokens.size()) ||
                block.Text().size() > TBench::MaxParamValueLength)
                std::abort();
        };
        for (const TCalValues& b : cal->Span)
            check(b, CalSpanLines * CalSpanValuesPerLine);
        check(cal->ZeroTemp, CalZeroLines * CalZeroValuesPerLine);
        for (const TCalValues& b : cal->Co)
            check(b, CalCoLines * CalCoValuesPerLine);
    } else if (std::get<TReadError>(read).Reason.isEmpty()) {
        std::abort();
    }
    return 0;
}
