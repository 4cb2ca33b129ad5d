// The command console in the whole program (offscreen, ports in memory, manual clock): opened from the
// menus, a page sent through the main window's one-second timer, the bench's answer shown; the wait,
// its backstop and its end; bench selection; keyboard; and every page's layout on the real widgets.
#include "bench_selector.h"
#include "cmds.h"
#include "console_commands.h"
#include "console_radio_group.h"
#include "ui_fixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QByteArray frame(uint8_t code, const QByteArray& payload) {
    TCommand cmd;
    cmd.Begin(code);
    for (char b : payload)
        cmd.Push(uint8_t(b));
    return cmd.Frame();
}

QString menuEntry(uint8_t code) {
    const TConsoleCommand* c = FindConsoleCommand(code);
    return c ? QString::fromLatin1(c->menuEntry.data(), qsizetype(c->menuEntry.size())) : QString();
}

struct ConsoleFixture : UiFixture {
    TFCmds& console = shell->Console();

    explicit ConsoleFixture(std::initializer_list<int> ticked = {}) {
        app->show();
        Tick(ticked);
        ClearWritten();
    }
    // The operator picks the command in its menu.
    void open(uint8_t code) { app->MenuItem(menuEntry(code))->trigger(); }
    void tick() { app->Timer6Timer(); }
    void reply(int bench, uint8_t kind, uint8_t code, const QByteArray& data = {}) {
        ports[bench]->Inject(Packet(kind, code, data));
    }
    QColor ackColour() const { return console.AckNakEdit->palette().color(QPalette::Text); }
    QStringList messages() const { return dialogs.dialogs.Messages(); }
    void clickItem(int group, int item) { console.RadioGroup[group - 1]->Button(item)->click(); }
};

} // namespace

class TestCmds : public QObject {
    Q_OBJECT

private slots:
    void menusOpenTheConsoleForTheirCode() {
        ConsoleFixture f;
        QVERIFY(f.app->MenuItem(QStringLiteral("N04SystemId1"))->isEnabled());
        QVERIFY(f.app->MenuItem(QStringLiteral("D4ChangeCommandSet1"))->isEnabled());
        f.open(0x04);
        QVERIFY(f.console.isVisible());
        QCOMPARE(f.console.windowTitle(), QStringLiteral("System ID "));
        QCOMPARE(f.console.Label[0]->text(), QStringLiteral("Serial Number    "));
        QVERIFY(f.console.Edit[5]->isVisible());
        QVERIFY(!f.console.Edit[6]->isVisible());
        f.open(0xD4);
        QCOMPARE(f.console.windowTitle(), QStringLiteral("Change Command set $D4"));
        QVERIFY(!f.console.Edit[5]->isVisible());
        QCOMPARE(f.console.RadioGroup[0]->Items().size(), 7);
        // $47 has no page: everything hidden, the title kept.
        f.open(0x47);
        QCOMPARE(f.console.windowTitle(), QStringLiteral("Change Command set $D4"));
        QVERIFY(!f.console.RadioGroup[0]->isVisible());
        QVERIFY(f.console.AckNakEdit->isVisible());
    }

    void noBenchNoSend() {
        ConsoleFixture f;
        f.open(0x02);
        QVERIFY(!f.console.GrpBench->Button(0)->isEnabled());
        f.console.SendBtn->click();
        QCOMPARE(f.messages(), QStringList{"Please select Com port for X714"});
        QCOMPARE(f.dialogs.dialogs.shown.first().caption, QStringLiteral("Information"));
        QVERIFY(!f.console.Waiting());
        QVERIFY(f.console.SendBtn->isEnabled());
        f.tick();
        for (int i = 0; i < 4; ++i)
            QVERIFY(f.Written(i).isEmpty());
    }

    // Send, the timer's tick, the reply: result and acknowledgement; only then Send again.
    void sendWaitAndAcknowledge() {
        ConsoleFixture f({0});
        f.open(0x07);
        f.clickItem(1, 1); // "On"
        f.console.Edit[0]->setText(QStringLiteral("old"));
        f.console.SendBtn->click();
        QVERIFY(f.console.Waiting());
        QVERIFY(!f.console.SendBtn->isEnabled());
        QVERIFY(f.console.Edit[0]->text().isEmpty());
        QCOMPARE(f.app->Benches()[0].CmdParams.PumpControl, uint8_t(1));
        // Nothing goes out until the one-second timer; a second Send does nothing.
        QVERIFY(f.Written(0).isEmpty());
        f.console.SendBtnClick();
        f.tick();
        QCOMPARE(f.Written(0), frame(0x07, QByteArray::fromHex("01")));
        f.tick();
        QVERIFY(f.Written(0).isEmpty());

        f.reply(0, KindAck, 0x07, QByteArray::fromHex("01"));
        QCOMPARE(f.console.Edit[0]->text(), QStringLiteral("Pump On"));
        QCOMPARE(f.console.AckNakEdit->text(), QStringLiteral("Pump Control  ACK"));
        QCOMPARE(f.ackColour(), QColor(Qt::black));
        QVERIFY(!f.console.Waiting());
        QVERIFY(f.console.SendBtn->isEnabled());
        // A reply that was not asked for while nothing waits changes no box.
        f.app->Benches()[0].Commands[0x07].Awaiting = true;
        f.reply(0, KindAck, 0x07, QByteArray::fromHex("00"));
        QCOMPARE(f.console.Edit[0]->text(), QStringLiteral("Pump On"));
    }

