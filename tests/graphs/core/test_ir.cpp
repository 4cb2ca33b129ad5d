// Raw IR cycles assembled from their phases, the layouts a cycle can take, the IR data log's lines,
// its limit and its write failures, and the "Collected IR data" list's rule.
#include "clock.h"
#include "ir_cycle.h"
#include "ir_log.h"
#include "ir_packets.h"

#include <QTemporaryDir>
#include <QTest>

class TestIr : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    static QList<TIrCycle::Result> feed(TIrCycle& cycle, const QList<int>& numbers, int points = 25) {
        QList<TIrCycle::Result> results;
        for (int n : numbers)
            results << cycle.Feed(irPacket(uint8_t(n), points, cycle.NumPhases()));
        return results;
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void phasesFillTheCycleInOrder() {
        using R = TIrCycle::Result;
        TIrCycle cycle;
        QCOMPARE(feed(cycle, {0, 1, 2, 3}), (QList<R>{R::Stored, R::Stored, R::Stored, R::Complete}));
        // Channel c of point s of phase p lands at p * 25 + s.
        QCOMPARE(cycle.Sample(0, 0), 0);
        QCOMPARE(cycle.Sample(3, 24), 243);
        QCOMPARE(cycle.Sample(1, 25), 1001);
        QCOMPARE(cycle.Sample(2, 99), 3242);
        // Packet numbers 4 to 7 are phases 0 to 3 again.
        QCOMPARE(feed(cycle, {4, 5, 6, 7}), (QList<R>{R::Stored, R::Stored, R::Stored, R::Complete}));
        QCOMPARE(cycle.Sample(2, 99), 3242);
    }

    void aStreamJoinedMidCycleWaitsForPhaseZero() {
        using R = TIrCycle::Result;
        TIrCycle cycle;
        QCOMPARE(feed(cycle, {1, 2, 3}), (QList<R>{R::Waiting, R::Waiting, R::Waiting}));
        QVERIFY(!cycle.CycleStarted());
        QCOMPARE(feed(cycle, {4, 5, 6, 7}).last(), R::Complete);
    }

    void aMissingOrShortReplyGivesTheCycleUp() {
        using R = TIrCycle::Result;
        TIrCycle cycle;
        // Phase 2 lost: the cycle would hold samples the bench never sent for it.
        QCOMPARE(feed(cycle, {0, 1, 3}), (QList<R>{R::Stored, R::Stored, R::Broken}));
        QCOMPARE(feed(cycle, {4, 5, 6, 7}).last(), R::Complete);
        // A reply with fewer points than NumPoints.
        QCOMPARE(feed(cycle, {8, 9}, 25).last(), R::Stored);
        QCOMPARE(cycle.Feed(irPacket(10, 24)), R::Short);
        QCOMPARE(feed(cycle, {11}), QList<R>{R::Waiting});
    }

    void samplesAreSigned() {
        TIrCycle cycle;
        QVERIFY(cycle.SetLayout(1, 1));
        QCOMPARE(
            cycle.Feed(irPacket(0, 1, 1, [](int, int, int c) { return int16_t(c == 0 ? -200 : 32767); })),
            TIrCycle::Result::Complete);
        QCOMPARE(cycle.Sample(0, 0), -200);
        QCOMPARE(cycle.Sample(3, 0), 32767);
        QCOMPARE(cycle.SamplesPerCycle(), 1);
    }

    void layouts_data() {
        QTest::addColumn<int>("phases");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("default") << 4 << 25 << true;
        QTest::newRow("one reply of 31 points") << 1 << 31 << true;
        QTest::newRow("100 phases of 1") << 100 << 1 << true;
        QTest::newRow("fewer than 100 samples") << 3 << 20 << true;
        QTest::newRow("product above 100") << 5 << 25 << false;
        QTest::newRow("more points than a reply holds") << 1 << 32 << false;
        QTest::newRow("no phases") << 0 << 25 << false;
        QTest::newRow("negative phases") << -4 << 25 << false;
        QTest::newRow("no points") << 4 << 0 << false;
        QTest::newRow("negative points") << 4 << -25 << false;
    }
    void layouts() {
        QFETCH(int, phases);
        QFETCH(int, points);
        QFETCH(bool, accepted);
        QCOMPARE(TIrCycle::CheckLayout(phases, points).isEmpty(), accepted);
        TIrCycle cycle;
        QCOMPARE(cycle.SetLayout(phases, points), accepted);
        QCOMPARE(cycle.NumPhases(), accepted ? phases : 4);
        QCOMPARE(cycle.NumPoints(), accepted ? points : 25);
    }

