// The status screen and the engineering status screen in the program: opened from the main window's
// menus, fed by the bench connections over ports in memory, redrawn by their timers under a manual
// clock. What they show, when they redraw, which bench they address, and their close handling.
#include "bench_selector.h"
#include "cstatus.h"
#include "estatwnd.h"
#include "paths.h"
#include "status_bits.h"
#include "ui_fixture.h"
#include "util.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The data bytes of a reply of the code that carry the status bytes.
QByteArray statusReply(uint8_t code, const TStatusBytes& s) {
    QByteArray d;
    if (code == 0x01) {
        d = QByteArray(16, '\0');
        for (int i = 0; i < 4; ++i)
            d[i] = char(s[size_t(i)]);
    } else if (code == 0x41) {
        d = QByteArray(reinterpret_cast<const char*>(s.data()), 16);
    } else {
        d = QByteArray(86, '\0');
        for (int i = 0; i < 16; ++i)
            d[70 + i] = char(s[size_t(i)]);
    }
    return UiFixture::Packet(0x06, code, d);
}

QByteArray engineeringStatusFrame(uint8_t rate) {
    TCommand cmd;
    cmd.Begin(0x41);
    cmd.Push(rate);
    return cmd.Frame();
}

TStatusBytes bytes(std::initializer_list<std::pair<int, uint8_t>> values) {
    TStatusBytes s{};
    for (auto [i, v] : values)
        s[size_t(i)] = v;
    return s;
}

// "text|red", "text|green" (or "|..." for an empty box).
QString shown(const TStatusScreen* screen, std::string_view box) {
    const QLineEdit* edit = screen->Box(box);
    if (!edit) return QStringLiteral("<no box>");
    const QColor colour = edit->palette().color(QPalette::Text);
    const QString name = colour == QColor(255, 0, 0)   ? QStringLiteral("red")
                         : colour == QColor(0, 128, 0) ? QStringLiteral("green")
                                                       : colour.name();
    return edit->text() + '|' + name;
}

template <std::size_t N> QStringList texts(const TStatusScreen* screen, const TStatusBox (&table)[N]) {
    QStringList all;
    for (const TStatusBox& b : table)
        all << screen->Box(b.box)->text();
    return all;
}

template <std::size_t N> bool allEmpty(const TStatusScreen* screen, const TStatusBox (&table)[N]) {
    for (const QString& t : texts(screen, table))
        if (!t.isEmpty()) return false;
    return true;
}

} // namespace

class TestStatusScreens : public QObject {
    Q_OBJECT

    // The bench streams the code (the request leaves, so that its replies are awaited).
    static void stream(UiFixture& f, int bench, uint8_t code) {
        TBench& b = f.shell->Benches()[bench];
        if (code == 0x01) b.SendDataStatus(TBench::RateContinuous, false);
        if (code == 0x41) b.SendEngineeringStatus(TBench::RateContinuous);
        if (code == 0x44) b.SendEngineeringData(TBench::RateContinuous, false);
        f.ClearWritten();
    }
    static void deliver(UiFixture& f, int bench, uint8_t code, const TStatusBytes& s) {
        f.ports[bench]->Inject(statusReply(code, s));
    }
    // One turn of the redraw timer.
    static void redraw(UiFixture& f, TStatusScreen* screen) {
        f.clock.clock.Advance(TStatusScreen::RedrawIntervalMs);
        screen->RedrawTimer().Poll();
    }

private slots:
    // The screens join the main window: titles, menu items, groups and their rows.
    void joinTheMainWindow() {
        // The engineering marker shows (and so enables) the engineering status items.
        QFile marker(DriveCPath(QStringLiteral("eng.Ok")));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        UiFixture f;
        QVERIFY(marker.remove());
        TFCStatus* status = &f.shell->Status();
        TEStatus* eng = &f.shell->EngineeringStatus();
        QCOMPARE(status->windowTitle(), QStringLiteral("Status"));
        QCOMPARE(eng->windowTitle(), QStringLiteral("Service Errors"));
        QCOMPARE(status->GrpBench->title(), QStringLiteral("X714"));
        QCOMPARE(eng->GrpBench->title(), QStringLiteral("Bench"));
        QCOMPARE(f.app->Screen(TScreenSlot::Status), status);
        QCOMPARE(f.app->Screen(TScreenSlot::EStatus), eng);
        for (const char* item : {"Status", "N41EngineeringStatus1", "EngineeringStatus1"})
            QVERIFY2(f.app->MenuItem(QLatin1String(item))->isEnabled(), item);

        f.app->MenuItem(QStringLiteral("Status"))->trigger();
        QVERIFY(status->isVisible());
        f.app->MenuItem(QStringLiteral("EngineeringStatus1"))->trigger();
        QVERIFY(eng->isVisible());

        // Rows sit in their groups with their captions; the HC / Propane row exists but is hidden.
        QCOMPARE(status->Box("LeakCheckEdit")->parentWidget()->objectName(),
                 QStringLiteral("Problem Status"));
        QCOMPARE(status->Caption("SampleTempErrEdit")->text(), QStringLiteral("Sample Temp Err"));
        QVERIFY(!status->Box("HcPropaneEdit")->isVisible());
        QVERIFY(!status->Caption("HcPropaneEdit")->isVisible());
        QVERIFY(status->Box("PumpOnOffEdit")->isVisible());
        QCOMPARE(eng->Box("GasLeakEdit")->parentWidget()->objectName(), QStringLiteral("EStat4"));
        QCOMPARE(eng->Box("FlashParamErrEdit")->parentWidget()->objectName(), QStringLiteral("EStat12"));
        QCOMPARE(eng->findChildren<QLineEdit*>().size(), 58);
        QVERIFY(eng->StartBtn->isEnabled());
        QVERIFY(eng->StopBtn->isEnabled());
    }

