#pragma once

#include "acquisition.h"
#include "comport.h"
#include "data_grid.h"
#include "screen_hook.h"

#include <QMainWindow>
#include <QPrinter>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTextBrowser;
class IBenchHost;
class TAboutBox;
class TBenchSet;
class TCommDlg;
class TCommentDlg;
class TDataTableModel;
class TFMessage;
class TFTitle;
class THistory;
class TRadioGroup;
class TStatusLight;
class TfHist_ir;

// The main window: the data table above a panel with the bench activation boxes and acknowledgement
// lines, the acquisition settings and buttons, and the menus that open every other screen. It owns the
// four serial ports (bench i always talks through port i), the acquisition core it binds its controls
// to, and the small dialogs. It receives the main window's share of the bench connections' calls
// (IMainWindowRoutes); the shell's router forwards them here. The graph screens read its shutdown flag
// and "HC Divisor" (IGraphWindowState).
class TApp : public QMainWindow, public IMainWindowRoutes, public IConsoleHost, public IGraphWindowState {
    Q_OBJECT
public:
    // Makes the port component of COMn (1..4 at start). The desktop program makes serial ports; tests
    // make ports in memory.
    using PortFactory = std::function<std::unique_ptr<TApdComPort>(int comNumber)>;
    static std::unique_ptr<TApdComPort> MakeSerialPort(int comNumber);

    // Binds the bench connections to this window's ports with `host` as their host. The small dialogs
    // are created by CreateOwnDialogs, or one by one by the shell in the program's creation order.
    TApp(TBenchSet& benches, IBenchHost& host, PortFactory makePort = MakeSerialPort,
         QWidget* parent = nullptr);
    ~TApp() override;

    // The main window's own dialogs, each created once and kept for the whole run.
    void CreateAboutBox();
    void CreateCommDlg();
    void CreateCommentDlg();
    void CreateHistory();
    void CreateHistIr();
    void CreateTitle();
    void CreateMessage();
    // Every one of them not created yet, in that order.
    void CreateOwnDialogs();

    TAcquisition& Acquisition() { return m_acq; }
    TBenchSet& Benches() { return m_benches; }
    TApdComPort* ApdComPort(int bench) const { return m_ports[bench].get(); }
    bool PortOpen(int bench) const { return m_acq.State.PortOpen[bench]; }
    bool EngineeringAllowed() const { return m_engineeringAllowed; }
    bool ServiceMode() const { return m_serviceMode; }

    // Shows the two hidden menus, the hidden settings controls and buttons, and General Help.
    void SetServiceMode(bool on);
    // Ticks every usable bench box and starts acquisition, as an operator would (the demo).
    void StartDemo();

    // A screen of another subsystem joins: its selector is refreshed at once and then with the others,
    // the menu items that open it are enabled (those that also set a mode on it are connected by the
    // screen itself), and it is closed at shutdown when the slot is one with close handling.
    void JoinScreen(TScreenSlot slot, QWidget* screen, IBenchSelectorScreen* selector);
    QWidget* Screen(TScreenSlot slot) const { return m_screens[size_t(slot)].widget; }
    // Refreshes the bench selector of every joined screen, in slot order.
    void RefreshBenchSelectors();
    // A menu item by its component name ("Graphics1", "Parameters1", ...).
    QAction* MenuItem(const QString& name) const;

    // Runs a modal dialog and returns its result; tests replace it so that nothing blocks.
    std::function<int(QDialog*)> ExecDialog;

    // ---- IMainWindowRoutes ----
    bool BenchBoxActive(int bench) const override;
    bool Closing() const override;
    void ShowAckLines() override;
    uint8_t ConsoleCommand() const override;
    bool StopBtnEnabled() const override;
    void DataStep(int bench) override;
    void UntickAllBenches() override;
    // After the ports closed: lets pending window events run, then warns that the bench restarted.
    void BenchDisconnected(int bench) override;

    // ---- IConsoleHost (ConsoleCommand above) ----
    const IActivationBoxes& ActivationBoxes() const override { return *this; }
    void RaiseConsoleSendRequest(int bench) override;

    // ---- IGraphWindowState (Closing above) ----
    bool HcDivisor100() const override;

