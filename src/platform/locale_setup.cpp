#include "locale_setup.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <langinfo.h>

bool DecimalPointIsDot = true;

void SetupLocale() {
    std::setlocale(LC_ALL, "");
    QLocale::setDefault(QLocale::system());
    DecimalPointIsDot = QLocale().decimalPoint() != QStringLiteral(",");
}

QString Printf(const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof buffer) return QString::fromLocal8Bit(buffer, n);
    QByteArray big(n + 1, '\0');
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    return QString::fromLocal8Bit(big.constData(), n);
}

namespace {

// ASCII characters right-aligned in a text of at least `width` characters.
QString rightAligned(const char* begin, const char* end, int width) {
    const qsizetype length = end - begin;
    const qsizetype pad = std::max<qsizetype>(width - length, 0);
    QString text(pad + length, Qt::Uninitialized);
    QChar* out = text.data();
    std::fill_n(out, pad, QLatin1Char(' '));
    for (qsizetype i = 0; i < length; ++i)
        out[pad + i] = QLatin1Char(begin[i]);
    return text;
}

} // namespace

QString FormatInteger(long long value, int width) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return rightAligned(buffer, result.ptr, width);
}

QString FormatFixed(double value, int width, int precision) {
    // printf takes its separator from the numeric locale's radix character.
    const char* point = nl_langinfo(RADIXCHAR);
    const bool asciiPoint =
        point && point[0] != '\0' && point[1] == '\0' && static_cast<unsigned char>(point[0]) < 0x80;
    // Fixed notation of the largest doubles has more than 300 digits; those go through printf.
    char buffer[80];
    const auto result =
        asciiPoint ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision)
                   : std::to_chars_result{buffer, std::errc::value_too_large};
    if (result.ec != std::errc()) return Printf("%*.*f", width, precision, value);
    if (point[0] != '.') std::replace(buffer, result.ptr, '.', point[0]);
    return rightAligned(buffer, result.ptr, width);
}
