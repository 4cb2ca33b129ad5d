// "x714ctl page" as a process: a page's messages, or its request frame; with --send, the bench's
// answer and the page's result boxes from a simulated bench on a pseudo-terminal; bad arguments.
#include "command.h"
#include "simulator.h"
#include "tool_process.h"

#include <QTest>

namespace {
constexpr int WaitMs = 20000;

// The frame of a request, as the tool prints it.
QString frameLine(uint8_t code, const QByteArray& payload) {
    TCommand cmd;
    cmd.Begin(code);
    for (char b : payload)
        cmd.Push(uint8_t(b));
    return QString::fromLatin1(cmd.Frame().toHex(' ').toUpper());
}
} // namespace

class TestPageCli : public QObject {
    Q_OBJECT

    std::unique_ptr<Simulator> sim;

    // Runs the tool while this process's event loop serves the simulated bench.
    struct Run {
        int exitCode = -1;
        QStringList out;
        QString err;
    };
    Run run(const QStringList& args) {
        QStringList a = args;
        a.replaceInStrings(QStringLiteral("DEV"), sim->DevicePath(0));
        const ToolResult r = RunTool(QStringList{"page"} + a, WaitMs);
        return {r.exitCode, r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), r.err};
    }

private slots:
    void init() {
        sim = std::make_unique<Simulator>();
        sim->SetTimeScale(1000);
        QString error;
        QVERIFY2(sim->Start(1, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
    }
    void cleanup() { sim.reset(); }

    void page_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QStringList emptyBytes{"0x15", "Edit1=5"};
        QStringList byteMessages;
        for (int k = 1; k <= 20; ++k) {
            emptyBytes << QStringLiteral("Edit%1=").arg(k + 1);
            byteMessages << QStringLiteral("Check Byte %1").arg(k);
        }
        QTest::newRow("messages") << QStringList{"2", "Edit1=256"} << 1 << QStringList{"Illegal Purge Time"};
        QTest::newRow("twenty messages") << emptyBytes << 1 << byteMessages;
        QTest::newRow("two rows fail")
            << QStringList{"$03", "CheckBox1=1", "Edit1=a", "CheckBox2=1", "Edit2=b"} << 1
            << QStringList{"Check Tag Value", "Check Tag Value"};
        QTest::newRow("span frame") << QStringList{"3", "CheckBox1=1", "Edit1=20.5"} << 0
                                    << QStringList{frameLine(0x03, QByteArray::fromHex("010802"))};
        QTest::newRow("first data page")
            << QStringList{"0x44"} << 0 << QStringList{frameLine(0x44, QByteArray::fromHex("0200"))};
        QTest::newRow("blank kept") << QStringList{"0x0B", "Edit2=5 "} << 1
                                    << QStringList{"Check Vacuum setting"};
        QTest::newRow("pump on, sent")
            << QStringList{"7", "RadioGroup1=1", "--send", "DEV"} << 0
            << QStringList{frameLine(0x07, QByteArray::fromHex("01")), "Pump Control  ACK", "Edit1=Pump On"};
        QTest::newRow("gas switch, sent")
            << QStringList{"0x13", "CheckBox1=1", "CheckBox4=1", "RadioGroup1=1", "--send", "DEV"} << 0
            << QStringList{frameLine(0x13, QByteArray::fromHex("89")),
                           "Gas Switch ON/OFF command  ACK",
                           "CheckBox1=1",
                           "CheckBox2=0",
                           "CheckBox3=0",
                           "CheckBox4=1",
                           "CheckBox5=0"};
        QTest::newRow("standby, sent") << QStringList{"0x17", "RadioGroup1=1", "--send", "DEV"} << 0
                                       << QStringList{frameLine(0x17, QByteArray::fromHex("40")),
                                                      "Standby Mode Enable / Disable  ACK", "Edit1=Disabled"};
        QTest::newRow("zero, sent") << QStringList{"2", "Edit1=1", "--send", "DEV"} << 0
                                    << QStringList{frameLine(0x02, QByteArray::fromHex("01")),
                                                   "Zero O2 Span calibration  ACK"};
        QTest::newRow("a message sends nothing")
            << QStringList{"0x14", "--send", "DEV"} << 1 << QStringList{"Check Location", "Invalid location"};
    }
    void page() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        const Run r = run(args);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out.join('\n') + r.err));
        QCOMPARE(r.out, out);
        if (!args.contains(QLatin1String("--send")) || exitCode != 0)
            QCOMPARE(sim->Bench(0).FramesAnswered(), 0);
    }

    void readMemoryShowsTheBenchsBytes() {
        const Run r = run({"0x14", "Edit1=$14", "--send", "DEV"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.size(), 2 + 20);
        QCOMPARE(r.out.at(1), QStringLiteral("Read User Memory  ACK"));
        const QByteArray bytes = sim->Bench(0).UserMemory(20);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(r.out.at(2 + i),
                     QStringLiteral("Edit%1=0x%2")
                         .arg(i + 2)
                         .arg(QString::number(uint8_t(bytes[i]), 16).rightJustified(2, '0').toUpper()));
    }

    void refusalAndStream() {
        sim->Bench(0).RefuseCode(0x04, 0x46);
        Run r = run({"4", "--send", "DEV"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out.value(1), QStringLiteral("System ID  NAK  : Invalid Parameter Number"));
        QCOMPARE(r.out.size(), 2);
        // The data page starts a continuous stream the first time; the tool stops it again.
        r = run({"1", "--send", "DEV"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.value(1), QStringLiteral("Data Status  ACK"));
        QTRY_VERIFY_WITH_TIMEOUT(sim->Bench(0).StreamingCodes().empty(), WaitMs);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no code") << QStringList{} << "CODE is required";
        QTest::newRow("no page") << QStringList{"0x47"} << "the console has no page for $47";
        QTest::newRow("hidden control")
            << QStringList{"2", "Edit7=1"} << "the $02 page has no control Edit7 (its controls: Edit1)";
        QTest::newRow("hidden group") << QStringList{"1", "RadioGroup1=1"} << "has no control RadioGroup1";
        QTest::newRow("label") << QStringList{"2", "Label1=x"} << "has no control Label1";
        QTest::newRow("check box value") << QStringList{"3", "CheckBox1=yes"} << "CheckBox1 takes 1";
        QTest::newRow("item index")
            << QStringList{"1", "RadioGroup2=3"}
            << "RadioGroup2 takes an item index (0 Stop Continuous, 1 One Packet, 2 Continuous)";
        QTest::newRow("not an assignment") << QStringList{"2", "Edit1"} << "'Edit1' is not CONTROL=TEXT";
        QTest::newRow("port") << QStringList{"2", "--send", "/nonexistent/ttyX9"} << "cannot open";
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.startsWith(QStringLiteral("x714ctl page: ")) && r.err.contains(message),
                 qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestPageCli)
#include "test_page_cli.moc"
