#pragma once

// The bench side of one pseudo-terminal: the simulator keeps the master, the host opens the slave
// device like a serial port. The slave stays open here too, in raw mode, so its settings hold for
// programs that do not set any, and reading the master never sees a hang-up.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

class SimPty : public QObject {
    Q_OBJECT
public:
    // Most bytes left unread by the host before the backlog is thrown away, as a serial line
    // without a listener loses what is sent.
    static constexpr int MaxBacklog = 3072;

    explicit SimPty(QObject* parent = nullptr);
    ~SimPty() override;

    bool Open(QString* error);
    void Close();
    QString DevicePath() const { return m_device; }

    // Bytes the host wrote to the device.
    std::function<void(const QByteArray&)> OnData;
    // Sends bytes to the host (never blocks).
    void Write(const QByteArray& bytes);
    // How often an unread backlog was thrown away.
    int BacklogFlushes() const { return m_flushes; }

private:
    void readMaster();
    void writeQueued();
    void dropBacklog();

    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_queue;
    int m_flushes = 0;
};
