#include "comport.h"

#include "clock.h"
#include "dialogs.h"
#include "util.h"

#include <QDateTime>
#include <QFile>

TApdComPort::TApdComPort(int comNumber, QObject* parent) : QObject(parent), m_comNumber(comNumber) {}

TApdComPort::~TApdComPort() = default;

bool TApdComPort::SetOpen(bool open) {
    if (open == m_open) return true;
    if (open) {
        m_openError.clear();
        m_lineError = 0;
        if (!DeviceOpen(&m_openError)) return false;
        m_open = true;
        DeviceSetBaud(m_baud);
        return true;
    }
    DeviceClose();
    m_open = false;
    if (m_tracing == TraceState::On) WriteTrace();
    return true;
}

bool TApdComPort::SetComNumber(int comNumber) {
    if (comNumber == m_comNumber) return true;
    if (!m_open) {
        m_comNumber = comNumber;
        return true;
    }
    // The trace record continues across the renumbering; only a real close writes it.
    DeviceClose();
    m_open = false;
    m_comNumber = comNumber;
    return SetOpen(true);
}

void TApdComPort::SetBaud(int baud) {
    m_baud = baud;
    if (m_open) DeviceSetBaud(baud);
}

void TApdComPort::PutChar(uint8_t byte) {
    PutBlock(&byte, 1);
}

void TApdComPort::PutBlock(const uint8_t* data, int count) {
    if (count <= 0) return;
    Record(true, data, count);
    DeviceWrite(data, count);
    emit Activity(true);
}

void TApdComPort::GetBlock(uint8_t* buffer, int count) {
    if (count <= 0) return;
    const int n = DeviceRead(buffer, count);
    Record(false, buffer, n);
    if (n > 0) emit Activity(false);
}

int TApdComPort::GetLineError() {
    const int e = m_lineError;
    m_lineError = 0;
    return e;
}

void TApdComPort::SetTracing(TraceState state) {
    m_tracing = state;
    m_trace.clear();
    m_traceHead = 0;
}

void TApdComPort::Record(bool transmit, const uint8_t* data, int count) {
    if (m_tracing != TraceState::On || TraceSize <= 0) return;
    const qint64 ms = Clock().Milliseconds();
    for (int i = 0; i < count; ++i) {
        const TraceEntry e{ms, transmit, data[i]};
        if (m_trace.size() < TraceSize) {
            m_trace.append(e);
        } else {
            m_trace[m_traceHead] = e;
            m_traceHead = (m_traceHead + 1) % m_trace.size();
        }
    }
}

// One line per run of bytes in the same direction: milliseconds, "Tx" or "Rx", then the bytes in hex.
void TApdComPort::WriteTrace() {
    QFile file(TraceName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text | QIODevice::Unbuffered)) {
        Dialogs().Message(QStringLiteral("Cannot create %1: %2").arg(TraceName, file.errorString()),
                          QStringLiteral("Information"), IDialogs::Icon::Error);
        return;
    }
    QByteArray text;
    QByteArray line;
    bool lastDir = false;
    int inLine = 0;
    const qsizetype n = m_trace.size();
    for (qsizetype k = 0; k < n; ++k) {
        const TraceEntry& e = m_trace[(m_traceHead + k) % n];
        if (inLine == 0 || e.transmit != lastDir || inLine == 16) {
            if (inLine > 0) text += line + '\n';
            line = QByteArray::number(e.ms).rightJustified(12, ' ') + (e.transmit ? " Tx:" : " Rx:");
            lastDir = e.transmit;
            inLine = 0;
        }
        line += ' ' + QByteArray::number(e.byte, 16).rightJustified(2, '0').toUpper();
        ++inLine;
    }
    if (inLine > 0) text += line + '\n';
    QString reason;
    if (!WriteAllBytes(file, text, nullptr, &reason))
        Dialogs().Message(
            QStringLiteral("Cannot write to %1: %2. The trace is incomplete.").arg(TraceName, reason),
            QStringLiteral("Information"), IDialogs::Icon::Error);
}

qint64 TApdComPort::CurrentTick() {
    return Clock().Milliseconds() / TickMs;
}

void TApdComPort::NewTimer(EventTimer& timer, int ticks) {
    timer.StartTick = CurrentTick();
    timer.ExpireTick = timer.StartTick + ticks;
}

bool TApdComPort::TimerExpired(const EventTimer& timer) {
    return CurrentTick() > timer.ExpireTick;
}
