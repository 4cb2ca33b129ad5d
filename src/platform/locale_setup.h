#pragma once

#include <QString>

// False when the user's locale writes decimals with a comma. Set by SetupLocale.
extern bool DecimalPointIsDot;

// Takes the run-time locale from the user's environment (numbers, dates and times) and sets
// DecimalPointIsDot from its decimal separator.
void SetupLocale();

// printf-style formatting of one value, with the C library's current numeric locale, so that cells
// and files carry the locale's decimal separator.
QString Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The text of Printf("%*lld", width, value), without printf's format parsing and conversion: the
// data table formats more than a hundred cells per row this way.
QString FormatInteger(long long value, int width);

// The text of Printf("%*.*f", width, precision, value): the same digits and rounding, with the C
// library's current decimal separator. A separator that is not one ASCII character takes printf's
// path.
QString FormatFixed(double value, int width, int precision);
