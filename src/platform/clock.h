#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

// The one source of time for the whole program. Logic never reads the system clock directly, so tests
// can drive every timer and time stamp with ManualClock.
class IClock {
public:
    virtual ~IClock() = default;
    // Wall-clock time in whole seconds.
    virtual qint64 Seconds() const = 0;
    // Monotonic milliseconds; the serial component's 55 ms ticks derive from it.
    virtual qint64 Milliseconds() const = 0;
    // The current date in the user's short date format and time of day in the long time format.
    virtual QString ShortDate() const = 0;
    virtual QString LongTime() const = 0;
    // Lets time pass without handling events (used by busy waits).
    virtual void Sleep(int ms) = 0;
};

class SystemClock : public IClock {
public:
    SystemClock();
    qint64 Seconds() const override;
    qint64 Milliseconds() const override;
    QString ShortDate() const override;
    QString LongTime() const override;
    void Sleep(int ms) override;

private:
    qint64 m_baseMs;
    QElapsedTimer m_elapsed;
};

// Time that moves only when a test says so. Sleep advances it, so busy waits return at once.
class ManualClock : public IClock {
public:
    qint64 Seconds() const override { return m_ms / 1000; }
    qint64 Milliseconds() const override { return m_ms; }
    QString ShortDate() const override { return m_date; }
    QString LongTime() const override { return m_time; }
    void Sleep(int ms) override { m_ms += ms; }

    void Advance(qint64 ms) { m_ms += ms; }
    void SetMilliseconds(qint64 ms) { m_ms = ms; }
    void SetTexts(const QString& date, const QString& time) {
        m_date = date;
        m_time = time;
    }

private:
    qint64 m_ms = 1'000'000'000;
    QString m_date = QStringLiteral("01/02/2026");
    QString m_time = QStringLiteral("12:34:56");
};

// The system clock that a test can move forward at once: Sleep adds to an offset instead of waiting,
// so reply timers run out and busy waits end without real time passing, while everything that follows
// this clock (the simulator too) stays consistent.
class OffsetClock : public IClock {
public:
    qint64 Seconds() const override { return Milliseconds() / 1000; }
    qint64 Milliseconds() const override { return m_system.Milliseconds() + offset; }
    QString ShortDate() const override { return m_system.ShortDate(); }
    QString LongTime() const override { return m_system.LongTime(); }
    void Sleep(int ms) override { offset += ms; }
    qint64 offset = 0;

private:
    SystemClock m_system;
};

IClock& Clock();
// Installs another clock (tests); nullptr restores the system clock. The caller keeps ownership.
void SetClock(IClock* clock);

// Installs a ManualClock for the lifetime of the guard.
class ManualClockScope {
public:
    ManualClockScope() { SetClock(&clock); }
    ~ManualClockScope() { SetClock(nullptr); }
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;
    ManualClock clock;
};