    // Replies mark the screen dirty; the redraw timer shows the latest bytes once, in words and colours.
    void statusScreenRedrawsOnItsTimer() {
        UiFixture f;
        f.Tick({0, 1});
        TFCStatus* screen = &f.shell->Status();
        f.app->MenuItem(QStringLiteral("Status"))->trigger();
        QCOMPARE(screen->SelectedBench(), 0);

        // Nothing delivered yet: Update leaves every box empty.
        screen->UpdateBtn->click();
        QVERIFY(allEmpty(screen, StatusBoxes));

        stream(f, 0, 0x01);
        deliver(f, 0, 0x01, bytes({{0, 0x00}}));
        for (int i = 0; i < 5; ++i)
            deliver(f, 0, 0x01, bytes({{0, 0xC2}, {1, 0x1B}, {2, 0x20}, {3, 0x80}}));
        QVERIFY(allEmpty(screen, StatusBoxes));
        QVERIFY(screen->RedrawTimer().Enabled());
        redraw(f, screen);
        QVERIFY(!screen->RedrawTimer().Enabled());
        QCOMPARE(shown(screen, "OperationModeEdit"), QStringLiteral("System Fault|red"));
        QCOMPARE(shown(screen, "ZeroRequiredEdit"), QStringLiteral("Not Required|green"));
        QCOMPARE(shown(screen, "ProcInProgressEdit"), QStringLiteral("Not In Progress|green"));
        QCOMPARE(shown(screen, "PumpOnOffEdit"), QStringLiteral("ON|green"));
        QCOMPARE(shown(screen, "HcPropaneEdit"), QStringLiteral("Ethanol|green"));
        QCOMPARE(shown(screen, "CO2Edit"), QStringLiteral("Valid|green"));
        QCOMPARE(shown(screen, "COEdit"), QStringLiteral("Invalid|red"));
        QCOMPARE(shown(screen, "HCEdit"), QStringLiteral("Span Fail|red"));
        QCOMPARE(shown(screen, "O2Edit"), QStringLiteral("Zero Fail|red"));
        QCOMPARE(shown(screen, "SampleTempErrEdit"), QStringLiteral("Check|red"));
        QCOMPARE(shown(screen, "PumpInFlowEdit"), QStringLiteral(" Check |red"));
        QCOMPARE(shown(screen, "LeakCheckEdit"), QStringLiteral(" OK |green"));

        // Another bench's replies do not concern the screen.
        stream(f, 1, 0x01);
        deliver(f, 1, 0x01, bytes({}));
        QVERIFY(!screen->RedrawTimer().Enabled());
    }