    void refusalRedThenAckBlack() {
        ConsoleFixture f({0});
        f.open(0x18);
        f.console.SendBtn->click();
        f.tick();
        f.reply(0, KindNak, 0x18, QByteArray::fromHex("03"));
        QCOMPARE(f.console.AckNakEdit->text(), f.app->Benches()[0].AckText);
        QVERIFY(f.console.AckNakEdit->text().startsWith(QStringLiteral("SW Checksum  NAK ")));
        QCOMPARE(f.ackColour(), QColor(Qt::red));
        QVERIFY(f.console.Edit[1]->text().isEmpty());
        f.console.SendBtn->click();
        QVERIFY(f.console.AckNakEdit->text().isEmpty());
        f.tick();
        f.reply(0, KindAck, 0x18, QByteArray::fromHex("0AAB00FF"));
        QCOMPARE(f.console.AckNakEdit->text(), QStringLiteral("SW Checksum  ACK"));
        QCOMPARE(f.ackColour(), QColor(Qt::black));
        QCOMPARE(f.console.Edit[2]->text(), QStringLiteral("0xAB"));
    }

    // No answer: the connection's time-out ends the wait; with no report at all, the 10 s backstop.
    void timeoutAndBackstop() {
        ConsoleFixture f({0});
        f.open(0x05);
        f.console.SendBtn->click();
        f.tick();
        f.clock.clock.Advance(2100);
        f.tick();
        QCOMPARE(f.console.AckNakEdit->text(), QStringLiteral("Miscellaneous Data  Timeout"));
        QCOMPARE(f.ackColour(), QColor(Qt::red));
        QVERIFY(f.console.SendBtn->isEnabled());

        // "$47 System Hours": the wait is armed, nothing is sent, the backstop ends it without a word.
        f.ClearWritten();
        f.open(0x47);
        f.console.SendBtn->click();
        QVERIFY(f.console.Waiting());
        f.tick();
        QVERIFY(f.Written(0).isEmpty());
        f.clock.clock.Advance(9999);
        f.console.Timer1.Poll();
        QVERIFY(f.console.Waiting());
        f.clock.clock.Advance(1);
        f.console.Timer1.Poll();
        QVERIFY(!f.console.Waiting());
        QVERIFY(f.console.SendBtn->isEnabled());
        QVERIFY(f.console.AckNakEdit->text().isEmpty());
        QVERIFY(!f.console.Timer1.Enabled());
    }

    // Reports the console does not wait for leave it waiting and its line as it was.
    void reportsOfOtherCommandsAndBenches() {
        ConsoleFixture f({0, 1});
        f.open(0x02);
        f.console.GrpBench->Button(1)->click();
        QCOMPARE(f.console.SelectedBench(), 1);
        f.console.SendBtn->click();
        f.tick();
        QCOMPARE(f.Written(1), frame(0x02, QByteArray::fromHex("00")));
        // The main window zeroes every bench: bench 1's answer to that is not the console's.
        f.app->ZeroBtn->click();
        f.reply(0, KindAck, 0x02);
        QVERIFY(f.console.Waiting());
        QVERIFY(f.console.AckNakEdit->text().isEmpty());
        f.reply(1, KindAck, 0x02);
        QCOMPARE(f.console.AckNakEdit->text(), QStringLiteral("Zero O2 Span calibration  ACK"));

        // Another command chosen while waiting: the first one's answer no longer matches.
        f.open(0x04);
        f.console.SendBtn->click();
        f.tick();
        f.open(0x05);
        QVERIFY(f.console.Waiting());
        QVERIFY(!f.console.SendBtn->isEnabled());
        f.reply(1, KindAck, 0x04, QByteArray(34, 'A'));
        QVERIFY(f.console.Waiting());
        QVERIFY(f.console.AckNakEdit->text().isEmpty());
        QVERIFY(f.console.Edit[0]->text().isEmpty());
        f.clock.clock.Advance(10000);
        f.console.Timer1.Poll();
        QVERIFY(f.console.SendBtn->isEnabled());
    }

