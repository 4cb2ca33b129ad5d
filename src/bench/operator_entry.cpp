#include "operator_entry.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype skipBlanks(const QString& text, qsizetype i) {
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return i;
}
} // namespace

std::optional<int32_t> ParseIntegerEntry(const QString& text, bool* hex) {
    qsizetype i = skipBlanks(text, 0);
    if (hex) *hex = false;
    const QString rest = text.mid(i);
    for (const char* prefix : {"0x", "0X", "$", "x", "X"}) {
        if (!rest.startsWith(QLatin1String(prefix))) continue;
        const QString digits = rest.mid(qsizetype(qstrlen(prefix)));
        if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
        uint32_t value = 0;
        for (QChar c : digits) {
            if (!isHexDigit(c)) return std::nullopt;
            value = value * 16 + uint32_t(QStringView(&c, 1).toUInt(nullptr, 16));
        }
        if (hex) *hex = true;
        return static_cast<int32_t>(value);
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<double> ParseRealEntry(const QString& text, QChar separator) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    QByteArray plain; // the number with a '.' separator, for strtod in the C locale
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        plain += char(t.at(i++).unicode());
    int digits = 0;
    while (i < t.size() && isDigit(t.at(i))) {
        plain += char(t.at(i++).unicode());
        ++digits;
    }
    if (i < t.size() && t.at(i) == separator) {
        plain += '.';
        ++i;
        while (i < t.size() && isDigit(t.at(i))) {
            plain += char(t.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            plain += char(t.at(i++).unicode());
        int exponentDigits = 0;
        while (i < t.size() && isDigit(t.at(i))) {
            plain += char(t.at(i++).unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> ParseRealEntry(const QString& text) {
    return ParseRealEntry(text, LocaleDecimalSeparator());
}

QString FormatRealEntry(double value, int decimals, QChar separator) {
    constexpr int Precision = 6;
    if (!std::isfinite(value)) return QString::number(value);
    decimals = std::clamp(decimals, 0, 12);
    // Six significant digits as a decimal mantissa and exponent: value = m * 10^(e - 5).
    char rounded[64];
    std::snprintf(rounded, sizeof rounded, "%.*e", Precision - 1, std::fabs(value));
    const char* mark = std::strchr(rounded, 'e');
    const int e = mark ? std::atoi(mark + 1) : 0;
    int64_t m = 0;
    for (const char* p = rounded; p != mark && *p; ++p)
        if (*p >= '0' && *p <= '9') m = m * 10 + (*p - '0');
    QString out;
    if (m != 0 && e >= Precision) {
        // More digits before the point than the precision holds: exponent form.
        char text[64];
        std::snprintf(text, sizeof text, "%.*E", Precision - 1, value);
        out = QString::fromLatin1(text);
    } else {
        // The digits kept are rounded half up on the decimal digits, as an operator reads them.
        const int shift = e - (Precision - 1) + decimals;
        int64_t scaled = 0;
        if (shift >= 0) {
            scaled = m;
            for (int i = 0; i < shift; ++i)
                scaled *= 10;
        } else if (-shift <= Precision) {
            int64_t divisor = 1;
            for (int i = 0; i < -shift; ++i)
                divisor *= 10;
            scaled = (m + divisor / 2) / divisor;
        }
        int64_t unit = 1;
        for (int i = 0; i < decimals; ++i)
            unit *= 10;
        out = QString::number(scaled / unit);
        if (decimals > 0)
            out += QLatin1Char('.') + QStringLiteral("%1").arg(scaled % unit, decimals, 10, QLatin1Char('0'));
        // A value that rounds to zero is shown without a sign, not as "-0.00".
        if (value < 0 && scaled != 0) out.prepend(QLatin1Char('-'));
    }
    out.replace(QLatin1Char('.'), separator);
    return out;
}

QString FormatRealEntry(double value, int decimals) {
    return FormatRealEntry(value, decimals, LocaleDecimalSeparator());
}

QChar LocaleDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}
