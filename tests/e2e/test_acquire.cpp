// x714ctl acquire as a process over pseudo-terminals against two simulated benches: the log file
// line by line, its agreement with the printed lines, the values of each bench, the stop request on
// --rows and on SIGINT, an existing log file, the options before the command, and a pacing bench that
// sends nothing. More runs that end in a failure are in test_acquire_faults.
#include "acquire_fixture.h"

#include <QRegularExpression>
#include <csignal>

namespace {
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

class TestAcquire : public QObject, AcquireFixture {
    Q_OBJECT

private slots:
    void init() { startBenches(); }
    void cleanup() { sim.reset(); }

    void averagedRunIntoLogFile() {
        const QString path = dir.filePath(QStringLiteral("run.LOG"));
        QProcess tool;
        // Prop mode: the bench reports the hydrocarbon channel unconverted.
        startProcess(tool, {"--average", "stdev", "--samples", "3", "--rows", "3", "--hc-mode", "prop",
                            "--log", path});
        waitForExit(tool);
        const QString errors = errorText(tool);
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
        const QString errors = errorText(tool);
        QVERIFY2(
            errors.contains(QStringLiteral("bench 2 (") + sim->DevicePath(1) + "): Data Status  Timeout"),
            qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("sends no data")), qPrintable(errors));
        // Only the header was printed.
        QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardOutput()).count('\n'), 1);
    }

    // An existing log file is refused unless the run is told to append to it or to replace it.
    void existingLogFile_data() {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected"); // %1: the path; the error, or the first line of this run
        QTest::newRow("refused")
            << "" << true << 2
            << "log file %1 exists: add --append to add to it or --overwrite to replace it";
        QTest::newRow("append") << "--append" << true << 0 << "Logfile %1 opened for appending ";
        QTest::newRow("overwrite") << "--overwrite" << true << 0 << "MainLogfile %1 created ";
        QTest::newRow("append to a missing file")
            << "--append" << false << 2 << "--append: log file %1 does not exist";
    }
    void existingLogFile() {
        QFETCH(QString, flag);
        QFETCH(bool, exists);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        const QString path = dir.filePath(QStringLiteral("old.LOG"));
        QFile::remove(path);
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier\r\n");
        }
        QProcess tool;
        QStringList options{"--rows", "1", "--log", path};
        if (!flag.isEmpty()) options << flag;
        startProcess(tool, options);
        waitForExit(tool);
        const QString errors = errorText(tool);
        QVERIFY2(tool.exitCode() == exitCode, qPrintable(errors));
        const QStringList lines = logLines(path);
        if (exitCode != 0) {
            QVERIFY2(errors.contains(expected.arg(path)), qPrintable(errors));
            QCOMPARE(lines, exists ? QStringList{"earlier"} : QStringList{});
            return;
        }
        // The old content (when appended to), the note, the header, one row and the stop's empty line.
        const QStringList kept = flag == QLatin1String("--append") ? QStringList{"earlier"} : QStringList{};
        QCOMPARE(lines.size(), kept.size() + 4);
        QCOMPARE(lines.mid(0, kept.size()), kept);
        QVERIFY2(lines.at(kept.size()).startsWith(expected.arg(path)), qPrintable(lines.at(kept.size())));
        QCOMPARE(lines.mid(kept.size() + 1, 2), printedLines(tool));
    }

    // The rate given before the command is the command's own.
    void leadingBaud_data() {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("accepted") << "38400" << 0;
        QTest::newRow("checked") << "1" << 2;
    }
    void leadingBaud() {
        QFETCH(QString, baud);
        QFETCH(int, exitCode);
        QProcess tool;
        startProcess(tool, {"--rows", "1"}, {"--baud", baud});
        waitForExit(tool);
        const QString errors = errorText(tool);
        QVERIFY2(tool.exitCode() == exitCode, qPrintable(errors));
        if (exitCode != 0)
            QVERIFY2(errors.contains("--baud must be 9600, 19200, 38400, 57600 or 115200, not '1'"),
                     qPrintable(errors));
    }

    void portThatCannotBeOpened() {
        QProcess tool;
        tool.start(QStringLiteral(X714CTL_PATH), {"acquire", sim->DevicePath(0), "/nonexistent/ttyX9"});
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(
            errorText(tool).startsWith(QStringLiteral("x714ctl acquire: cannot open /nonexistent/ttyX9: ")));
    }
};

QTEST_GUILESS_MAIN(TestAcquire)
#include "test_acquire.moc"
