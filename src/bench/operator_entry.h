#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

// What an operator types into a number entry, and how numbers are shown back.
//
// Integer entries: optional leading blanks, then either an optional sign and decimal digits, or one of
// the prefixes "$", "x", "X", "0x", "0X" and one to eight hexadecimal digits of either case. Nothing may
// follow (a trailing blank is an error). Decimal values must fit a signed 32-bit integer; eight hex
// digits are taken as its bit pattern ("$FFFFFFFF" is -1). So 10, 0x0A, $0A and x0a all give 10, while
// "", "5 ", "$0x05", "-$5" and "0x123456789" are errors.
// `hex`, when given, tells whether the entry was hexadecimal.
std::optional<int32_t> ParseIntegerEntry(const QString& text, bool* hex = nullptr);

// Real entries: optional blanks, an optional sign, digits with the locale's decimal separator
// (`separator`), an optional exponent, optional blanks. nullopt for anything else, for an empty entry
// and for a value that is not finite.
std::optional<double> ParseRealEntry(const QString& text, QChar separator);
// ParseRealEntry with the separator of the program's locale.
std::optional<double> ParseRealEntry(const QString& text);

// A real shown in fixed point with `decimals` decimals after rounding to six significant digits (so
// 123.456789 with four decimals is "123.4570"); a value with more than six digits before the separator
// is shown in exponent form ("1.23457E+06"). Uses `separator` for the decimal point.
QString FormatRealEntry(double value, int decimals, QChar separator);
QString FormatRealEntry(double value, int decimals);

// The decimal separator of the program's locale.
QChar LocaleDecimalSeparator();
