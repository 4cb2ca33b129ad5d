// x714ctl cal and x714ctl param as processes over a pseudo-terminal against a simulated bench: a load
// of the sample calibration file and a check of it, a check that fails after one parameter was
// changed with x714ctl param, refusals, a silent bench that both commands give up on, and bad input.
#include "simulator.h"
#include "tool_process.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
constexpr int RunTimeoutMs = 120000;
const QString SampleFile = QStringLiteral(SAMPLE_CAL_FILE);

struct Run {
    int rc = -1;
    QString out, err;
};
} // namespace

class TestServiceCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
    QTemporaryDir dir;

    // Runs x714ctl in the temporary directory while the simulator keeps answering.
    Run tool(const QStringList& args, int timeoutMs = RunTimeoutMs) {
        const ToolResult r = RunTool(args, timeoutMs, dir.path());
        return {r.exitCode, r.out, r.err};
    }
    QString port() const { return sim->DevicePath(0); }

private slots:
    void init() {
        sim = std::make_unique<Simulator>();
        QString error;
        QVERIFY2(sim->Start(1, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
    }
    void cleanup() { sim.reset(); }

    void loadThenCheckTheSampleFile() {
        const QByteArray before = sim->Bench(0).FlashParam(117);
        const Run load = tool({"cal", "load", port(), SampleFile});
        QCOMPARE(load.rc, 0);
        QCOMPARE(load.out, QStringLiteral("Download Successful, X714 1\n"));
        QVERIFY(
            load.err.startsWith(QLatin1String("eReadyForCalLoad\neReadFileSerialNum\neSerialNumberRead\n")));
        QVERIFY(load.err.endsWith(QLatin1String("eCOPolyCoeffCheck\neCalLoadEnd\n")));
        QVERIFY(sim->Bench(0).FlashParam(117) != before);
        QCOMPARE(sim->Bench(0).FlashParam(117).left(10), QByteArray("1.01100,2."));
        QFile trace(dir.filePath(QStringLiteral("tryfile.txt")));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QVERIFY(trace.readAll().startsWith("Started Download \r\n"));

        const Run check = tool({"cal", "check", port(), SampleFile});
        QCOMPARE(check.rc, 0);
        QCOMPARE(check.out, QStringLiteral("Check Successful, X714 1\n"));
        QVERIFY(!check.err.contains(QLatin1String("eParamStore")));

        // One parameter changed in flash: the check fails at it.
        QCOMPARE(tool({"param", "write", port(), "117", "1, 2, 3"}).out,
                 QStringLiteral("Write Flash Parameters  ACK\n"));
        QCOMPARE(tool({"param", "store", port(), "117"}).rc, 0);
        const Run read = tool({"param", "read", port(), "117"});
        QCOMPARE(read.rc, 0);
        QCOMPARE(read.out, QStringLiteral("1,2,3\n"));
        const Run failed = tool({"cal", "check", port(), SampleFile});
        QCOMPARE(failed.rc, 1);
        QCOMPARE(failed.out, QStringLiteral("Error, Bench 1\n"));
    }

    void refusals() {
        sim->Bench(0).RefuseParam(117, 0x46);
        const Run load = tool({"cal", "load", port(), SampleFile});
        QCOMPARE(load.rc, 1);
        QCOMPARE(load.out, QStringLiteral("Error, Bench 1\n"));
        const Run read = tool({"param", "read", port(), "117"});
        QCOMPARE(read.rc, 1);
        QCOMPARE(read.out, QStringLiteral("Read Flash Parameters  NAK  : Invalid Parameter Number\n"));
        // A parameter the bench stores wrong fails after three attempts.
        sim->Bench(0).ClearFaults();
        sim->Bench(0).CorruptParam(127);
        const Run corrupt = tool({"cal", "load", port(), SampleFile});
        QCOMPARE(corrupt.rc, 1);
        QCOMPARE(corrupt.err.count(QLatin1String("eParamStore\n")), 4); // 117 once, 127 three times
    }

    void aSilentBenchIsGivenUpOn() {
        sim->Bench(0).SilenceCode(-1);
        const Run read = tool({"param", "read", port(), "5"}, 20000);
        QCOMPARE(read.rc, 1);
        QCOMPARE(read.out, QStringLiteral("Read Flash Parameters  Timeout\n"));
        const Run check = tool({"cal", "check", port(), SampleFile}, 30000);
        QCOMPARE(check.rc, 1);
        QCOMPARE(check.out, QStringLiteral("Error, Bench 1\n"));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("cal file missing") << QStringList{"cal", "load", "/dev/null", "/nonexistent/A.CAL"}
                                          << "x714ctl cal: A.CAL: does not exist";
        QTest::newRow("cal mode") << QStringList{"cal", "verify", "/dev/null", SampleFile}
                                  << "unknown action 'verify'";
        QTest::newRow("param number")
            << QStringList{"param", "read", "/dev/null", "401"} << "Illegal Parameter number '401'";
        QTest::newRow("param action")
            << QStringList{"param", "erase", "/dev/null", "4"} << "unknown action 'erase'";
        QTest::newRow("write without value")
            << QStringList{"param", "write", "/dev/null", "4"} << "write needs PORT, NUMBER and VALUE";
        QTest::newRow("value too long")
            << QStringList{"param", "write", "/dev/null", "4", QString(252, QLatin1Char('1'))}
            << "252 characters, at most 251";
        QTest::newRow("no such port")
            << QStringList{"param", "read", "/nonexistent/tty", "4"} << "cannot open";
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = tool(args, 10000);
        QCOMPARE(r.rc, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServiceCommands)
#include "test_service_commands.moc"