    void hiddenConsoleEndsTheWaitSilently() {
        ConsoleFixture f({0});
        f.open(0x46);
        f.console.SendBtn->click();
        f.tick();
        f.console.CloseBtn->click();
        QVERIFY(!f.console.isVisible());
        QVERIFY(f.console.Waiting());
        f.reply(0, KindAck, 0x46, QByteArray::fromHex("01"));
        QVERIFY(!f.console.Waiting());
        QVERIFY(f.console.SendBtn->isEnabled());
        QVERIFY(f.console.AckNakEdit->text().isEmpty());
    }

    void reopenedPageShowsWhatWasSent() {
        ConsoleFixture f({0});
        f.open(0x02);
        f.console.Edit[0]->setText(QStringLiteral("7"));
        f.console.SendBtn->click();
        f.tick();
        f.reply(0, KindAck, 0x02);
        f.console.Edit[0]->setText(QStringLiteral("300"));
        f.console.SendBtn->click();
        QCOMPARE(f.messages(), QStringList{"Illegal Purge Time"});
        QCOMPARE(f.dialogs.dialogs.shown.last().icon, IDialogs::Icon::Error);
        QVERIFY(!f.console.Waiting());
        f.console.Edit[0]->setText(QStringLiteral("9"));
        f.open(0x02);
        QCOMPARE(f.console.Edit[0]->text(), QStringLiteral("7"));
        QVERIFY(f.console.AckNakEdit->text().isEmpty());
        // Several failed entries: one box each, in order.
        f.dialogs.dialogs.Clear();
        f.open(0x0B);
        f.console.Edit[1]->setText(QStringLiteral("a"));
        f.console.Edit[3]->setText(QStringLiteral("b"));
        f.console.SendBtn->click();
        QCOMPARE(f.messages(), (QStringList{"Check Vacuum setting", "Check Tolerance setting"}));
    }

    void benchSelection() {
        ConsoleFixture f;
        TBenchSelector& s = *f.console.GrpBench;
        f.Click(0);
        QCOMPARE(f.console.SelectedBench(), 0);
        f.Click(2);
        QCOMPARE(f.console.SelectedBench(), 0);
        QVERIFY(s.Button(2)->isEnabled());
        f.Click(0);
        QCOMPARE(f.console.SelectedBench(), 2);
        QVERIFY(!s.Button(0)->isEnabled());
        f.Click(2);
        QCOMPARE(f.console.SelectedBench(), -1);
        // Two benches usable at once with no button checked: the higher one.
        f.app->ActiveBench[0]->setChecked(true);
        f.app->ActiveBench[2]->setChecked(true);
        f.app->ActiveBench1Click();
        QCOMPARE(f.console.SelectedBench(), 2);
    }

    // A bench button lays the page out again (results and process state gone) and keeps the wait; the
    // command goes to the bench it was written for.
    void otherBenchButtonWhileWaiting() {
        ConsoleFixture f({0, 1});
        f.open(0x07);
        f.console.GrpBench->Button(0)->click();
        QCOMPARE(f.console.SelectedBench(), 0);
        f.clickItem(1, 1);
        f.console.SendBtn->click();
        f.console.Edit[0]->setText(QStringLiteral("x"));
        f.console.GrpBench->Button(1)->click();
        QCOMPARE(f.console.SelectedBench(), 1);
        QVERIFY(f.console.Edit[0]->text().isEmpty());
        QCOMPARE(f.console.RadioGroup[0]->ItemIndex(), 1);
        QVERIFY(f.console.Waiting());
        f.tick();
        QCOMPARE(f.Written(0), frame(0x07, QByteArray::fromHex("01")));
        QVERIFY(f.Written(1).isEmpty());
        f.reply(0, KindAck, 0x07, QByteArray::fromHex("01"));
        QCOMPARE(f.console.AckNakEdit->text(), QStringLiteral("Pump Control  ACK"));
        // Bench 1's result is not shown on bench 2's page.
        QVERIFY(f.console.Edit[0]->text().isEmpty());
        QVERIFY(f.console.SendBtn->isEnabled());
    }

    // An acknowledged Soft Reset closes every port before its acknowledgement reaches the console: the
    // console shows it all the same and is ready again, with no bench left to select.
    void softResetAcknowledged() {
        ConsoleFixture f({0});
        f.open(0xF0);
        f.console.SendBtn->click();
        f.tick();
        QCOMPARE(f.Written(0), frame(0xF0, {}));
        f.reply(0, KindAck, 0xF0);
        QVERIFY(!f.app->PortOpen(0));
        QCOMPARE(f.console.SelectedBench(), -1);
        QCOMPARE(f.console.AckNakEdit->text(), QStringLiteral("Soft Reset  ACK"));
        QVERIFY(f.console.SendBtn->isEnabled());
        QCOMPARE(f.dialogs.dialogs.shown.size(), 1); // the disconnection warning
    }