    // While hidden, replies change nothing and start no timer; showing the screen again shows the bytes
    // delivered meanwhile.
    void hiddenScreensChangeNothing_data() {
        QTest::addColumn<bool>("engineering");
        QTest::newRow("status") << false;
        QTest::newRow("engineering status") << true;
    }
    void hiddenScreensChangeNothing() {
        QFETCH(bool, engineering);
        UiFixture f;
        f.Tick({0});
        TStatusScreen* screen =
            engineering ? static_cast<TStatusScreen*>(&f.shell->EngineeringStatus()) : &f.shell->Status();
        const uint8_t code = engineering ? 0x44 : 0x01;
        const std::string_view box = engineering ? "SelfTestEdit" : "OperationModeEdit";
        stream(f, 0, code);
        screen->show();
        deliver(f, 0, code, bytes({}));
        redraw(f, screen);
        const QString before = shown(screen, box);
        QVERIFY(!before.startsWith('|'));

        screen->hide();
        deliver(f, 0, code, bytes({{0, 0xC0}, {4, 0x08}}));
        QVERIFY(!screen->RedrawTimer().Enabled());
        QCOMPARE(shown(screen, box), before);

        screen->show();
        QCOMPARE(shown(screen, box),
                 engineering ? QStringLiteral(" Check |red") : QStringLiteral("System Fault|red"));
    }

    // A bench that has not delivered its status shows empty boxes, never another bench's: after a
    // click on its button, and after the selection moves to it because the shown bench went away.
    void benchWithoutStatusShowsEmptyBoxes() {
        UiFixture f;
        f.Tick({0, 1, 2});
        TFCStatus* screen = &f.shell->Status();
        screen->show();
        screen->GrpBench->Button(2)->click();
        QCOMPARE(screen->SelectedBench(), 2);
        stream(f, 2, 0x01);
        deliver(f, 2, 0x01, bytes({{0, 0xC0}}));
        redraw(f, screen);
        QCOMPARE(shown(screen, "OperationModeEdit"), QStringLiteral("System Fault|red"));

        screen->GrpBench->Button(0)->click();
        QCOMPARE(screen->SelectedBench(), 0);
        QVERIFY(allEmpty(screen, StatusBoxes));
        screen->GrpBench->Button(2)->click();
        QCOMPARE(shown(screen, "OperationModeEdit"), QStringLiteral("System Fault|red"));

        // Bench 3 is unticked: the selection falls to bench 2, which has delivered nothing.
        f.Click(2);
        QCOMPARE(screen->SelectedBench(), 1);
        QVERIFY(allEmpty(screen, StatusBoxes));
        stream(f, 1, 0x01);
        deliver(f, 1, 0x01, bytes({{0, 0x40}}));
        redraw(f, screen);
        QCOMPARE(shown(screen, "OperationModeEdit"), QStringLiteral(" Startup |green"));

        // No bench at all: nothing to show.
        f.Click(0);
        f.Click(1);
        QCOMPARE(screen->SelectedBench(), -1);
        QVERIFY(allEmpty(screen, StatusBoxes));
    }

    // The engineering screen shows bytes 4..15 from $41 and $44 replies; the pump state 11 leaves its
    // box as it was, empty after a bench change. Data replies without engineering bytes show nothing.
    void engineeringScreenShowsEngineeringBytes() {
        UiFixture f;
        f.Tick({0, 1});
        TEStatus* screen = &f.shell->EngineeringStatus();
        screen->show();
        screen->GrpBench->Button(1)->click();

        stream(f, 1, 0x01);
        deliver(f, 1, 0x01, bytes({{0, 0xC0}}));
        redraw(f, screen);
        screen->BB1Click();
        QVERIFY(allEmpty(screen, EngineeringBoxes));

        stream(f, 1, 0x41);
        deliver(f, 1, 0x41, bytes({{4, 0x08}, {14, 0x20}}));
        redraw(f, screen);
        QCOMPARE(shown(screen, "SelfTestEdit"), QStringLiteral(" Check |red"));
        QCOMPARE(shown(screen, "StUpFLASHEdit"), QStringLiteral(" OK |green"));
        QCOMPARE(shown(screen, "PumpStateEdit"), QStringLiteral(" On |green"));
        QCOMPARE(shown(screen, "ContTransEdit"), QStringLiteral(" OK |green"));

        stream(f, 1, 0x44);
        deliver(f, 1, 0x44, bytes({{7, 0x10}, {14, 0x60}}));
        redraw(f, screen);
        QCOMPARE(shown(screen, "SelfTestEdit"), QStringLiteral(" OK |green"));
        QCOMPARE(shown(screen, "LowPumpFlowFailEdit"), QStringLiteral(" Check |red"));
        QCOMPARE(shown(screen, "GasLeakEdit"), QStringLiteral(" OK |green"));
        QCOMPARE(shown(screen, "PumpStateEdit"), QStringLiteral(" On |green"));

        // Bench 1 has the same pump state 11: its box stays empty.
        stream(f, 0, 0x44);
        deliver(f, 0, 0x44, bytes({{14, 0x60}}));
        screen->GrpBench->Button(0)->click();
        QCOMPARE(screen->Box("PumpStateEdit")->text(), QString());
        QCOMPARE(shown(screen, "GasLeakEdit"), QStringLiteral(" OK |green"));
    }

