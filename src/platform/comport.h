#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>
#include <cstdint>

// A reply timer in 55 ms ticks: the tick it was armed and the tick it expires after.
struct EventTimer {
    qint64 StartTick = 0;
    qint64 ExpireTick = 0;
};

// The serial port component a bench talks through. The line is 8 data bits, no parity, 1 stop bit, no
// flow control, with 4096-byte buffers. Subclasses supply the device: a real serial device
// (SerialComPort) or memory (MemoryComPort, for tests).
class TApdComPort : public QObject {
    Q_OBJECT
public:
    static constexpr int BufferSize = 4096;
    static constexpr int TickMs = 55;
    enum class TraceState { Off, On };

    explicit TApdComPort(int comNumber = 1, QObject* parent = nullptr);
    ~TApdComPort() override;

    // Opens or closes the device "COM" + ComNumber. Opening returns false when the device cannot be
    // opened; OpenError() then tells why. Closing while tracing writes the trace file.
    bool Open() const { return m_open; }
    bool SetOpen(bool open);
    QString OpenError() const { return m_openError; }

    // Renumbering an open port closes it and reopens it on the new device, keeping its tracing.
    int ComNumber() const { return m_comNumber; }
    bool SetComNumber(int comNumber);

    // 9600 to 115200; takes effect at once on an open port, else at the next open.
    int Baud() const { return m_baud; }
    void SetBaud(int baud);

    void PutChar(uint8_t byte);
    void PutBlock(const uint8_t* data, int count);
    virtual int GetOutBuffFree() const = 0;
    virtual void FlushOutBuffer() = 0;
    virtual int GetInBuffUsed() const = 0;
    // Moves exactly count waiting bytes (the caller asks for no more than GetInBuffUsed) into buffer.
    void GetBlock(uint8_t* buffer, int count);
    // Non-zero when a line error was seen since the last call; the call clears it.
    int GetLineError();

    TraceState Tracing() const { return m_tracing; }
    // Off discards the record; On starts recording (up to TraceSize entries, the newest kept). The
    // record is written to TraceName when the port closes; a file that cannot be written is reported
    // in a box ("Cannot write to TEST.TRC: ...", caption "Information") through Dialogs().
    void SetTracing(TraceState state);
    QString TraceName = QStringLiteral("APRO.TRC");
    int TraceSize = 10000;

    // Tries to open the device of COMn exclusively and releases it at once. Fails for a device that
    // this program already holds open. reason tells why it failed.
    virtual bool ProbeComNumber(int comNumber, QString* reason) const = 0;

    static qint64 CurrentTick();
    static void NewTimer(EventTimer& timer, int ticks);
    static bool TimerExpired(const EventTimer& timer);

signals:
    // Received data is waiting (count bytes); raised on the user-interface thread.
    void TriggerAvail(int count);
    // A byte was queued (transmit) or received; drives the activity lights.
    void Activity(bool transmit);
    // The device went away (unplugged adapter, peer gone: reads fail with an I/O error). The port
    // delivers nothing more; its owner closes it. reason is the system's ("Input/output error").
    void DeviceLost(const QString& reason);

protected:
    virtual bool DeviceOpen(QString* error) = 0;
    virtual void DeviceClose() = 0;
    virtual void DeviceSetBaud(int baud) = 0;
    virtual void DeviceWrite(const uint8_t* data, int count) = 0;
    virtual int DeviceRead(uint8_t* buffer, int count) = 0;
    void NoteLineError() { m_lineError = 1; }
    void NoteDeviceLost(const QString& reason) { emit DeviceLost(reason); }

private:
    void Record(bool transmit, const uint8_t* data, int count);
    void WriteTrace();

    struct TraceEntry {
        qint64 ms;
        bool transmit;
        uint8_t byte;
    };
    int m_comNumber;
    int m_baud = 19200;
    bool m_open = false;
    QString m_openError;
    int m_lineError = 0;
    TraceState m_tracing = TraceState::Off;
    QVector<TraceEntry> m_trace;
    qsizetype m_traceHead = 0; // oldest entry once the record is full
};
