#include "sim_pty.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

// ---------------------------------------------------------------- SimTxQueue

bool SimTxQueue::Push(const QByteArray& packet) {
    if (packet.isEmpty()) return true;
    if (!m_packets.empty() && m_bytes + packet.size() > m_max) {
        ++m_droppedPackets;
        m_droppedBytes += packet.size();
        return false;
    }
    m_packets.push_back(packet);
    m_bytes += packet.size();
    return true;
}

void SimTxQueue::Drain(const std::function<qsizetype(const char*, qsizetype)>& sink) {
    while (!m_packets.empty()) {
        const QByteArray& front = m_packets.front();
        const qsizetype rest = front.size() - m_sentOfFront;
        const qsizetype n = std::min(sink(front.constData() + m_sentOfFront, rest), rest);
        if (n <= 0) return;
        m_bytes -= n;
        m_sentOfFront += n;
        if (m_sentOfFront == front.size()) {
            m_packets.pop_front();
            m_sentOfFront = 0;
        }
    }
}

void SimTxQueue::Clear() {
    m_packets.clear();
    m_sentOfFront = 0;
    m_bytes = 0;
}

// ---------------------------------------------------------------- SimPty

SimPty::SimPty(QObject* parent) : QObject(parent) {}

SimPty::~SimPty() {
    Close();
}

bool SimPty::Open(QString* error) {
    Close();
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                         .arg(QString::fromLocal8Bit(strerror(errno)));
        m_master = m_slave = -1;
        return false;
    }
    m_device = QString::fromLocal8Bit(name);
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    // Marks the device as served for as long as this simulator holds it (see IsServedDevice).
    ::flock(m_slave, LOCK_EX | LOCK_NB);
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { readMaster(); });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { Flush(); });
    return true;
}

void SimPty::Close() {
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
    m_master = m_slave = -1;
    m_queue.Clear();
}

void SimPty::readMaster() {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            if (OnData) OnData(QByteArray(buf, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return; // EAGAIN: all read
    }
}

void SimPty::Write(const QByteArray& packet) {
    if (m_master < 0 || packet.isEmpty()) return;
    // Room the host made since the last write goes to what waits first, so the order holds.
    Flush();
    m_queue.Push(packet);
    Flush();
}

void SimPty::Flush() {
    if (m_master < 0) return;
    m_queue.Drain([this](const char* data, qsizetype size) -> qsizetype {
        for (;;) {
            const ssize_t n = ::write(m_master, data, size_t(size));
            if (n >= 0) return qsizetype(n);
            if (errno == EINTR) continue;
            return 0; // EAGAIN: the terminal is full until the host reads
        }
    });
    if (m_writeNotifier) m_writeNotifier->setEnabled(!m_queue.IsEmpty());
}

bool SimPty::IsServedDevice(const QString& device) {
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EBUSY; // held exclusively by a program
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}
