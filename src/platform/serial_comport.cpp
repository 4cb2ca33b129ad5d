#include "serial_comport.h"

#include "paths.h"

#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// Devices this program holds open, by canonical path: the serial lock files name a device by the path
// it was opened with, so two names of one device would otherwise both succeed.
QSet<QString>& heldDevices() {
    static QSet<QString> held;
    return held;
}

QString canonical(const QString& device) {
    const QString c = QFileInfo(device).canonicalFilePath();
    return c.isEmpty() ? device : c;
}

QString describe(const QSerialPort& port) {
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("no such device");
    case QSerialPort::PermissionError:
        return QStringLiteral("permission denied or busy (is the user in the dialout group, or does another "
                              "program hold the device?): %1")
            .arg(port.errorString());
    default:
        return QStringLiteral("cannot open: %1").arg(port.errorString());
    }
}

bool configure(QSerialPort& port, const QString& device, QString* reason) {
    port.setPortName(device);
    if (!port.open(QIODevice::ReadWrite)) {
        if (reason) *reason = QStringLiteral("%1: %2").arg(device, describe(port));
        return false;
    }
    return true;
}
} // namespace

SerialComPort::SerialComPort(int comNumber, QObject* parent) : TApdComPort(comNumber, parent) {
    m_port.setReadBufferSize(BufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        const int n = GetInBuffUsed();
        if (n > 0) emit TriggerAvail(n);
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialComPort::OnError);
}

SerialComPort::~SerialComPort() {
    if (Open()) DeviceClose();
}

bool SerialComPort::ProbeDevice(const QString& device, QString* reason) {
    if (device.isEmpty()) {
        if (reason) *reason = QStringLiteral("no such device");
        return false;
    }
    if (heldDevices().contains(canonical(device))) {
        if (reason) *reason = QStringLiteral("%1: busy, held open by this program").arg(device);
        return false;
    }
    QSerialPort port;
    if (!configure(port, device, reason)) return false;
    port.close();
    return true;
}

bool SerialComPort::ProbeComNumber(int comNumber, QString* reason) const {
    return ProbeDevice(ComDevicePath(comNumber), reason);
}

bool SerialComPort::DeviceOpen(QString* error) {
    const QString device = ComDevicePath(ComNumber());
    if (device.isEmpty()) {
        *error = QStringLiteral("COM%1: no such device").arg(ComNumber());
        return false;
    }
    const QString path = canonical(device);
    if (heldDevices().contains(path)) {
        *error = QStringLiteral("%1: busy, held open by this program").arg(device);
        return false;
    }
    if (!configure(m_port, device, error)) return false;
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_heldPath = path;
    heldDevices().insert(path);
    return true;
}

void SerialComPort::DeviceClose() {
    m_port.close();
    heldDevices().remove(m_heldPath);
    m_heldPath.clear();
}

void SerialComPort::DeviceSetBaud(int baud) {
    if (m_port.isOpen()) m_port.setBaudRate(baud);
}

void SerialComPort::DeviceWrite(const uint8_t* data, int count) {
    if (!m_port.isOpen()) return;
    // Hand the bytes to the driver now, as a UART would, instead of when the event loop next runs:
    // requests sent from a busy wait (shutdown) must still leave before the port closes. With nothing
    // queued in the port they go straight to the driver, which saves a turn of the event loop per
    // request in long exchanges (firmware download); what the driver does not take at once is queued.
    if (m_port.bytesToWrite() == 0) {
        const int fd = int(m_port.handle());
        ssize_t n = 0;
        do
            n = ::write(fd, data, size_t(count));
        while (n < 0 && errno == EINTR);
        if (n > 0) {
            data += n;
            count -= int(n);
        }
        if (count == 0) return;
    }
    m_port.write(reinterpret_cast<const char*>(data), count);
    m_port.flush();
}

int SerialComPort::DeviceRead(uint8_t* buffer, int count) {
    if (!m_port.isOpen()) return 0;
    const qint64 n = m_port.read(reinterpret_cast<char*>(buffer), count);
    return n > 0 ? static_cast<int>(n) : 0;
}

int SerialComPort::GetOutBuffFree() const {
    if (!m_port.isOpen()) return BufferSize;
    const qint64 used = m_port.bytesToWrite();
    return used >= BufferSize ? 0 : BufferSize - static_cast<int>(used);
}

void SerialComPort::FlushOutBuffer() {
    if (!m_port.isOpen()) return;
    // Nothing waiting, in the port or in the driver: nothing to discard, and the driver's flush (a
    // costly call on every request of a long exchange) is saved.
    int queued = 0;
    if (m_port.bytesToWrite() == 0 && ::ioctl(int(m_port.handle()), TIOCOUTQ, &queued) == 0 && queued == 0)
        return;
    m_port.clear(QSerialPort::Output);
}

int SerialComPort::GetInBuffUsed() const {
    if (!m_port.isOpen()) return 0;
    const qint64 n = m_port.bytesAvailable();
    return n > 65535 ? 65535 : static_cast<int>(n);
}

QString SerialComPort::lostReason() {
    // The port's own text may carry a stale errno when the read saw end of file (a pseudo-terminal
    // whose other side closed): ask the descriptor. It is non-blocking and about to be closed.
    const int fd = int(m_port.handle());
    if (fd >= 0) {
        char byte = 0;
        const ssize_t n = ::read(fd, &byte, 1);
        if (n == 0) return QStringLiteral("hang-up");
        if (n < 0 && errno != EAGAIN && errno != EINTR) return qt_error_string(errno);
    }
    const QString text = m_port.errorString();
    return text.isEmpty() ? QStringLiteral("the device stopped answering reads") : text;
}

void SerialComPort::OnError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
        break;
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError: {
        // The device went away (unplugged adapter, simulator ended): its descriptor now reports an error
        // on every read and would spin the event loop. Stop listening and say so at once; the port
        // stays logically open, delivering nothing, until its owner closes it.
        const QString reason = lostReason();
        NoteLineError();
        m_port.close();
        NoteDeviceLost(reason);
        break;
    }
    default:
        NoteLineError();
        break;
    }
}
