// What every x714ctl command that talks to a bench does alike, as processes: the command line rules
// (the usage after a malformed command line, a bad value alone) and, against a simulated bench on a
// pseudo-terminal, a device that goes away while the command waits, which ends it at once.
#include "simulator.h"
#include "srecord_writer.h"
#include "test_files.h"
#include "tool_process.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
constexpr int WaitMs = 10000;
// Well inside the limits a command would otherwise wait out: reply time-outs, flash's 10 s of silence,
// the calibration steps.
constexpr int EndsWithinMs = 5000;

// Each command with the arguments it needs before its options.
struct CommandLine {
    const char* name;
    QStringList args;
};
const CommandLine Commands[] = {
    {"send", {"/dev/null", "4"}},
    {"page", {"4", "--send", "/dev/null"}},
    {"status", {"/dev/null"}},
    {"param", {"read", "/dev/null", "4"}},
    {"cal", {"check", "/dev/null", "A.CAL"}},
    {"flash", {"/dev/null", "fw.s19"}},
    {"params", {"upload", "/dev/null", "up.CAL"}},
    {"rawir", {"/dev/null", "--log", "ir.LOG"}},
    {"acquire", {"/dev/null"}},
};
} // namespace

class TestCliCommon : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Simulator> sim;

private slots:
    void commandLineRules_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("usage");
        for (const CommandLine& c : Commands) {
            const QStringList head = QStringList{c.name} + c.args;
            QTest::addRow("%s, rate missing", c.name)
                << head + QStringList{"--baud"} << "--baud needs a rate" << true;
            QTest::addRow("%s, bad rate", c.name)
                << head + QStringList{"--baud", "300"}
                << "--baud must be 9600, 19200, 38400, 57600 or 115200, not '300'" << false;
            QTest::addRow("%s, leading bad rate", c.name)
                << QStringList{"--baud", "19200x"} + head
                << "--baud must be 9600, 19200, 38400, 57600 or 115200, not '19200x'" << false;
            QTest::addRow("%s, unknown option", c.name)
                << head + QStringList{"--frobnicate"} << "unknown option '--frobnicate'" << true;
        }
        QTest::newRow("params, bad pace")
            << QStringList{"params", "upload", "/dev/null", "up.CAL", "--pace", "fast"}
            << "--pace must be 0 to 10000 ms, not 'fast'" << false;
    }
    // Nothing is opened or sent: exit 2, the message after the command's name, the usage only after a
    // malformed command line.
    void commandLineRules() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QFETCH(bool, usage);
        const ToolResult r = RunTool(args, WaitMs, dir.path());
        QCOMPARE(r.exitCode, 2);
        const QString command = args.at(args.first() == QLatin1String("--baud") ? 2 : 0);
        QVERIFY2(r.err.startsWith(QStringLiteral("x714ctl %1: %2\n").arg(command, message)),
                 qPrintable(r.err));
        QCOMPARE(r.err.contains(QStringLiteral("usage: x714ctl %1 ").arg(command)), usage);
        QVERIFY(r.out.isEmpty());
    }

    // The bench answers nothing; its device goes away while the command waits for it.
    void lostDeviceEndsTheCommand_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("lastLine"); // the start of what is printed last; empty: nothing
        QTest::newRow("send") << QStringList{"send", "DEV", "4"} << "";
        QTest::newRow("page") << QStringList{"page", "4", "--send", "DEV"} << "02 01 04 F9";
        QTest::newRow("param") << QStringList{"param", "read", "DEV", "5"} << "";
        QTest::newRow("cal") << QStringList{"cal", "check", "DEV", SAMPLE_CAL_FILE} << "";
        QTest::newRow("flash") << QStringList{"flash", "DEV", "fw.s19"} << "The device was lost (";
        QTest::newRow("params") << QStringList{"params", "upload", "DEV", "up.CAL"} << "Device lost";
        QTest::newRow("rawir") << QStringList{"rawir", "DEV", "--log", "ir.LOG", "--overwrite"}
                               << "0 cycles, 0 lines written to ir.LOG";
    }
    void lostDeviceEndsTheCommand() {
        QFETCH(QStringList, args);
        QFETCH(QString, lastLine);
        WriteTestFile(dir.filePath(QStringLiteral("fw.s19")), SRecordImage(QByteArray(64, 'a')));
        QFile::remove(dir.filePath(QStringLiteral("up.CAL")));
        sim = std::make_unique<Simulator>();
        QString error;
        QVERIFY2(sim->Start(1, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
        sim->Bench(0).SilenceCode(-1);
        args.replaceInStrings(QStringLiteral("DEV"), sim->DevicePath(0));

        QProcess tool;
        QVERIFY(StartTool(tool, args, dir.path()));
        QVERIFY(QTest::qWaitFor([&] { return sim->Bench(0).FramesAnswered() > 0; }, WaitMs));
        sim.reset();
        QElapsedTimer sinceLost;
        sinceLost.start();
        QVERIFY(AwaitExit(tool, WaitMs));
        QVERIFY2(sinceLost.elapsed() < EndsWithinMs, qPrintable(QString::number(sinceLost.elapsed())));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY2(err.contains(QStringLiteral("x714ctl %1: device lost: ").arg(args.first())),
                 qPrintable(err));
        const QStringList out =
            QString::fromLocal8Bit(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        if (lastLine.isEmpty())
            QVERIFY2(out.isEmpty(), qPrintable(out.join('\n')));
        else
            QVERIFY2(!out.isEmpty() && out.last().startsWith(lastLine), qPrintable(out.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCliCommon)
#include "test_cli_common.moc"
