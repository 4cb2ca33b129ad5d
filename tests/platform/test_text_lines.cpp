// Text line helpers, waits on the clock, and the COM port map.
#include "clock.h"
#include "paths.h"
#include "util.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTextLines : public QObject {
    Q_OBJECT

    static QStringList readAll(const QByteArray& bytes, QList<int>* results = nullptr) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QStringList lines;
        QString text;
        for (int r = ReadTextLine(buffer, text); r != -1; r = ReadTextLine(buffer, text)) {
            lines.append(text);
            if (results) results->append(r);
        }
        if (results) results->append(-1);
        return lines;
    }

private slots:
    void writeTextLineUsesCrLfAndBlankForEmpty() {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(WriteTextLine(buffer, QStringLiteral("abc")));
        QVERIFY(WriteTextLine(buffer, QString()));
        QCOMPARE(buffer.data(), QByteArray("abc\r\n \r\n"));
    }

    void readTextLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("results");
        QTest::newRow("crlf and lf") << QByteArray("ab\r\ncd\nef") << QStringList{"ab", "cd", "ef"}
                                     << QList<int>{2, 2, 2, -1};
        QTest::newRow("blank line is empty")
            << QByteArray(" \r\n\r\nx \r\n") << QStringList{"", "", "x "} << QList<int>{0, 0, 2, -1};
        // Only the one-blank line stands for an empty text; longer runs of blanks are kept.
        QTest::newRow("lines of several blanks")
            << QByteArray(" \r\n  \r\n   \r\n") << QStringList{"", "  ", "   "} << QList<int>{0, 2, 3, -1};
        QTest::newRow("empty file") << QByteArray() << QStringList{} << QList<int>{-1};
        QTest::newRow("lone cr ends a line")
            << QByteArray("a\rb\r\n") << QStringList{"a", "b"} << QList<int>{1, 1, -1};
    }

    void readTextLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, results);
        QList<int> got;
        QCOMPARE(readAll(bytes, &got), lines);
        QCOMPARE(got, results);
    }

    // A line longer than a piece arrives in pieces that join to the whole line; a line of exactly one
    // piece gives no extra empty piece.
    void longLinesArriveInPiecesWithNothingLost() {
        QByteArray line600;
        for (int i = 0; i < 600; ++i)
            line600.append(char('a' + i % 26));
        const QByteArray line498(MaxTextLinePiece, 'z');
        QList<int> results;
        const QStringList lines = readAll(line600 + "\r\n" + line498 + "\r\nend\r\n", &results);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(results, (QList<int>{498, 102, 498, 3, -1}));
        QCOMPARE((lines[0] + lines[1]).toLatin1(), line600);
        QCOMPARE(lines[2].toLatin1(), line498);
        QCOMPARE(lines[3], QStringLiteral("end"));
    }

    void roundTripThroughAFile() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("t.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QStringList written{"first", "", "third"};
        for (const QString& s : written)
            WriteTextLine(file, s);
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList read;
        QString text;
        while (ReadTextLine(file, text) != -1)
            read.append(text);
        QCOMPARE(read, written);
    }

    void waitSecondsReturnsOnAManualClock() {
        ManualClockScope scope;
        scope.clock.SetMilliseconds(10'400);
        WaitSeconds(1);
        QCOMPARE(scope.clock.Seconds(), 11);
        QVERIFY(scope.clock.Milliseconds() < 11'100);
    }

    void comPortMapOrder() {
        QTemporaryDir dir;
        const QByteArray saved = qgetenv("X714_DRIVE_C");
        qputenv("X714_DRIVE_C", dir.path().toLocal8Bit());
        ClearComPortOverrides();
        QCOMPARE(ComDevicePath(3), QStringLiteral("/dev/ttyS2"));
        QDir().mkpath(dir.filePath(QStringLiteral("dev")));
        const QString link = dir.filePath(QStringLiteral("dev/COM3"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));
        QCOMPARE(ComDevicePath(3), link);
        QString error;
        QVERIFY(ParsePortOption(QStringLiteral("COM3=/dev/ttyUSB0"), &error));
        QCOMPARE(ComDevicePath(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(ResolvePortArgument(QStringLiteral("COM3")), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(ResolvePortArgument(QStringLiteral("/dev/pts/7")), QStringLiteral("/dev/pts/7"));
        QCOMPARE(ComDevicePath(0), QString());
        QCOMPARE(ComDevicePath(100), QString());
        for (const char* bad : {"COM0=/dev/x", "COM3", "COM3=", "LPT1=/dev/x", "COM100=/dev/x"}) {
            error.clear();
            QVERIFY2(!ParsePortOption(QString::fromLatin1(bad), &error), bad);
            QVERIFY(!error.isEmpty());
        }
        ClearComPortOverrides();
        qputenv("X714_DRIVE_C", saved);
    }
};

QTEST_GUILESS_MAIN(TestTextLines)
#include "test_text_lines.moc"
