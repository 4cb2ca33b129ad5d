// The data table's number formatting: the same text as printf's, in the C locale, in a locale with a
// decimal comma, and in one whose decimal separator is not ASCII.
#include "locale_setup.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <cmath>
#include <limits>

class TestNumberFormat : public QObject {
    Q_OBJECT

    QTemporaryDir m_locales; // locales compiled for the test

    // False when the locale cannot be had.
    static bool useLocale(const char* name) { return std::setlocale(LC_NUMERIC, name) != nullptr; }

    struct Fixed {
        double value;
        int width, precision;
    };
    static QList<Fixed> fixedCases() {
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {
            {0.0, 7, 2},
            {-0.0, 7, 2},
            {-0.001, 7, 2}, // rounds to a negative zero
            {-1e-7, 10, 4},
            {0.125, 0, 2}, // ties at the binary value round to even
            {0.375, 0, 2},
            {2.5, 9, 0},
            {3.5, 9, 0},
            {-2.5, 9, 0},
            {0.5, 0, 0},
            {1.005, 7, 2}, // just below the tie in binary
            {9.995, 7, 2},
            {99.995, 6, 2},
            {double(12.35f), 7, 2}, // a gas reading in single precision
            {double(0.052f), 6, 3},
            {double(24.45f), 6, 1},
            {-40.05, 6, 1},
            {123456789.123, 7, 2}, // wider than its cell
            {1200097.25, 0, 6},    // a large count's deviation, without a width
            {1e-300, 10, 4},
            {4.9e-324, 0, 6},
            {1e22, 9, 2},
            {1e300, 7, 2}, // longer than any buffer on the short path
            {-std::numeric_limits<double>::max(), 10, 4},
            {inf, 7, 2},
            {-inf, 10, 4},
            {nan, 7, 2},
            {-nan, 10, 4},
        };
    }

    static void compareWithPrintf() {
        for (const Fixed& f : fixedCases()) {
            const QString expected = Printf("%*.*f", f.width, f.precision, f.value);
            QCOMPARE(FormatFixed(f.value, f.width, f.precision), expected);
        }
        const long long integers[] = {0,
                                      -1,
                                      7,
                                      -32768,
                                      32767,
                                      65535,
                                      99999999,
                                      -9999999,
                                      4294967295,
                                      1000000,
                                      std::numeric_limits<long long>::min(),
                                      std::numeric_limits<long long>::max()};
        for (long long value : integers)
            for (int width : {0, 6, 7, 8, 10})
                QCOMPARE(FormatInteger(value, width), Printf("%*lld", width, value));
    }

private slots:
    void initTestCase() {
        // Locales with other separators are compiled for the test when the system has none.
        bool built = false;
        for (const char* name : {"de_DE", "ps_AF"}) {
            const QString target = m_locales.filePath(QString::fromLatin1(name) + QStringLiteral(".UTF-8"));
            QProcess localedef;
            localedef.start(QStringLiteral("localedef"),
                            {QStringLiteral("-i"), QString::fromLatin1(name), QStringLiteral("-f"),
                             QStringLiteral("UTF-8"), target});
            if (localedef.waitForFinished(60000) && localedef.exitCode() == 0) built = true;
        }
        if (built) qputenv("LOCPATH", m_locales.path().toLocal8Bit());
    }
    void cleanup() { std::setlocale(LC_NUMERIC, "C"); }

    void sameTextAsPrintf_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("point");
        QTest::newRow("C") << QByteArray("C") << QStringLiteral(".");
        QTest::newRow("decimal comma") << QByteArray("de_DE.UTF-8") << QStringLiteral(",");
        QTest::newRow("separator outside ASCII") << QByteArray("ps_AF.UTF-8") << QStringLiteral("\u066B");
    }
    void sameTextAsPrintf() {
        QFETCH(QByteArray, locale);
        QFETCH(QString, point);
        if (!useLocale(locale.constData())) QSKIP("locale not available");
        // The texts carry the locale's separator, rounded as printf rounds.
        QCOMPARE(FormatFixed(1.5, 7, 2), QStringLiteral("   1") + point + QStringLiteral("50"));
        QCOMPARE(FormatFixed(-0.0, 7, 2), QStringLiteral("  -0") + point + QStringLiteral("00"));
        QCOMPARE(FormatFixed(0.125, 0, 2), QStringLiteral("0") + point + QStringLiteral("12"));
        QCOMPARE(FormatFixed(2.5, 9, 0), QStringLiteral("        2"));
        QCOMPARE(FormatInteger(-42, 6), QStringLiteral("   -42"));
        compareWithPrintf();
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "test_number_format.moc"
