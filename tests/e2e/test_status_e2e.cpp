// The status screens and x714ctl status against simulated benches over pseudo-terminals: a fault
// raised in the simulator shows red on the screens with the first reply that carries it, and the tool
// prints every box as the screens show it, with its exit code.
#include "bench.h"
#include "clock.h"
#include "cstatus.h"
#include "dialogs.h"
#include "estatwnd.h"
#include "paths.h"
#include "shell.h"
#include "simulator.h"
#include "tool_process.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {
constexpr int WaitMs = 8000;
constexpr int RunTimeoutMs = 30000;

QString shown(const TStatusScreen* screen, std::string_view box) {
    const QLineEdit* edit = screen->Box(box);
    const QColor c = edit->palette().color(QPalette::Text);
    return edit->text() + '|' +
           (c == QColor(255, 0, 0)   ? "red"
            : c == QColor(0, 128, 0) ? "green"
                                     : c.name());
}

struct ToolRun {
    int exitCode = -1;
    QStringList lines;
    QString errors;
};
} // namespace

class TestStatusE2e : public QObject {
    Q_OBJECT

    OffsetClock clock;

    // With the simulator's timer off, the stream moves only here: one stream period, one tick. Returns
    // the replies the bench sent.
    static int tickOnce(Simulator& sim, OffsetClock& clock, int bench) {
        const int before = sim.Bench(bench).RepliesSent();
        clock.Sleep(60);
        sim.TickAll();
        return sim.Bench(bench).RepliesSent() - before;
    }

    // Forces the bits, lets the bench send until the host has decoded a reply that carries them, and
    // then sends nothing more: the screen must show the fault from that reply alone.
    bool faultAppearsWithinOneReply(Simulator& sim, TShell& shell, TStatusScreen* screen, int byte,
                                    uint8_t bits, std::string_view box) {
        sim.SetTimerEnabled(false);
        sim.Bench(0).SetForcedStatusBits(byte, bits);
        const TBench& host = shell.Benches()[0];
        bool decoded = false;
        for (int round = 0; round < 50 && !decoded; ++round) {
            if (tickOnce(sim, clock, 0) == 0) continue;
            decoded = QTest::qWaitFor([&] { return (host.Status[size_t(byte)] & bits) == bits; }, 2000);
        }
        const bool red =
            decoded && QTest::qWaitFor([&] { return shown(screen, box).endsWith("|red"); }, WaitMs);
        sim.Bench(0).SetForcedStatusBits(byte, 0);
        sim.SetTimerEnabled(true);
        return red;
    }

    static ToolRun runTool(const QStringList& args) {
        // The simulator in this process answers while the event loop runs.
        const ToolResult r = RunTool(args, RunTimeoutMs);
        return {r.exitCode, r.out.split('\n', Qt::SkipEmptyParts), r.err};
    }

private slots:
    void initTestCase() { SetClock(&clock); }
    void cleanupTestCase() { SetClock(nullptr); }

    void faultsShowOnTheScreens() {
        ScriptedDialogsScope dialogs;
        Simulator sim;
        sim.SetStreamRate(20);
        QString error;
        QVERIFY2(sim.Start(1, &error), qPrintable(error));
        sim.Bench(0).SkipStartUp();
        SetComPortOverride(1, sim.DevicePath(0));
        TShell shell;
        TApp& app = shell.MainWindow();
        app.show();
        app.ActiveBench[0]->click();
        QVERIFY2(app.PortOpen(0), qPrintable(app.ActiveBench[0]->toolTip()));

        // The status screen follows the acquisition's $01 stream.
        TFCStatus* status = &shell.Status();
        status->show();
        app.StartBtn->click();
        QVERIFY(
            QTest::qWaitFor([&] { return shown(status, "OperationModeEdit") == " Normal |green"; }, WaitMs));
        QCOMPARE(shown(status, "PumpOnOffEdit"), QStringLiteral("ON|green"));
        QCOMPARE(shown(status, "LeakCheckEdit"), QStringLiteral(" OK |green"));
        QVERIFY(faultAppearsWithinOneReply(sim, shell, status, 0, 0xC0, "OperationModeEdit"));
        QCOMPARE(shown(status, "OperationModeEdit"), QStringLiteral("System Fault|red"));
        QVERIFY(faultAppearsWithinOneReply(sim, shell, status, 3, 0x10, "IRSignalLostEdit"));
        app.StopBtn->click();
        QVERIFY(QTest::qWaitFor([&] { return sim.Bench(0).StreamingCodes().empty(); }, WaitMs));

        // The engineering screen streams $41 itself; each of the two pump-flow faults has its own bit.
        TEStatus* eng = &shell.EngineeringStatus();
        eng->show();
        eng->StartBtn->click();
        QVERIFY(QTest::qWaitFor([&] { return shown(eng, "PumpStateEdit") == " On |green"; }, WaitMs));
        QCOMPARE(shown(eng, "LowPumpFlowFailEdit"), QStringLiteral(" OK |green"));
        QVERIFY(faultAppearsWithinOneReply(sim, shell, eng, 7, 0x10, "LowPumpFlowFailEdit"));
        QCOMPARE(shown(eng, "GasLeakEdit"), QStringLiteral(" OK |green"));
        QVERIFY(faultAppearsWithinOneReply(sim, shell, eng, 7, 0x08, "GasLeakEdit"));

        // Closing the screen ends the stream on the bench.
        eng->close();
        QVERIFY(QTest::qWaitFor([&] { return sim.Bench(0).StreamingCodes().empty(); }, WaitMs));
        app.close();
        QVERIFY(dialogs.dialogs.shown.isEmpty());
        ClearComPortOverrides();
    }

