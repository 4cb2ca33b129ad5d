#pragma once

#include "comport.h"

#include <QSerialPort>

// The port component over a real serial device (QSerialPort). COMn is mapped to a device by
// ComDevicePath. A device is held exclusively: another process and this program itself are refused.
class SerialComPort : public TApdComPort {
    Q_OBJECT
public:
    explicit SerialComPort(int comNumber = 1, QObject* parent = nullptr);
    ~SerialComPort() override;

    int GetOutBuffFree() const override;
    void FlushOutBuffer() override;
    int GetInBuffUsed() const override;
    bool ProbeComNumber(int comNumber, QString* reason) const override;

    // Tries an exclusive open of a device path and releases it at once.
    static bool ProbeDevice(const QString& device, QString* reason);

protected:
    bool DeviceOpen(QString* error) override;
    void DeviceClose() override;
    void DeviceSetBaud(int baud) override;
    void DeviceWrite(const uint8_t* data, int count) override;
    int DeviceRead(uint8_t* buffer, int count) override;

private:
    void OnError(QSerialPort::SerialPortError error);
    // Why the device went away, in the system's words.
    QString lostReason();
    QSerialPort m_port;
    QString m_heldPath; // canonical path registered as held by this program
};
