// The calibration file reader: ignored lines, the serial token, temperature lines and blocks read in
// order, comments after values, the zero replacement of coefficient blocks only, a short last block,
// and the errors that name the file, the line and the reason. The shipped sample file is read too.
#include "cal_file.h"
#include "cal_fixture.h"

#include <QTest>

namespace {
// The fixture's file (or another) with one line replaced.
QByteArray withLine(int line, const QByteArray& text, const QByteArray& file = calfixture::text()) {
    QList<QByteArray> lines = file.split('\n');
    lines[line - 1] = text + "\r";
    return lines.join('\n');
}

TCalFile parsed(const QByteArray& text) {
    auto read = ParseCalFile(text, QStringLiteral("T.CAL"));
    if (auto* e = std::get_if<TReadError>(&read)) qWarning("%s", qPrintable(e->Text()));
    return std::get<TCalFile>(read);
}
} // namespace

class TestCalFile : public QObject {
    Q_OBJECT

private slots:
    void theFixtureIsReadInOrder() {
        const TCalFile cal = parsed(calfixture::text());
        QCOMPARE(cal.Serial, QByteArray("X40417"));
        for (int p = 0; p < 4; ++p)
            QCOMPARE(cal.Temperatures[size_t(p)].Text(),
                     calfixture::temperatures(p).join(QLatin1Char(',')).toLatin1());
        for (int t = 0; t < 36; ++t) {
            QCOMPARE(cal.Span[size_t(t)].Text(), calfixture::spanText(t).toLatin1());
            QCOMPARE(cal.Span[size_t(t)].Values.size(), size_t(20));
        }
        QCOMPARE(cal.ZeroTemp.Text(), calfixture::zeroText().toLatin1());
        QCOMPARE(cal.Co[1].Text(), calfixture::coText(1).toLatin1());
        QCOMPARE(cal.Span[2].Values[8], 3.13f);
        QCOMPARE(cal.Span[2].Line, 18);
    }

    void linesThatAreIgnoredOrCut_data() {
        QTest::addColumn<QByteArray>("serialLines");
        QTest::addColumn<QByteArray>("serial");
        QTest::newRow("comments, sections, blanks")
            << QByteArray(";a\n\n   \n\t// note\n  [Head]\n/x\nSN123\n") << QByteArray("SN123");
        QTest::newRow("serial with comment") << QByteArray("SN77// made in March\n") << QByteArray("SN77");
        QTest::newRow("serial then more tokens") << QByteArray("  SN5 batch 3\n") << QByteArray("SN5");
        QTest::newRow("long serial cut to 31") << QByteArray(40, 'S') + "\n" << QByteArray(31, 'S');
        // Only a ";" in the first column makes a comment.
        QTest::newRow("indented semicolon is a value line") << QByteArray(" ;x\n") << QByteArray(";x");
    }
    void linesThatAreIgnoredOrCut() {
        QFETCH(QByteArray, serialLines);
        QFETCH(QByteArray, serial);
        QByteArray text = calfixture::text();
        text.replace("; calibration of a test bench\r\n[Bench]\r\nX40417\r\n", serialLines);
        QCOMPARE(parsed(text).Serial, serial);
    }

    void aSlashEndsTheValues() {
        // Line 8 is the first line of span block 1; its fifth value is followed by a comment.
        const TCalFile cal = parsed(withLine(8, "1.00 1.01 1.02 1.03 1.04/ 99 / 98 // end"));
        QCOMPARE(cal.Span[0].Text(), calfixture::spanText(0).toLatin1());
        // More values than a line needs are ignored.
        QCOMPARE(parsed(withLine(8, "1.00 1.01 1.02 1.03 1.04 77 78")).Span[0].Text(),
                 calfixture::spanText(0).toLatin1());
    }

    void zeroTokensAreReplacedInCoefficientBlocksOnly() {
        QByteArray text = withLine(6, "0.000e+00 25.0 1013.0");
        text = [&] {
            QList<QByteArray> lines = text.split('\n');
            lines[7] = "0.000E0 0.00e+00 0.000e+00 0.0000e+00 0.00000e+00\r";
            return lines.join('\n');
        }();
        const TCalFile cal = parsed(text);
        QCOMPARE(cal.Temperatures[0].Tokens.first(), QByteArray("0.000e+00"));
        QVERIFY(cal.Span[0].Text().startsWith("0,0,0,0,0,1.10,"));
        QCOMPARE(cal.Span[0].Values[0], 0.0f);
        QCOMPARE(cal.Span[0].Values[4], 0.0f);
        // A zero in another form is sent as written.
        QVERIFY(parsed(withLine(8, "0.0 0e0 1.02 1.03 1.04")).Span[0].Text().startsWith("0.0,0e0,"));
    }

