#include "firgraph.h"

#include "bench.h"
#include "bench_selector.h"
#include "chart.h"
#include "dialogs.h"
#include "firlog.h"
#include "operator_entry.h"
#include "radio_group.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString InfoCaption = QStringLiteral("Information");

struct ChannelLook {
    const char* label;
    QRgb colour;
};
// Channel order: CO2, CO, Ethanol, reference.
constexpr ChannelLook Channels[TIrCycle::Channels] = {{"CO2", qRgb(0, 0, 255)},
                                                      {"CO", qRgb(255, 0, 0)},
                                                      {"Ethanol", qRgb(0, 128, 0)},
                                                      {"Ref", qRgb(0, 255, 0)}};

// Batches of a cycle's points appended to empty the chart: one more than it holds.
constexpr int ClearPoints = (TRawIR::ChartPoints / TIrCycle::CycleSamples + 1) * TIrCycle::CycleSamples;
} // namespace

TRawIR::TRawIR(TBenchSet& benches, const IActivationBoxes& boxes, const IGraphWindowState& window,
               TIRLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), m_benches(benches), m_boxes(boxes), m_window(window), m_log(log) {
    setObjectName(QStringLiteral("RawIR"));
    setWindowTitle(QStringLiteral("RawIR"));
    resize(1000, 620);

    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    auto edit = [this](const QString& name, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setMaximumWidth(60);
        return e;
    };
    PEGraph1 = new TChart(QStringLiteral("PEGraph1"), this);
    Start = button(QStringLiteral("Start"), QStringLiteral("Start"));
    Stop = button(QStringLiteral("Stop"), QStringLiteral("Stop"));
    Stop->setEnabled(false);
    Clear = button(QStringLiteral("Clear"), QStringLiteral("Clear"));
    RawMode =
        new TRadioGroup(QStringLiteral("RawMode"), QStringLiteral("Raw Mode"),
                        {QStringLiteral("Continuous"), QStringLiteral("One Shot")}, RawModeContinuous, this);
    MarkDataPoints = new TRadioGroup(QStringLiteral("MarkDataPoints"), QStringLiteral("Mark Data Points"),
                                     {QStringLiteral("Yes"), QStringLiteral("No")}, MarkNo, this);
    UnZoomBtn = button(QStringLiteral("UnZoomBtn"), QStringLiteral("Unzoom"));
    Graph = new QGroupBox(QStringLiteral("Graph"), this);
    Graph->setObjectName(QStringLiteral("Graph"));
    auto box = [this](const QString& name, const QString& text, bool checked) {
        auto* b = new QCheckBox(text, Graph);
        b->setObjectName(name);
        b->setChecked(checked);
        connect(b, &QCheckBox::clicked, this, &TRawIR::RefChkClick);
        return b;
    };
    CO2Chk = box(QStringLiteral("CO2Chk"), QStringLiteral("CO2"), false);
    COChk = box(QStringLiteral("COChk"), QStringLiteral("CO"), true);
    HCChk = box(QStringLiteral("HCChk"), QStringLiteral("HC"), true);
    RefChk = box(QStringLiteral("RefChk"), QStringLiteral("Ref"), true);
    FilteredEdit = edit(QStringLiteral("FilteredEdit"), QString());
    FilteredEdit->setReadOnly(true);
    FilteredEdit->setMaximumWidth(110);
    Edit1 = edit(QStringLiteral("Edit1"), QString::number(TIrCycle::DefaultPhases));
    Edit2 = edit(QStringLiteral("Edit2"), QString::number(TIrCycle::DefaultPoints));
    OKBtn = button(QStringLiteral("OKBtn"), QStringLiteral("OK"));
    DataLogBtn = button(QStringLiteral("DataLogBtn"), QStringLiteral("Log..."));
    Button2 = button(QStringLiteral("Button2"), QStringLiteral("History IR"));
    GrpBench = new TBenchSelector(QStringLiteral("X714"), this);
    // The gain lists have no function: they stay disabled.
    ChannelGain = new QGroupBox(QStringLiteral("Channel Gain"), this);
    ChannelGain->setObjectName(QStringLiteral("ChannelGain"));
    auto* gains = new QHBoxLayout(ChannelGain);
    for (int c = 0; c < TIrCycle::Channels; ++c) {
        auto* list = new QListWidget(ChannelGain);
        list->setObjectName(QStringLiteral("ListBox%1").arg(c + 1));
        list->setEnabled(false);
        list->setMaximumSize(40, 60);
        gains->addWidget(list);
    }

    auto* graphBoxes = new QVBoxLayout(Graph);
    for (QCheckBox* b : channelBoxes())
        graphBoxes->addWidget(b);
    auto* cycle = new QGridLayout;
    cycle->addWidget(new QLabel(QStringLiteral("NumPhases"), this), 0, 0);
    cycle->addWidget(Edit1, 0, 1);
    cycle->addWidget(new QLabel(QStringLiteral("NumPoints"), this), 1, 0);
    cycle->addWidget(Edit2, 1, 1);
    cycle->addWidget(OKBtn, 2, 0, 1, 2);
    auto* side = new QVBoxLayout;
    side->addWidget(GrpBench);
    for (QPushButton* b : {Start, Stop, Clear})
        side->addWidget(b);
    side->addWidget(RawMode);
    side->addWidget(MarkDataPoints);
    side->addWidget(UnZoomBtn);
    side->addWidget(Graph);
    side->addWidget(FilteredEdit);
    side->addLayout(cycle);
    side->addWidget(DataLogBtn);
    side->addWidget(Button2);
    side->addWidget(ChannelGain);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PEGraph1, 1);
    layout->addLayout(side);

    connect(Start, &QPushButton::clicked, this, &TRawIR::StartClick);
    connect(Stop, &QPushButton::clicked, this, &TRawIR::StopClick);
    connect(Clear, &QPushButton::clicked, this, &TRawIR::ClearClick);
    connect(MarkDataPoints, &TRadioGroup::Clicked, this, &TRawIR::MarkDataPointsClick);
    connect(UnZoomBtn, &QPushButton::clicked, this, &TRawIR::UnZoomBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TRawIR::OKBtnClick);
    connect(DataLogBtn, &QPushButton::clicked, this, &TRawIR::DataLogBtnClick);
    connect(Button2, &QPushButton::clicked, this, &TRawIR::Button2Click);
    connect(GrpBench, &TBenchSelector::Clicked, this, &TRawIR::BB1Click);
    connect(&m_log, &TIRLog::RawIrCaption, this, &QWidget::setWindowTitle);

    TChart& chart = *PEGraph1;
    chart.Reset();
    chart.SetSize(TIrCycle::Channels, ChartPoints);
    chart.SetNullDataValue(NullValue);
    chart.SetMainTitle(QStringLiteral("Raw Waveform"));
    chart.SetXAxisLabel(QStringLiteral("Seconds/100"));
    chart.SetYAxisLabel(QStringLiteral("A/D Counts"));
    chart.SetManualY(-32767, 32767);
    chart.SetLongTicks(true);
    for (int c = 0; c < TIrCycle::Channels; ++c) {
        chart.SetSubsetLabel(c, QLatin1String(Channels[c].label));
        chart.SetSubsetColor(c, QColor(Channels[c].colour));
        chart.SetSubsetLineType(c, TChart::LineType::Plain);
    }
    chart.SetMarkDataPoints(false);
    chart.Reinitialize();
    chart.SetZoomable(true);
    RefChkClick();
    showFilteredMode();
}

