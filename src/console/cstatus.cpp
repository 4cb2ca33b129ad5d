#include "cstatus.h"

#include "bench_selector.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

TFCStatus::TFCStatus(TBenchSet& benches, const IActivationBoxes& activation, QWidget* parent)
    : TStatusScreen(QStringLiteral("FCStatus"), QStringLiteral("Status"), QStringLiteral("X714"), StatusBoxes,
                    StatusGroups, benches, activation, parent) {
    UpdateBtn = new QPushButton(QStringLiteral("Update"), this);
    UpdateBtn->setObjectName(QStringLiteral("UpdateBtn"));
    connect(UpdateBtn, &QPushButton::clicked, this, &TFCStatus::UpdateBtnClick);

    // System and data status on the left, the problem flags on the right, the bench and Update below.
    auto* layout = new QGridLayout(this);
    layout->addWidget(Group(0), 0, 0);
    layout->addWidget(Group(1), 1, 0);
    layout->addWidget(Group(2), 0, 1, 2, 1);
    layout->addWidget(GrpBench, 2, 0);
    layout->addWidget(UpdateBtn, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    layout->setRowStretch(3, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFCStatus::UpdateBtnClick() {
    ClearStatus();
    ShowStatus();
}

void TFCStatus::UpdateStatusScreen(int bench) {
    StatusDelivered(bench);
}

std::vector<TStatusText> TFCStatus::Decode(const TStatusBytes& status) const {
    const TStatusView view = DecodeStatus(status);
    return {view.begin(), view.end()};
}
