#pragma once

#include "param_transfer.h"
#include "screen_hook.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TBenchSet;
class TFormTimer;
class TRadioGroup;

// The parameter download and upload screen ("Cal Load1"): copies the whole parameter set of benches 1
// to 4 to their files, or writes each bench's file back with read-back. The transfer itself is
// TParamTransfer; this screen binds its settings and boxes to the controls and receives the bench
// connections' parameter replies, refusals and time-outs while it runs.
class TFCalLoad1 : public QDialog, public IParamTransferRoutes, public IBenchSelectorScreen {
    Q_OBJECT
public:
    TFCalLoad1(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent = nullptr);
    ~TFCalLoad1() override;

    TParamTransfer& Transfer() { return m_transfer; }
    // The parameter list's name of a number, for the upload's header lines.
    std::function<QString(int)> ParameterName;

    // ---- IParamTransferRoutes ----
    bool ParamTransferVisible() const override { return isVisible(); }
    int ParamTransferState() const override { return m_transfer.State(); }
    void ParamTransferStopTimer() override;
    void ParamTransferReply(int bench, const TRxPacket& packet) override;
    void ParamTransferNak(int bench, uint8_t code, uint8_t errorCode) override;
    void ParamTransferTimeout(int bench, uint8_t code) override;

    // ---- IBenchSelectorScreen: the bench boxes follow the activation boxes ----
    void RefreshBenchSelector() override;

    // ---- controls (objectName = member name) ----
    std::array<QCheckBox*, 4> BB{};          // BB1..BB4
    std::array<QPushButton*, 4> Button{};    // Button1..Button4, "Open File n"
    std::array<QLineEdit*, 4> FileEdit{};    // File1Edit..File4Edit
    TRadioGroup* DownloadUploadRG = nullptr; // "Download", "Upload"
    QLineEdit* NumParamEdit = nullptr;       // "Last Parameter"
    QLineEdit* Edit2 = nullptr;              // "Parameter"
    QLineEdit* Edit1 = nullptr;              // "Process State"
    QPushButton* OKBtn = nullptr;            // "Start"
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    TFormTimer* Timer1 = nullptr;

    static constexpr int ItemDownload = 0, ItemUpload = 1;

public slots:
    void BB1Click();
    void OpenFileClick(int bench);
    void OKBtnClick();
    void CancelBtnClick();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;

private:
    class Output;

    TBenchSet& m_benches;
    const IActivationBoxes& m_boxes;
    std::unique_ptr<Output> m_output;
    TParamTransfer m_transfer;
    // The full path an "Open File" chose, with the name its box was given.
    std::array<QString, 4> m_chosenPath;
};
