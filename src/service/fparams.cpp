#include "fparams.h"

#include "bench.h"
#include "bench_selector.h"
#include "dialogs.h"
#include "paths.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
constexpr int NoNumber = -999;
const QString InformationCaption = QStringLiteral("Information");

QLabel* caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}
} // namespace

TParameters::TParameters(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent,
                         const QString& listPath)
    : QDialog(parent), m_benches(benches), m_boxes(boxes) {
    setObjectName(QStringLiteral("Parameters"));
    setWindowTitle(QStringLiteral("Parameters"));
    buildForm();

    const TParameterListRead read = ReadParameterListFile(listPath);
    m_list = read.List;
    if (read.Error)
        Dialogs().Message(
            QStringLiteral("The parameter list cannot be read, so the parameters have no names.\n%1")
                .arg(read.Error->Text()),
            InformationCaption, IDialogs::Icon::Error);
    for (const TParameterItem& item : m_list.Items)
        ComboBox1->addItem(item.Name);
    ComboBox1->setCurrentIndex(1);
    {
        const QSignalBlocker block(MaskEdit1);
        MaskEdit1->setText(QStringLiteral("1"));
    }
    RefreshBenchSelector();
    refreshLabels(1);
    m_flashAllowed = QFileInfo::exists(DriveCPath(QStringLiteral("Flash.Ok")));
}

void TParameters::buildForm() {
    auto* top = new QVBoxLayout(this);

    auto* pick = new QGridLayout;
    pick->addWidget(caption(QStringLiteral("Parameter:"), this), 0, 0);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumContentsLength(24);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox1->setMaxVisibleItems(20);
    pick->addWidget(ComboBox1, 0, 1);
    pick->addWidget(caption(QStringLiteral("Param #:"), this), 0, 2);
    MaskEdit1 = new QLineEdit(this);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setMaxLength(5);
    MaskEdit1->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral(" ?[0-9]{0,4}")), MaskEdit1));
    MaskEdit1->setMaximumWidth(70);
    MaskEdit1->installEventFilter(this);
    pick->addWidget(MaskEdit1, 0, 3);

    auto* facts = new QHBoxLayout;
    TypeLabel = new QLabel(this);
    ElementsLabel = new QLabel(this);
    BankLabel = new QLabel(this);
    TypeLabel->setObjectName(QStringLiteral("TypeLabel"));
    ElementsLabel->setObjectName(QStringLiteral("ElementsLabel"));
    BankLabel->setObjectName(QStringLiteral("BankLabel"));
    for (auto [text, label] : {std::pair{QStringLiteral("Param Type:"), TypeLabel},
                               std::pair{QStringLiteral("Param Elem:"), ElementsLabel},
                               std::pair{QStringLiteral("Param Bank:"), BankLabel}}) {
        facts->addWidget(caption(text, this));
        label->setMinimumWidth(110);
        facts->addWidget(label);
        facts->addSpacing(12);
    }
    facts->addStretch();
    pick->addLayout(facts, 1, 0, 1, 4);
    pick->setColumnStretch(1, 1);
    top->addLayout(pick);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabStopDistance(Memo1->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
    Memo1->setMinimumSize(520, 180);
    top->addWidget(Memo1, 1);

    auto* controls = new QHBoxLayout;
    auto group = [this](const QString& title) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QStringLiteral("Group") + title);
        return box;
    };
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QGroupBox* ram = group(QStringLiteral("RAM"));
    auto* ramLayout = new QHBoxLayout(ram);
    ReadButton = button(QStringLiteral("ReadButton"), QStringLiteral("&Read"));
    WriteBtn = button(QStringLiteral("WriteBtn"), QStringLiteral("&Write"));
    ReadButton->setDefault(true);
    ramLayout->addWidget(ReadButton);
    ramLayout->addWidget(WriteBtn);
    controls->addWidget(ram);

    QGroupBox* flash = group(QStringLiteral("Flash"));
    auto* flashLayout = new QHBoxLayout(flash);
    LoadBtn = button(QStringLiteral("LoadBtn"), QStringLiteral("&Load"));
    StoreBtn = button(QStringLiteral("StoreBtn"), QStringLiteral("&Store"));
    flashLayout->addWidget(LoadBtn);
    flashLayout->addWidget(StoreBtn);
    controls->addWidget(flash);

    GrpBench = new TBenchSelector(QStringLiteral("Bench"), this);
    controls->addWidget(GrpBench);

    auto* columns = new QVBoxLayout;
    columns->addWidget(caption(QStringLiteral("Columns"), this));
    ColumnEdit = new QLineEdit(QStringLiteral("10"), this);
    ColumnEdit->setObjectName(QStringLiteral("ColumnEdit"));
    ColumnEdit->setMaximumWidth(50);
    columns->addWidget(ColumnEdit);
    controls->addLayout(columns);
    controls->addStretch();
    Button3 = button(QStringLiteral("Button3"), QStringLiteral("Close"));
    controls->addWidget(Button3, 0, Qt::AlignBottom);
    top->addLayout(controls);

    connect(ComboBox1, &QComboBox::activated, this, &TParameters::ComboBox1Change);
    connect(MaskEdit1, &QLineEdit::textChanged, this, &TParameters::MaskEdit1Change);
    connect(ReadButton, &QPushButton::clicked, this, &TParameters::ReadButtonClick);
    connect(WriteBtn, &QPushButton::clicked, this, &TParameters::WriteBtnClick);
    connect(LoadBtn, &QPushButton::clicked, this, &TParameters::LoadBtnClick);
    connect(StoreBtn, &QPushButton::clicked, this, &TParameters::StoreBtnClick);
    connect(GrpBench, &TBenchSelector::Clicked, this, &TParameters::BB1Click);
    connect(Button3, &QPushButton::clicked, this, &TParameters::Button3Click);
}

