// Feeds arbitrary bytes to both graph settings file readers under either decimal separator; a file
// that reads must write back to the same settings.
#include "gas_graphs.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
template <typename T>
void check(const QByteArray& bytes, bool dot, TSettingsRead<T> (*read)(QIODevice&, bool),
           bool (*write)(QIODevice&, const T&, bool)) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    const TSettingsRead<T> first = read(in, dot);
    if (!first.Settings) return;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!write(out, *first.Settings, dot)) std::abort();
    QBuffer again;
    again.setData(out.data());
    again.open(QIODevice::ReadOnly);
    const TSettingsRead<T> second = read(again, dot);
    // What was read is written back as it was read, unless bytes that are no text were replaced
    // (and lengthened) on the way.
    if (QString::fromUtf8(bytes).toUtf8() != bytes) return;
    if (!second.Settings || !(*second.Settings == *first.Settings)) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool dot = (data[0] & 1) != 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    check<TGraph1Settings>(bytes, dot, &ReadGraph1Settings, &WriteGraph1Settings);
    check<TGraph2Settings>(bytes, dot, &ReadGraph2Settings, &WriteGraph2Settings);
    return 0;
}
