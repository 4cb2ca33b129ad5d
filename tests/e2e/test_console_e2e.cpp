// Every console page with a request, end to end: the whole program on real serial ports (pseudo-
// terminals) against a simulated bench; the page filled and sent from the console, carried out by the
// main window's one-second timer, and the bench's acknowledgement and reply shown on the console.
#include "bench.h"
#include "clock.h"
#include "cmds.h"
#include "console_commands.h"
#include "console_page.h"
#include "console_radio_group.h"
#include "dialogs.h"
#include "paths.h"
#include "shell.h"
#include "simulator.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {
constexpr int WaitMs = 8000;

QString hexByte(uint8_t b) {
    return QStringLiteral("0x") + QString::number(b, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}
} // namespace

class TestConsoleE2e : public QObject {
    Q_OBJECT

    OffsetClock clock;

    // Sets a control as the operator does: types, ticks or clicks an item.
    static void set(TFCmds& c, const QString& assignment) {
        const QString name = assignment.section(QLatin1Char('='), 0, 0);
        const QString text = assignment.section(QLatin1Char('='), 1);
        const std::optional<TControlRef> ref = ParseControlName(name);
        QVERIFY(ref);
        switch (ref->kind) {
        case TControlKind::Edit:
            c.Edit[ref->number - 1]->setText(text);
            break;
        case TControlKind::CheckBox:
            c.CheckBox[ref->number - 1]->setChecked(text == QLatin1String("1"));
            break;
        case TControlKind::RadioGroup:
            c.RadioGroup[ref->number - 1]->Button(text.toInt())->click();
            break;
        case TControlKind::Label:
            QFAIL("not an entry");
        }
    }

    static QString shown(TFCmds& c, const QString& name) {
        const std::optional<TControlRef> ref = ParseControlName(name);
        if (!ref) return {};
        if (ref->kind == TControlKind::CheckBox)
            return name + QLatin1Char('=') + QString::number(c.CheckBox[ref->number - 1]->isChecked());
        return name + QLatin1Char('=') + c.Edit[ref->number - 1]->text();
    }

private slots:
    void initTestCase() { SetClock(&clock); }
    void cleanupTestCase() { SetClock(nullptr); }