    // ---- controls (objectName = member name) ----
    TDataGrid* Grid = nullptr;
    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    std::array<QLabel*, 4> ComLabel{};             // Label2, Label3, Label4, Label7
    std::array<TStatusLight*, 8> ApdStatusLight{}; // ApdStatusLight1..8: odd numbers transmit
    std::array<QCheckBox*, 4> ActiveBench{};       // ActiveBench1..4
    std::array<QLineEdit*, 4> AckNakEdit{};        // AckNakEdit1..4
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* TimeStamp = nullptr;
    QCheckBox* RelativeTime = nullptr;
    QCheckBox* GasConcentration = nullptr;
    QCheckBox* AcceptCountChk = nullptr;
    QCheckBox* DemodulatedIR = nullptr;
    QCheckBox* Offset = nullptr;
    QCheckBox* MinMaxADC = nullptr;
    QCheckBox* Temperatures = nullptr;
    QCheckBox* AmbTemp = nullptr;
    QCheckBox* Pressures = nullptr;
    QCheckBox* AmbPressure = nullptr;
    QCheckBox* RawNoxO2 = nullptr;
    QCheckBox* Pef = nullptr;
    TRadioGroup* HCMode = nullptr;
    TRadioGroup* HCDivisorRadioGroup = nullptr;
    TRadioGroup* CompDataRG = nullptr;
    TRadioGroup* AveragingRadioGroup = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* AverageEdit = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* StopBtn = nullptr;
    QPushButton* ZeroBtn = nullptr;
    QPushButton* ClearBtn = nullptr;
    QPushButton* CommentBtn = nullptr;
    QPushButton* HistoryBtn = nullptr;
    QPushButton* TitleBtn = nullptr;
    QPushButton* AcceptBtn = nullptr;
    QPushButton* OffsetBtn = nullptr;
    QPushButton* ExitBtn = nullptr;
    TRadioGroup* DataRadio = nullptr;
    TRadioGroup* ZeroRG = nullptr;
    TRadioGroup* Logging = nullptr;
    QTimer Timer6;

    // ---- the screens this window creates (in creation order) ----
    TAboutBox* AboutBox = nullptr;
    TCommDlg* CommDlg = nullptr;
    TCommentDlg* CommentDlg = nullptr;
    THistory* History = nullptr;
    TfHist_ir* fHist_ir = nullptr;
    TFTitle* FTitle = nullptr;
    TFMessage* FMessage = nullptr;

public slots:
    // Bench activation: opens the ports of ticked boxes, closes those of unticked ones.
    void ActiveBench1Click();
    // Data available on port bench + 1.
    void ApdComPortTriggerAvail(int bench);
    void Timer6Timer();

    void OKBtnClick();
    void StartBtnClick();
    void StopBtnClick();
    void ZeroBtnClick();
    void ClearBtnClick();
    void CommentBtnClick();
    void HistoryBtnClick();
    void TitleBtnClick();
    void AcceptBtnClick();
    void OffsetBtnClick();
    void ExitBtnClick();
    void LoggingClick(int index);
    void DataRadioClick(int index);

    void NewFileClick();
    void Appendtofile1Click();
    void CloseFile1Click();
    void PrintForm1Click();
    void PrinterSetup1Click();
    void Comm1Click();
    void About2Click();
    void GeneralHelp2Click();
    // A console item of the command menus: the console is to show this code.
    void ConsoleItemClick(uint8_t code);

    // The orderly shutdown; runs once, from any way of closing the window.
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct JoinedScreen {
        QWidget* widget = nullptr;
        IBenchSelectorScreen* selector = nullptr;
    };

    void buildGrid();
    void buildPanel();
    void buildMenus();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption);
    void addConsoleItems(QMenu* menu, int menuKind);
    void applyMenuVisibility();
    void probePorts();
    void bindPorts();
    // Copies the boxes and ports into the acquisition state, which the timer and time-out scan read.
    void boxesToState();
    // Shows what the acquisition core changed: caption, enabling, choices.
    void stateToControls();
    void settingsBoxClicked(bool TSettingsPanel::*field, bool ticked);
    void closePort(int bench);
    // The device of a bench's port went away.
    void deviceLost(int bench, const QString& reason);
    void setLights(int bench, bool on);
    void applyTitle(const QString& title);
    void showHelpTopic(int topic);
    void updateGridHeight();
    void fitColumns();
    // Lets bytes queued on the ports reach the wire before they are closed.
    void drainOutput();

    TBenchSet& m_benches;
    IBenchHost& m_host;
    TAcquisition m_acq;
    std::array<std::unique_ptr<TApdComPort>, 4> m_ports;
    std::array<QString, 4> m_probeReason;
    TDataTableModel* m_model = nullptr;
    bool m_engineeringAllowed = false;
    bool m_serviceMode = false;
    bool m_closed = false;
    // A row was written since the table was last rebuilt.
    bool m_tableWritten = false;
    std::array<JoinedScreen, size_t(TScreenSlot::Count)> m_screens{};
    QList<QWidget*> m_hiddenControls;
    QPrinter m_printer;
    QTextBrowser* m_help = nullptr;
    QMenu* m_engineeringMenu = nullptr;
    QMenu* m_serviceMenu = nullptr;
};
