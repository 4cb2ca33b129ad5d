#pragma once

#include "gas_graphs.h"
#include "screen_hook.h"

#include <QColor>
#include <QWidget>
#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TBench;
class TBenchSet;
class TBenchSelector;
class TChart;

// What the two gas strip-chart screens share: the chart PEGraph1 of one selected bench (buttons BB1 to
// BB4 in the group "X714"), Start, Stop, Freeze and Clear, the stopped flag, the start time, and the
// update that every decoded measurement reply of any bench calls: one point per reply of the selected
// bench, labelled with the seconds since the screen was created. Closing the screen writes its
// settings file and stops it.
class TGasGraphScreen : public QWidget, public IGraphRoutes, public IBenchSelectorScreen {
    Q_OBJECT
public:
    static constexpr int Points = 130;
    // A whole window of points: appending it scrolls the chart empty.
    static constexpr int ClearWindow = Points;

    bool Stopped() const { return m_stopped; }
    int SelectedBench() const;
    // Wall-clock seconds when the screen was created; point labels count from here.
    qint64 StartTime() const { return m_startTime; }

    // ---- IGraphRoutes ----
    void UpdateGraph(int bench) override;
    // ---- IBenchSelectorScreen ----
    void RefreshBenchSelector() override;

    // ---- controls (objectName = member name) ----
    TChart* PEGraph1 = nullptr;
    QGroupBox* Channels = nullptr;
    TBenchSelector* GrpBench = nullptr;
    QPushButton* ApplyButton = nullptr;
    QPushButton* Start = nullptr;
    QPushButton* Stop = nullptr;
    QPushButton* FreezeBtn = nullptr;
    QPushButton* ClearBtn = nullptr;

public slots:
    void StartClick();
    void StopClick();
    void FreezeBtnClick();
    void ClearBtnClick();
    // A bench button: its bench is the selection now, and the chart is cleared.
    void BB1Click(int bench);
    virtual void ApplyButtonClick() = 0;
    // Writes the settings file, then stops.
    void FormClose();

protected:
    TGasGraphScreen(const QString& objectName, const QString& caption, TBenchSet& benches,
                    const IActivationBoxes& boxes, const IGraphWindowState& window, bool TBench::*newDataFlag,
                    QWidget* parent);

    // The layout: the chart on the left; the channel group, the bench selector and the buttons on the
    // right. The derived screen fills Channels before calling it.
    void layOut();
    QCheckBox* channelBox(const QString& name, const QString& text, bool checked);
    QLineEdit* limitEdit(const QString& name, const QString& text);
    void setStopped(bool stopped);
    // The grey behind both charts.
    static QColor deskColour() { return {192, 192, 192}; }
    // The box that refuses limits of WHAT (an axis, a gas) with Min not below Max.
    static void refuseLimits(const QString& what);

    // One reading of the selected bench, scaled, indexed by Gas.
    virtual void appendReading(const std::array<double, GasCount>& values, const QString& label) = 0;
    virtual void writeSettings() = 0;

    void closeEvent(QCloseEvent* event) override;

    TBenchSet& m_benches;
    const IActivationBoxes& m_boxes;
    const IGraphWindowState& m_window;

private:
    bool TBench::*m_newDataFlag;
    bool m_stopped = false;
    qint64 m_startTime = 0;
};