    // Start and Stop address the bench selected at the moment; neither follows a bench change. With no
    // bench selected they send nothing but still toggle.
    void startAndStopAddressTheSelectedBench() {
        UiFixture f;
        f.Tick({0, 1});
        TEStatus* screen = &f.shell->EngineeringStatus();
        screen->show();
        f.ClearWritten();

        screen->GrpBench->Button(1)->click();
        screen->StartBtn->click();
        QCOMPARE(f.Written(1), engineeringStatusFrame(2));
        QVERIFY(!screen->StartBtn->isEnabled());
        QVERIFY(screen->StopBtn->isEnabled());

        screen->GrpBench->Button(0)->click();
        QCOMPARE(f.Written(0), QByteArray());
        QCOMPARE(f.Written(1), QByteArray());
        screen->StopBtn->click();
        QCOMPARE(f.Written(0), engineeringStatusFrame(0));
        QCOMPARE(f.Written(1), QByteArray());
        QVERIFY(screen->StartBtn->isEnabled());
        QVERIFY(!screen->StopBtn->isEnabled());

        f.Click(0);
        f.Click(1);
        QCOMPARE(screen->SelectedBench(), -1);
        screen->StartBtn->click();
        QVERIFY(!screen->StartBtn->isEnabled());
        screen->StopBtn->click();
        QVERIFY(screen->StartBtn->isEnabled());
        for (int b = 0; b < 4; ++b)
            QCOMPARE(f.Written(b), QByteArray());
    }

    // Closing sends the stop request to the selected bench and waits until the clock's second has moved
    // on; with no bench it sends nothing and does not wait. Start and Stop keep their state.
    void closeStopsTheSelectedBench_data() {
        QTest::addColumn<bool>("withBench");
        QTest::newRow("bench selected") << true;
        QTest::newRow("no bench") << false;
    }
    void closeStopsTheSelectedBench() {
        QFETCH(bool, withBench);
        UiFixture f;
        if (withBench) f.Tick({0});
        TEStatus* screen = &f.shell->EngineeringStatus();
        screen->show();
        screen->StartBtn->click();
        f.ClearWritten();
        f.clock.clock.SetMilliseconds(5'000'300);
        screen->close();
        QVERIFY(!screen->isVisible());
        QCOMPARE(f.Written(0), withBench ? engineeringStatusFrame(0) : QByteArray());
        if (withBench)
            QVERIFY(f.clock.clock.Milliseconds() >= 5'001'000 && f.clock.clock.Milliseconds() < 5'001'100);
        else
            QCOMPARE(f.clock.clock.Milliseconds(), 5'000'300);
        QVERIFY(!screen->StartBtn->isEnabled());
        QVERIFY(screen->StopBtn->isEnabled());
    }

    // At shutdown the main window closes an open engineering screen, which stops its bench's stream.
    void shutdownClosesTheEngineeringScreen() {
        UiFixture f;
        f.Tick({0});
        TEStatus* screen = &f.shell->EngineeringStatus();
        screen->show();
        f.ClearWritten();
        f.app->close();
        QVERIFY(!screen->isVisible());
        QVERIFY(f.Written(0).contains(engineeringStatusFrame(0)));
    }
};

QTEST_MAIN(TestStatusScreens)
#include "test_status_screens.moc"
