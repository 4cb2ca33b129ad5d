// The firmware download screen in the whole program over ports in memory: its warnings, a refused
// file that leaves the bench untouched, a download frame by frame, the routing while it runs, the
// resting one-second timer, and Cancel.
#include "bench_selector.h"
#include "srecord_writer.h"
#include "test_files.h"
#include "ui_fixture.h"
#include "upgrade.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

namespace {
QByteArray frame(uint8_t code, const QByteArray& params = {}) {
    TCommand cmd;
    cmd.Begin(code);
    for (char c : params)
        cmd.Push(uint8_t(c));
    return cmd.Frame();
}
QByteArray ackOf(uint8_t code) {
    return UiFixture::Packet(KindAck, code, {});
}
QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::Active, QPalette::WindowText);
}
} // namespace

class TestUpgradeScreen : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& text) {
        return WriteTestFile(dir.filePath(name), text);
    }
    static TFUpgrade& openScreen(UiFixture& ui) {
        ui.app->MenuItem(QStringLiteral("BenchUpgrade1"))->trigger();
        return ui.shell->Upgrade();
    }

private slots:
    void warningsBeforeAnythingIsSent() {
        UiFixture ui;
        TFUpgrade& screen = openScreen(ui);
        QVERIFY(screen.isVisible());
        QCOMPARE(screen.windowTitle(), QStringLiteral("Flash Firmware Download"));
        screen.StartBtn->click();
        QCOMPARE(ui.dialogs.dialogs.Messages(), QStringList({"No Active Benvhes"}));
        QCOMPARE(ui.dialogs.dialogs.shown.last().icon, IDialogs::Icon::Warning);

        ui.Tick({0});
        QCOMPARE(screen.Bench->SelectedBench(), 0);
        ui.dialogs.dialogs.Clear();
        screen.StartBtn->click(); // the file dialog is cancelled
        QCOMPARE(ui.dialogs.dialogs.Messages(), QStringList({"No File Selected"}));
        QCOMPARE(ui.dialogs.dialogs.shown.first().kind, QStringLiteral("open"));
        QCOMPARE(ui.dialogs.dialogs.shown.first().caption, QStringLiteral("Select New Firmware File"));
        QCOMPARE(ui.dialogs.dialogs.shown.first().text, QStringLiteral("VX30 Firmware Files|*.s19"));
        QCOMPARE(ui.Written(0), QByteArray());
    }

    // A record with a checksum one too small is found before the bench is touched.
    void badFileLeavesTheBenchAlone() {
        UiFixture ui;
        TFUpgrade& screen = openScreen(ui);
        ui.Tick({0});
        ui.ClearWritten();
        const QString path =
            writeFile(QStringLiteral("bad.s19"), SRecord('3', 0x0, QByteArray(16, 'x')) + "\n" +
                                                     SRecord('3', 0x10, QByteArray(16, 'y'), -1) + "\n");
        ui.dialogs.dialogs.QueueFileName(path);
        screen.StartBtn->click();
        QCOMPARE(ui.Written(0), QByteArray());
        QVERIFY(!screen.Download().Busy());
        QCOMPARE(screen.HexAddressText->text(), QStringLiteral("Invalid data in Hex file"));
        QCOMPARE(textColour(screen.HexAddressText), QColor(Qt::red));
        const QString message = ui.dialogs.dialogs.Messages().last();
        QVERIFY2(
            message.startsWith(QLatin1String("Invalid data in Hex file\nbad.s19, line 2: the checksum is")),
            qPrintable(message));
        QVERIFY(screen.StartBtn->isEnabled());
    }

    void downloadFrameByFrame() {
        UiFixture ui;
        TFUpgrade& screen = openScreen(ui);
        ui.Tick({0, 1});
        screen.Bench->Button(0)->click();
        QCOMPARE(screen.Bench->SelectedBench(), 0);
        ui.ClearWritten();
        const QString path =
            writeFile(QStringLiteral("fw.s19"), SRecord('0', 0, "h") + "\n" +
                                                    SRecord('3', 0x012340, QByteArray("\x01\x02", 2)) + "\n" +
                                                    SRecord('7', 0, {}) + "\n");
        ui.dialogs.dialogs.QueueFileName(path);
        screen.StartBtn->click();
        QVERIFY(!screen.StartBtn->isEnabled());
        QCOMPARE(ui.Written(0), QByteArray::fromHex("020125D8"));

        ui.ports[0]->Inject(ackOf(0x25));
        QCOMPARE(ui.Written(0), QByteArray::fromHex("220126B7"));
        screen.PaintDisplay();
        QCOMPARE(textColour(screen.BootText), QColor(0, 128, 0));
        QVERIFY(screen.EraseText->isEnabled());

        // While the download runs, another reply of the bench goes to the screen and is not decoded.
        ui.app->AckNakEdit[0]->clear();
        ui.ports[0]->Inject(ackOf(0x26));
        QCOMPARE(ui.Written(0), QByteArray::fromHex("2206270123400102") + QByteArray::fromHex("4A"));
        screen.PaintDisplay();
        QCOMPARE(screen.HexAddressText->text(), QStringLiteral("00012340"));
        QCOMPARE(screen.Edit1->text(), QStringLiteral("1"));
        QCOMPARE(ui.app->AckNakEdit[0]->text(), QString());

        // The one-second timer rests while the screen shows: no time-out is reported for the write.
        ui.clock.clock.Advance(10000);
        ui.app->Timer6Timer();
        QCOMPARE(ui.app->AckNakEdit[0]->text(), QString());

        ui.ports[0]->Inject(ackOf(0x27));
        QCOMPARE(ui.Written(0), QByteArray::fromHex("220128B5"));
        ui.ports[0]->Inject(ackOf(0x28));
        QCOMPARE(ui.Written(0), frame(0xF0));
        QVERIFY(screen.Success->isVisible());
        QCOMPARE(screen.CGauge1->value(), 100);
        QCOMPARE(screen.RangeText->text(), QStringLiteral("00012340-00012341"));
        QVERIFY(screen.StartBtn->isEnabled());
        QCOMPARE(ui.Written(1), QByteArray());
    }

    void cancelStopsTheDownload() {
        UiFixture ui;
        TFUpgrade& screen = openScreen(ui);
        ui.Tick({0});
        const QString path = writeFile(QStringLiteral("c.s19"), SRecord('3', 0x0, QByteArray(4, 'x')) + "\n");
        ui.dialogs.dialogs.QueueFileName(path);
        screen.StartBtn->click();
        ui.ports[0]->Inject(ackOf(0x25));
        ui.ClearWritten();
        screen.CancelBtn->click();
        QVERIFY(!screen.isVisible());
        QVERIFY(!screen.Download().Busy());
        QVERIFY(!ui.app->Acquisition().State.FirmwareScreenVisible);
        // The erase acknowledgement now is an ordinary reply: shown on the line, nothing sent.
        ui.ports[0]->Inject(ackOf(0x26));
        QCOMPARE(ui.Written(0), QByteArray());
        QCOMPARE(ui.app->AckNakEdit[0]->text(), QStringLiteral("Initiate Flash Download  ACK"));
        QVERIFY(screen.StartBtn->isEnabled());
        QCOMPARE(screen.BootText->isEnabled(), true);
        QCOMPARE(screen.EraseText->isEnabled(), false);
    }
};

QTEST_MAIN(TestUpgradeScreen)
#include "test_upgrade_screen.moc"
