// Request frames: start byte, length, payload order, checksum, and what Send does with the port.
#include "clock.h"
#include "command.h"
#include "memory_comport.h"

#include <QTest>

class TestCommand : public QObject {
    Q_OBJECT

    static QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

private slots:
    void init() { MemoryComPort::ResetDevices(); }

    void frames_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("system id") << 0x04 << QByteArray() << hex("02 01 04 F9");
        QTest::newRow("data status continuous") << 0x01 << hex("02 00") << hex("02 03 01 02 00 F8");
        QTest::newRow("boot mode uses 0x02") << 0x25 << QByteArray() << hex("02 01 25 D8");
        QTest::newRow("initiate flash download") << 0x26 << QByteArray() << hex("22 01 26 B7");
        QTest::newRow("write flash memory")
            << 0x27 << hex("01 23 40 01 02") << hex("22 06 27 01 23 40 01 02 4A");
        QTest::newRow("end flash download") << 0x28 << QByteArray() << hex("22 01 28 B5");
        QTest::newRow("checksum wraps") << 0xFF << hex("FF FF FF") << hex("02 04 FF FF FF FF FE");
    }

    void frames() {
        QFETCH(int, code);
        QFETCH(QByteArray, params);
        QFETCH(QByteArray, frame);
        TCommand cmd;
        cmd.Begin(static_cast<uint8_t>(code));
        for (char b : params)
            cmd.Push(static_cast<uint8_t>(b));
        QCOMPARE(cmd.Frame(), frame);
        int sum = 0;
        for (char b : frame)
            sum += static_cast<uint8_t>(b);
        QCOMPARE(sum % 256, 0);
    }

    void push16IsHighByteFirst() {
        TCommand cmd;
        cmd.Begin(0x50);
        cmd.Push16(0x0102);
        cmd.Push16(0xFFFF);
        QCOMPARE(cmd.Frame().mid(2, 5), hex("50 01 02 FF FF"));
    }

    // Send queues the frame, marks the reply awaited and arms a 36-tick reply timer.
    void sendArmsTheReplyTimer() {
        ManualClockScope clock;
        MemoryComPort port(1);
        QVERIFY(port.SetOpen(true));
        TCommand cmd;
        cmd.Begin(0x04);
        cmd.Send(port);
        QCOMPARE(port.TakeWritten(), hex("02 01 04 F9"));
        QVERIFY(cmd.Awaiting);
        QVERIFY(cmd.ReportPending);
        QCOMPARE(cmd.ReplyTimer.ExpireTick - cmd.ReplyTimer.StartTick, qint64{36});
        QCOMPARE(cmd.ReplyTimer.StartTick, clock.clock.Milliseconds() / 55);
    }

    // A second Send before the first frame left the output buffer discards the unsent first frame.
    void secondSendDiscardsUnsentFrame() {
        MemoryComPort port(1);
        QVERIFY(port.SetOpen(true));
        TCommand a, b;
        a.Begin(0x04);
        a.Send(port);
        b.Begin(0x05);
        b.Send(port);
        QCOMPARE(port.TakeWritten(), hex("02 01 05 F8"));
    }

    // When the output buffer cannot take the frame, nothing is sent and the command does not wait for a
    // reply, but its report stays pending.
    void sendWithTooLittleRoomSendsNothing() {
        MemoryComPort port(1);
        QVERIFY(port.SetOpen(true));
        TCommand cmd;
        cmd.Begin(0x01);
        cmd.Push(2);
        cmd.Push(0); // frame of 6 bytes needs Length + 4 = 7 free
        port.SetOutCapacity(6);
        cmd.Send(port);
        QVERIFY(port.TakeWritten().isEmpty());
        QVERIFY(!cmd.Awaiting);
        QVERIFY(cmd.ReportPending);
        port.SetOutCapacity(7);
        cmd.Send(port);
        QCOMPARE(port.TakeWritten(), hex("02 03 01 02 00 F8"));
        QVERIFY(cmd.Awaiting);
    }

    // 255 payload bytes is the most a frame can carry; a longer payload is never sent truncated.
    void overlongPayloadIsNeverSent() {
        MemoryComPort port(1);
        QVERIFY(port.SetOpen(true));
        TCommand cmd;
        cmd.Begin(0x48);
        for (int i = 0; i < 254; ++i)
            cmd.Push(0x31);
        QVERIFY(!cmd.Overflowed());
        QCOMPARE(cmd.Length, uint8_t{255});
        cmd.Send(port);
        QCOMPARE(port.TakeWritten().size(), 258);
        cmd.Begin(0x48);
        for (int i = 0; i < 255; ++i)
            cmd.Push(0x31);
        QVERIFY(cmd.Overflowed());
        QCOMPARE(cmd.Length, uint8_t{255});
        cmd.Awaiting = false;
        cmd.Send(port);
        QVERIFY(port.TakeWritten().isEmpty());
        QVERIFY(!cmd.Awaiting);
    }
};

QTEST_GUILESS_MAIN(TestCommand)
#include "test_command.moc"
