#include "upgrade.h"

#include "bench.h"
#include "bench_selector.h"
#include "dialogs.h"
#include "paths.h"
#include "ui_util.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int PaintIntervalMs = 40;

QColor colourOf(TStepColour colour) {
    switch (colour) {
    case TStepColour::Green:
        return QColor(0, 128, 0);
    case TStepColour::Red:
        return QColor(Qt::red);
    case TStepColour::Black:
        break;
    }
    return QColor(Qt::black);
}

void paintLabel(QLabel* label, const TStepLabel& state) {
    label->setEnabled(state.Enabled);
    const QColor colour = colourOf(state.Colour);
    QPalette palette = label->palette();
    if (palette.color(QPalette::Active, QPalette::WindowText) != colour) {
        palette.setColor(QPalette::Active, QPalette::WindowText, colour);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
        label->setPalette(palette);
    }
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

void warn(const QString& text) {
    Dialogs().Message(text, QStringLiteral("Warning"), IDialogs::Icon::Warning);
}
} // namespace

// The download's requests go to the bench connections; a changed display is painted on the screen's
// paint timer, the end of a download at once.
class TFUpgrade::Output : public TBenchFlashOutput {
public:
    Output(TBenchSet& benches, TFUpgrade& screen) : TBenchFlashOutput(benches), m_screen(screen) {}
    void DisplayChanged() override {
        if (!m_screen.m_download.Busy())
            m_screen.PaintDisplay();
        else if (!m_screen.m_paint.isActive())
            m_screen.m_paint.start();
    }
    void Warning(const QString& text) override {
        m_screen.PaintDisplay();
        warn(text);
    }

private:
    TFUpgrade& m_screen;
};

TFUpgrade::TFUpgrade(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_output(std::make_unique<Output>(benches, *this)),
      m_download(*m_output) {
    setObjectName(QStringLiteral("FUpgrade"));
    setWindowTitle(QStringLiteral("Flash Firmware Download"));
    setModal(false);

    BootText = makeLabel(this, "BootText", QStringLiteral("Entering Boot Mode"));
    EraseText = makeLabel(this, "EraseText", QStringLiteral("Erasing Program Sectors"));
    ProgrammingText = makeLabel(this, "ProgrammingText", QStringLiteral("Programming Flash"));
    ProgAddress = makeLabel(this, "ProgAddress", QStringLiteral("Address:"));
    HexAddressText = makeLabel(this, "HexAddressText", QStringLiteral("000000"));
    RangeLabel = makeLabel(this, "RangeLabel", QStringLiteral("Range:"));
    RangeText = makeLabel(this, "RangeText", QStringLiteral(" "));
    Success = makeLabel(this, "Success", QStringLiteral("Success!!!"));
    QFont big = Success->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    Success->setFont(big);
    for (QLabel* step : {BootText, EraseText, ProgrammingText}) {
        QFont f = step->font();
        f.setBold(true);
        step->setFont(f);
    }

    CGauge1 = new QProgressBar(this);
    CGauge1->setObjectName(QStringLiteral("CGauge1"));
    CGauge1->setOrientation(Qt::Vertical);
    CGauge1->setRange(0, 100);
    CGauge1->setValue(0);
    CGauge1->setTextVisible(true);
    CGauge1->setMinimumWidth(36);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setMaximumWidth(90);

    StartBtn = new QPushButton(QStringLiteral("&Start Download"), this);
    StartBtn->setObjectName(QStringLiteral("StartBtn"));
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    Bench = new TBenchSelector(QStringLiteral("Bench"), this, QStringLiteral("GrpBench"));

    auto* steps = new QVBoxLayout;
    steps->addWidget(BootText);
    steps->addWidget(EraseText);
    steps->addWidget(ProgrammingText);
    auto* address = new QGridLayout;
    address->addWidget(ProgAddress, 0, 0);
    address->addWidget(HexAddressText, 0, 1);
    address->addWidget(RangeLabel, 1, 0);
    address->addWidget(RangeText, 1, 1);
    address->setColumnStretch(1, 1);
    steps->addLayout(address);
    auto* line = new QHBoxLayout;
    line->addWidget(Edit1);
    line->addStretch(1);
    steps->addLayout(line);
    steps->addWidget(Success);
    steps->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(CGauge1);
    top->addLayout(steps, 1);
    top->addWidget(Bench);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(StartBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(440, 260);

    m_paint.setSingleShot(true);
    m_paint.setInterval(PaintIntervalMs);
    connect(&m_paint, &QTimer::timeout, this, &TFUpgrade::PaintDisplay);
    connect(StartBtn, &QPushButton::clicked, this, &TFUpgrade::StartBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TFUpgrade::CancelBtnClick);

    m_download.ResetDisplay();
    PaintDisplay();
}

TFUpgrade::~TFUpgrade() = default;

void TFUpgrade::PaintDisplay() {
    m_paint.stop();
    const TFlashDisplay& d = m_download.Display();
    paintLabel(BootText, d.BootText);
    paintLabel(EraseText, d.EraseText);
    paintLabel(ProgrammingText, d.ProgrammingText);
    paintLabel(HexAddressText, d.HexAddressText);
    ProgAddress->setEnabled(d.ProgAddressEnabled);
    RangeLabel->setEnabled(d.RangeLabelEnabled);
    RangeText->setEnabled(d.RangeTextEnabled);
    HexAddressText->setText(d.HexAddress);
    RangeText->setText(d.Range);
    Edit1->setText(d.LineNumber);
    CGauge1->setValue(d.Gauge);
    Success->setVisible(d.SuccessVisible);
    StartBtn->setEnabled(d.StartEnabled);
}

void TFUpgrade::FirmwareReply(int bench, const TRxPacket& packet) {
    m_download.Reply(bench, packet);
}

void TFUpgrade::RefreshBenchSelector() {
    Bench->Refresh(m_boxes);
}

void TFUpgrade::StartBtnClick() {
    if (m_download.Busy()) return;
    const int bench = Bench->SelectedBench();
    if (bench < 0) {
        warn(QString::fromLatin1(NoBenchText));
        return;
    }
    IDialogs::FileRequest request;
    request.caption = QStringLiteral("Select New Firmware File");
    request.filter = QStringLiteral("VX30 Firmware Files|*.s19");
    request.defaultExt = QStringLiteral("s19");
    request.initialName = DriveCDir();
    const QString path = Dialogs().OpenFileName(request);
    if (path.isEmpty()) {
        warn(QString::fromLatin1(NoFileText));
        return;
    }
    // The whole file is read and checked first: a bench is erased only for a file that can be
    // written to it completely.
    const TFirmwareReadResult file = ReadFirmwareFile(path, m_download.RecordFormat());
    if (!file.Ok()) {
        m_download.ShowInvalidFile();
        warn(QString::fromLatin1(TFlashDownload::InvalidData) + QStringLiteral("\n") + file.Error.Text() +
             QStringLiteral("\nNothing was sent to the bench."));
        return;
    }
    m_download.Start(bench, file.Image);
    PaintDisplay();
}

void TFUpgrade::CancelBtnClick() {
    m_download.Abandon();
    close();
}

void TFUpgrade::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOn(this, parentWidget());
    emit VisibilityChanged(true);
}

void TFUpgrade::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    emit VisibilityChanged(false);
}

void TFUpgrade::reject() {
    // Closing always returns to idle: display reset, nothing more is sent.
    m_download.Abandon();
    m_download.ResetDisplay();
    PaintDisplay();
    QDialog::reject();
}
