// The real serial port component on a pseudo-terminal: a frame goes out, a reply comes back and is
// framed by the bench; the device is held exclusively.
#include "bench.h"
#include "paths.h"
#include "recording_host.h"
#include "serial_comport.h"

#include <QSocketNotifier>
#include <QTest>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The far end of a pseudo-terminal: what the host writes arrives in received.
struct PtyPeer {
    int master = -1;
    QString slave;
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;

    bool open() {
        int slaveFd = -1;
        char name[256] = {};
        if (openpty(&master, &slaveFd, name, nullptr, nullptr) != 0) return false;
        termios t{};
        tcgetattr(slaveFd, &t);
        cfmakeraw(&t);
        tcsetattr(slaveFd, TCSANOW, &t);
        ::close(slaveFd);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        slave = QString::fromLocal8Bit(name);
        notifier = std::make_unique<QSocketNotifier>(master, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            char buf[256];
            ssize_t n;
            while ((n = ::read(master, buf, sizeof buf)) > 0)
                received.append(buf, n);
        });
        return true;
    }
    void write(const QByteArray& bytes) const {
        QVERIFY(::write(master, bytes.constData(), bytes.size()) == bytes.size());
    }
    ~PtyPeer() {
        notifier.reset();
        if (master >= 0) ::close(master);
    }
};
} // namespace

class TestSerialPty : public QObject {
    Q_OBJECT

private slots:
    void frameOutReplyIn() {
        PtyPeer peer;
        QVERIFY(peer.open());
        SetComPortOverride(1, peer.slave);
        SerialComPort port(1);
        QVERIFY2(port.SetOpen(true), qPrintable(port.OpenError()));
        RecordingHost host;
        auto bench = std::make_unique<TBench>();
        bench->Init(&port, &host, 0);
        QObject::connect(&port, &TApdComPort::TriggerAvail, [&] { bench->DrainPort(); });

        bench->Commands[0x0A].Begin(0x0A);
        bench->SendCommand(0x0A);
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray::fromHex("02010AF3"), 5000);

        // The reply arrives in two writes with noise in front.
        peer.write(QByteArray::fromHex("AA060A"));
        QTest::qWait(50);
        peer.write(QByteArray::fromHex("00F0"));
        QTRY_COMPARE_WITH_TIMEOUT(bench->AckText, QStringLiteral("New NO Sensor  ACK"), 5000);
        QCOMPARE(bench->AckError, 0);
        QCOMPARE(port.GetOutBuffFree(), 4096);
        port.SetOpen(false);
        ClearComPortOverrides();
    }

    // A device held open by this program, under any of its names, cannot be opened or probed again.
    void deviceIsHeldExclusively() {
        PtyPeer peer;
        QVERIFY(peer.open());
        SetComPortOverride(1, peer.slave);
        SerialComPort first(1);
        QVERIFY2(first.SetOpen(true), qPrintable(first.OpenError()));
        QString reason;
        QVERIFY(!SerialComPort::ProbeDevice(peer.slave, &reason));
        QVERIFY(reason.contains(QStringLiteral("busy")));
        const QString link =
            QDir(QDir::tempPath()).filePath(QStringLiteral("x714-pty-link-%1").arg(getpid()));
        QFile::remove(link);
        QVERIFY(QFile::link(peer.slave, link));
        SetComPortOverride(2, link);
        SerialComPort second(2);
        QVERIFY(!second.SetOpen(true));
        QVERIFY(second.OpenError().contains(QStringLiteral("busy")));
        first.SetOpen(false);
        QVERIFY2(second.SetOpen(true), qPrintable(second.OpenError()));
        second.SetOpen(false);
        QFile::remove(link);
        QVERIFY(!SerialComPort::ProbeDevice(QStringLiteral("/nonexistent/ttyX"), &reason));
        QVERIFY(reason.contains(QStringLiteral("no such device")));
        ClearComPortOverrides();
    }

    // When the far end goes away the port stops delivering without spinning, and stays logically open.
    void vanishingDeviceDoesNotHang() {
        auto peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->open());
        SetComPortOverride(1, peer->slave);
        SerialComPort port(1);
        QVERIFY2(port.SetOpen(true), qPrintable(port.OpenError()));
        peer.reset();
        bool lineError = false;
        QTRY_VERIFY_WITH_TIMEOUT((lineError = lineError || port.GetLineError() != 0), 5000);
        // Once seen, the dead device is no longer polled: no further errors pile up.
        QTest::qWait(200);
        QCOMPARE(port.GetLineError(), 0);
        QVERIFY(port.Open());
        QCOMPARE(port.GetInBuffUsed(), 0);
        const uint8_t byte = 0x02;
        port.PutChar(byte); // goes nowhere, must not crash
        port.SetOpen(false);
        ClearComPortOverrides();
    }
};

QTEST_GUILESS_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
