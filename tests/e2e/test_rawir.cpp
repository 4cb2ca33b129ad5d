// x714ctl rawir as a process over a pseudo-terminal against a simulated bench: the IR log file of N
// cycles, raw and filtered, the stream stopped afterwards, and the ways a run ends early.
#include "simulator.h"
#include "tool_process.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
constexpr int RunTimeoutMs = 30000;
} // namespace

class TestRawIr : public QObject {
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
    QTemporaryDir dir;

    void run(QProcess& tool, const QStringList& options) {
        QVERIFY(StartTool(tool, QStringList{"rawir", sim->DevicePath(0)} + options));
        QVERIFY(AwaitExit(tool, RunTimeoutMs));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    }
    static QStringList logLines(const QString& path) { return CrLfLines(path); }

private slots:
    void init() {
        sim = std::make_unique<Simulator>();
        sim->SetStreamRate(50);
        QString error;
        QVERIFY2(sim->Start(1, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
    }
    void cleanup() { sim.reset(); }

    void cyclesIntoTheLogFile_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("linesPerCycle");
        QTest::newRow("raw, three cycles") << QStringList{"--cycles", "3"} << 3 << 100;
        QTest::newRow("filtered, one cycle") << QStringList{"--filtered"} << 1 << 100;
        // The bench's 25-point replies, of which 20 are taken per phase.
        QTest::newRow("four phases of 20 points")
            << QStringList{"--points", "20", "--cycles", "2"} << 2 << 80;
    }
    void cyclesIntoTheLogFile() {
        QFETCH(QStringList, options);
        QFETCH(int, cycles);
        QFETCH(int, linesPerCycle);
        const QString path = dir.filePath(QStringLiteral("RAWDATA.LOG"));
        QProcess tool;
        run(tool, options + QStringList{"--log", path, "--overwrite"});
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(tool.exitCode() == 0, qPrintable(errors));
        QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardOutput()),
                 QStringLiteral("%1 cycles, %2 lines written to %3\n")
                     .arg(cycles)
                     .arg(cycles * linesPerCycle)
                     .arg(path));

        const QStringList lines = logLines(path);
        QCOMPARE(lines.size(), 1 + cycles * linesPerCycle);
        QVERIFY2(
            lines.first().startsWith(QStringLiteral("DataLogfile ") + path + QStringLiteral(" created ")),
            qPrintable(lines.first()));
        const QRegularExpression line(QStringLiteral("^( *[+-]\\d{1,5}  ){3} *[+-]\\d{1,5} $"));
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(line.match(lines[i]).hasMatch(), qPrintable(lines[i]));
        // A cycle is one period of the detector's waveform: it starts rising and is high at a quarter.
        const int quarter = linesPerCycle / 4;
        const int first = lines[1].left(6).toInt(), high = lines[1 + quarter].left(6).toInt();
        QVERIFY2(high > first + 1000, qPrintable(lines[1] + " / " + lines[1 + quarter]));

        // The stream was stopped with its own code.
        QTRY_VERIFY_WITH_TIMEOUT(sim->Bench(0).StreamingCodes().empty(), 5000);
    }

    void runsThatEndEarly_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        QTest::newRow("product above 100")
            << QStringList{"--phases", "5"} << 2 << "NumPhases x NumPoints must not exceed 100";
        QTest::newRow("no phases") << QStringList{"--phases", "0"} << 2 << "NumPhases must be at least 1";
        QTest::newRow("not a number")
            << QStringList{"--cycles", "many"} << 2 << "--cycles must be a whole number, not 'many'";
        QTest::newRow("unknown option") << QStringList{"--fast"} << 2 << "unknown option '--fast'";
        QTest::newRow("log file that cannot be created")
            << QStringList{"--log", "/nonexistent/dir/RAWDATA.LOG"} << 2 << "cannot create log file";
        QTest::newRow("existing log file") << QStringList{"--log", QStringLiteral(X714CTL_PATH)} << 2
                                           << "exists: add --overwrite to replace it";
        QTest::newRow("replies shorter than the points asked for")
            << QStringList{"--phases", "3", "--points", "30"} << 1
            << "the replies carry 25 sample points, fewer than 30 (--points)";
    }
    void runsThatEndEarly() {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        if (!options.contains(QStringLiteral("--log")))
            options << "--log" << dir.filePath(QStringLiteral("x.LOG"));
        QProcess tool;
        run(tool, options);
        QCOMPARE(tool.exitCode(), exitCode);
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(errors.contains(error), qPrintable(errors));
        QTRY_VERIFY_WITH_TIMEOUT(sim->Bench(0).StreamingCodes().empty(), 5000);
    }

    void aSilentBenchEndsTheRun() {
        sim->Bench(0).SilenceCode(0x40);
        QProcess tool;
        run(tool, {"--log", dir.filePath(QStringLiteral("silent.LOG")), "--overwrite"});
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(errors.contains(QStringLiteral("Raw IR  Timeout")), qPrintable(errors));
        QCOMPARE(logLines(dir.filePath(QStringLiteral("silent.LOG"))).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRawIr)
#include "test_rawir.moc"
