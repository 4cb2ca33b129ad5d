#pragma once

#include "ir_cycle.h"
#include "screen_hook.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TBenchSet;
class TBenchSelector;
class TChart;
class TIRLog;
class TRadioGroup;

// The raw IR view ("RawIR"): streams the detector waveforms of one bench ($40 raw, or $42 filtered in
// FilteredMode), assembles each cycle of 100 samples per channel from its replies and appends it to
// a 550-point chart that scrolls by a cycle when full; "One Shot" stops after one cycle. Completed
// cycles also go to the IR data log (TIRLog), which it shows with "Log...".
class TRawIR : public QWidget, public IRawIrRoutes, public IBenchSelectorScreen {
    Q_OBJECT
public:
    static constexpr int ChartPoints = 550;
    static constexpr double NullValue = -99999;
    static constexpr int RawModeContinuous = 0, RawModeOneShot = 1;
    static constexpr int MarkYes = 0, MarkNo = 1;

    TRawIR(TBenchSet& benches, const IActivationBoxes& boxes, const IGraphWindowState& window, TIRLog& log,
           QWidget* parent = nullptr);

    bool FilteredMode() const { return m_filtered; }
    // The menu entries: "$42 Filtered RAW AD IR Channel Data" sets it, the two others clear it.
    void SetFilteredMode(bool filtered);
    int SelectedBench() const;
    int NumPhases() const { return m_cycle.NumPhases(); }
    int NumPoints() const { return m_cycle.NumPoints(); }
    const TIrCycle& Cycle() const { return m_cycle; }
    // The first free chart point, 0 to 550.
    int ChartPosition() const { return m_position; }
    // The bench a stream was started on, -1 when none runs.
    int StreamingBench() const { return m_streamBench; }

    // ---- IRawIrRoutes ----
    void RawIrPacket(int bench, const TRxPacket& packet) override;
    // ---- IBenchSelectorScreen ----
    void RefreshBenchSelector() override;

    // ---- controls (objectName = member name) ----
    TChart* PEGraph1 = nullptr;
    QPushButton* Start = nullptr;
    QPushButton* Stop = nullptr;
    QPushButton* Clear = nullptr;
    TRadioGroup* RawMode = nullptr;
    TRadioGroup* MarkDataPoints = nullptr;
    QPushButton* UnZoomBtn = nullptr;
    QGroupBox* Graph = nullptr;
    QCheckBox* CO2Chk = nullptr;
    QCheckBox* COChk = nullptr;
    QCheckBox* HCChk = nullptr;
    QCheckBox* RefChk = nullptr;
    QLineEdit* FilteredEdit = nullptr;
    QLineEdit* Edit1 = nullptr; // NumPhases
    QLineEdit* Edit2 = nullptr; // NumPoints
    QPushButton* OKBtn = nullptr;
    QPushButton* DataLogBtn = nullptr;
    QPushButton* Button2 = nullptr;
    TBenchSelector* GrpBench = nullptr;
    QGroupBox* ChannelGain = nullptr;

public slots:
    void StartClick();
    void StopClick();
    void BB1Click(int bench);
    void ClearClick();
    // Any channel box: the checked channels are shown; with none checked the chart is cleared.
    void RefChkClick();
    void MarkDataPointsClick(int index);
    void UnZoomBtnClick();
    void OKBtnClick();
    void DataLogBtnClick();
    void Button2Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::array<QCheckBox*, TIrCycle::Channels> channelBoxes() const { return {CO2Chk, COChk, HCChk, RefChk}; }
    void plotCycle();
    void showFilteredMode();

    TBenchSet& m_benches;
    const IActivationBoxes& m_boxes;
    const IGraphWindowState& m_window;
    TIRLog& m_log;
    TIrCycle m_cycle;
    bool m_filtered = false;
    int m_position = 0;
    int m_streamBench = -1;
    uint8_t m_streamCode = 0x40;
};