    void logLines_data() {
        QTest::addColumn<int>("sample");
        QTest::addColumn<QString>("field");
        QTest::newRow("0xFF38") << -200 << "-200";
        QTest::newRow("5") << 5 << "  +5";
        QTest::newRow("0") << 0 << "  +0";
        QTest::newRow("wider than four") << -32768 << "-32768";
    }
    void logLines() {
        QFETCH(int, sample);
        QFETCH(QString, field);
        QCOMPARE(TIrLog::FormatLine({sample, 1, -1, 1234}), field + QStringLiteral("    +1    -1  +1234 "));
    }

    void logFileHeaderLinesAndLimit() {
        ManualClockScope clock;
        clock.clock.SetTexts(QStringLiteral("24/03/2026"), QStringLiteral("09:15:00"));
        const QString path = dir.filePath(QStringLiteral("RAWDATA.LOG"));
        TIrLog log;
        QVERIFY(log.Open(path));
        QCOMPARE(log.Header(), QStringLiteral("DataLogfile %1 created 24/03/2026 09:15:00").arg(path));
        QCOMPARE(log.LineCount(), int64_t(1));
        // The header counts: 99998 sample lines fill the file.
        for (int i = 2; i <= TIrLog::LineLimit; ++i)
            QCOMPARE(log.WriteLine(QStringLiteral("  +1    +2    +3    +4 ")), TIrLog::LineResult::Written);
        QCOMPARE(log.WriteLine(QStringLiteral("dropped")), TIrLog::LineResult::FullNow);
        QCOMPARE(log.WriteLine(QStringLiteral("dropped")), TIrLog::LineResult::Full);
        QVERIFY(log.Flush());
        log.Close();
        const QByteArray bytes = readFile(path);
        QCOMPARE(bytes.count("\r\n"), qsizetype(TIrLog::LineLimit));
        QCOMPARE(bytes.count('\n'), qsizetype(TIrLog::LineLimit));
        QVERIFY(bytes.startsWith(log.Header().toLocal8Bit() + "\r\n  +1    +2    +3    +4 \r\n"));
        QVERIFY(!bytes.contains("dropped"));

        // Opening again starts a new file.
        QVERIFY(log.Open(path));
        log.Close();
        QCOMPARE(readFile(path).count('\n'), qsizetype(1));
    }

    void logFileFailures() {
        TIrLog log;
        QVERIFY(!log.Open(dir.filePath(QStringLiteral("missing/RAWDATA.LOG"))));
        QVERIFY(!log.IsOpen());
        QVERIFY(!log.Error().isEmpty());
        // A device that takes no bytes: the failure shows when the lines are handed on, and the log
        // closes.
        if (!QFile::exists(QStringLiteral("/dev/full"))) QSKIP("no /dev/full");
        QVERIFY(!log.Open(QStringLiteral("/dev/full")));
        QVERIFY(!log.IsOpen());
        QVERIFY(!log.Error().isEmpty());
    }

    void collectedLinesRule_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("adding");
        QTest::newRow("room for all") << 1 << 100;
        QTest::newRow("fills up") << 101 << 100;
        QTest::newRow("full list") << 151 << 100;
        QTest::newRow("more than the list holds") << 3 << 400;
        QTest::newRow("exactly to the limit") << 51 << 100;
        QTest::newRow("one line") << 151 << 1;
    }
    void collectedLinesRule() {
        QFETCH(int, count);
        QFETCH(int, adding);
        // One line at a time, as the rule says: above 150 lines, the third goes before a line is added.
        QStringList naive, batch;
        for (int i = 0; i < count; ++i)
            naive << QStringLiteral("old %1").arg(i);
        batch = naive;
        QStringList fresh;
        for (int i = 0; i < adding; ++i)
            fresh << QStringLiteral("new %1").arg(i);
        for (const QString& line : fresh) {
            if (naive.size() > CollectedIrKeep) naive.removeAt(2);
            naive << line;
        }
        const int drop = CollectedIrLinesToDrop(count, adding);
        batch << fresh;
        batch.remove(2, drop);
        QCOMPARE(batch, naive);
    }
};

QTEST_APPLESS_MAIN(TestIr)
#include "test_ir.moc"
