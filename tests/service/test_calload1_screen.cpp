// The parameter download and upload screen in the whole program over ports in memory: its boxes
// follow the activation boxes, a download runs on its form timer and the bench's replies, an
// existing upload file is only overwritten after a yes, and Cancel ends a run.
#include "calload1.h"
#include "form_timer.h"
#include "radio_group.h"
#include "test_files.h"
#include "ui_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

class TestCalLoad1Screen : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& text) {
        return WriteTestFile(dir.filePath(name), text);
    }
    static TFCalLoad1& openScreen(UiFixture& ui) {
        ui.app->MenuItem(QStringLiteral("NewCalLoad1"))->trigger();
        return ui.shell->CalLoad1();
    }
    // One step of the form timer.
    static void step(UiFixture& ui, TFCalLoad1& s) {
        ui.clock.clock.Advance(TParamTransfer::StepIntervalMs);
        s.Timer1->Poll();
    }
    static QByteArray frame(uint8_t code, const QByteArray& params) {
        TCommand cmd;
        cmd.Begin(code);
        for (char c : params)
            cmd.Push(uint8_t(c));
        return cmd.Frame();
    }

private slots:
    void benchBoxesFollowTheMainWindow() {
        UiFixture ui;
        TFCalLoad1& s = openScreen(ui);
        QVERIFY(s.isVisible());
        QCOMPARE(s.windowTitle(), QStringLiteral("Cal Load1"));
        QCOMPARE(s.DownloadUploadRG->ItemIndex(), TFCalLoad1::ItemUpload);
        QCOMPARE(s.NumParamEdit->text(), QStringLiteral("500"));
        ui.Tick({0, 2});
        QVERIFY(s.BB[0]->isEnabled() && s.BB[0]->isChecked());
        QVERIFY(!s.BB[1]->isEnabled());
        QCOMPARE(s.Transfer().BenchWanted, (std::array<bool, 4>{true, false, true, false}));
        s.BB[2]->click();
        QCOMPARE(s.Transfer().BenchWanted, (std::array<bool, 4>{true, false, false, false}));
    }

    void downloadThroughTheBenchConnection() {
        UiFixture ui;
        TFCalLoad1& s = openScreen(ui);
        ui.Tick({0});
        const QString file = writeFile(QStringLiteral("d.CAL"), "// 300 UserScale1 \r\n  1.5 \r\n");
        ui.dialogs.dialogs.QueueFileName(file);
        s.Button[0]->click();
        QCOMPARE(s.FileEdit[0]->text(), QStringLiteral("d.CAL"));
        s.DownloadUploadRG->ClickItem(TFCalLoad1::ItemDownload);
        s.Transfer().TracePath = dir.filePath(QStringLiteral("tryfile.txt"));
        ui.ClearWritten();
        s.OKBtn->click();
        QVERIFY(!s.OKBtn->isEnabled());
        QCOMPARE(s.Edit1->text(), QStringLiteral("Download in progress"));
        step(ui, s); // the file was read at Start; now the parameter is taken
        QCOMPARE(ui.Written(0), QByteArray());
        step(ui, s);
        QCOMPARE(ui.Written(0), QByteArray::fromHex("020748012C312E3500EE")); // $48 for 300, "1.5"
        QCOMPARE(s.Edit2->text(), QStringLiteral("300"));
        ui.ports[0]->Inject(UiFixture::Packet(KindAck, 0x48, {}));
        step(ui, s);
        QCOMPARE(ui.Written(0), frame(0x49, QByteArray::fromHex("012C")));
        ui.ports[0]->Inject(UiFixture::Packet(KindAck, 0x49, "1.5"));
        step(ui, s);
        QCOMPARE(ui.Written(0), frame(0x54, QByteArray::fromHex("7E51012C")));
        ui.ports[0]->Inject(UiFixture::Packet(KindAck, 0x54, {}));
        for (int i = 0; i < 8; ++i)
            step(ui, s);
        QCOMPARE(s.Edit1->text(), QStringLiteral(" Successful  Download"));
        QVERIFY(s.OKBtn->isEnabled());
    }

    // The load's acknowledgement goes to the parameter screen, whose read-back moves the upload on.
    void uploadThroughTheParameterScreen() {
        UiFixture ui;
        TFCalLoad1& s = openScreen(ui);
        ui.Tick({0});
        const QString file = dir.filePath(QStringLiteral("up.CAL"));
        QFile::remove(file);
        s.FileEdit[0]->setText(file);
        s.NumParamEdit->setText(QStringLiteral("0"));
        s.Transfer().TracePath = dir.filePath(QStringLiteral("tryfile.txt"));
        ui.ClearWritten();
        s.OKBtn->click();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Upload in progress"));
        step(ui, s);
        QCOMPARE(ui.Written(0), frame(0x55, QByteArray::fromHex("0000")));
        ui.ports[0]->Inject(UiFixture::Packet(KindAck, 0x55, {}));
        QCOMPARE(ui.Written(0), frame(0x49, QByteArray::fromHex("0000")));
        ui.ports[0]->Inject(UiFixture::Packet(KindAck, 0x49, "3"));
        step(ui, s);
        QCOMPARE(ui.Written(0), frame(0x49, QByteArray::fromHex("0000")));
        ui.ports[0]->Inject(UiFixture::Packet(KindAck, 0x49, "3"));
        for (int i = 0; i < 8; ++i)
            step(ui, s);
        QCOMPARE(s.Edit1->text(), QStringLiteral(" Successful  Upload"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.startsWith("// 0 ") && text.endsWith(" \r\n  3 \r\n"), text.constData());
    }

    void existingUploadFileAsksFirst() {
        UiFixture ui;
        TFCalLoad1& s = openScreen(ui);
        ui.Tick({0});
        const QString file = writeFile(QStringLiteral("u.CAL"), "keep");
        s.FileEdit[0]->setText(file);
        s.Transfer().TracePath = dir.filePath(QStringLiteral("tryfile.txt"));
        ui.dialogs.dialogs.QueueConfirm(false);
        s.OKBtn->click();
        QCOMPARE(ui.dialogs.dialogs.shown.last().kind, QStringLiteral("confirm"));
        QCOMPARE(ui.dialogs.dialogs.shown.last().text, QStringLiteral("File Exists! Overwrite?"));
        step(ui, s);
        QCOMPARE(s.Edit1->text(), QStringLiteral("Aborted  Upload"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep"));
    }

    void cancelEndsTheRun() {
        UiFixture ui;
        TFCalLoad1& s = openScreen(ui);
        ui.Tick({0});
        s.FileEdit[0]->setText(dir.filePath(QStringLiteral("new.CAL")));
        s.Transfer().TracePath = dir.filePath(QStringLiteral("tryfile.txt"));
        s.OKBtn->click();
        step(ui, s);
        QCOMPARE(ui.Written(0).right(5), frame(0x55, QByteArray::fromHex("0000")).right(5));
        s.CancelBtn->click();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Aborted  Upload"));
        QVERIFY(!s.Transfer().FilesOpen());
        QVERIFY(s.OKBtn->isEnabled());
        QVERIFY(s.isVisible());
    }
};

QTEST_MAIN(TestCalLoad1Screen)
#include "test_calload1_screen.moc"
