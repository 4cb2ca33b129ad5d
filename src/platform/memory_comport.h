#pragma once

#include "comport.h"

#include <QMap>

// The port component in memory, for tests. Output waits in a 4096-byte output buffer until Transmit()
// moves it to the wire; input is injected. Device presence is a table of COM numbers shared by all
// memory ports, so start-up probes and activation failures can be staged.
class MemoryComPort : public TApdComPort {
    Q_OBJECT
public:
    enum class Device { Present, Absent, Busy };

    explicit MemoryComPort(int comNumber = 1, QObject* parent = nullptr);
    ~MemoryComPort() override;

    int GetOutBuffFree() const override;
    void FlushOutBuffer() override;
    int GetInBuffUsed() const override { return static_cast<int>(m_in.size() - m_inPos); }
    bool ProbeComNumber(int comNumber, QString* reason) const override;

    // Staging of devices: every COM number is Present unless set otherwise.
    static void SetDevice(int comNumber, Device state);
    static void ResetDevices();

    // Bytes arrive from the bench (dropped while closed); raises TriggerAvail unless told not to.
    void Inject(const QByteArray& bytes, bool trigger = true);
    void InjectLineError() { NoteLineError(); }
    // The device goes away as an unplugged adapter does.
    void LoseDevice(const QString& reason) { NoteDeviceLost(reason); }
    // Output: what is still queued, the wire, and both taken at once (the wire first).
    QByteArray Pending() const { return m_out; }
    void Transmit();
    QByteArray TakeWritten();
    // Shrinks the output buffer (for tests of a frame that does not fit).
    void SetOutCapacity(int bytes) { m_outCapacity = bytes; }

protected:
    bool DeviceOpen(QString* error) override;
    void DeviceClose() override;
    void DeviceSetBaud(int) override {}
    void DeviceWrite(const uint8_t* data, int count) override;
    int DeviceRead(uint8_t* buffer, int count) override;

private:
    static bool Available(int comNumber, QString* reason);
    QByteArray m_out;
    QByteArray m_wire;
    QByteArray m_in;
    qsizetype m_inPos = 0; // read position in m_in
    int m_outCapacity = BufferSize;
    int m_heldCom = 0;
};
