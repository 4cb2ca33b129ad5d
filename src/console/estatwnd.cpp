#include "estatwnd.h"

#include "bench.h"
#include "bench_selector.h"
#include "util.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

namespace {
constexpr int GroupColumns = 4;
} // namespace

TEStatus::TEStatus(TBenchSet& benches, const IActivationBoxes& activation, QWidget* parent)
    : TStatusScreen(QStringLiteral("EStatus"), QStringLiteral("Service Errors"), QStringLiteral("Bench"),
                    EngineeringBoxes, EngineeringGroups, benches, activation, parent) {
    StartBtn = new QPushButton(QStringLiteral("Start"), this);
    StartBtn->setObjectName(QStringLiteral("StartBtn"));
    StopBtn = new QPushButton(QStringLiteral("Stop"), this);
    StopBtn->setObjectName(QStringLiteral("StopBtn"));
    connect(StartBtn, &QPushButton::clicked, this, &TEStatus::StartBtnClick);
    connect(StopBtn, &QPushButton::clicked, this, &TEStatus::StopBtnClick);

    auto* layout = new QGridLayout(this);
    for (int i = 0; i < GroupCount(); ++i)
        layout->addWidget(Group(i), i / GroupColumns, i % GroupColumns, Qt::AlignTop);
    const int bottom = (GroupCount() + GroupColumns - 1) / GroupColumns;
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(GrpBench);
    buttons->addStretch(1);
    buttons->addWidget(StartBtn);
    buttons->addWidget(StopBtn);
    layout->addLayout(buttons, bottom, 0, 1, GroupColumns);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TEStatus::StartBtnClick() {
    if (const int bench = SelectedBench(); bench >= 0)
        Benches()[bench].SendEngineeringStatus(TBench::RateContinuous);
    StartBtn->setEnabled(false);
    StopBtn->setEnabled(true);
}

void TEStatus::StopBtnClick() {
    if (const int bench = SelectedBench(); bench >= 0)
        Benches()[bench].SendEngineeringStatus(TBench::RateStop);
    StartBtn->setEnabled(true);
    StopBtn->setEnabled(false);
}

void TEStatus::FormClose() {
    const int bench = SelectedBench();
    if (bench < 0) return;
    Benches()[bench].SendEngineeringStatus(TBench::RateStop);
    WaitSeconds(1);
}

void TEStatus::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TEStatus::UpdateEngineeringStatus(int bench) {
    if (bench >= 0 && bench < 4) m_engineeringDelivered[size_t(bench)] = true;
    StatusDelivered(bench);
}

bool TEStatus::HasStatus(int bench) const {
    return TStatusScreen::HasStatus(bench) && m_engineeringDelivered[size_t(bench)];
}

std::vector<TStatusText> TEStatus::Decode(const TStatusBytes& status) const {
    const TEngineeringStatusView view = DecodeEngineeringStatus(status);
    return {view.begin(), view.end()};
}