    // x714ctl status prints each visible box as "group | caption | "text" | colour" and exits 0 only
    // when all are green.
    void toolPrintsTheScreens_data() {
        QTest::addColumn<bool>("engineering");
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("status, all well")
            << false << 0 << 0 << 0 << R"(System Status | Operating Mode | " Normal " | green)" << 18;
        QTest::newRow("status, system fault")
            << false << 0 << 0xC0 << 1 << R"(System Status | Operating Mode | "System Fault" | red)" << 18;
        QTest::newRow("status, sample temperature")
            << false << 2 << 0x20 << 1 << R"(Data Status 1, 2 | Sample Temp Err | "Check" | red)" << 18;
        QTest::newRow("engineering, all well")
            << true << 0 << 0 << 0 << R"(EStat11 | PumpState | " On " | green)" << 58;
        QTest::newRow("engineering, low pump flow")
            << true << 7 << 0x10 << 1 << R"(EStat4 | Low Pump Flow Fail | " Check " | red)" << 58;
        QTest::newRow("engineering, no pump state")
            << true << 14 << 0x60 << 0 << R"(EStat11 | PumpState | "" | none)" << 58;
    }
    void toolPrintsTheScreens() {
        QFETCH(bool, engineering);
        QFETCH(int, byte);
        QFETCH(int, bits);
        QFETCH(int, exitCode);
        QFETCH(QString, line);
        QFETCH(int, lineCount);
        Simulator sim;
        QString error;
        QVERIFY2(sim.Start(1, &error), qPrintable(error));
        sim.Bench(0).SkipStartUp();
        sim.Bench(0).SetForcedStatusBits(byte, uint8_t(bits));
        QStringList args{"status", sim.DevicePath(0)};
        if (engineering) args << "--engineering";
        const ToolRun run = runTool(args);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.errors));
        QCOMPARE(run.lines.size(), lineCount);
        QVERIFY2(run.lines.contains(line), qPrintable(run.lines.join('\n')));
        for (const QString& l : run.lines)
            QVERIFY2(l.count(" | ") == 3, qPrintable(l));
        QVERIFY(!run.lines.join('\n').contains("HC / Propane"));
        if (!engineering)
            QCOMPARE(run.lines.last(), QStringLiteral(R"(Problem Status | Leak Check | " OK " | green)"));
    }

    // A bench that does not answer, or refuses: exit 1, the reason on standard error, nothing printed.
    void toolReportsABenchFailure_data() {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << true << "Data Status  Timeout";
        QTest::newRow("refused") << false << "Data Status  NAK";
    }
    void toolReportsABenchFailure() {
        QFETCH(bool, silent);
        QFETCH(QString, message);
        Simulator sim;
        QString error;
        QVERIFY2(sim.Start(1, &error), qPrintable(error));
        if (silent)
            sim.Bench(0).SilenceCode(-1);
        else
            sim.Bench(0).RefuseCode(0x01, SimNak::NotAllowed);
        const ToolRun run = runTool({"status", sim.DevicePath(0)});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
        QVERIFY(run.lines.isEmpty());
    }

    // The device goes away while the tool waits: exit 1 at once, with the system's reason.
    void toolReportsALostDevice() {
        Simulator sim;
        QString error;
        QVERIFY2(sim.Start(1, &error), qPrintable(error));
        sim.Bench(0).SilenceCode(-1);
        QProcess tool;
        tool.start(QStringLiteral(X714CTL_PATH), {"status", sim.DevicePath(0)});
        QVERIFY(tool.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return sim.Bench(0).FramesAnswered() > 0; }, WaitMs));
        sim.Stop();
        QVERIFY(tool.waitForFinished(RunTimeoutMs));
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(errors.contains("device lost"), qPrintable(errors));
        QVERIFY(tool.readAllStandardOutput().isEmpty());
    }

    void toolRejectsBadArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no port") << QStringList{"status"} << "one PORT is required";
        QTest::newRow("unknown option") << QStringList{"status", "COM1", "--eng"} << "unknown option '--eng'";
        QTest::newRow("no such device") << QStringList{"status", "/dev/x714-none"} << "cannot open";
    }
    void toolRejectsBadArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const ToolRun run = runTool(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    }

    // Both tools as processes: a fault set with "x714ctl sim --status" is what "x714ctl status" reports.
    void simulatorStatusOption() {
        QProcess sim;
        sim.start(QStringLiteral(X714CTL_PATH), {"sim", "--benches", "1", "--ready", "--status", "1:3:01"});
        QVERIFY(sim.waitForStarted(5000));
        QVERIFY(sim.waitForReadyRead(5000));
        const QStringList parts = QString::fromLatin1(sim.readLine()).trimmed().split(' ');
        QCOMPARE(parts.size(), 2);
        const ToolRun run = runTool({"status", parts.at(1)});
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY2(run.exitCode == 1, qPrintable(run.errors));
        QVERIFY(run.lines.contains(R"(Problem Status | Leak Check | " Check " | red)"));
        QVERIFY(run.lines.contains(R"(Problem Status | Pump Low Flow | " OK " | green)"));
    }
};

QTEST_MAIN(TestStatusE2e)
#include "test_status_e2e.moc"
