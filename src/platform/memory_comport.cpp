#include "memory_comport.h"

#include <QSet>
#include <cstring>

namespace {
QMap<int, MemoryComPort::Device>& devices() {
    static QMap<int, MemoryComPort::Device> map;
    return map;
}
QSet<int>& held() {
    static QSet<int> set;
    return set;
}
} // namespace

MemoryComPort::MemoryComPort(int comNumber, QObject* parent) : TApdComPort(comNumber, parent) {}

MemoryComPort::~MemoryComPort() {
    if (m_heldCom) held().remove(m_heldCom);
}

void MemoryComPort::SetDevice(int comNumber, Device state) {
    devices().insert(comNumber, state);
}

void MemoryComPort::ResetDevices() {
    devices().clear();
}

bool MemoryComPort::Available(int comNumber, QString* reason) {
    const Device d = devices().value(comNumber, Device::Present);
    QString why;
    if (comNumber < 1 || comNumber > 99 || d == Device::Absent)
        why = QStringLiteral("COM%1: no such device").arg(comNumber);
    else if (d == Device::Busy)
        why = QStringLiteral("COM%1: busy, held by another process").arg(comNumber);
    else if (held().contains(comNumber))
        why = QStringLiteral("COM%1: busy, held open by this program").arg(comNumber);
    if (why.isEmpty()) return true;
    if (reason) *reason = why;
    return false;
}

bool MemoryComPort::ProbeComNumber(int comNumber, QString* reason) const {
    return Available(comNumber, reason);
}

bool MemoryComPort::DeviceOpen(QString* error) {
    if (!Available(ComNumber(), error)) return false;
    m_heldCom = ComNumber();
    held().insert(m_heldCom);
    return true;
}

void MemoryComPort::DeviceClose() {
    held().remove(m_heldCom);
    m_heldCom = 0;
    m_out.clear();
    m_in.clear();
    m_inPos = 0;
}

int MemoryComPort::GetOutBuffFree() const {
    const int used = static_cast<int>(m_out.size());
    return used >= m_outCapacity ? 0 : m_outCapacity - used;
}

void MemoryComPort::FlushOutBuffer() {
    m_out.clear();
}

void MemoryComPort::DeviceWrite(const uint8_t* data, int count) {
    if (Open()) m_out.append(reinterpret_cast<const char*>(data), count);
}

int MemoryComPort::DeviceRead(uint8_t* buffer, int count) {
    const int n = qMin(count, GetInBuffUsed());
    std::memcpy(buffer, m_in.constData() + m_inPos, static_cast<size_t>(n));
    m_inPos += n;
    if (m_inPos == m_in.size()) {
        m_in.clear();
        m_inPos = 0;
    }
    return n;
}

void MemoryComPort::Inject(const QByteArray& bytes, bool trigger) {
    if (!Open()) return; // a closed port delivers nothing
    m_in.append(bytes);
    if (trigger && !m_in.isEmpty()) emit TriggerAvail(static_cast<int>(m_in.size()));
}

void MemoryComPort::Transmit() {
    m_wire.append(m_out);
    m_out.clear();
}

QByteArray MemoryComPort::TakeWritten() {
    Transmit();
    QByteArray all;
    all.swap(m_wire);
    return all;
}
