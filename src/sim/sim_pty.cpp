#include "sim_pty.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

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
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { readMaster(); });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { writeQueued(); });
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
    m_queue.clear();
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

void SimPty::Write(const QByteArray& bytes) {
    if (m_master < 0 || bytes.isEmpty()) return;
    int unread = 0;
    if (::ioctl(m_slave, FIONREAD, &unread) == 0 && unread > MaxBacklog) dropBacklog();
    m_queue += bytes;
    writeQueued();
}

void SimPty::dropBacklog() {
    // Nobody has been reading for a while: throw the backlog away, as a serial line without a
    // listener loses what is sent, so a host that opens the device later starts with fresh replies.
    ++m_flushes;
    tcflush(m_slave, TCIFLUSH);
}

void SimPty::writeQueued() {
    bool flushed = false;
    while (!m_queue.isEmpty()) {
        const ssize_t n = ::write(m_master, m_queue.constData(), size_t(m_queue.size()));
        if (n > 0) {
            m_queue.remove(0, qsizetype(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && !flushed) {
            // The terminal's buffers are full: the host is far behind or not there at all.
            dropBacklog();
            flushed = true;
            continue;
        }
        break;
    }
    if (m_writeNotifier) m_writeNotifier->setEnabled(!m_queue.isEmpty());
}
