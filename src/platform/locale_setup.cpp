#include "locale_setup.h"

#include <QLocale>
#include <clocale>
#include <cstdarg>
#include <cstdio>

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
