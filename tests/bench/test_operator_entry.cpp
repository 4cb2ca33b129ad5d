// Operator number entries: what an integer or real entry accepts, and how reals are shown.
#include "operator_entry.h"

#include <QTest>

class TestOperatorEntry : public QObject {
    Q_OBJECT

private slots:
    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::addRow("decimal") << "10" << true << 10;
        QTest::addRow("0x") << "0x0A" << true << 10;
        QTest::addRow("dollar") << "$0A" << true << 10;
        QTest::addRow("x lower digits") << "x0a" << true << 10;
        QTest::addRow("X") << "X0F" << true << 15;
        QTest::addRow("0X") << "0Xff" << true << 255;
        QTest::addRow("leading blanks") << "   42" << true << 42;
        QTest::addRow("blanks before hex") << "  $10" << true << 16;
        QTest::addRow("plus") << "+7" << true << 7;
        QTest::addRow("minus") << "-1" << true << -1;
        QTest::addRow("int32 max") << "2147483647" << true << 2147483647;
        QTest::addRow("int32 min") << "-2147483648" << true << int(-2147483648LL);
        QTest::addRow("eight hex digits") << "$FFFFFFFF" << true << -1;
        QTest::addRow("eight hex digits top bit") << "0x80000000" << true << int(-2147483648LL);
        QTest::addRow("empty") << "" << false << 0;
        QTest::addRow("blanks only") << "   " << false << 0;
        QTest::addRow("trailing blank") << "5 " << false << 0;
        QTest::addRow("dollar then 0x") << "$0x05" << false << 0;
        QTest::addRow("prefix only") << "0x" << false << 0;
        QTest::addRow("nine hex digits") << "0x123456789" << false << 0;
        QTest::addRow("signed hex") << "-$5" << false << 0;
        QTest::addRow("hex after sign") << "+0x5" << false << 0;
        QTest::addRow("above int32") << "2147483648" << false << 0;
        QTest::addRow("below int32") << "-2147483649" << false << 0;
        QTest::addRow("letters") << "abc" << false << 0;
        QTest::addRow("decimal point") << "1.5" << false << 0;
        QTest::addRow("sign alone") << "-" << false << 0;
        QTest::addRow("tab before") << "\t5" << false << 0;
        QTest::addRow("hex digit out of range") << "$1G" << false << 0;
        QTest::addRow("many leading zeros") << "000000000000010" << true << 10;
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<int32_t> v = ParseIntegerEntry(text);
        QCOMPARE(v.has_value(), valid);
        if (valid) QCOMPARE(*v, value);
    }

    void hexIsReported() {
        bool hex = false;
        QCOMPARE(*ParseIntegerEntry(QStringLiteral("$FFFF"), &hex), 65535);
        QVERIFY(hex);
        QCOMPARE(*ParseIntegerEntry(QStringLiteral("-1"), &hex), -1);
        QVERIFY(!hex);
    }

    void reals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::addRow("point") << "20.5" << QChar('.') << true << 20.5;
        QTest::addRow("comma locale") << "20,5" << QChar(',') << true << 20.5;
        QTest::addRow("point in a comma locale") << "20.5" << QChar(',') << false << 0.0;
        QTest::addRow("sign and exponent") << "-1.25e2" << QChar('.') << true << -125.0;
        QTest::addRow("no digits before point") << ".5" << QChar('.') << true << 0.5;
        QTest::addRow("digits only") << "12" << QChar('.') << true << 12.0;
        QTest::addRow("blanks around") << "  1.5  " << QChar('.') << true << 1.5;
        QTest::addRow("empty") << "" << QChar('.') << false << 0.0;
        QTest::addRow("point alone") << "." << QChar('.') << false << 0.0;
        QTest::addRow("exponent without digits") << "1e" << QChar('.') << false << 0.0;
        QTest::addRow("letters") << "abc" << QChar('.') << false << 0.0;
        QTest::addRow("hex") << "0x10" << QChar('.') << false << 0.0;
        QTest::addRow("overflow") << "1e999" << QChar('.') << false << 0.0;
        QTest::addRow("two points") << "1.2.3" << QChar('.') << false << 0.0;
    }
    void reals() {
        QFETCH(QString, text);
        QFETCH(QChar, separator);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> v = ParseRealEntry(text, separator);
        QCOMPARE(v.has_value(), valid);
        if (valid) QCOMPARE(*v, value);
    }

    void shownReals_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("text");
        QTest::addRow("two decimals") << 20.5 << 2 << QChar('.') << "20.50";
        QTest::addRow("comma") << 20.5 << 2 << QChar(',') << "20,50";
        QTest::addRow("three decimals of zero") << 0.0 << 3 << QChar('.') << "0.000";
        QTest::addRow("six significant digits") << 123.456789 << 4 << QChar('.') << "123.4570";
        QTest::addRow("rounded half up on the decimal digits") << 12.35 << 1 << QChar('.') << "12.4";
        QTest::addRow("negative") << -1.234 << 2 << QChar('.') << "-1.23";
        QTest::addRow("no minus for a rounded zero") << -0.001 << 2 << QChar('.') << "0.00";
        QTest::addRow("no decimals") << 255.0 << 0 << QChar('.') << "255";
        QTest::addRow("six digits before the point") << 999999.0 << 1 << QChar('.') << "999999.0";
        QTest::addRow("seven digits: exponent") << 1234567.0 << 2 << QChar('.') << "1.23457E+06";
    }
    void shownReals() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QChar, separator);
        QFETCH(QString, text);
        QCOMPARE(FormatRealEntry(value, decimals, separator), text);
    }
};

QTEST_GUILESS_MAIN(TestOperatorEntry)
#include "test_operator_entry.moc"