int TRawIR::SelectedBench() const {
    return GrpBench->SelectedBench();
}

void TRawIR::SetFilteredMode(bool filtered) {
    m_filtered = filtered;
    showFilteredMode();
}

void TRawIR::showFilteredMode() {
    const QString text = m_filtered ? QStringLiteral("Filtered") : QStringLiteral("Not Filtered");
    if (FilteredEdit->text() != text) FilteredEdit->setText(text);
}

void TRawIR::RefreshBenchSelector() {
    GrpBench->Refresh(m_boxes);
}

void TRawIR::StartClick() {
    const int bench = SelectedBench();
    if (bench < 0) return;
    m_streamCode = m_filtered ? 0x42 : 0x40;
    m_streamBench = bench;
    if (m_filtered)
        m_benches[bench].SendFilteredRawIr(TBench::RateContinuous);
    else
        m_benches[bench].SendRawIr(TBench::RateContinuous);
    Start->setEnabled(false);
    Stop->setEnabled(true);
    // A streaming chart keeps its ranges; a still one may be zoomed.
    PEGraph1->SetZoomable(false);
}

void TRawIR::StopClick() {
    // The stream ends where it was started: the stop of the code that runs, on the bench that sends
    // it. A $40 stop would leave a filtered stream running, and its replies reported as overdue.
    const int bench = m_streamBench >= 0 ? m_streamBench : SelectedBench();
    if (bench >= 0) {
        // A bench whose port has been closed meanwhile has nothing to stop.
        TBench& b = m_benches[bench];
        if (b.Port && b.Port->Open()) {
            if (m_streamBench >= 0 && m_streamCode == 0x42)
                b.SendFilteredRawIr(TBench::RateStop);
            else
                b.SendRawIr(TBench::RateStop);
        }
        Stop->setEnabled(false);
        Start->setEnabled(true);
    }
    m_streamBench = -1;
    PEGraph1->SetZoomable(true);
}

