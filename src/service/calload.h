#pragma once

#include "cal_load_bench.h"
#include "fparams.h"
#include "screen_hook.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TBenchSet;

// Calibration load and check: the operator ticks the benches, chooses each one's calibration file and
// starts a run, which loads the file into the lowest-numbered ticked bench (or checks the bench against
// it). The run itself is TCalLoadMachine; this screen binds it to its controls, its form timer, the
// bench connections and the trace file.
class TFCalLoad : public QDialog,
                  public ICalLoadRoutes,
                  public IBenchSelectorScreen,
                  public IParamReadTextReceiver {
    Q_OBJECT
public:
    TFCalLoad(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent = nullptr);
    ~TFCalLoad() override;

    TCalLoadMachine& Machine() { return m_machine; }
    bool LoadMode() const { return m_machine.LoadMode(); }

    // ---- ICalLoadRoutes ----
    bool CalLoadVisible() const override;
    int CalLoadState() const override;
    void CalLoadSetRefused() override;
    void CalLoadStopTimer() override;
    void CalLoadReply(int bench, const TRxPacket& packet) override;

    // ---- IBenchSelectorScreen: the bench check boxes ----
    void RefreshBenchSelector() override;

    // ---- IParamReadTextReceiver ----
    void SetParamReadText(const QByteArray& text) override;

    // ---- controls (objectName = member name) ----
    QGroupBox* GroupBench01 = nullptr;
    std::array<QCheckBox*, 4> BB{};           // BB1..BB4
    std::array<QPushButton*, 4> OpenButton{}; // Button1..Button4
    std::array<QLineEdit*, 4> FileEdit{};     // File1Edit..File4Edit
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    QLabel* ProcStateLabel = nullptr;
    QLineEdit* Edit1 = nullptr;
    TFormTimer* Timer1 = nullptr;

public slots:
    // The two menu entries: the mode and caption, then the screen is shown.
    void LoadcalConstants1Click();
    void CheckCalConstants1Click();
    // "Open File n" (bench 0..3).
    void OpenFileClick(int bench);
    void OKBtnClick();
    void CancelBtnClick();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    // Escape is the Cancel button; closing the window only hides it, and a run goes on.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Output final : public TCalLoadBenchOutput {
    public:
        Output(TFCalLoad& screen, TBenchSet& benches) : TCalLoadBenchOutput(benches), m_screen(screen) {}
        bool BenchChecked(int bench) const override;
        void ShowState(const QString& text) override;
        void ReportProblem(const QString& text) override;
        void RunEnded(TCalLoadResult result) override;

    private:
        TFCalLoad& m_screen;
    };

    void buildForm();
    void showInMode(bool load);

    const IActivationBoxes& m_boxes;
    Output m_output;
    TCalLoadMachine m_machine;
};
