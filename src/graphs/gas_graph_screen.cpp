#include "gas_graph_screen.h"

#include "bench.h"
#include "bench_selector.h"
#include "chart.h"
#include "clock.h"
#include "dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TGasGraphScreen::TGasGraphScreen(const QString& objectName, const QString& caption, TBenchSet& benches,
                                 const IActivationBoxes& boxes, const IGraphWindowState& window,
                                 bool TBench::*newDataFlag, QWidget* parent)
    : QWidget(parent, Qt::Window), m_benches(benches), m_boxes(boxes), m_window(window),
      m_newDataFlag(newDataFlag) {
    setObjectName(objectName);
    setWindowTitle(caption);
    resize(940, 600);
    PEGraph1 = new TChart(QStringLiteral("PEGraph1"), this);
    Channels = new QGroupBox(QStringLiteral("Channels"), this);
    Channels->setObjectName(QStringLiteral("Channels"));
    GrpBench = new TBenchSelector(QStringLiteral("X714"), this);
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    ApplyButton = button(QStringLiteral("ApplyButton"), QStringLiteral("Apply"));
    Start = button(QStringLiteral("Start"), QStringLiteral("Start"));
    Stop = button(QStringLiteral("Stop"), QStringLiteral("Stop"));
    FreezeBtn = button(QStringLiteral("FreezeBtn"), QStringLiteral("Freeze"));
    ClearBtn = button(QStringLiteral("ClearBtn"), QStringLiteral("Clear"));
    // Plotting runs from creation, although Start is the enabled button.
    Stop->setEnabled(false);
    connect(ApplyButton, &QPushButton::clicked, this, &TGasGraphScreen::ApplyButtonClick);
    connect(Start, &QPushButton::clicked, this, &TGasGraphScreen::StartClick);
    connect(Stop, &QPushButton::clicked, this, &TGasGraphScreen::StopClick);
    connect(FreezeBtn, &QPushButton::clicked, this, &TGasGraphScreen::FreezeBtnClick);
    connect(ClearBtn, &QPushButton::clicked, this, &TGasGraphScreen::ClearBtnClick);
    connect(GrpBench, &TBenchSelector::Clicked, this, &TGasGraphScreen::BB1Click);
    m_startTime = Clock().Seconds();
}

void TGasGraphScreen::refuseLimits(const QString& what) {
    Dialogs().Message(QStringLiteral("Check the limits of %1: Min must be less than Max.").arg(what),
                      QStringLiteral("Information"), IDialogs::Icon::Information);
}

void TGasGraphScreen::layOut() {
    auto* side = new QVBoxLayout;
    side->addWidget(Channels);
    side->addWidget(ApplyButton);
    side->addSpacing(8);
    side->addWidget(GrpBench);
    side->addSpacing(8);
    for (QPushButton* b : {Start, Stop, FreezeBtn, ClearBtn})
        side->addWidget(b);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PEGraph1, 1);
    layout->addLayout(side);
}

QCheckBox* TGasGraphScreen::channelBox(const QString& name, const QString& text, bool checked) {
    auto* box = new QCheckBox(text, Channels);
    box->setObjectName(name);
    box->setChecked(checked);
    // A channel box applies like the Apply button.
    connect(box, &QCheckBox::clicked, this, [this] { ApplyButtonClick(); });
    return box;
}

QLineEdit* TGasGraphScreen::limitEdit(const QString& name, const QString& text) {
    auto* edit = new QLineEdit(text, Channels);
    edit->setObjectName(name);
    edit->setMaximumWidth(70);
    // A limit is a number: the settings file keeps every line well within what its reader takes.
    edit->setMaxLength(30);
    connect(edit, &QLineEdit::returnPressed, this, [this] { ApplyButtonClick(); });
    return edit;
}

int TGasGraphScreen::SelectedBench() const {
    return GrpBench->SelectedBench();
}

void TGasGraphScreen::setStopped(bool stopped) {
    m_stopped = stopped;
    // The operator may zoom into a still chart; a running one keeps its ranges.
    PEGraph1->SetZoomable(stopped);
}

void TGasGraphScreen::UpdateGraph(int) {
    const int selected = SelectedBench();
    if (m_stopped || !isVisible() || selected < 0) return;
    TBench& bench = m_benches[selected];
    if (!(bench.*m_newDataFlag)) return;
    bench.*m_newDataFlag = false;
    const QString label = PointLabelText(Clock().Seconds() - m_startTime);
    appendReading(ScaleReadings(ReadingsOf(bench), m_window.HcDivisor100()), label);
}

void TGasGraphScreen::RefreshBenchSelector() {
    GrpBench->Refresh(m_boxes);
}

void TGasGraphScreen::StartClick() {
    setStopped(false);
    Start->setEnabled(false);
    Stop->setEnabled(true);
}

void TGasGraphScreen::StopClick() {
    setStopped(true);
    Stop->setEnabled(false);
    Start->setEnabled(true);
}

void TGasGraphScreen::FreezeBtnClick() {
    setStopped(!m_stopped);
}

void TGasGraphScreen::ClearBtnClick() {
    PEGraph1->Data().AppendNull(ClearWindow);
}

void TGasGraphScreen::BB1Click(int) {
    ClearBtnClick();
}

void TGasGraphScreen::FormClose() {
    writeSettings();
    StopClick();
}

void TGasGraphScreen::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}