    void aShortLastBlockYieldsTheValuesRead_data() {
        QTest::addColumn<int>("dropLines");
        QTest::addColumn<QByteArray>("lastLine");
        QTest::addColumn<int>("values");
        QTest::newRow("last line missing") << 1 << QByteArray() << 10;
        QTest::newRow("last line short") << 1 << QByteArray("80.0 80.1 80.2") << 13;
    }
    void aShortLastBlockYieldsTheValuesRead() {
        QFETCH(int, dropLines);
        QFETCH(QByteArray, lastLine);
        QFETCH(int, values);
        QList<QByteArray> lines = calfixture::text().split('\n');
        lines.removeLast(); // after the last line end
        for (int i = 0; i < dropLines; ++i)
            lines.removeLast();
        if (!lastLine.isEmpty()) lines << lastLine;
        const TCalFile cal = parsed(lines.join('\n'));
        QCOMPARE(int(cal.Co[1].Values.size()), values);
        QCOMPARE(int(cal.Co[1].Tokens.size()), values);
    }

    void errorsNameTheFileLineAndReason_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("not a number") << withLine(9, "2.10 2.11 abc 2.13 2.14")
                                      << QStringLiteral("T.CAL, line 9: 'abc' is not a number");
        QTest::newRow("comma decimal")
            << withLine(6, "20,5 25.0 1013.0") << QStringLiteral("T.CAL, line 6: '20,5' is not a number");
        QTest::newRow("short temperature line")
            << withLine(6, "20.0 25.0")
            << QStringLiteral("T.CAL, line 6: the temperature line of point 1 needs 3 values, it has 2");
        QTest::newRow("short line inside the file")
            << withLine(9, "2.10 2.11")
            << QStringLiteral(
                   "T.CAL, line 9: a line of span block 1 of temperature point 1 needs 5 values, it has 2");
        QTest::newRow("long token")
            << withLine(8, "1.0000000000000000001 1 1 1 1")
            << QStringLiteral(
                   "T.CAL, line 8: the value '1.0000000000000000001' is longer than 19 characters");
        QTest::newRow("long line") << withLine(8, "1 1 1 1 1 " + QByteArray(4100, ' '))
                                   << QStringLiteral(
                                          "T.CAL, line 8: the line is longer than 4050 characters");
        QTest::newRow("out of range") << withLine(8, "1e39 1 1 1 1")
                                      << QStringLiteral("T.CAL, line 8: the value '1e39' is out of range");
        QTest::newRow("empty") << QByteArray("; nothing\n\n")
                               << QStringLiteral("T.CAL: holds no serial number and no values");
        QTest::newRow("ends early") << calfixture::text().left(calfixture::text().indexOf("[Zero]"))
                                    << QStringLiteral("the file ends before the zero temperature block");
        QByteArray longBlock = calfixture::text();
        for (int line = 8; line <= 11; ++line)
            longBlock = withLine(line, QByteArray("1.00000000000000001 ").repeated(5), longBlock);
        QTest::newRow("text too long for one write")
            << longBlock
            << QStringLiteral("T.CAL, line 8: the values of span block 1 of temperature point 1 make a text "
                              "of 399 characters, more than the 251 a parameter can be sent");
    }
    void errorsNameTheFileLineAndReason() {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        auto read = ParseCalFile(text, QStringLiteral("T.CAL"));
        QVERIFY(std::holds_alternative<TReadError>(read));
        const QString got = std::get<TReadError>(read).Text();
        QVERIFY2(got.startsWith(error) || got.contains(error), qPrintable(got));
    }

    void theSampleFile() {
        auto read = ReadCalFile(QStringLiteral(SAMPLE_CAL_FILE));
        if (const auto* e = std::get_if<TReadError>(&read)) QFAIL(qPrintable(e->Text()));
        const TCalFile& cal = std::get<TCalFile>(read);
        QCOMPARE(cal.Serial, QByteArray("X40417"));
        QCOMPARE(cal.Co[1].Values.size(), size_t(20));
        QVERIFY(cal.Span[0].Text().contains(",0,"));
        const auto missing = ReadCalFile(QStringLiteral("/nonexistent/B.CAL"));
        QCOMPARE(std::get<TReadError>(missing).Text(), QStringLiteral("B.CAL: does not exist"));
    }
};

QTEST_GUILESS_MAIN(TestCalFile)
#include "test_cal_file.moc"
