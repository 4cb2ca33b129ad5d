#include "calload1.h"

#include "bench.h"
#include "dialogs.h"
#include "form_timer.h"
#include "paths.h"
#include "radio_group.h"
#include "ui_util.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

// The transfer's requests go to the bench connections, its boxes to the controls.
class TFCalLoad1::Output : public IParamTransferOutput {
public:
    explicit Output(TFCalLoad1& screen) : m_s(screen) {}
    void LoadParameter(int b, uint16_t n) override { m_s.m_benches[b].SendLoadFlashParameter(n); }
    void ReadParameter(int b, uint16_t n) override { m_s.m_benches[b].SendReadFlashParameter(n); }
    bool WriteParameter(int b, uint16_t n, const QByteArray& v) override {
        return m_s.m_benches[b].SendWriteFlashParameter(n, v);
    }
    void StoreParameter(int b, uint16_t n) override { m_s.m_benches[b].SendStoreFlashParameter(n); }
    void StartTimer(int ms) override {
        m_s.Timer1->SetInterval(ms);
        m_s.Timer1->Start();
    }
    void StopTimer() override { m_s.Timer1->Stop(); }
    void ShowState(const QString& text) override { m_s.Edit1->setText(text); }
    void ShowParam(const QString& text) override { m_s.Edit2->setText(text); }
    void SetStartEnabled(bool enabled) override { m_s.OKBtn->setEnabled(enabled); }
    bool ConfirmOverwrite(const QString&) override {
        return Dialogs().Confirm(QStringLiteral("File Exists! Overwrite?"), QStringLiteral("Confirm"));
    }
    QString ParameterName(int number) const override {
        return m_s.ParameterName ? m_s.ParameterName(number) : QString();
    }

private:
    TFCalLoad1& m_s;
};

TFCalLoad1::TFCalLoad1(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent)
    : QDialog(parent), m_benches(benches), m_boxes(boxes), m_output(std::make_unique<Output>(*this)),
      m_transfer(*m_output) {
    setObjectName(QStringLiteral("FCalLoad1"));
    setWindowTitle(QStringLiteral("Cal Load1"));
    setModal(false);

    auto* benchBox = new QGroupBox(QStringLiteral("Bench"), this);
    benchBox->setObjectName(QStringLiteral("GrpBench"));
    auto* grid = new QGridLayout(benchBox);
    for (int i = 0; i < 4; ++i) {
        BB[i] = new QCheckBox(QString::number(i + 1), benchBox);
        BB[i]->setObjectName(QStringLiteral("BB%1").arg(i + 1));
        BB[i]->setEnabled(false);
        Button[i] = new QPushButton(QStringLiteral("Open File %1").arg(i + 1), benchBox);
        Button[i]->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        FileEdit[i] = new QLineEdit(benchBox);
        FileEdit[i]->setObjectName(QStringLiteral("File%1Edit").arg(i + 1));
        FileEdit[i]->setMinimumWidth(160);
        grid->addWidget(BB[i], i, 0);
        grid->addWidget(Button[i], i, 1);
        grid->addWidget(FileEdit[i], i, 2);
        connect(BB[i], &QCheckBox::clicked, this, &TFCalLoad1::BB1Click);
        connect(Button[i], &QPushButton::clicked, this, [this, i] { OpenFileClick(i); });
    }

    DownloadUploadRG = new TRadioGroup(
        QStringLiteral("DownloadUploadRG"), QStringLiteral("Download to Bench/ Upload from Bench"),
        {QStringLiteral("Download"), QStringLiteral("Upload")}, ItemUpload, this, 2);
    auto labelled = [this](const char* name, const QString& title, QLineEdit** edit, const QString& text,
                           bool readOnly) {
        auto* box = new QGroupBox(title, this);
        auto* l = new QVBoxLayout(box);
        *edit = new QLineEdit(text, box);
        (*edit)->setObjectName(QLatin1String(name));
        (*edit)->setReadOnly(readOnly);
        l->addWidget(*edit);
        return box;
    };
    QGroupBox* last = labelled("NumParamEdit", QStringLiteral("Last Parameter"), &NumParamEdit,
                               QStringLiteral("500"), false);
    QGroupBox* param = labelled("Edit2", QStringLiteral("Parameter"), &Edit2, QString(), true);
    QGroupBox* state = labelled("Edit1", QStringLiteral("Process State"), &Edit1, QString(), true);

    OKBtn = new QPushButton(QStringLiteral("Start"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TFCalLoad1::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TFCalLoad1::CancelBtnClick);

    Timer1 = new TFormTimer(TParamTransfer::StepIntervalMs, this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &TFormTimer::Timeout, this, &TFCalLoad1::Timer1Timer);

    auto* row = new QHBoxLayout;
    row->addWidget(last);
    row->addWidget(param);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(benchBox);
    layout->addWidget(DownloadUploadRG);
    layout->addLayout(row);
    layout->addWidget(state);
    layout->addLayout(buttons);
    resize(460, 400);
}

TFCalLoad1::~TFCalLoad1() = default;

void TFCalLoad1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOn(this, parentWidget());
}

