#include "form_timer.h"

#include "clock.h"

#include <algorithm>

TFormTimer::TFormTimer(int intervalMs, QObject* parent)
    : QObject(parent), m_interval(std::max(1, intervalMs)) {
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, &TFormTimer::Poll);
}

void TFormTimer::SetInterval(int ms) {
    m_interval = std::max(1, ms);
    if (m_enabled) Start();
}

void TFormTimer::Start() {
    m_enabled = true;
    m_deadline = Clock().Milliseconds() + m_interval;
    arm();
}

void TFormTimer::Stop() {
    m_enabled = false;
    m_wake.stop();
}

void TFormTimer::Poll() {
    if (!m_enabled) return;
    if (Clock().Milliseconds() < m_deadline) {
        arm();
        return;
    }
    m_deadline = Clock().Milliseconds() + m_interval;
    arm();
    emit Timeout(); // a handler may stop or restart the timer
}

void TFormTimer::arm() {
    // Wakes up when the interval should be over by the real clock; Poll checks Clock(), which a test
    // may hold still or move on.
    const qint64 left = m_deadline - Clock().Milliseconds();
    m_wake.start(int(std::clamp<qint64>(left, 1, m_interval)));
}