    void processStateFollowsTheDataStream() {
        ConsoleFixture f({0});
        f.open(0x03);
        QVERIFY(f.console.InProgEdit->isVisible());
        QCOMPARE(f.console.InProgLabel->text(), QStringLiteral("Process State"));
        f.app->StartBtn->click();
        f.ports[0]->Inject(UiFixture::DataReply(0, 0, 0, 2090, 0, 0x10));
        QCOMPARE(f.console.InProgEdit->text(), QStringLiteral("In Progress"));
        f.ports[0]->Inject(UiFixture::DataReply(0, 0, 0, 2090, 0, 0x00));
        QVERIFY(f.console.InProgEdit->text().isEmpty());
        f.ports[0]->Inject(UiFixture::DataReply(0, 0, 0, 2090, 0, 0x10));
        QCOMPARE(f.console.InProgEdit->text(), QStringLiteral("In Progress"));
        f.open(0x03);
        QVERIFY(f.console.InProgEdit->text().isEmpty());
    }

    void keyboard() {
        ConsoleFixture f({0});
        f.open(0x03);
        // Tab follows the rows: box, entry, next row's box.
        QCOMPARE(f.console.CheckBox[0]->nextInFocusChain(), f.console.Edit[0]);
        QCOMPARE(f.console.Edit[0]->nextInFocusChain(), f.console.CheckBox[1]);
        QCOMPARE(f.console.Edit[4]->nextInFocusChain(), f.console.SendBtn);
        f.console.CheckBox[0]->setChecked(true);
        f.console.Edit[0]->setText(QStringLiteral("1.5"));
        QTest::keyClick(f.console.Edit[0], Qt::Key_Return);
        QVERIFY(f.console.Waiting());
        QCOMPARE(f.app->Benches()[0].CmdParams.SpanCo2, int16_t(150));
        QTest::keyClick(f.console.Edit[0], Qt::Key_Escape);
        QVERIFY(!f.console.isVisible());
        QVERIFY(f.console.Waiting());
    }

    // Every page on the real widgets: each caption fits its place, no two controls overlap, nothing
    // runs off the form or into the rows under the page.
    void everyPageFits_data() {
        QTest::addColumn<int>("code");
        for (const TConsoleCommand& c : ConsoleCommands)
            QTest::addRow("$%02X", c.code) << int(c.code);
    }
    void everyPageFits() {
        QFETCH(int, code);
        ConsoleFixture f;
        f.open(uint8_t(code));
        TFCmds& c = f.console;
        QList<QWidget*> shown;
        auto fits = [](QWidget* w, int width) {
            return QStringLiteral("%1 needs %2, has %3").arg(w->objectName()).arg(width).arg(w->width());
        };
        for (QLabel* l : c.Label)
            if (l->isVisible()) {
                shown << l;
                QVERIFY2(l->sizeHint().width() <= l->width(), qPrintable(fits(l, l->sizeHint().width())));
            }
        for (QCheckBox* b : c.CheckBox)
            if (b->isVisible()) {
                shown << b;
                QVERIFY2(b->sizeHint().width() <= b->width(), qPrintable(fits(b, b->sizeHint().width())));
            }
        for (TConsoleRadioGroup* g : c.RadioGroup)
            if (g->isVisible()) {
                shown << g;
                const QSize need = g->minimumSizeHint();
                QVERIFY2(need.width() <= g->width() && need.height() <= g->height(),
                         qPrintable(QStringLiteral("%1 needs %2x%3, has %4x%5")
                                        .arg(g->objectName())
                                        .arg(need.width())
                                        .arg(need.height())
                                        .arg(g->width())
                                        .arg(g->height())));
            }
        for (QLineEdit* e : c.Edit)
            if (e->isVisible()) {
                shown << e;
                QVERIFY2(e->fontMetrics().horizontalAdvance(QStringLiteral("0xFF")) < e->width(),
                         qPrintable(e->objectName()));
            }
        if (c.Memo1->isVisible()) {
            shown << c.Memo1;
            for (const QString& line : c.Memo1->toPlainText().split('\n'))
                QVERIFY2(c.Memo1->fontMetrics().horizontalAdvance(line) + 12 <= c.Memo1->viewport()->width(),
                         qPrintable(line));
        }
        const QRect page(0, 0, c.width(),
                         (c.InProgEdit->isVisible() ? c.InProgLabel : c.AckNakLabel)->y() - 2);
        for (int i = 0; i < shown.size(); ++i) {
            QVERIFY2(page.contains(shown[i]->geometry()), qPrintable(shown[i]->objectName()));
            for (int j = i + 1; j < shown.size(); ++j)
                QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                         qPrintable(shown[i]->objectName() + QStringLiteral(" overlaps ") +
                                    shown[j]->objectName()));
        }
    }
};

QTEST_MAIN(TestCmds)
#include "test_cmds.moc"
