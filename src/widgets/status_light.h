#pragma once

#include <QTimer>
#include <QWidget>

// The activity light of one direction of a port: dark while switched off, dim while watching, and lit
// for a moment whenever a byte passes.
class TStatusLight : public QWidget {
    Q_OBJECT
public:
    explicit TStatusLight(const QString& objectName, QWidget* parent = nullptr);

    // Watching a port: the light is "on" and flashes with activity.
    bool Monitoring() const { return m_monitoring; }
    void SetMonitoring(bool on);
    bool Lit() const { return m_lit; }

    QSize sizeHint() const override { return {14, 14}; }

public slots:
    // A byte passed: lit for a short glow (only while monitoring).
    void Flash();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_monitoring = false;
    bool m_lit = false;
    QTimer m_glow;
};
