// x714ctl acquire as a process over pseudo-terminals against two simulated benches: the log file
// line by line, its agreement with the printed lines, the values of each bench, the stop request on
// --rows and on SIGINT, and a pacing bench that sends nothing.
#include "simulator.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

namespace {
constexpr int RunTimeoutMs = 30000;

// A bench's sample line, as the table shows it: CO2 and O2 in %, CO in %, HC and NO in ppm.
const SimGas Bench1Gas{1.50, 0.250, 120, 18.00, 250};
const SimGas Bench2Gas{3.00, 0.050, 40, 15.00, 40};

// The five gas means of a bench in a data line (widths 7, 7, 9, 7, 7 from offset `at`).
QList<double> gasMeans(const QString& line, int at) {
    QList<double> values;
    for (int width : {7, 7, 9, 7, 7}) {
        values << line.mid(at, width).trimmed().toDouble();
        at += width;
    }
    return values;
}
} // namespace

class TestAcquire : public QObject {
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
    QTemporaryDir dir;

    void startProcess(QProcess& tool, const QStringList& options) {
        tool.start(QStringLiteral(X714CTL_PATH),
                   QStringList{"acquire", sim->DevicePath(0), sim->DevicePath(1)} + options);
        QVERIFY(tool.waitForStarted(5000));
    }
    void waitForExit(QProcess& tool) {
        QTRY_VERIFY_WITH_TIMEOUT(tool.state() == QProcess::NotRunning, RunTimeoutMs);
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    }
    static QStringList logLines(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QByteArray bytes = f.readAll();
        // Every line ends in CR LF.
        if (!bytes.endsWith("\r\n") || bytes.count('\n') != bytes.count("\r\n"))
            return {QStringLiteral("<bad line ends>")};
        QStringList lines = QString::fromLocal8Bit(bytes).split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }
    bool streamsStopped() const {
        return sim->Bench(0).StreamingCodes().empty() && sim->Bench(1).StreamingCodes().empty();
    }

private slots:
    void init() {
        sim = std::make_unique<Simulator>();
        sim->SetStreamRate(20);
        QString error;
        QVERIFY2(sim->Start(2, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
        sim->Bench(1).SkipStartUp();
        sim->Bench(0).SetSampleGas(Bench1Gas);
        sim->Bench(1).SetSampleGas(Bench2Gas);
    }
    void cleanup() { sim.reset(); }

    void averagedRunIntoLogFile() {
        const QString path = dir.filePath(QStringLiteral("run.LOG"));
        QProcess tool;
        // Prop mode: the bench reports the hydrocarbon channel unconverted.
        startProcess(tool, {"--average", "stdev", "--samples", "3", "--rows", "3", "--hc-mode", "prop",
                            "--log", path});
        waitForExit(tool);
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(tool.exitCode() == 0, qPrintable(errors));
        const QStringList printed =
            QString::fromLocal8Bit(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        const QStringList lines = logLines(path);

        // Creation note, header, three data lines each followed by its deviations, the stop's empty line.
        QCOMPARE(lines.size(), 1 + 1 + 3 * 2 + 1);
        QVERIFY2(lines.first().startsWith("MainLogfile " + path + " created "), qPrintable(lines.first()));
        QCOMPARE(lines.mid(1, 7), printed);
        QCOMPARE(lines.last(), QString());
        const QString gasHeader = QStringLiteral("  CO2 [%]  CO [%]  Ethanol [ppm]  O2 [%]  NO [ppm]");
        QCOMPARE(lines.at(1), QStringLiteral("    Time     ") + gasHeader + gasHeader);

        const int gasWidth = 7 + 7 + 9 + 7 + 7;
        for (int row = 0; row < 3; ++row) {
            const QString data = lines.at(2 + 2 * row);
            const QString stdev = lines.at(3 + 2 * row);
            const int timeWidth = int(data.size()) - 2 * gasWidth;
            QVERIFY2(timeWidth > 2 && data.mid(timeWidth - 2, 2) == QStringLiteral("  "), qPrintable(data));
            // The deviation row carries the same time cell, then ten "%10.4f" cells.
            QCOMPARE(stdev.left(timeWidth), data.left(timeWidth));
            QCOMPARE(stdev.size(), timeWidth + 10 * 10 + 9);
            QVERIFY(stdev.endsWith(QStringLiteral("    STDEV")));
            QVERIFY2(QRegularExpression(QStringLiteral("^( +\\d+\\.\\d{4}){10}    STDEV$"))
                         .match(stdev.mid(timeWidth))
                         .hasMatch(),
                     qPrintable(stdev));
            for (int b = 0; b < 2; ++b) {
                const QList<double> means = gasMeans(data, timeWidth + b * gasWidth);
                // The bench model's noiseless readings, in wire units, scaled as the table scales them.
                const double scale[5] = {0.01, 0.001, 1, 0.01, 1};
                double expected[5];
                for (int c = 0; c < 5; ++c)
                    expected[c] = sim->Bench(b).Reading(c) * scale[c];
                const double tolerance[5] = {0.1, 0.02, 10, 0.1, 10};
                for (int c = 0; c < 5; ++c)
                    QVERIFY2(
                        qAbs(means.at(c) - expected[c]) <= tolerance[c],
                        qPrintable(QStringLiteral("bench %1 column %2: %3").arg(b + 1).arg(c).arg(data)));
            }
        }
        // The stop request ended both streams.
        QTRY_VERIFY_WITH_TIMEOUT(streamsStopped(), 5000);
    }

    void interruptStopsTheStream() {
        QProcess tool;
        startProcess(tool, {"--columns", "accept,rtime,gas,pef", "--data", "06"});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += tool.readAllStandardOutput()).count('\n') >= 3, RunTimeoutMs);
        QVERIFY(!sim->Bench(1).StreamingCodes().empty());
        ::kill(pid_t(tool.processId()), SIGINT);
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 0);
        out += tool.readAllStandardOutput();
        const QStringList printed = QString::fromLocal8Bit(out).split('\n', Qt::SkipEmptyParts);
        // Groups side by side: the gases of both benches, then the PEF of both.
        const QString gasHeader = QStringLiteral("  CO2 [%]  CO [%]  Ethanol [ppm]  O2 [%]  NO [ppm]");
        QCOMPARE(printed.first(), "Accept  RTime   " + gasHeader + gasHeader + "  PEF   PEF ");
        // Accept counter, relative time, the gases and the PEF of the $06 reply.
        for (int i = 1; i < printed.size(); ++i) {
            QCOMPARE(printed.at(i).left(6), QString::asprintf("%6d", i));
            QCOMPARE(printed.at(i).size(), 6 + 10 + 2 * (7 + 7 + 9 + 7 + 6 + 6));
        }
        QTRY_VERIFY_WITH_TIMEOUT(streamsStopped(), 5000);
    }

    void silentPacingBenchEndsTheRun() {
        sim->Bench(1).SilenceCode(-1);
        QProcess tool;
        startProcess(tool, {"--rows", "5"});
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(
            errors.contains(QStringLiteral("bench 2 (") + sim->DevicePath(1) + "): Data Status  Timeout"),
            qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("sends no data")), qPrintable(errors));
        // Only the header was printed.
        QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardOutput()).count('\n'), 1);
    }

    void portThatCannotBeOpened() {
        QProcess tool;
        tool.start(QStringLiteral(X714CTL_PATH), {"acquire", sim->DevicePath(0), "/nonexistent/ttyX9"});
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(QString::fromLocal8Bit(tool.readAllStandardError())
                    .startsWith(QStringLiteral("x714ctl acquire: cannot open /nonexistent/ttyX9: ")));
    }
};

QTEST_GUILESS_MAIN(TestAcquire)
#include "test_acquire.moc"
