// The parameter editor in the program (shell over ports in memory): the list file's names and labels,
// the number edit, Read/Write/Load/Store on the selected bench, the value display in columns, the
// re-read after a load, and StoreBtn following the write acknowledgements only.
#include "bench_selector.h"
#include "calload.h"
#include "fparams.h"
#include "paths.h"
#include "ui_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {
const QByteArray List = "/* test list */\n"
                        "TParameter ParamList[] = {\n"
                        "    { eInt, &Version, eFlash, sizeof(int), 0 },\n"
                        "    { eString12, SerialNumber, eFlash, 12, 0 },\n"
                        "    { eFloat, Span, eFlash, sizeof(float), 20 },\n"
                        "    { eFloat, Coeff, eBoot, sizeof(float), NUM_X},\n"
                        "    { eLong, &Live, eRAM, sizeof(long), 0 },\n"
                        "    { eChar, 0, eFlash, 0, 0 }\n"
                        "};\n";

QByteArray frame(uint8_t code, uint16_t number, const QByteArray& text = {}, bool withText = false) {
    TCommand cmd;
    cmd.Begin(code);
    if (code == 0x54) cmd.Push16(0x7E51);
    cmd.Push16(number);
    if (withText) {
        for (char c : text)
            cmd.Push(uint8_t(c));
        cmd.Push(0);
    }
    return cmd.Frame();
}

QByteArray ack(uint8_t code, const QByteArray& data = {}) {
    return UiFixture::Packet(0x06, code, data);
}
} // namespace

class TestParameters : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    static TParameters& screen(UiFixture& f) { return f.shell->Parameters(); }

