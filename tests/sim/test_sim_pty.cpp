// Simulated benches served on pseudo-terminals: a request written to the device (or its COM link)
// is answered there; links are made and removed, and a running simulator's links are left alone;
// output the host does not read waits for it in order, in a bounded line, and what does not fit is
// dropped in whole packets and counted.
#include "clock.h"
#include "paths.h"
#include "sim_peer.h"
#include "sim_pty.h"
#include "simulator.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
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

// Test packets of one size: a big-endian sequence number, then its low byte over and over, so a
// packet cut or spliced shows.
constexpr int PacketSize = 64;
QByteArray numberedPacket(uint32_t n) {
    QByteArray p(PacketSize, char(n & 0xFF));
    for (int i = 0; i < 4; ++i)
        p[i] = char(n >> (24 - 8 * i));
    return p;
}
// The sequence numbers of a stream of whole test packets; empty with *whole false when a packet
// is not whole.
QList<uint32_t> packetNumbers(const QByteArray& stream, bool* whole) {
    QList<uint32_t> out;
    *whole = stream.size() % PacketSize == 0;
    for (qsizetype at = 0; *whole && at < stream.size(); at += PacketSize) {
        uint32_t n = 0;
        for (int i = 0; i < 4; ++i)
            n = (n << 8) | uint8_t(stream.at(at + i));
        *whole = stream.mid(at, PacketSize) == numberedPacket(n);
        out << n;
    }
    if (!*whole) out.clear();
    return out;
}

