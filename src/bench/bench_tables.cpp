#include "bench_tables.h"

namespace {
QString fromView(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

QString CommandName(uint8_t code) {
    for (const CommandNameEntry& e : CommandNames)
        if (e.code == code) return fromView(e.name);
    return {};
}

QString NakReasonText(uint8_t errorCode) {
    for (const NakReasonEntry& e : NakReasons)
        if (e.code == errorCode) return fromView(e.text);
    return QStringLiteral(" : Unknown response ") + Hex2(errorCode);
}

QString Hex2(uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}
