// The main window over real serial ports on pseudo-terminals against four simulated benches: ticking
// the boxes opens the devices, Start streams rows into the grid, Stop and the shutdown end the streams
// on the benches themselves.
#include "bench.h"
#include "clock.h"
#include "dialogs.h"
#include "paths.h"
#include "shell.h"
#include "simulator.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
constexpr int WaitMs = 8000;
} // namespace

class TestMainWindowE2e : public QObject {
    Q_OBJECT

    OffsetClock clock;

    static QString cell(TApp& app, int row, int column) {
        return app.Grid->model()->index(row, column).data().toString();
    }
    static bool anyStreaming(Simulator& sim) {
        for (int i = 0; i < sim.BenchCount(); ++i)
            if (!sim.Bench(i).StreamingCodes().empty()) return true;
        return false;
    }

private slots:
    void initTestCase() { SetClock(&clock); }
    void cleanupTestCase() { SetClock(nullptr); }

    void startRowsStopAndShutdown() {
        ScriptedDialogsScope dialogs;
        Simulator sim;
        sim.SetStreamRate(20);
        QString error;
        QVERIFY2(sim.Start(4, &error), qPrintable(error));
        for (int i = 0; i < 4; ++i) {
            sim.Bench(i).SkipStartUp();
            SetComPortOverride(i + 1, sim.DevicePath(i));
        }
        TShell shell;
        TApp& app = shell.MainWindow();
        app.show();
        for (QCheckBox* box : app.ActiveBench) {
            QVERIFY2(box->isEnabled(), qPrintable(box->toolTip()));
            box->click();
        }
        for (int i = 0; i < 4; ++i)
            QVERIFY2(app.PortOpen(i), qPrintable(app.ActiveBench[i]->toolTip()));
        // Time stamp and five gas columns for each of the four benches.
        QCOMPARE(app.Acquisition().Table().ColumnCount, 21);

        app.StartBtn->click();
        QVERIFY(QTest::qWaitFor([&] { return !cell(app, 4, 0).isEmpty(); }, WaitMs));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(app.AckNakEdit[i]->text(), QStringLiteral("Data Status  ACK"));
        // Ambient air: the O2 column of every bench reads about 20.9 %.
        for (int b = 0; b < 4; ++b) {
            const double o2 = cell(app, 2, 1 + 5 * b + 3).trimmed().toDouble();
            QVERIFY2(o2 > 20 && o2 < 22, qPrintable(cell(app, 2, 1 + 5 * b + 3)));
        }
        QVERIFY(anyStreaming(sim));

        app.StopBtn->click();
        QVERIFY(QTest::qWaitFor([&] { return !anyStreaming(sim); }, WaitMs));

        // Started again and closed: the shutdown's stop requests reach every bench before the ports close.
        app.StartBtn->click();
        QVERIFY(QTest::qWaitFor([&] { return anyStreaming(sim); }, WaitMs));
        app.close();
        QVERIFY(app.Closing());
        for (int i = 0; i < 4; ++i)
            QVERIFY(!app.ApdComPort(i)->Open());
        QVERIFY(QTest::qWaitFor([&] { return !anyStreaming(sim); }, WaitMs));
        QVERIFY(dialogs.dialogs.shown.isEmpty());
        ClearComPortOverrides();
    }
};

QTEST_MAIN(TestMainWindowE2e)
#include "test_main_window.moc"
