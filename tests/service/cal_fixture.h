#pragma once

// A calibration file whose every value says where it belongs, for the reader and state machine tests.
#include "cal_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace calfixture {

// Temperature point p (0..3): cell, detector, pressure.
inline QStringList temperatures(int p) {
    return {QStringLiteral("%1.0").arg(20 + 10 * p), QStringLiteral("%1.0").arg(25 + 10 * p),
            QStringLiteral("1013.%1").arg(p)};
}

// Value j (0-based) of line l of span block t (0..35): "t.lj", e.g. block 3, line 1, value 4: "4.14".
inline QString spanValue(int t, int l, int j) {
    return QStringLiteral("%1.%2%3").arg(t + 1).arg(l).arg(j);
}

inline QString spanText(int t) {
    QStringList v;
    for (int l = 0; l < 4; ++l)
        for (int j = 0; j < 5; ++j)
            v << spanValue(t, l, j);
    return v.join(QLatin1Char(','));
}

inline QString zeroValue(int l, int j) {
    return QStringLiteral("-0.%1%2").arg(l).arg(j + 1);
}
inline QString coValue(int c, int l, int j) {
    return QStringLiteral("%1%2.%3").arg(c + 7).arg(l).arg(j);
}

// The whole file, with comments, headings and blank lines between the parts.
inline QByteArray text(const QString& serial = QStringLiteral("X40417")) {
    QStringList lines{QStringLiteral("; calibration of a test bench"), QStringLiteral("[Bench]"), serial,
                      QString()};
    for (int p = 0; p < 4; ++p) {
        lines << QStringLiteral("[Point %1]").arg(p + 1) << temperatures(p).join(QLatin1Char(' '));
        for (int b = 0; b < 9; ++b) {
            lines << QStringLiteral("  // block %1").arg(b + 1);
            for (int l = 0; l < 4; ++l) {
                QStringList v;
                for (int j = 0; j < 5; ++j)
                    v << spanValue(p * 9 + b, l, j);
                lines << v.join(QStringLiteral("  "));
            }
        }
    }
    lines << QStringLiteral("[Zero]");
    for (int l = 0; l < 4; ++l)
        lines << QStringLiteral("%1 %2 %3").arg(zeroValue(l, 0), zeroValue(l, 1), zeroValue(l, 2));
    lines << QStringLiteral("[CO]");
    for (int c = 0; c < 2; ++c)
        for (int l = 0; l < 2; ++l) {
            QStringList v;
            for (int j = 0; j < 10; ++j)
                v << coValue(c, l, j);
            lines << v.join(QLatin1Char('\t'));
        }
    return lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}

inline QString zeroText() {
    QStringList v;
    for (int l = 0; l < 4; ++l)
        for (int j = 0; j < 3; ++j)
            v << zeroValue(l, j);
    return v.join(QLatin1Char(','));
}

inline QString coText(int c) {
    QStringList v;
    for (int l = 0; l < 2; ++l)
        for (int j = 0; j < 10; ++j)
            v << coValue(c, l, j);
    return v.join(QLatin1Char(','));
}

// Column k (0 cell, 1 detector, 2 pressure) of the four points, comma-joined.
inline QString columnText(int k) {
    QStringList v;
    for (int p = 0; p < 4; ++p)
        v << temperatures(p).at(k);
    return v.join(QLatin1Char(','));
}

inline bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace calfixture
