// The firmware file reader: format decision, the records a download sends, and every way a file is
// refused before anything is sent, with the line named.
#include "srecord.h"
#include "srecord_writer.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}
QByteArray lines(std::initializer_list<QByteArray> items, const char* end = "\n") {
    QByteArray text;
    for (const QByteArray& l : items)
        text += l + end;
    return text;
}
} // namespace

class TestSRecord : public QObject {
    Q_OBJECT
private slots:
    void s3FileWithHeaderAndEnd() {
        const QByteArray text = lines({SRecord('0', 0, "hdr"), SRecord('3', 0x00012340, bytes({1, 2})),
                                       SRecord('3', 0x00012342, bytes({3, 4, 5})), SRecord('7', 0, {})});
        const TFirmwareReadResult r = ParseFirmwareText(text, "a.s19", RecordFormatS2);
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Image.RecordFormat, RecordFormatS3);
        QCOMPARE(r.Image.LineCount, 4);
        QCOMPARE(r.Image.Records.size(), size_t(2));
        QCOMPARE(r.Image.Records[0].Line, 1);
        QCOMPARE(r.Image.Records[0].Address, 0x00012340u);
        QCOMPARE(r.Image.Records[0].Data, bytes({1, 2}));
        QCOMPARE(r.Image.Records[1].Line, 2);
        QCOMPARE(r.Image.Records[1].Data, bytes({3, 4, 5}));
        QCOMPARE(r.Image.DataBytes, 5);
    }

    void s2FileEndingInS9() {
        const QByteArray text =
            lines({SRecord('2', 0x012340, bytes({0xAA})), SRecord('2', 0xFFFFF0, bytes({0xBB, 0xCC})),
                   SRecord('9', 0x012340, {})});
        const TFirmwareReadResult r = ParseFirmwareText(text, "a.s19", RecordFormatS3);
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Image.RecordFormat, RecordFormatS2);
        QCOMPARE(r.Image.Records.size(), size_t(2));
        QCOMPARE(r.Image.Records[1].Address, 0xFFFFF0u);
        QCOMPARE(r.Image.Records[1].Data, bytes({0xBB, 0xCC}));
    }

    // Spellings of the same file: every one gives the same records.
    void spellings_data() {
        QTest::addColumn<QByteArray>("text");
        const QByteArray a = SRecord('3', 0x2000, bytes({0xDE, 0xAD, 0xBE, 0xEF}));
        const QByteArray b = SRecord('3', 0x2004, bytes({0x01}));
        QTest::newRow("line feeds") << lines({a, b});
        QTest::newRow("CR LF") << lines({a, b}, "\r\n");
        QTest::newRow("lower-case hex") << lines({a.toLower().replace("s3", "S3"), b.toLower()});
        QTest::newRow("no line end at the end") << (a + "\n" + b);
        QTest::newRow("trailing blank line") << lines({a, b, ""});
        QTest::newRow("blanks around records") << lines({" \t" + a + "  ", b + "\t"});
        QTest::newRow("blank line between") << lines({a, "   ", b});
    }
    void spellings() {
        QFETCH(QByteArray, text);
        const TFirmwareReadResult r = ParseFirmwareText(text, "a.s19", RecordFormatS2);
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Image.RecordFormat, RecordFormatS3);
        QCOMPARE(r.Image.Records.size(), size_t(2));
        QCOMPARE(r.Image.Records[0].Address, 0x2000u);
        QCOMPARE(r.Image.Records[0].Data, bytes({0xDE, 0xAD, 0xBE, 0xEF}));
        QCOMPARE(r.Image.Records[1].Data, bytes({0x01}));
    }

    // The first line decides; a bare S0 header leaves it to the first data record, and a first line
    // that says nothing keeps the previous download's format.
    void formatDecision_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("format");
        const QByteArray s2 = SRecord('2', 0x1000, bytes({1}));
        const QByteArray s3 = SRecord('3', 0x1000, bytes({1}));
        QTest::newRow("S0 then S3") << lines({SRecord('0', 0, "h"), s3}) << RecordFormatS2 << RecordFormatS3;
        QTest::newRow("S0 then S2") << lines({SRecord('0', 0, "h"), s2}) << RecordFormatS3 << RecordFormatS2;
        QTest::newRow("blank first line, previous S2") << lines({"", s2}) << RecordFormatS2 << RecordFormatS2;
        QTest::newRow("text first line, previous S3")
            << lines({"firmware", s3}) << RecordFormatS3 << RecordFormatS3;
    }
    void formatDecision() {
        QFETCH(QByteArray, text);
        QFETCH(int, previous);
        QFETCH(int, format);
        const TFirmwareReadResult r = ParseFirmwareText(text, "a.s19", previous);
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Image.RecordFormat, format);
        QCOMPARE(r.Image.Records.size(), size_t(1));
    }

    // Files that would leave a bench half written: refused with the line and the reason.
    void refused_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        const QByteArray good = SRecord('3', 0x4000, QByteArray(16, '\x11'));
        QTest::newRow("checksum one too small") << lines({good, SRecord('3', 0x4010, bytes({1, 2, 3}), -1)})
                                                << RecordFormatS3 << 2 << "the checksum is";
        QByteArray truncated = SRecord('3', 0x4010, bytes({1, 2, 3}));
        truncated.chop(4);
        QTest::newRow("shorter than its count")
            << lines({good, truncated}) << RecordFormatS3 << 2 << "shorter than its byte count";
        QByteArray notHex = SRecord('3', 0x4010, bytes({1, 2, 3}));
        notHex[14] = 'G';
        QTest::newRow("not a hex digit")
            << lines({good, notHex}) << RecordFormatS3 << 2 << "'G' in column 15 is not a hexadecimal digit";
        QTest::newRow("count too small")
            << lines({good, "S3030000"}) << RecordFormatS3 << 2 << "byte count 3 is too small";
        QTest::newRow("S2 record in an S3 file")
            << lines({good, SRecord('2', 0x4010, bytes({1}))}) << RecordFormatS3 << 2 << "an S2 data record";
        QTest::newRow("S1 record in an S2 file")
            << lines({SRecord('2', 0x10, bytes({1})), SRecord('1', 0x20, bytes({2}))}) << RecordFormatS2 << 2
            << "an S1 data record";
        QTest::newRow("S5 count wrong") << lines({good, SRecord('5', 2, {}), SRecord('7', 0, {})})
                                        << RecordFormatS3 << 2 << "says 2 data records, the file has 1";
        QTest::newRow("S5 checksum wrong")
            << lines({good, SRecord('5', 1, {}, 1)}) << RecordFormatS3 << 2 << "the checksum is";
        QTest::newRow("header and end only") << lines({SRecord('0', 0, "h"), SRecord('7', 0, {})})
                                             << RecordFormatS2 << 0 << "holds no S3 data record";
        QTest::newRow("empty file") << QByteArray() << RecordFormatS2 << 0 << "holds no S2 data record";
        QTest::newRow("S2 records read as S3 after a blank first line")
            << lines({"", SRecord('2', 0x10, bytes({1}))}) << RecordFormatS3 << 2 << "an S2 data record";
    }
    void refused() {
        QFETCH(QByteArray, text);
        QFETCH(int, previous);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const TFirmwareReadResult r = ParseFirmwareText(text, "fw.s19", previous);
        QVERIFY(!r.Ok());
        QCOMPARE(r.Error.File, QStringLiteral("fw.s19"));
        QCOMPARE(r.Error.Line, line);
        QVERIFY2(r.Error.Reason.contains(reason), qPrintable(r.Error.Reason));
        if (line > 0) QVERIFY(r.Error.Text().startsWith(QStringLiteral("fw.s19, line %1: ").arg(line)));
    }

    // The longest records there are (count 255, a 514-character line) fit one write request.
    void longestRecords() {
        const QByteArray s3 = SRecord('3', 0x100, QByteArray(250, '\x5A'));
        QCOMPARE(s3.size(), 514);
        TFirmwareReadResult r = ParseFirmwareText(lines({s3}), "a", RecordFormatS2);
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Image.Records[0].Data.size(), 250);
        r = ParseFirmwareText(lines({SRecord('2', 0x100, QByteArray(251, '\x5A'))}), "a", RecordFormatS2);
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Image.Records[0].Data.size(), 251);
    }

    void fileThatCannotBeOpened() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing.s19"));
        const TFirmwareReadResult r = ReadFirmwareFile(path, RecordFormatS2);
        QVERIFY(!r.Ok());
        QCOMPARE(r.Error.File, path);
        QCOMPARE(r.Error.Line, 0);
        QVERIFY(r.Error.Text().contains(QLatin1String("cannot be opened")));
    }
};

QTEST_APPLESS_MAIN(TestSRecord)
#include "test_srecord.moc"
