#include "calload.h"

#include "dialogs.h"
#include "paths.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TFCalLoad::TFCalLoad(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_output(*this, benches), m_machine(m_output) {
    setObjectName(QStringLiteral("FCalLoad"));
    setWindowTitle(QStringLiteral("Cal Load"));
    Timer1 = &m_output.Timer1;
    buildForm();
    connect(Timer1, &TFormTimer::Timeout, this, &TFCalLoad::Timer1Timer);
    RefreshBenchSelector();
}

TFCalLoad::~TFCalLoad() = default;

void TFCalLoad::buildForm() {
    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;

    GroupBench01 = new QGroupBox(QStringLiteral("Bench"), this);
    GroupBench01->setObjectName(QStringLiteral("GroupBench01"));
    auto* benchLayout = new QVBoxLayout(GroupBench01);
    for (int i = 0; i < 4; ++i) {
        BB[size_t(i)] = new QCheckBox(QString::number(i + 1), GroupBench01);
        BB[size_t(i)]->setObjectName(QStringLiteral("BB%1").arg(i + 1));
        BB[size_t(i)]->setEnabled(false);
        benchLayout->addWidget(BB[size_t(i)]);
    }
    row->addWidget(GroupBench01);

    auto* files = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(QStringLiteral("Open File %1").arg(i + 1), this);
        button->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        button->setAutoDefault(false);
        OpenButton[size_t(i)] = button;
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("File%1Edit").arg(i + 1));
        edit->setReadOnly(true);
        edit->setMinimumWidth(220);
        FileEdit[size_t(i)] = edit;
        files->addWidget(button, i, 0);
        files->addWidget(edit, i, 1);
        connect(button, &QPushButton::clicked, this, [this, i] { OpenFileClick(i); });
    }
    row->addLayout(files, 1);
    top->addLayout(row);

    ProcStateLabel = new QLabel(QStringLiteral("Process State"), this);
    ProcStateLabel->setObjectName(QStringLiteral("ProcStateLabel"));
    top->addWidget(ProcStateLabel);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    top->addWidget(Edit1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKBtn = new QPushButton(QStringLiteral("Start"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    for (QPushButton* b : {OKBtn, CancelBtn, HelpBtn}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &TFCalLoad::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TFCalLoad::CancelBtnClick);
}

// ---- operator actions ----

void TFCalLoad::showInMode(bool load) {
    // A run keeps the mode it started in; the menu then only brings the screen up.
    if (!m_machine.Running()) {
        m_machine.SetLoadMode(load);
        setWindowTitle(load ? QStringLiteral("Load Calibration Parameters")
                            : QStringLiteral("Check Calibration Parameters"));
    }
    show();
    raise();
    activateWindow();
}

void TFCalLoad::LoadcalConstants1Click() {
    showInMode(true);
}

void TFCalLoad::CheckCalConstants1Click() {
    showInMode(false);
}

void TFCalLoad::OpenFileClick(int bench) {
    IDialogs::FileRequest request;
    request.caption = QStringLiteral("Select Cal File");
    request.filter = QStringLiteral("VX30 Cal Files|*.CAL");
    request.defaultExt = bench == 0 ? QStringLiteral("HEX") : QStringLiteral("CAL");
    request.initialName = DriveCDir() + QLatin1Char('/');
    const QString path = Dialogs().OpenFileName(request);
    if (path.isEmpty()) return;
    m_machine.SetCalFilePath(bench, path);
    FileEdit[size_t(bench)]->setText(QFileInfo(path).fileName());
}

void TFCalLoad::OKBtnClick() {
    if (m_machine.Running()) return;
    OKBtn->setEnabled(false);
    m_machine.Start();
}

void TFCalLoad::CancelBtnClick() {
    m_machine.Cancel();
    hide();
}

void TFCalLoad::Timer1Timer() {
    m_machine.Tick();
}

void TFCalLoad::showEvent(QShowEvent* event) {
    Edit1->clear();
    QDialog::showEvent(event);
}

void TFCalLoad::reject() {
    CancelBtnClick();
}

void TFCalLoad::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}

void TFCalLoad::RefreshBenchSelector() {
    for (int i = 0; i < 4; ++i) {
        QCheckBox* box = BB[size_t(i)];
        box->setEnabled(m_boxes.BenchBoxActive(i));
        if (box->isEnabled()) box->setChecked(true);
    }
}

// ---- the bench connections' calls ----

bool TFCalLoad::CalLoadVisible() const {
    return isVisible();
}

int TFCalLoad::CalLoadState() const {
    return m_machine.State();
}

void TFCalLoad::CalLoadSetRefused() {
    m_machine.SetRefused();
}

void TFCalLoad::CalLoadStopTimer() {
    Timer1->Stop();
}

void TFCalLoad::CalLoadReply(int, const TRxPacket& packet) {
    if (packet.Kind == KindNak)
        m_machine.Refused();
    else
        m_machine.Reply();
}

void TFCalLoad::SetParamReadText(const QByteArray& text) {
    m_machine.SetParamReadText(text);
}

// ---- the machine's output ----

bool TFCalLoad::Output::BenchChecked(int bench) const {
    const QCheckBox* box = m_screen.BB[size_t(bench)];
    return box->isEnabled() && box->isChecked();
}

void TFCalLoad::Output::ShowState(const QString& text) {
    m_screen.Edit1->setText(text);
}

void TFCalLoad::Output::ReportProblem(const QString& text) {
    // Shown once the step is over: a modal box inside a step would let replies run into it.
    QTimer::singleShot(0, &m_screen, [text] {
        Dialogs().Message(text, QStringLiteral("Information"), IDialogs::Icon::Error);
    });
}

void TFCalLoad::Output::RunEnded(TCalLoadResult) {
    m_screen.OKBtn->setEnabled(true);
}
