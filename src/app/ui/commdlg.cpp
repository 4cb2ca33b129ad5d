#include "commdlg.h"

#include "comport.h"
#include "dialogs.h"
#include "operator_entry.h"
#include "radio_group.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TCommDlg::TCommDlg(const std::array<TApdComPort*, 4>& ports, QWidget* parent)
    : QDialog(parent), m_ports(ports) {
    setObjectName(QStringLiteral("CommDlg"));
    setWindowTitle(QStringLiteral("Communications Settings"));

    Baud = new TRadioGroup(QStringLiteral("Baud"), QStringLiteral("&Baud Rate"),
                           {QStringLiteral("&9600"), QStringLiteral("&19200"), QStringLiteral("&38400"),
                            QStringLiteral("&57600"), QStringLiteral("&115200")},
                           1, this);
    TraceBtn = new QPushButton(QStringLiteral("Trace Dump"), this);
    TraceBtn->setObjectName(QStringLiteral("TraceBtn"));
    Label1 = new QLabel(QStringLiteral("Bench1 at COM"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(QStringLiteral("1"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaximumWidth(60);
    OK1Btn = new QPushButton(QStringLiteral("OK1Btn"), this);
    OK1Btn->setObjectName(QStringLiteral("OK1Btn"));
    OKBtn = new QPushButton(QStringLiteral("OKBtn"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);

    connect(Baud, &TRadioGroup::Clicked, this, &TCommDlg::BaudClick);
    connect(TraceBtn, &QPushButton::clicked, this, &TCommDlg::TraceBtnClick);
    connect(OK1Btn, &QPushButton::clicked, this, &TCommDlg::OK1BtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Baud, 0, 0, 4, 1);
    layout->addWidget(TraceBtn, 0, 1, 1, 2);
    layout->addWidget(Label1, 1, 1);
    layout->addWidget(Edit1, 1, 2);
    layout->addWidget(OK1Btn, 2, 1, 1, 2);
    layout->addWidget(OKBtn, 4, 0, 1, 3, Qt::AlignHCenter);
    layout->setRowStretch(3, 1);
}

void TCommDlg::BaudClick(int index) {
    if (index < 0 || index >= int(std::size(BaudRates))) return;
    for (TApdComPort* port : m_ports) {
        if (!port || !port->Open()) continue;
        port->FlushOutBuffer();
        port->SetBaud(BaudRates[index]);
    }
}

void TCommDlg::TraceBtnClick() {
    TApdComPort* port = m_ports[0];
    if (!port || !port->Open()) return;
    if (port->Tracing() == TApdComPort::TraceState::Off) {
        port->TraceName = QStringLiteral("TEST.TRC");
        port->TraceSize = 10000;
        port->SetTracing(TApdComPort::TraceState::On);
        TraceBtn->setText(QStringLiteral("Trace Dump ON"));
    } else if (port->Tracing() == TApdComPort::TraceState::On) {
        port->SetTracing(TApdComPort::TraceState::Off);
        TraceBtn->setText(QStringLiteral("Trace Dump OFF"));
    }
}

void TCommDlg::OK1BtnClick() {
    const std::optional<int32_t> entry = ParseIntegerEntry(Edit1->text());
    const int n = entry.value_or(0);
    bool ok = entry.has_value();
    if (!ok) {
        Dialogs().Message(QStringLiteral("Check Com Port number"), QStringLiteral("Information"));
    } else {
        // The check opens the device exclusively and lets go at once; a device this program holds (bench
        // 1's own port included) fails it. Numbers of 100 or more name no device.
        m_portLabel = QStringLiteral("Com %1").arg(n);
        QString reason;
        ok = n >= 1 && n <= 99 && m_ports[0] && m_ports[0]->ProbeComNumber(n, &reason);
    }
    if (!ok) {
        Dialogs().Message(QStringLiteral("Illegal Com Port"), QStringLiteral("Information"),
                          IDialogs::Icon::Error);
        return;
    }
    m_ports[0]->SetComNumber(n);
    if (ShowBenchOnePort) ShowBenchOnePort(m_portLabel);
}