private slots:
    void initTestCase() {
        // The list file is read from the working directory, as the program does.
        QVERIFY(QDir::setCurrent(dir.path()));
        QFile file(QStringLiteral("ParamLst.c"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(List) == List.size());
    }
    void init() { QFile::remove(DriveCPath(QStringLiteral("Flash.Ok"))); }

    void startState() {
        UiFixture f;
        TParameters& p = screen(f);
        QCOMPARE(p.windowTitle(), QStringLiteral("Parameters"));
        QCOMPARE(p.ComboBox1->count(), 401);
        QCOMPARE(p.ComboBox1->itemText(2), QStringLiteral("Span"));
        QCOMPARE(p.ComboBox1->itemText(5), QStringLiteral("0"));
        QCOMPARE(p.ComboBox1->currentIndex(), 1);
        QCOMPARE(p.MaskEdit1->text(), QStringLiteral("1"));
        QCOMPARE(p.TypeLabel->text(), QStringLiteral("String12"));
        QVERIFY(p.ElementsLabel->isHidden());
        QCOMPARE(p.BankLabel->text(), QStringLiteral("Flash"));
        QVERIFY(p.StoreBtn->isEnabled());
        QCOMPARE(p.ColumnEdit->text(), QStringLiteral("10"));
        QVERIFY(!p.FlashAllowed());
        QCOMPARE(p.SelectedBench(), -1);
        QCOMPARE(p.ParamItem(4)->Bank, int8_t(1));
        QVERIFY(!p.ParamItem(401));
        QVERIFY(f.app->MenuItem(QStringLiteral("Parameters1"))->isEnabled());
    }

    void numberEditAndCombo_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("elements"); // empty: hidden
        QTest::addColumn<QString>("bank");
        QTest::newRow("scalar") << "0" << 0 << "Int"
                                << ""
                                << "Flash";
        QTest::newRow("array") << "2" << 2 << "Float"
                               << "20"
                               << "Flash";
        QTest::newRow("symbolic count") << "3" << 3 << "Float"
                                        << "NUM_X"
                                        << "Boot";
        QTest::newRow("RAM") << "4" << 4 << "Long"
                             << ""
                             << "RAM";
        QTest::newRow("unnamed") << "200" << 200 << "Char"
                                 << ""
                                 << "Flash";
        // 401 changes nothing: the combo and labels keep parameter 3's.
        QTest::newRow("401") << "401" << 3 << "Float"
                             << "NUM_X"
                             << "Boot";
        QTest::newRow("empty") << "" << 3 << "Float"
                               << "NUM_X"
                               << "Boot";
    }
    void numberEditAndCombo() {
        QFETCH(QString, entry);
        QFETCH(int, index);
        QFETCH(QString, type);
        QFETCH(QString, elements);
        QFETCH(QString, bank);
        UiFixture f;
        TParameters& p = screen(f);
        p.MaskEdit1->setText(QStringLiteral("3"));
        p.MaskEdit1->setText(entry);
        QCOMPARE(p.ComboBox1->currentIndex(), index);
        QCOMPARE(p.TypeLabel->text(), type);
        QCOMPARE(p.ElementsLabel->isHidden(), elements.isEmpty());
        if (!elements.isEmpty()) QCOMPARE(p.ElementsLabel->text(), elements);
        QCOMPARE(p.BankLabel->text(), bank);
    }

    void choosingANameSetsTheNumber() {
        UiFixture f;
        TParameters& p = screen(f);
        p.ComboBox1->setCurrentIndex(4);
        emit p.ComboBox1->activated(4);
        QCOMPARE(p.MaskEdit1->text(), QStringLiteral("4"));
        QCOMPARE(p.BankLabel->text(), QStringLiteral("RAM"));
    }

    void illegalNumbersWarnAndSendNothing_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("read") << "ReadButton";
        QTest::newRow("write") << "WriteBtn";
        QTest::newRow("load") << "LoadBtn";
        QTest::newRow("store") << "StoreBtn";
    }
    void illegalNumbersWarnAndSendNothing() {
        QFETCH(QString, button);
        UiFixture f;
        f.Tick({0});
        f.ClearWritten();
        TParameters& p = screen(f);
        for (const QString& entry : {QStringLiteral("401"), QString()}) {
            f.dialogs.dialogs.Clear();
            p.MaskEdit1->setText(entry);
            p.findChild<QPushButton*>(button)->click();
            QCOMPARE(f.dialogs.dialogs.Messages(), QStringList{"Illegal Parameter number"});
            QCOMPARE(f.dialogs.dialogs.shown.first().caption, QStringLiteral("Warning"));
            QCOMPARE(f.dialogs.dialogs.shown.first().icon, IDialogs::Icon::Warning);
        }
        QVERIFY(f.Written(0).isEmpty());
    }

    void readShowsTheValueInColumns() {
        UiFixture f;
        f.Tick({0, 1});
        f.ClearWritten();
        TParameters& p = screen(f);
        QCOMPARE(p.SelectedBench(), 0);
        p.GrpBench->Button(1)->click();
        QCOMPARE(p.SelectedBench(), 1);
        p.show();
        p.MaskEdit1->setText(QStringLiteral("2"));
        p.ColumnEdit->setText(QStringLiteral("2"));
        p.Memo1->setPlainText(QStringLiteral("old"));
        // Enter in the number edit reads, as the Read button does.
        QTest::keyClick(p.MaskEdit1, Qt::Key_Return);
        QVERIFY(p.Memo1->toPlainText().isEmpty());
        QVERIFY(!p.StoreBtn->isEnabled());
        QCOMPARE(f.Written(1), frame(0x49, 2));
        QVERIFY(f.Written(0).isEmpty());
        f.ports[1]->Inject(ack(0x49, "1,2,3,4,5"));
        QCOMPARE(p.Memo1->toPlainText(), QStringLiteral("1,\t2,\t\n3,\t4,\t\n5"));
        QCOMPARE(f.shell->CalLoad().Machine().ParamReadText(), QByteArray("1,2,3,4,5"));
        // Choosing a bench clears the memo.
        p.GrpBench->Button(0)->click();
        QCOMPARE(p.SelectedBench(), 0);
        QVERIFY(p.Memo1->toPlainText().isEmpty());
    }

    void aBadColumnCountBlocksTheDisplay_data() {
        QTest::addColumn<QString>("columns");
        QTest::newRow("0") << "0";
        QTest::newRow("21") << "21";
        QTest::newRow("text") << "ten";
    }
    void aBadColumnCountBlocksTheDisplay() {
        QFETCH(QString, columns);
        UiFixture f;
        f.Tick({0});
        TParameters& p = screen(f);
        p.ColumnEdit->setText(columns);
        for (int round = 0; round < 2; ++round) {
            p.ReadButtonClick();
            f.ports[0]->Inject(ack(0x49, "7,8"));
        }
        QCOMPARE(f.dialogs.dialogs.Messages(),
                 QStringList({"Check Number of Columns", "Check Number of Columns"}));
        QCOMPARE(f.dialogs.dialogs.shown.first().caption, QStringLiteral("Information"));
        QVERIFY(p.Memo1->toPlainText().isEmpty());
        // The value still reaches the calibration check; and a good count shows the next reply.
        QCOMPARE(f.shell->CalLoad().Machine().ParamReadText(), QByteArray("7,8"));
        p.ColumnEdit->setText(QStringLiteral("20"));
        p.ReadButtonClick();
        f.ports[0]->Inject(ack(0x49, "7,8"));
        QCOMPARE(p.Memo1->toPlainText(), QStringLiteral("7,\t8"));
    }

    void loadReadsTheLoadedValueBack() {
        UiFixture f;
        f.Tick({0});
        f.ClearWritten();
        TParameters& p = screen(f);
        p.MaskEdit1->setText(QStringLiteral("2"));
        p.Memo1->setPlainText(QStringLiteral("old"));
        p.LoadBtn->click();
        QVERIFY(p.Memo1->toPlainText().isEmpty());
        QCOMPARE(f.Written(0), frame(0x55, 2));
        QCOMPARE(p.CurrentParam(), 2);
        f.ports[0]->Inject(ack(0x55));
        QCOMPARE(f.Written(0), frame(0x49, 2));
        f.ports[0]->Inject(ack(0x49, "4.5"));
        QCOMPARE(p.Memo1->toPlainText(), QStringLiteral("4.5"));
    }

    void writeSendsTheMemoWithoutBlanks() {
        UiFixture f;
        f.Tick({0});
        f.ClearWritten();
        TParameters& p = screen(f);
        p.MaskEdit1->setText(QStringLiteral("2"));
        p.Memo1->setPlainText(QStringLiteral("1.5,\t2,\n 3 ,4"));
        p.WriteBtn->click();
        QCOMPARE(f.Written(0), frame(0x48, 2, "1.5,2,3,4", true));
        // A text that does not fit one request, or that is not ASCII, is refused with a message.
        p.Memo1->setPlainText(QString(300, QLatin1Char('9')));
        p.WriteBtn->click();
        p.Memo1->setPlainText(QStringLiteral("1,2\u00B0"));
        p.WriteBtn->click();
        QVERIFY(f.Written(0).isEmpty());
        const QStringList messages = f.dialogs.dialogs.Messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.at(0).contains(QLatin1String("300 characters, at most 251")));
        QVERIFY(messages.at(1).contains(QLatin1String("only ASCII")));
    }

    void onlyTheWriteAcknowledgementSetsStore_data() {
        QTest::addColumn<bool>("flashOk");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("flash parameter") << true << 2 << true;
        QTest::newRow("RAM parameter") << true << 4 << false;
        QTest::newRow("without Flash.Ok") << false << 2 << false;
        QTest::newRow("beyond the list") << true << 600 << true;
    }
    void onlyTheWriteAcknowledgementSetsStore() {
        QFETCH(bool, flashOk);
        QFETCH(int, number);
        QFETCH(bool, enabled);
        if (flashOk) {
            QFile marker(DriveCPath(QStringLiteral("Flash.Ok")));
            QVERIFY(marker.open(QIODevice::WriteOnly));
        }
        UiFixture f;
        f.Tick({0});
        TParameters& p = screen(f);
        QCOMPARE(p.FlashAllowed(), flashOk);
        p.ReadButtonClick();
        QVERIFY(!p.StoreBtn->isEnabled());
        // Another screen works on the same bench: only its write acknowledgement counts.
        TBench& bench = f.shell->Benches()[0];
        bench.SendStoreFlashParameter(uint16_t(number));
        f.ports[0]->Inject(ack(0x54));
        bench.SendLoadFlashParameter(uint16_t(number));
        f.ports[0]->Inject(ack(0x55));
        f.ports[0]->Inject(ack(0x49, "1"));
        QCOMPARE(p.CurrentParam(), number);
        QVERIFY(!p.StoreBtn->isEnabled());
        QVERIFY(bench.SendWriteFlashParameter(uint16_t(number), "1"));
        f.ports[0]->Inject(ack(0x48));
        QCOMPARE(p.StoreBtn->isEnabled(), enabled);
    }

    void withoutABenchNothingIsSent() {
        UiFixture f;
        TParameters& p = screen(f);
        p.MaskEdit1->setText(QStringLiteral("2"));
        p.Memo1->setPlainText(QStringLiteral("x"));
        p.ReadButtonClick();
        p.Memo1->setPlainText(QStringLiteral("5"));
        p.WriteBtnClick();
        p.StoreBtnClick();
        p.LoadBtnClick();
        QCOMPARE(p.CurrentParam(), 2);
        QVERIFY(p.Memo1->toPlainText().isEmpty());
        for (int b = 0; b < 4; ++b)
            QVERIFY(f.Written(b).isEmpty());
        QVERIFY(f.dialogs.dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(TestParameters)
#include "test_parameters.moc"