int TParameters::SelectedBench() const {
    return GrpBench->SelectedBench();
}

TBench* TParameters::selectedBench() const {
    const int bench = SelectedBench();
    return bench >= 0 && bench < 4 ? &m_benches[bench] : nullptr;
}

int TParameters::numberEntry() const {
    bool ok = false;
    const int n = MaskEdit1->text().trimmed().toInt(&ok);
    return ok ? n : NoNumber;
}

bool TParameters::takeNumber(int* number) {
    const int n = numberEntry();
    if (n < 0 || n > MaxParameterNumber) {
        Dialogs().Message(QStringLiteral("Illegal Parameter number"), QStringLiteral("Warning"),
                          IDialogs::Icon::Warning);
        return false;
    }
    m_currentParam = n;
    *number = n;
    return true;
}

void TParameters::refreshLabels(int number) {
    const TParameterItem* item = m_list.Item(number);
    if (!item) {
        TypeLabel->setText(QStringLiteral("Unknown"));
        ElementsLabel->hide();
        BankLabel->hide();
        return;
    }
    TypeLabel->setText(ParamTypeName(item->Type));
    if (item->Elements > 0 || item->Elements == -1) {
        ElementsLabel->setText(item->Elements > 0 ? QString::number(item->Elements) : item->ElementsText);
        ElementsLabel->show();
    } else {
        ElementsLabel->hide();
    }
    // The bank matters for arrays too (a RAM array cannot be stored), so it is always shown.
    BankLabel->setText(ParamBankName(item->Bank));
    BankLabel->show();
}

void TParameters::ComboBox1Change(int index) {
    MaskEdit1->setText(QString::number(index));
    refreshLabels(index);
}

void TParameters::MaskEdit1Change() {
    const int n = numberEntry();
    if (n < 0 || n > MaxParameterNumber) return;
    {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(n);
    }
    refreshLabels(n);
}

bool TParameters::eventFilter(QObject* watched, QEvent* event) {
    // MaskEdit1KeyPress: Enter in the number edit reads the parameter.
    if (watched == MaskEdit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ReadButtonClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TParameters::ReadButtonClick() {
    Memo1->clear();
    StoreBtn->setEnabled(false);
    int n = 0;
    if (!takeNumber(&n)) return;
    if (TBench* bench = selectedBench()) bench->SendReadFlashParameter(uint16_t(n));
}

void TParameters::WriteBtnClick() {
    int n = 0;
    if (!takeNumber(&n)) return;
    QString text = Memo1->toPlainText().left(MaxWriteText);
    text.remove(QRegularExpression(QStringLiteral("[ \t\r\n]")));
    TBench* bench = selectedBench();
    if (!bench) return;
    // The bench takes the value as ASCII text; anything else would arrive as a different value.
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
            Dialogs().Message(QStringLiteral("The value may hold only ASCII characters, not '%1'.").arg(c),
                              InformationCaption, IDialogs::Icon::Error);
            return;
        }
    if (!bench->SendWriteFlashParameter(uint16_t(n), text.toLatin1()))
        Dialogs().Message(QStringLiteral("The value is too long to be sent: %1 characters, at most %2.")
                              .arg(text.size())
                              .arg(TBench::MaxParamValueLength),
                          InformationCaption, IDialogs::Icon::Error);
}

void TParameters::LoadBtnClick() {
    int n = 0;
    if (!takeNumber(&n)) return;
    Memo1->clear();
    if (TBench* bench = selectedBench()) bench->SendLoadFlashParameter(uint16_t(n));
}

void TParameters::StoreBtnClick() {
    int n = 0;
    if (!takeNumber(&n)) return;
    if (TBench* bench = selectedBench()) bench->SendStoreFlashParameter(uint16_t(n));
}

void TParameters::BB1Click() {
    Memo1->clear();
}

void TParameters::Button3Click() {
    hide();
}

void TParameters::RefreshBenchSelector() {
    GrpBench->Refresh(m_boxes);
}

// ---- the bench connections' calls ----

void TParameters::ParamWriteAck(int) {
    const TParameterItem* item = m_list.Item(m_currentParam);
    StoreBtn->setEnabled(m_flashAllowed && (!item || item->Bank != RamBank));
}

void TParameters::ParamReadReply(int, const QByteArray& text) {
    // The calibration check compares the raw text whatever the display makes of it.
    if (m_readTextReceiver) m_readTextReceiver->SetParamReadText(text);
    bool ok = false;
    const int columns = ColumnEdit->text().trimmed().toInt(&ok);
    if (!ok || columns < 1 || columns > MaxColumns) {
        Dialogs().Message(QStringLiteral("Check Number of Columns"), InformationCaption);
        return;
    }
    QString line;
    int commas = 0;
    for (char c : text) {
        line += QChar::fromLatin1(c);
        if (c != ',') continue;
        line += QLatin1Char('\t');
        if (++commas == columns) {
            Memo1->appendPlainText(line);
            line.clear();
            commas = 0;
        }
    }
    Memo1->appendPlainText(line);
}

void TParameters::ParamStoreAck(int) {}

void TParameters::ParamLoadAck(int bench) {
    // The loaded value is read back so that the memo shows it; the calibration check relies on it.
    if (bench >= 0 && bench < 4) m_benches[bench].SendReadFlashParameter(uint16_t(m_currentParam));
}

void TParameters::SetCurrentParam(int, int parameter) {
    m_currentParam = parameter;
}
