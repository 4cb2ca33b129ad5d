#include "status_light.h"

#include <QPainter>

namespace {
constexpr int GlowMs = 120;
}

TStatusLight::TStatusLight(const QString& objectName, QWidget* parent) : QWidget(parent) {
    setObjectName(objectName);
    setFixedSize(14, 14);
    m_glow.setSingleShot(true);
    m_glow.setInterval(GlowMs);
    connect(&m_glow, &QTimer::timeout, this, [this] {
        m_lit = false;
        update();
    });
}

void TStatusLight::SetMonitoring(bool on) {
    m_monitoring = on;
    if (!on) {
        m_glow.stop();
        m_lit = false;
    }
    update();
}

void TStatusLight::Flash() {
    if (!m_monitoring) return;
    if (!m_lit) {
        m_lit = true;
        update();
    }
    m_glow.start();
}

void TStatusLight::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = !m_monitoring ? QColor(70, 70, 70) : m_lit ? QColor(0, 230, 0) : QColor(0, 90, 0);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}
