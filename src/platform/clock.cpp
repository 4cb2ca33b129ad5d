#include "clock.h"

#include <QDateTime>
#include <QLocale>
#include <QThread>

namespace {
SystemClock& systemClock() {
    static SystemClock clock;
    return clock;
}
IClock* g_clock = nullptr;

// The locale's long time format without its time zone part, which would only widen the time cells.
QString longTimeFormat() {
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    f.remove(QLatin1Char('t'));
    return f.trimmed();
}
} // namespace

SystemClock::SystemClock() : m_baseMs(QDateTime::currentMSecsSinceEpoch()) {
    m_elapsed.start();
}

qint64 SystemClock::Seconds() const {
    return QDateTime::currentSecsSinceEpoch();
}

qint64 SystemClock::Milliseconds() const {
    // Monotonic: a wall-clock jump must not expire or freeze every reply timer.
    return m_baseMs + m_elapsed.elapsed();
}

QString SystemClock::ShortDate() const {
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString SystemClock::LongTime() const {
    static const QString format = longTimeFormat();
    return QLocale().toString(QTime::currentTime(), format);
}

void SystemClock::Sleep(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

IClock& Clock() {
    return g_clock ? *g_clock : systemClock();
}

void SetClock(IClock* clock) {
    g_clock = clock;
}
