// The port component's contract, on the in-memory port: buffers, line errors, tick timers, tracing and
// renumbering.
#include "clock.h"
#include "dialogs.h"
#include "memory_comport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestComPort : public QObject {
    Q_OBJECT

    static QByteArray bytes(std::initializer_list<int> values) {
        QByteArray b;
        for (int v : values)
            b.append(static_cast<char>(v));
        return b;
    }

private slots:
    void init() { MemoryComPort::ResetDevices(); }

    void outputBufferFreeAndFlush() {
        MemoryComPort port(1);
        QVERIFY(port.SetOpen(true));
        QCOMPARE(port.GetOutBuffFree(), 4096);
        const uint8_t frame[] = {0x02, 0x01, 0x04, 0xF9};
        port.PutBlock(frame, 4);
        port.PutChar(0x55);
        QCOMPARE(port.GetOutBuffFree(), 4091);
        QCOMPARE(port.Pending(), bytes({0x02, 0x01, 0x04, 0xF9, 0x55}));
        port.FlushOutBuffer();
        QCOMPARE(port.GetOutBuffFree(), 4096);
        QVERIFY(port.TakeWritten().isEmpty());
    }

    void inputBlocksOldestFirstAndTrigger() {
        MemoryComPort port(2);
        QVERIFY(port.SetOpen(true));
        QSignalSpy spy(&port, &TApdComPort::TriggerAvail);
        port.Inject(bytes({1, 2, 3, 4, 5}));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 5);
        QCOMPARE(port.GetInBuffUsed(), 5);
        uint8_t buf[3] = {};
        port.GetBlock(buf, 3);
        QCOMPARE(buf[0], uint8_t{1});
        QCOMPARE(buf[2], uint8_t{3});
        QCOMPARE(port.GetInBuffUsed(), 2);
    }

    void closedPortDeliversNothing() {
        MemoryComPort port(1);
        port.Inject(bytes({1, 2}));
        QCOMPARE(port.GetInBuffUsed(), 0);
    }

    void lineErrorIsReportedOnceAndCleared() {
        MemoryComPort port(1);
        QVERIFY(port.SetOpen(true));
        QCOMPARE(port.GetLineError(), 0);
        port.InjectLineError();
        QVERIFY(port.GetLineError() != 0);
        QCOMPARE(port.GetLineError(), 0);
    }

    // TimerExpired is true only once the current tick exceeds start + ticks.
    void tickTimerExpiresAfterItsTicks() {
        ManualClockScope scope;
        scope.clock.SetMilliseconds(55 * 1000);
        EventTimer timer;
        TApdComPort::NewTimer(timer, 36);
        QCOMPARE(timer.ExpireTick, timer.StartTick + 36);
        scope.clock.Advance(36 * 55 + 54);
        QVERIFY(!TApdComPort::TimerExpired(timer));
        scope.clock.Advance(1);
        QVERIFY(TApdComPort::TimerExpired(timer));
    }

    void openFailuresKeepTheirReason() {
        MemoryComPort::SetDevice(2, MemoryComPort::Device::Busy);
        MemoryComPort::SetDevice(3, MemoryComPort::Device::Absent);
        MemoryComPort busy(2), absent(3), first(4), second(4);
        QVERIFY(!busy.SetOpen(true));
        QVERIFY(busy.OpenError().contains(QStringLiteral("busy")));
        QVERIFY(!absent.SetOpen(true));
        QVERIFY(absent.OpenError().contains(QStringLiteral("no such device")));
        QVERIFY(first.SetOpen(true));
        QString reason;
        QVERIFY(!first.ProbeComNumber(4, &reason));
        QVERIFY(!second.SetOpen(true));
        QVERIFY(first.SetOpen(false));
        QVERIFY(first.ProbeComNumber(4, &reason));
        QVERIFY(second.SetOpen(true));
    }

    // Renumbering an open port reopens it on the new device and keeps its trace going; closing it while
    // tracing writes the whole record, both directions, to the trace file.
    void renumberKeepsTracingAndCloseWritesTrace() {
        QTemporaryDir dir;
        MemoryComPort port(1);
        port.TraceName = dir.filePath(QStringLiteral("TEST.TRC"));
        port.TraceSize = 100;
        QVERIFY(port.SetOpen(true));
        port.SetTracing(TApdComPort::TraceState::On);
        port.PutChar(0x02);
        QVERIFY(port.SetComNumber(7));
        QVERIFY(port.Open());
        QCOMPARE(port.ComNumber(), 7);
        QCOMPARE(port.Tracing(), TApdComPort::TraceState::On);
        QVERIFY(!QFile::exists(port.TraceName));
        port.Inject(bytes({0x06, 0xAB}));
        uint8_t buf[2];
        port.GetBlock(buf, 2);
        QVERIFY(port.SetOpen(false));
        QFile trace(port.TraceName);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray text = trace.readAll();
        QVERIFY2(text.contains("Tx: 02"), text.constData());
        QVERIFY2(text.contains("Rx: 06 AB"), text.constData());
    }

    void tracingOffDiscardsTheRecord() {
        QTemporaryDir dir;
        MemoryComPort port(1);
        port.TraceName = dir.filePath(QStringLiteral("TEST.TRC"));
        QVERIFY(port.SetOpen(true));
        port.SetTracing(TApdComPort::TraceState::On);
        port.PutChar(0x02);
        port.SetTracing(TApdComPort::TraceState::Off);
        QVERIFY(port.SetOpen(false));
        QVERIFY(!QFile::exists(port.TraceName));
    }

    // A trace file that cannot be created or written is reported, not dropped silently.
    void traceFileFailuresAreReported_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("full device")
            << "/dev/full"
            << "Cannot write to /dev/full: No space left on device. The trace is incomplete.";
        QTest::newRow("missing folder") << "/nonexistent/TEST.TRC"
                                        << "Cannot create /nonexistent/TEST.TRC: No such file or directory";
    }
    void traceFileFailuresAreReported() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        ScriptedDialogsScope dialogs;
        MemoryComPort port(1);
        port.TraceName = name;
        QVERIFY(port.SetOpen(true));
        port.SetTracing(TApdComPort::TraceState::On);
        port.PutChar(0x02);
        QVERIFY(port.SetOpen(false));
        QCOMPARE(dialogs.dialogs.Messages(), QStringList{message});
        QCOMPARE(dialogs.dialogs.shown.first().caption, QStringLiteral("Information"));
    }

    void traceKeepsTheNewestEntries() {
        QTemporaryDir dir;
        MemoryComPort port(1);
        port.TraceName = dir.filePath(QStringLiteral("TEST.TRC"));
        port.TraceSize = 3;
        QVERIFY(port.SetOpen(true));
        port.SetTracing(TApdComPort::TraceState::On);
        for (int b = 1; b <= 5; ++b)
            port.PutChar(static_cast<uint8_t>(b));
        QVERIFY(port.SetOpen(false));
        QFile trace(port.TraceName);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray text = trace.readAll();
        QVERIFY2(text.contains("Tx: 03 04 05") && !text.contains(" 01 ") && !text.contains(" 02 "),
                 text.constData());
    }
};

QTEST_GUILESS_MAIN(TestComPort)
#include "test_comport.moc"