// Reads the host end until `bytes` bytes have come, letting the simulator side send what it queued.
QByteArray readBack(Device& host, SimPty& pty, qsizetype bytes) {
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += host.readAvailable();
            pty.Flush();
            return got.size() >= bytes;
        },
        20000);
    got += host.readAvailable();
    return got;
}

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

    // Links left by an earlier run are replaced (device gone, or a pseudo-terminal no simulator
    // serves); a link to a running simulator's device, or a file, is refused and nothing is changed.
    void linksReplaceStaleOnesButNotFilesOrLiveOnes() {
        QDir().mkpath(DriveCDir() + "/dev");
        QFile::remove(Simulator::ComLinkPath(1));
        QFile::remove(Simulator::ComLinkPath(2));
        QVERIFY(QFile::link("/nonexistent/pts/99", Simulator::ComLinkPath(1)));
        int master = -1, slave = -1;
        char name[256] = {};
        QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
        QVERIFY(QFile::link(QString::fromLocal8Bit(name), Simulator::ComLinkPath(2)));
        Simulator sim;
        QVERIFY(sim.Start(2));
        QString error;
        QVERIFY2(sim.CreateComLinks(&error), qPrintable(error));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(1)).symLinkTarget(), sim.DevicePath(0));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(2)).symLinkTarget(), sim.DevicePath(1));
        ::close(master);
        ::close(slave);

        // A second simulator, here in the same process, leaves the first one's links alone.
        Simulator second;
        QVERIFY(second.Start(2));
        QVERIFY(!second.CreateComLinks(&error));
        QVERIFY2(error.contains(Simulator::ComLinkPath(1) + " points at " + sim.DevicePath(0)),
                 qPrintable(error));
        QVERIFY2(error.contains("another simulator that is running"), qPrintable(error));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(1)).symLinkTarget(), sim.DevicePath(0));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(2)).symLinkTarget(), sim.DevicePath(1));

        // A served terminal younger than the link is not the one the link was made for (its number
        // was freed and taken again): the link is left over. A change of mode makes it younger.
        for (int i = 0; i < 2; ++i) {
            struct stat link = {};
            struct stat device = {};
            QCOMPARE(::lstat(QFile::encodeName(Simulator::ComLinkPath(i + 1)).constData(), &link), 0);
            const QByteArray path = QFile::encodeName(sim.DevicePath(i));
            for (int tries = 0; tries < 1000000; ++tries) {
                QCOMPARE(::stat(path.constData(), &device), 0);
                if (device.st_ctim.tv_sec > link.st_ctim.tv_sec ||
                    (device.st_ctim.tv_sec == link.st_ctim.tv_sec &&
                     device.st_ctim.tv_nsec > link.st_ctim.tv_nsec))
                    break;
                QCOMPARE(::chmod(path.constData(), device.st_mode & 07777), 0);
            }
        }
        QVERIFY2(second.CreateComLinks(&error), qPrintable(error));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(1)).symLinkTarget(), second.DevicePath(0));
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(2)).symLinkTarget(), second.DevicePath(1));
        sim.Stop(); // leaves the links that are no longer its own
        QCOMPARE(QFileInfo(Simulator::ComLinkPath(1)).symLinkTarget(), second.DevicePath(0));
        second.Stop();

        QFile file(Simulator::ComLinkPath(1));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(sim.Start(2));
        QVERIFY(!sim.CreateComLinks(&error));
        QVERIFY(error.contains("COM1 exists and is not a link"));
        QVERIFY(QFileInfo(Simulator::ComLinkPath(1)).isFile());
        QVERIFY(!QFileInfo(Simulator::ComLinkPath(2)).exists());
        QFile::remove(Simulator::ComLinkPath(1));
        QVERIFY(!sim.Start(5, &error));
    }

    // The transmit queue keeps whole packets in order up to its bound, drops (and counts) whole
    // packets beyond it, and resumes a packet the line took only part of.
    void transmitQueueDropsWholePackets() {
        SimTxQueue q(10);
        QVERIFY(q.Push("aaaa"));
        QVERIFY(q.Push("bbbb"));
        QVERIFY(!q.Push("ccc"));
        QCOMPARE(q.DroppedPackets(), 1);
        QCOMPARE(q.DroppedBytes(), 3);
        QByteArray line;
        // A line with room for `room` more bytes.
        auto accept = [&](qsizetype room) {
            return [&line, room](const char* data, qsizetype size) mutable {
                const qsizetype n = std::min(size, room);
                line.append(data, n);
                room -= n;
                return n;
            };
        };
        q.Drain(accept(0));
        QCOMPARE(q.Bytes(), 8);
        q.Drain(accept(3));
        QCOMPARE(line, QByteArray("aaa"));
        QCOMPARE(q.Bytes(), 5);
        QVERIFY(q.Push("dd"));
        QVERIFY(q.Push("eee"));
        QVERIFY(!q.Push("f"));
        q.Drain(accept(1000));
        QCOMPARE(line, QByteArray("aaaabbbbddeee"));
        QVERIFY(q.IsEmpty());
        // An empty queue takes one packet longer than its bound, and nothing more.
        QVERIFY(q.Push(QByteArray(25, 'g')));
        QVERIFY(!q.Push("h"));
        QCOMPARE(q.DroppedPackets(), 3);
        QCOMPARE(q.DroppedBytes(), 5);
    }

    // A host that stops reading for a while and then reads gets everything, in order: the terminal
    // holds what it can and the rest waits in the queue.
    void stalledHostGetsEveryPacketInOrder() {
        SimPty pty;
        QString error;
        QVERIFY2(pty.Open(&error), qPrintable(error));
        Device host(pty.DevicePath());
        QVERIFY(host.isOpen());
        QByteArray sent;
        uint32_t n = 0;
        while (pty.QueuedBytes() == 0 && n < 10000) {
            sent += numberedPacket(n++);
            pty.Write(sent.right(PacketSize));
        }
        QVERIFY2(pty.QueuedBytes() > 0, "the terminal never refused");
        // As much again as the queue holds besides the packet the terminal refused.
        for (int i = 0; i < SimPty::MaxQueuedBytes / PacketSize - 1; ++i) {
            sent += numberedPacket(n++);
            pty.Write(sent.right(PacketSize));
        }
        QCOMPARE(pty.DroppedPackets(), 0);
        const QByteArray got = readBack(host, pty, sent.size());
        QCOMPARE(got.size(), sent.size());
        QVERIFY(got == sent);
        QCOMPARE(pty.QueuedBytes(), 0);
    }

    // Output nobody reads fills the terminal and the queue; the rest is dropped in whole packets and
    // counted, so a host that opens the device later gets a bounded backlog of whole packets, in order.
    void unreadOutputIsBoundedInWholePackets() {
        SimPty pty;
        QString error;
        QVERIFY2(pty.Open(&error), qPrintable(error));
        const int count = 4000; // 256 KB, far more than a terminal holds
        for (int i = 0; i < count; ++i)
            pty.Write(numberedPacket(uint32_t(i)));
        QVERIFY(pty.DroppedPackets() > 0);
        QCOMPARE(pty.DroppedBytes(), qint64(pty.DroppedPackets()) * PacketSize);
        QVERIFY(pty.QueuedBytes() <= SimPty::MaxQueuedBytes);

        Device host(pty.DevicePath());
        QVERIFY(host.isOpen());
        const qsizetype expected = qsizetype(count - pty.DroppedPackets()) * PacketSize;
        const QByteArray got = readBack(host, pty, expected);
        QCOMPARE(got.size(), expected);
        QVERIFY2(got.size() < 64 * 1024, qPrintable(QString::number(got.size())));
        bool whole = false;
        const QList<uint32_t> numbers = packetNumbers(got, &whole);
        QVERIFY(whole);
        QCOMPARE(numbers.first(), 0u);
        QVERIFY(std::is_sorted(numbers.begin(), numbers.end()) &&
                std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end());
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"