void TRawIR::BB1Click(int) {
    if (isVisible()) StopClick();
    // Another bench's replies never continue this one's cycle.
    m_cycle.Restart();
}

void TRawIR::ClearClick() {
    PEGraph1->Data().AppendNull(ClearPoints);
    m_position = 0;
}

void TRawIR::RefChkClick() {
    QList<int> shown;
    for (int c = 0; c < TIrCycle::Channels; ++c)
        if (channelBoxes()[size_t(c)]->isChecked()) shown << c;
    if (shown.isEmpty()) ClearClick();
    PEGraph1->SetSubsetsToShow(shown);
}

void TRawIR::MarkDataPointsClick(int index) {
    PEGraph1->SetMarkDataPoints(index == MarkYes);
}

void TRawIR::UnZoomBtnClick() {
    PEGraph1->UndoZoom();
}

void TRawIR::OKBtnClick() {
    int phases = m_cycle.NumPhases(), points = m_cycle.NumPoints();
    if (const auto v = ParseIntegerEntry(Edit1->text()))
        phases = *v;
    else
        Dialogs().Message(QStringLiteral("Check NumPhases"), InfoCaption, IDialogs::Icon::Information);
    if (const auto v = ParseIntegerEntry(Edit2->text()))
        points = *v;
    else
        Dialogs().Message(QStringLiteral("Check NumPoints"), InfoCaption, IDialogs::Icon::Information);
    if (phases == m_cycle.NumPhases() && points == m_cycle.NumPoints()) return;
    // A layout the cycle or the replies cannot hold is refused whole: the old one stays.
    const QString problem = TIrCycle::CheckLayout(phases, points);
    if (!problem.isEmpty()) {
        Dialogs().Message(problem + QStringLiteral(" NumPhases stays %1 and NumPoints %2.")
                                        .arg(m_cycle.NumPhases())
                                        .arg(m_cycle.NumPoints()),
                          InfoCaption, IDialogs::Icon::Information);
        return;
    }
    m_cycle.SetLayout(phases, points);
}

void TRawIR::DataLogBtnClick() {
    m_log.show();
    m_log.raise();
    m_log.activateWindow();
}

void TRawIR::Button2Click() {
    if (ICollectedIrData* list = m_log.CollectedIrData()) list->BringToFront();
}

void TRawIR::RawIrPacket(int bench, const TRxPacket& packet) {
    const int selected = SelectedBench();
    // Only the selected bench's replies, and only while the view is shown.
    if (bench != selected || selected < 0 || !isVisible()) return;
    TBench& b = m_benches[selected];
    if (!b.NewRawIrData) return;
    b.NewRawIrData = false;
    showFilteredMode();
    if (m_cycle.Feed(packet) != TIrCycle::Result::Complete) return;
    if (RawMode->ItemIndex() == RawModeOneShot) StopClick();
    plotCycle();
    m_log.LogCycle(m_cycle);
}

void TRawIR::plotCycle() {
    TChartData& data = PEGraph1->Data();
    if (m_position + TIrCycle::CycleSamples > ChartPoints) {
        // Full: the chart scrolls left by a cycle.
        data.AppendNull(TIrCycle::CycleSamples);
        m_position -= TIrCycle::CycleSamples;
    }
    // A cycle shorter than 100 samples leaves the rest of its block empty.
    const int samples = m_cycle.SamplesPerCycle();
    for (int c = 0; c < TIrCycle::Channels; ++c)
        for (int s = 0; s < TIrCycle::CycleSamples; ++s)
            data.SetYData(c, m_position + s, s < samples ? double(m_cycle.Sample(c, s)) : NullValue);
    m_position += TIrCycle::CycleSamples;
}

void TRawIR::closeEvent(QCloseEvent* event) {
    if (m_log.LoggingEnabled()) {
        if (!m_window.Closing() &&
            !Dialogs().Confirm(QStringLiteral("You are logging the data! Do you want to close?"),
                               QStringLiteral("Confirm"))) {
            event->ignore();
            return;
        }
        StopClick();
        m_log.Close1Click();
        event->accept();
        return;
    }
    StopClick();
    event->accept();
}
