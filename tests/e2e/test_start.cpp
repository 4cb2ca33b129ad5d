// x714 --start as a process (offscreen) against `x714ctl sim`: the benches that open are started and
// logged without a click, an existing log is appended to, refusals are told while the run goes on,
// SIGTERM closes the window in order, and arguments that do not fit are refused before any window.
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {
constexpr int WaitMs = 20000;

// `x714ctl sim --stats` in its own process: its devices are <drive C>/dev/COM1..COMn for x714.
class SimProcess {
public:
    bool Start(int benches) {
        m_process.start(QStringLiteral(X714CTL_PATH),
                        {"sim", "--benches", QString::number(benches), "--ready", "--rate", "20", "--stats"});
        if (!m_process.waitForStarted(5000)) return false;
        int lines = 0;
        while (lines < benches && m_process.waitForReadyRead(5000))
            while (m_process.canReadLine()) {
                m_process.readLine();
                ++lines;
            }
        return lines == benches;
    }
    // Ends the simulator; the replies each bench sent.
    QList<int> Stop() {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        m_process.waitForFinished(5000);
        QList<int> sent;
        for (const QByteArray& line : m_process.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() >= 3 && parts.at(1) == "sent") sent << parts.at(2).toInt();
        }
        return sent;
    }
    ~SimProcess() {
        if (m_process.state() != QProcess::NotRunning) Stop();
    }

private:
    QProcess m_process;
};

QStringList logLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

int dataLines(const QStringList& lines) {
    static const QRegularExpression row(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  "));
    int n = 0;
    for (const QString& line : lines)
        if (row.match(line).hasMatch()) ++n;
    return n;
}

void startX714(QProcess& x714, const QStringList& args) {
    x714.start(QStringLiteral(X714_PATH), args);
    QVERIFY(x714.waitForStarted(5000));
}

// SIGTERM, as systemd stops the unit: the window closes as Exit does and the program ends with 0.
void terminate(QProcess& x714) {
    ::kill(pid_t(x714.processId()), SIGTERM);
    QVERIFY(x714.waitForFinished(WaitMs));
    QCOMPARE(x714.exitStatus(), QProcess::NormalExit);
    QCOMPARE(x714.exitCode(), 0);
}
} // namespace

class TestStart : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void init() { QDir(DriveCDir() + QStringLiteral("/dev")).removeRecursively(); }

    void startsAndLogsWithoutAClickThenAppends() {
        SimProcess sim;
        QVERIFY(sim.Start(2));
        const QString path = QDir(dir.path()).absoluteFilePath(QStringLiteral("run.LOG"));
        const QString header =
            QStringLiteral("    Time     ") +
            QStringLiteral("  CO2 [%]  CO [%]  Ethanol [ppm]  O2 [%]  NO [ppm]").repeated(2);

        QProcess first;
        startX714(first, {"--start", "--log", path});
        QTRY_VERIFY_WITH_TIMEOUT(dataLines(logLines(path)) >= 5, WaitMs);
        terminate(first);
        const QString told = QString::fromLocal8Bit(first.readAllStandardError());
        QVERIFY2(told.contains(QStringLiteral("acquisition started on COM1, COM2; logging to ") + path),
                 qPrintable(told));
        QStringList lines = logLines(path);
        QVERIFY2(lines.size() > 7, qPrintable(lines.join('\n')));
        QVERIFY(lines[0].startsWith(QStringLiteral("MainLogfile ") + path + QStringLiteral(" created ")));
        // File Log On stopped acquisition (an empty line), then Start wrote the header.
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[2], header);
        // Rows of fixed-width fields: the time stamp and the five gases of both benches.
        for (int i = 3; i < lines.size(); ++i) {
            QCOMPARE(dataLines({lines[i]}), 1);
            QCOMPARE(lines[i].size(), lines[3].size());
            QCOMPARE(lines[i].split(' ', Qt::SkipEmptyParts).size(), 11);
        }
        const int firstRun = lines.size();

        // Started again with the same file, after a reboot: appended to, nothing lost.
        QProcess second;
        startX714(second, {"--start", "--log", path});
        QTRY_VERIFY_WITH_TIMEOUT(dataLines(logLines(path).mid(firstRun)) >= 3, WaitMs);
        terminate(second);
        lines = logLines(path);
        QVERIFY(lines[firstRun].startsWith(QStringLiteral("Logfile ") + path +
                                           QStringLiteral(" opened for appending ")));
        QCOMPARE(lines[firstRun + 2], header);
        for (int n : sim.Stop())
            QVERIFY(n > 0);
    }

    void refusalsAreToldAndTheRunGoesOn() {
        // One bench only, and a log in a folder that does not exist.
        SimProcess sim;
        QVERIFY(sim.Start(1));
        const QString path = dir.filePath(QStringLiteral("missing/run.LOG"));
        QProcess x714;
        startX714(x714, {"--start", "--log", path});
        QString told;
        QTRY_VERIFY_WITH_TIMEOUT((told += QString::fromLocal8Bit(x714.readAllStandardError()))
                                     .contains(QLatin1String("acquisition started")),
                                 WaitMs);
        QTest::qWait(1500);
        // The window's box is open now, over a window that measures; the signal closes both.
        terminate(x714);
        told += QString::fromLocal8Bit(x714.readAllStandardError());
        for (const char* text : {"Information: Problem with log file!",
                                 "bench 2 not started:", "acquisition started on COM1; not logging"})
            QVERIFY2(told.contains(QLatin1String(text)), qPrintable(told));
        QVERIFY(!QFile::exists(path));
        // The bench streamed to the host all the while: 20 replies a second.
        const QList<int> sent = sim.Stop();
        QCOMPARE(sent.size(), 1);
        QVERIFY2(sent[0] >= 20, qPrintable(QString::number(sent[0])));
    }

    void argumentsThatDoNotFitAreRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("log without start")
            << QStringList{"--log", "run.LOG"} << "--log is only used with --start";
        QTest::newRow("log without file") << QStringList{"--start", "--log"} << "--log needs a file name";
        QTest::newRow("empty log name") << QStringList{"--start", "--log="} << "--log needs a file name";
        QTest::newRow("start with demo") << QStringList{"--start", "--demo"} << "cannot be combined";
    }
    void argumentsThatDoNotFitAreRefused() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess x714;
        startX714(x714, args);
        QVERIFY(x714.waitForFinished(WaitMs));
        QCOMPARE(x714.exitCode(), 2);
        const QString told = QString::fromLocal8Bit(x714.readAllStandardError());
        QVERIFY2(told.contains(message), qPrintable(told));
    }
};

QTEST_MAIN(TestStart)
#include "test_start.moc"
