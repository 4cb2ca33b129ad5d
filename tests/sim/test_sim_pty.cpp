// Simulated benches served on pseudo-terminals: a request written to the device (or its COM link)
// is answered there; links are made and removed; an unread backlog is dropped, not piled up.
#include "clock.h"
#include "paths.h"
#include "sim_peer.h"
#include "sim_pty.h"
#include "simulator.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A host end opened on a device path, raw and non-blocking.
class Device {
public:
    explicit Device(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Device() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void write(const QByteArray& b) {
        QCOMPARE(::write(m_fd, b.constData(), size_t(b.size())), ssize_t(b.size()));
    }
    QByteArray readAvailable() {
        QByteArray out;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(m_fd, buf, sizeof buf)) > 0)
            out.append(buf, int(n));
        return out;
    }
    // Waits (handling events, so the simulator's notifier runs) until `count` replies have arrived.
    QList<Reply> waitReplies(int count, int timeoutMs = 3000) {
        QByteArray got;
        QList<Reply> r;
        (void)QTest::qWaitFor(
            [&] {
                got += readAvailable();
                r = SplitReplies(got);
                return r.size() >= count;
            },
            timeoutMs);
        return r;
    }

private:
    int m_fd = -1;
};

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT

private slots:
    void answersThroughTheDeviceAndItsLink() {
        ManualClockScope clock;
        Simulator sim;
        sim.SetTimerEnabled(false);
        QString error;
        QVERIFY2(sim.Start(2, &error), qPrintable(error));
        QCOMPARE(sim.BenchCount(), 2);
        QVERIFY(sim.DevicePath(0) != sim.DevicePath(1));
        QVERIFY2(sim.CreateComLinks(&error), qPrintable(error));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(2)).symLinkTarget(), sim.DevicePath(1));
        QCOMPARE(ComDevicePath(1), Simulator::ComLinkPath(1));

        Device com2(Simulator::ComLinkPath(2));
        QVERIFY(com2.isOpen());
        com2.write(Frame(0x04));
        const QList<Reply> r = com2.waitReplies(1);
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.first().code, uint8_t(0x04));
        QCOMPARE(r.first().data.left(6), sim.Bench(1).Identity().at(0).toLatin1());

        // A stream runs on the simulator's ticks.
        com2.write(Frame(0x01, Bytes({2, 0})));
        QCOMPARE(com2.waitReplies(1).size(), 1);
        for (int i = 0; i < 5; ++i) {
            clock.clock.Advance(200);
            sim.TickAll();
        }
        QCOMPARE(com2.waitReplies(5).size(), 5);

        sim.Stop();
        QVERIFY(!QFileInfo(Simulator::ComLinkPath(1)).isSymLink());
        QVERIFY(!QFileInfo(Simulator::ComLinkPath(2)).isSymLink());
    }

    void linksReplaceStaleOnesButNotFiles() {
        QDir().mkpath(DriveCDir() + "/dev");
        QFile::remove(Simulator::ComLinkPath(1));
        QVERIFY(QFile::link("/nonexistent/pts/99", Simulator::ComLinkPath(1)));
        Simulator sim;
        QVERIFY(sim.Start(1));
        QVERIFY(sim.CreateComLinks());
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(1)).symLinkTarget(), sim.DevicePath(0));
        sim.RemoveComLinks();

        QFile file(Simulator::ComLinkPath(1));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QString error;
        QVERIFY(!sim.CreateComLinks(&error));
        QVERIFY(error.contains("COM1"));
        QVERIFY(QFileInfo(Simulator::ComLinkPath(1)).isFile());
        QFile::remove(Simulator::ComLinkPath(1));
        QVERIFY(!sim.Start(5, &error));
    }

    // Output nobody reads is thrown away once the backlog passes its limit, so a host that opens
    // the device later is not flooded with old packets.
    void unreadBacklogIsDropped() {
        SimPty pty;
        QString error;
        QVERIFY2(pty.Open(&error), qPrintable(error));
        const QByteArray packet(200, 'x');
        for (int i = 0; i < 100; ++i)
            pty.Write(packet);
        QVERIFY(pty.BacklogFlushes() > 0);
        Device host(pty.DevicePath());
        const QByteArray stale = host.readAvailable();
        QVERIFY2(stale.size() < 100 * packet.size() / 2, qPrintable(QString::number(stale.size())));
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"
