#pragma once

#include <QObject>
#include <QTimer>

// A screen's form timer (the console's 10 s wait, the service screens' reply timers): fires Timeout once
// Interval milliseconds of Clock() time have passed since Start, and again every Interval while it
// stays enabled, as a form timer does. It follows Clock(), so a test with a ManualClock advances the
// clock and calls Poll() instead of waiting.
class TFormTimer : public QObject {
    Q_OBJECT
public:
    explicit TFormTimer(int intervalMs = 1000, QObject* parent = nullptr);

    int Interval() const { return m_interval; }
    void SetInterval(int ms);
    bool Enabled() const { return m_enabled; }
    // Starts (or restarts) the interval from now.
    void Start();
    void Stop();
    // Fires Timeout if the interval has passed (the event loop calls it too).
    void Poll();

signals:
    void Timeout();

private:
    void arm();

    int m_interval;
    bool m_enabled = false;
    qint64 m_deadline = 0;
    QTimer m_wake;
};