void TFCalLoad1::RefreshBenchSelector() {
    for (int i = 0; i < 4; ++i) {
        const bool usable = m_boxes.BenchBoxActive(i);
        BB[i]->setEnabled(usable);
        if (usable) BB[i]->setChecked(true);
    }
    BB1Click();
}

void TFCalLoad1::BB1Click() {
    for (int i = 0; i < 4; ++i)
        m_transfer.BenchWanted[size_t(i)] = BB[i]->isEnabled() && BB[i]->isChecked();
}

void TFCalLoad1::OpenFileClick(int bench) {
    IDialogs::FileRequest request;
    request.caption = QStringLiteral("Select Cal File");
    request.filter = QStringLiteral("VX30 Cal Files|*.CAL");
    request.initialName = DriveCDir();
    const QString path = Dialogs().OpenFileName(request);
    if (path.isEmpty()) return;
    m_transfer.ParamFilePath[size_t(bench)] = path;
    m_chosenPath[size_t(bench)] = path;
    FileEdit[bench]->setText(QFileInfo(path).fileName());
}

void TFCalLoad1::OKBtnClick() {
    if (m_transfer.Running()) return;
    const bool upload = DownloadUploadRG->ItemIndex() == ItemUpload;
    if (upload) {
        // The names as typed; a name still as "Open File" gave it stands for the file chosen there.
        for (int i = 0; i < 4; ++i) {
            const QString typed = FileEdit[i]->text();
            const QString& chosen = m_chosenPath[size_t(i)];
            m_transfer.ParamFilePath[size_t(i)] =
                !chosen.isEmpty() && typed == QFileInfo(chosen).fileName() ? chosen : typed;
        }
    }
    QString last = NumParamEdit->text();
    m_transfer.Start(upload ? TParamTransfer::Mode::Upload : TParamTransfer::Mode::Download, &last);
    if (last != NumParamEdit->text()) NumParamEdit->setText(last);
}

void TFCalLoad1::CancelBtnClick() {
    m_transfer.Cancel();
}

void TFCalLoad1::Timer1Timer() {
    m_transfer.Tick();
}

void TFCalLoad1::ParamTransferStopTimer() {
    Timer1->Stop();
}

void TFCalLoad1::ParamTransferReply(int bench, const TRxPacket& packet) {
    m_transfer.Reply(bench, packet);
}

void TFCalLoad1::ParamTransferNak(int bench, uint8_t code, uint8_t errorCode) {
    m_transfer.Refused(bench, code, errorCode);
}

void TFCalLoad1::ParamTransferTimeout(int bench, uint8_t code) {
    m_transfer.TimedOut(bench, code);
}
