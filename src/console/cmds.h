#pragma once

#include "console_page.h"
#include "form_timer.h"
#include "screen_hook.h"

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;
class TBenchSelector;
class TBenchSet;
class TConsoleRadioGroup;

// The command console: one bench command at a time, composed on a page of generic controls, checked,
// handed to the main window's one-second timer through the selected bench's CmdParams, and its
// acknowledgement and decoded reply shown. The menus of the main window choose the command
// (ConsoleCommand) and show the console again, which lays the page out afresh. The pages themselves
// (layout, send step, result display) are widget-free functions (console_page.h); this dialog binds
// them to its controls and runs the send/wait cycle.
class TFCmds : public QDialog, public IConsoleRoutes, public IBenchSelectorScreen {
    Q_OBJECT
public:
    static constexpr int HelpContext = 6001;
    static constexpr int WaitBackstopMs = 10000;

    TFCmds(TBenchSet& benches, IConsoleHost& host, QWidget* parent = nullptr);
    ~TFCmds() override;

    int SelectedBench() const;
    // A command was handed over and its acknowledgement has not been shown yet.
    bool Waiting() const { return m_waiting; }
    const TRememberedEntries& Remembered() const { return m_remembered; }
    // The generic controls as the page functions see them, read from the widgets.
    TPageControls PageControls() const;

    // ---- controls (objectName = member name; Label[0] is Label1) ----
    std::array<QLabel*, TPageControls::LabelCount> Label{};
    std::array<QLineEdit*, TPageControls::EditCount> Edit{};
    std::array<QCheckBox*, TPageControls::CheckBoxCount> CheckBox{};
    std::array<TConsoleRadioGroup*, TPageControls::RadioGroupCount> RadioGroup{};
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* InProgLabel = nullptr;
    QLineEdit* InProgEdit = nullptr;
    QLabel* AckNakLabel = nullptr;
    QLineEdit* AckNakEdit = nullptr;
    QLabel* SerNumLabel = nullptr;
    QLineEdit* SerNumEdit = nullptr;
    TBenchSelector* GrpBench = nullptr;
    QPushButton* SendBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    TFormTimer Timer1;

    // ---- IConsoleRoutes ----
    bool ConsoleExists() const override { return true; }
    void ShowAckNak(int bench) override;
    void ShowResult(int bench, uint8_t code) override;

    // ---- IBenchSelectorScreen ----
    void RefreshBenchSelector() override;

public slots:
    void FormShow();
    void ResetPage();
    // A bench button was clicked: the page is laid out again for the newly selected bench.
    void BB1Click(int bench);
    void SendBtnClick();
    void CloseBtnClick();
    void Timer1Timer();
    void HelpBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    // Shows the page's state on the widgets; `placed` also sets visibility, places, captions and items
    // (a new layout), otherwise only values change.
    void applyControls(const TPageControls& page, bool placed);
    void orderTabs();
    void setAckText(const QString& text, bool error);
    void endWait();

    TBenchSet& m_benches;
    IConsoleHost& m_host;
    TRememberedEntries m_remembered;
    // The code the page on show was laid out for.
    uint8_t m_pageCode = 0;
    bool m_waiting = false;
    // The bench the waiting command was handed to: its report ends the wait.
    int m_waitingBench = -1;
    QTextBrowser* m_help = nullptr;
};
