// x714ctl acquire as a process against two simulated benches, in more ways a run ends on a failure:
// a log file that cannot be written, a pacing bench whose replies are too short to decode, and a
// device that goes away. Each ends with exit 1 and says why on standard error.
#include "acquire_fixture.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

class TestAcquireFaults : public QObject, AcquireFixture {
    Q_OBJECT

private slots:
    void init() { startBenches(); }
    void cleanup() { sim.reset(); }

    void logOnAFullDevice() {
        QProcess tool;
        startProcess(tool, {"--log", "/dev/full", "--overwrite"});
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = errorText(tool);
        QVERIFY2(errors.contains(QStringLiteral("Cannot write to /dev/full: No space left on device. The log "
                                                "file was closed.")),
                 qPrintable(errors));
        QVERIFY(printedLines(tool).isEmpty());
    }

    // The file may grow to 600 bytes only, as on a disk that fills: the run ends at the first line
    // that does not fit, says why, and has printed exactly the lines that are whole in the file.
    void logThatFillsUpEndsTheRunAtOnce() {
        const QString path = dir.filePath(QStringLiteral("full.LOG"));
        QProcess tool;
        tool.setChildProcessModifier([] {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{600, 600};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        startProcess(tool, {"--rows", "100", "--log", path});
        waitForExit(tool);
        const QString errors = errorText(tool);
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY2(errors.contains("Cannot write to " + path + ": " + qt_error_string(EFBIG) + "."),
                 qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("The log file was closed.")), qPrintable(errors));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 600);
        // A line cut short at the limit is owned up to.
        const qsizetype whole = bytes.lastIndexOf("\r\n") + 2;
        QCOMPARE(errors.contains(QStringLiteral("The last line in the file is incomplete.")),
                 whole < bytes.size());
        QStringList lines = QString::fromLocal8Bit(bytes.left(whole)).split(QStringLiteral("\r\n"));
        lines.removeLast();
        QVERIFY(lines.first().startsWith("MainLogfile " + path));
        const QStringList printed = printedLines(tool);
        QCOMPARE(printed, lines.mid(1));
        QVERIFY(printed.size() < 100);
        QTRY_VERIFY_WITH_TIMEOUT(streamsStopped(), 5000);
    }

    // Every reply of the pacing bench is too short to decode: no row is built, and the run ends.
    void shortRepliesEndTheRun() {
        sim->Bench(1).ShortenNextReplies(1 << 30, 1);
        QProcess tool;
        startProcess(tool, {"--rows", "5"});
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = errorText(tool);
        QVERIFY2(errors.contains(QStringLiteral("bench 2 (") + sim->DevicePath(1) +
                                 "): no row for 1980 ms: replies too short to decode"),
                 qPrintable(errors));
        QCOMPARE(printedLines(tool).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(streamsStopped(), 5000);
    }

    // The simulator goes away mid-run: the lost device is reported as such, not by a time-out.
    void lostDeviceEndsTheRunAtOnce() {
        const QString device = sim->DevicePath(0);
        QProcess tool;
        startProcess(tool, {});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += tool.readAllStandardOutput()).count('\n') >= 3, RunTimeoutMs);
        sim.reset();
        waitForExit(tool);
        QCOMPARE(tool.exitCode(), 1);
        const QString errors = errorText(tool);
        QVERIFY2(errors.contains("bench 1 (" + device + "): Device lost: "), qPrintable(errors));
        QVERIFY2(!errors.contains(QStringLiteral("Timeout")) &&
                     !errors.contains(QStringLiteral("sends no data")),
                 qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(TestAcquireFaults)
#include "test_acquire_faults.moc"
