#pragma once

#include "param_list.h"
#include "screen_hook.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TBenchSelector;
class TBench;
class TBenchSet;

// Who keeps the raw value text of the last parameter read for comparison: the calibration load and
// check screen.
class IParamReadTextReceiver {
public:
    virtual ~IParamReadTextReceiver() = default;
    virtual void SetParamReadText(const QByteArray& text) = 0;
};

// The parameter editor ("Parameters"): picks a parameter by number or name, reads its working value
// from one bench, writes the edited text back, loads it from flash and stores it to flash. The names,
// types and banks come from the parameter list file, read once when the screen is created.
class TParameters : public QDialog, public IParameterRoutes, public IBenchSelectorScreen {
    Q_OBJECT
public:
    // Values per memo line are 1 to 20; a memo text longer than this is cut before it is sent.
    static constexpr int MaxColumns = 20;
    static constexpr int MaxWriteText = 2050;

    TParameters(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent = nullptr,
                const QString& listPath = QString::fromLatin1(ParameterListFileName));

    // The list entry of a parameter number 0 to 400, nullptr for any other number.
    const TParameterItem* ParamItem(int number) const { return m_list.Item(number); }
    const TParameterList& ParameterList() const { return m_list; }
    // Where the raw text of each read reply goes (the calibration screen, created later).
    void SetParamReadTextReceiver(IParamReadTextReceiver* receiver) { m_readTextReceiver = receiver; }

    int CurrentParam() const { return m_currentParam; }
    int SelectedBench() const;
    bool FlashAllowed() const { return m_flashAllowed; }

    // ---- IParameterRoutes ----
    void ParamWriteAck(int bench) override;
    void ParamReadReply(int bench, const QByteArray& text) override;
    void ParamStoreAck(int bench) override;
    void ParamLoadAck(int bench) override;
    void SetCurrentParam(int bench, int parameter) override;

    // ---- IBenchSelectorScreen ----
    void RefreshBenchSelector() override;

    // ---- controls (objectName = member name) ----
    QPlainTextEdit* Memo1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* MaskEdit1 = nullptr;
    QLabel* TypeLabel = nullptr;
    QLabel* ElementsLabel = nullptr;
    QLabel* BankLabel = nullptr;
    QPushButton* ReadButton = nullptr;
    QPushButton* WriteBtn = nullptr;
    QPushButton* LoadBtn = nullptr;
    QPushButton* StoreBtn = nullptr;
    TBenchSelector* GrpBench = nullptr;
    QLineEdit* ColumnEdit = nullptr;
    QPushButton* Button3 = nullptr;

public slots:
    void ComboBox1Change(int index);
    void MaskEdit1Change();
    void ReadButtonClick();
    void WriteBtnClick();
    void LoadBtnClick();
    void StoreBtnClick();
    void BB1Click();
    void Button3Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildForm();
    void refreshLabels(int number);
    // The number edit as a number, -999 when it holds none.
    int numberEntry() const;
    // The number check of Read, Write, Load and Store: the warning for a number outside 0 to 400.
    bool takeNumber(int* number);
    TBench* selectedBench() const;

    TBenchSet& m_benches;
    const IActivationBoxes& m_boxes;
    TParameterList m_list;
    IParamReadTextReceiver* m_readTextReceiver = nullptr;
    int m_currentParam = 0;
    bool m_flashAllowed = false;
};