    void everyPage_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("entries");
        const QMap<int, QStringList> entries{
            {0x01, {"RadioGroup2=1"}},
            {0x44, {"RadioGroup2=1"}},
            {0x02, {"Edit1=1"}},
            {0x03, {"CheckBox1=1", "Edit1=15.00"}},
            {0x07, {"RadioGroup1=1"}},
            {0x52, {"RadioGroup1=0"}},
            {0x08, {"RadioGroup8=1", "RadioGroup5=1"}},
            {0x09, {"CheckBox2=1"}},
            {0x0B, {"Edit2=1", "Edit3=1", "Edit4=5"}},
            {0x11, {"Edit1=14.7", "RadioGroup1=1"}},
            {0x50, {"Edit1=50"}},
            {0x13, {"CheckBox1=1", "CheckBox3=1", "RadioGroup1=1"}},
            {0x14, {"Edit1=7"}},
            {0x15, {"Edit1=7", "Edit2=65", "Edit3=$42", "Edit21=-1"}},
            {0x17, {"RadioGroup1=1"}},
            {0x45, {"RadioGroup1=1", "RadioGroup3=1"}},
            {0x46, {"RadioGroup1=1"}},
            {0xF1, {"RadioGroup1=1", "RadioGroup2=3"}},
            {0xD4, {"RadioGroup1=2"}},
        };
        for (const TConsoleCommand& c : ConsoleCommands)
            if (FindConsolePage(c.code))
                QTest::addRow("$%02X", c.code) << int(c.code) << entries.value(c.code);
    }
    void everyPage() {
        QFETCH(int, code);
        QFETCH(QStringList, entries);
        const auto c = uint8_t(code);
        ScriptedDialogsScope dialogs;
        Simulator sim;
        sim.SetTimeScale(1000); // processes end at once
        QString error;
        QVERIFY2(sim.Start(1, &error), qPrintable(error));
        SimBench& bench = sim.Bench(0);
        bench.SkipStartUp();
        SetComPortOverride(1, sim.DevicePath(0));
        TShell shell;
        TApp& app = shell.MainWindow();
        TFCmds& console = shell.Console();
        app.show();
        app.ActiveBench[0]->click();
        QVERIFY2(app.PortOpen(0), qPrintable(app.ActiveBench[0]->toolTip()));
        const TConsoleCommand* command = FindConsoleCommand(c);
        app.MenuItem(QString::fromLatin1(command->menuEntry.data(), qsizetype(command->menuEntry.size())))
            ->trigger();
        QCOMPARE(console.SelectedBench(), 0);
        for (const QString& e : entries)
            set(console, e);
        console.SendBtn->click();
        QVERIFY(console.Waiting());
        app.Timer6Timer();

        const QString name = shell.Benches()[0].Commands[c].Name;
        QVERIFY(QTest::qWaitFor([&] { return !console.AckNakEdit->text().isEmpty(); }, WaitMs));
        QCOMPARE(console.AckNakEdit->text(), name + QStringLiteral(" ACK"));
        QCOMPARE(console.AckNakEdit->palette().color(QPalette::Text), QColor(Qt::black));
        QVERIFY(console.SendBtn->isEnabled());

        const QStringList id = bench.Identity();
        QStringList expected;
        switch (c) {
        case 0x04:
        case 0x51:
            for (int i = 0; i < (c == 0x04 ? 6 : 10); ++i)
                expected << QStringLiteral("Edit%1=%2").arg(i + 1).arg(id.at(i));
            break;
        case 0x07:
            expected << "Edit1=Pump On";
            QVERIFY(bench.PumpOn());
            break;
        case 0x52:
            expected << "Edit1=Pump Off";
            break;
        case 0x08:
            for (int n = 1; n <= 8; ++n)
                expected << QStringLiteral("Edit%1=%2")
                                .arg(n)
                                .arg((bench.DeviceControlState() >> (8 - n)) & 1 ? QStringLiteral("Set")
                                                                                 : QStringLiteral("Clear"));
            QCOMPARE(bench.DeviceControlState(), uint8_t(0x09));
            break;
        case 0x13:
            expected << "CheckBox1=1"
                     << "CheckBox2=0"
                     << "CheckBox3=1"
                     << "CheckBox4=0"
                     << "CheckBox5=0";
            QCOMPARE(bench.ChannelSwitch(), uint8_t(0x05));
            break;
        case 0x14:
            for (int i = 0; i < 20; ++i)
                expected
                    << QStringLiteral("Edit%1=%2").arg(i + 2).arg(hexByte(uint8_t(bench.UserMemory(7)[i])));
            break;
        case 0x15:
            QCOMPARE(bench.UserMemory(7).left(2), QByteArray("AB"));
            QCOMPARE(uint8_t(bench.UserMemory(7).at(19)), uint8_t(0xFF));
            break;
        case 0x17:
            expected << "Edit1=Disabled";
            break;
        case 0x18:
            for (int i = 0; i < 4; ++i)
                expected << QStringLiteral("Edit%1=%2")
                                .arg(i + 2)
                                .arg(hexByte(bench.SoftwareChecksum()[size_t(i)]));
            break;
        case 0x45:
            expected << "Edit1=Set"
                     << "Edit2=Clear"
                     << "Edit3=Set";
            QCOMPARE(bench.FilterState(), uint8_t(0x21));
            break;
        case 0x46:
            expected << "Edit1=Lumex";
            break;
        case 0xF1:
            expected << "Edit12=VX43, New";
            break;
        case 0xD4:
            expected << "Edit1=7157";
            break;
        case 0x05:
        case 0x12:
        case 0x16:
            // Readings of the model: every box filled with a number.
            for (int n = 1; n <= (c == 0x05 ? 5 : c == 0x12 ? 2 : 3); ++n) {
                bool ok = false;
                console.Edit[n - 1]->text().toDouble(&ok);
                QVERIFY2(ok, qPrintable(shown(console, QStringLiteral("Edit%1").arg(n))));
            }
            break;
        case 0xF0:
            QCOMPARE(dialogs.dialogs.shown.size(), 1); // the disconnection warning
            QVERIFY(!app.PortOpen(0));
            break;
        default:
            break;
        }
        QStringList actual;
        for (const QString& e : expected)
            actual << shown(console, e.section(QLatin1Char('='), 0, 0));
        QCOMPARE(actual, expected);
        if (c != 0xF0) QVERIFY(dialogs.dialogs.shown.isEmpty());
        app.close();
        ClearComPortOverrides();
    }
};

QTEST_MAIN(TestConsoleE2e)
#include "test_console_e2e.moc"
