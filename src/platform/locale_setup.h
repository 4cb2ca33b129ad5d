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
