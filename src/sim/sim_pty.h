#pragma once

// The bench side of one pseudo-terminal: the simulator keeps the master, the host opens the slave
// device like a serial port. The slave stays open here too, in raw mode, so its settings hold for
// programs that do not set any, and reading the master never sees a hang-up.
//
// Output behaves like a serial line whose receiver has a driver buffer: what the host has not read
// yet stays in the pseudo-terminal (the kernel holds about 15 to 20 KB per terminal) and the host gets
// it, in order, whenever it reads. What the terminal does not accept waits in a transmit queue of at
// most MaxQueuedBytes, like a serial driver's transmit ring. A packet that does not fit there is
// dropped whole (a sender never puts part of a packet on the line) and counted. So a host that stalls
// for a while gets every packet once it reads again, and a host that opens the device late gets at
// most what the terminal and the queue hold, never an unbounded stale backlog.
//
// While open, the slave device is locked (flock, exclusive), so that another simulator can tell that
// a link to it points at a pseudo-terminal that is being served (IsServedDevice).

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>

class QSocketNotifier;

// The transmit queue of one line: whole packets in order, bounded; no I/O of its own.
class SimTxQueue {
public:
    explicit SimTxQueue(int maxBytes) : m_max(maxBytes) {}

    // Queues a packet; false (and the packet is counted as dropped) when it does not fit. An empty
    // queue takes any packet, however long, so one longer than the bound is not lost for that alone.
    bool Push(const QByteArray& packet);
    // Hands the queued bytes, oldest first, to `sink`, which returns how many of them it accepted
    // (0 when it takes nothing now, as a full terminal); stops at the first refusal.
    void Drain(const std::function<qsizetype(const char*, qsizetype)>& sink);

    bool IsEmpty() const { return m_packets.empty(); }
    // Bytes still to be sent (a packet that is partly sent counts with its rest only).
    qsizetype Bytes() const { return m_bytes; }
    int MaxBytes() const { return m_max; }
    int DroppedPackets() const { return m_droppedPackets; }
    qint64 DroppedBytes() const { return m_droppedBytes; }
    void Clear();

private:
    int m_max;
    std::deque<QByteArray> m_packets;
    qsizetype m_sentOfFront = 0;
    qsizetype m_bytes = 0;
    int m_droppedPackets = 0;
    qint64 m_droppedBytes = 0;
};

class SimPty : public QObject {
    Q_OBJECT
public:
    // Bytes the transmit queue holds beyond what the pseudo-terminal has accepted (the size of a
    // serial driver's transmit ring).
    static constexpr int MaxQueuedBytes = 4096;

    explicit SimPty(QObject* parent = nullptr);
    ~SimPty() override;

    bool Open(QString* error);
    void Close();
    QString DevicePath() const { return m_device; }

    // Bytes the host wrote to the device.
    std::function<void(const QByteArray&)> OnData;
    // Sends one packet (noise before it included) to the host; never blocks. What the terminal does
    // not take at once is queued; a packet the queue cannot hold is dropped whole.
    void Write(const QByteArray& packet);
    // Gives the terminal what it accepts now of the queue (also done when the terminal signals room).
    void Flush();

    qsizetype QueuedBytes() const { return m_queue.Bytes(); }
    // Packets (and their bytes) dropped because the host did not read them in time.
    int DroppedPackets() const { return m_queue.DroppedPackets(); }
    qint64 DroppedBytes() const { return m_queue.DroppedBytes(); }

    // True when `device` is the slave of a pseudo-terminal that a simulator (in any process) has open,
    // or one that a program holds exclusively.
    static bool IsServedDevice(const QString& device);

private:
    void readMaster();

    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    SimTxQueue m_queue{MaxQueuedBytes};
};
