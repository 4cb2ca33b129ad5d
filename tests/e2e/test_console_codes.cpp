// Every console command over the real serial port component and a pseudo-terminal to the simulated
// bench: the request as the console table builds it, the bench's reply decoded into the bench's
// fields; a stream started and stopped; the injected line faults; and x714ctl send as a process.
#include "command_set_fixture.h"
#include "console_requests.h"
#include "dialogs.h"
#include "paths.h"
#include "serial_comport.h"
#include "simulator.h"

#include <QProcess>
#include <QTest>

namespace {
constexpr int ReplyWaitMs = 8000;
} // namespace

class TestConsoleCodes : public QObject {
    Q_OBJECT

    OffsetClock clock;
    std::unique_ptr<ScriptedDialogsScope> dialogs;
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<SerialComPort> port;
    std::unique_ptr<CommandSetHost> host;
    std::unique_ptr<TBenchSet> benches;

    TBench& bench() { return (*benches)[0]; }
    SimBench& simBench() { return sim->Bench(0); }
    int reports() const { return host->count(QStringLiteral("ShowAckNak 0")); }

    // Sends the console's request for code and waits until the bench connection reports on it.
    bool sendAndWait(uint8_t code) {
        host->consoleCommand = code;
        const int before = reports();
        if (!SendConsoleRequest(*benches, 0, code)) return false;
        return QTest::qWaitFor([&] { return reports() > before; }, ReplyWaitMs);
    }
    // Lets the reply timers run out and runs the time-out scan, as the one-second timer would.
    void timeOutNow() {
        clock.offset += 2100;
        benches->CheckTimeouts();
    }

private slots:
    void initTestCase() { SetClock(&clock); }
    void cleanupTestCase() { SetClock(nullptr); }

    void init() {
        dialogs = std::make_unique<ScriptedDialogsScope>();
        sim = std::make_unique<Simulator>();
        sim->SetTimeScale(1000); // zero, span and leak-check processes end at once
        sim->SetStreamRate(20);
        QString error;
        QVERIFY2(sim->Start(1, &error), qPrintable(error));
        simBench().SkipStartUp();
        SetComPortOverride(1, sim->DevicePath(0));
        port = std::make_unique<SerialComPort>(1);
        QVERIFY2(port->SetOpen(true), qPrintable(port->OpenError()));
        host = std::make_unique<CommandSetHost>();
        host->boxActive[1] = host->boxActive[2] = host->boxActive[3] = false;
        benches = std::make_unique<TBenchSet>();
        for (int i = 0; i < 4; ++i)
            (*benches)[i].Init(i == 0 ? port.get() : nullptr, host.get(), i);
        connect(port.get(), &TApdComPort::TriggerAvail, this, [this] { bench().DrainPort(); });
    }

    void cleanup() {
        if (port) port->SetOpen(false);
        benches.reset();
        host.reset();
        port.reset();
        sim.reset();
        dialogs.reset();
        ClearComPortOverrides();
    }

    void everyConsoleCode_data() {
        QTest::addColumn<int>("code");
        for (int c = 0; c < 256; ++c)
            if (IsConsoleRequest(uint8_t(c))) QTest::addRow("%02X", c) << c;
    }
    void everyConsoleCode() {
        QFETCH(int, code);
        const auto c = uint8_t(code);
        TCmdParams& p = bench().CmdParams;
        p = TCmdParams{};
        p.DataRate = TBench::RateOnePacket;
        switch (c) {
        case 0x03:
            p.TagMask = 0x01;
            p.SpanCo2 = 1500;
            break;
        case 0x07:
            p.PumpControl = 1;
            break;
        case 0x08:
            p.DeviceMask = 0x0F;
            p.DeviceValue = 0x05;
            break;
        case 0x09:
            p.TagMask = 0x03;
            break;
        case 0x0B:
            p.VacuumTime = 1;
            p.LeakCheckTime = 1;
            p.LeakTolerance = 5;
            break;
        case 0x11:
            p.TagMask = 2;
            break;
        case 0x13:
            p.SwitchControl = 0x9B;
            break;
        case 0x14:
        case 0x15:
            p.MemoryLocation = 7;
            for (int i = 0; i < 20; ++i)
                p.MemoryData[i] = uint8_t(0x30 + i);
            break;
        case 0x17:
            p.StandbyControl = 0x40;
            break;
        case 0x45:
            p.FilterControl = 0x21;
            break;
        case 0x46:
            p.DemodSelect = 1;
            break;
        case 0x50:
            p.TagMask = 136;
            p.TagValue = 500;
            break;
        case 0x52:
            p.PumpControl = 0;
            break;
        case 0xF1:
            p.ModeAction = 1;
            p.NewMode = 3;
            break;
        default:
            break;
        }
        QVERIFY(sendAndWait(c));
        TBench& b = bench();
        QCOMPARE(b.AckText, b.Commands[c].Name + " ACK");
        QCOMPARE(b.AckError, 0);
        QVERIFY(b.Commands[c].ResultReady);

        SimBench& s = simBench();
        const QStringList identity = s.Identity();
        switch (c) {
        case 0x01:
        case 0x44:
            QVERIFY2(b.O2 > 2000 && b.O2 < 2200, qPrintable(QString::number(b.O2)));
            QCOMPARE(b.ZeroRequired, s.ZeroRequired());
            QVERIFY(b.NewMainData);
            QVERIFY(!b.Commands[c].Streaming);
            if (c == 0x44) QVERIFY(b.AmbPressure > 7000 && b.AmbPressure < 8000);
            break;
        case 0x04:
            QCOMPARE((QStringList{b.SystemId.SerialNumber, b.SystemId.ModelNumber, b.SystemId.HwPartNumber,
                                  b.SystemId.HwRevision, b.SystemId.SwPartNumber, b.SystemId.SwRevision}),
                     identity.mid(0, 6));
            break;
        case 0x51:
            QCOMPARE((QStringList{b.SystemId.SerialNumber, b.SystemId.ModelNumber, b.SystemId.HwPartNumber,
                                  b.SystemId.HwRevision, b.SystemId.SwPartNumber, b.SystemId.SwRevision,
                                  b.SystemId.CalPartNumber, b.SystemId.CalRevision,
                                  b.SystemId.CalCalcPartNumber, b.SystemId.CalCalcRevision}),
                     identity);
            break;
        case 0x05:
            QVERIFY2(b.AmbientTemp > 0 && b.AmbientTemp < 60, qPrintable(QString::number(b.AmbientTemp)));
            QVERIFY(b.AdcA > 0);
            break;
        case 0x07:
            QCOMPARE(b.PumpState, uint8_t(1));
            QVERIFY(s.PumpOn());
            break;
        case 0x52:
            QCOMPARE(b.PumpState, uint8_t(0));
            QVERIFY(!s.PumpOn());
            break;
        case 0x08:
            QCOMPARE(b.DeviceControlState, s.DeviceControlState());
            QCOMPARE(b.DeviceControlState & 0x0F, 0x05);
            break;
        case 0x12:
            QVERIFY2(b.RawNO > 10000 && b.RawNO < 20000, qPrintable(QString::number(b.RawNO)));
            break;
        case 0x13:
            QCOMPARE(b.ChannelSwitch, uint8_t(0x1B));
            QCOMPARE(s.ChannelSwitch(), uint8_t(0x1B));
            break;
        case 0x14:
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(b.UserMemory.data()), 20), s.UserMemory(7));
            break;
        case 0x15:
            QCOMPARE(s.UserMemory(7), QByteArray("0123456789:;<=>?@ABC"));
            break;
        case 0x16:
            QVERIFY(b.AmbPressure > 7000 && b.AmbPressure < 8000);
            break;
        case 0x17:
            QCOMPARE(b.StandbyState, uint8_t(0x40));
            break;
        case 0x18:
            QCOMPARE(b.SwChecksum, s.SoftwareChecksum());
            break;
        case 0x45:
            QCOMPARE(b.FilterState, uint8_t(0x21));
            QCOMPARE(s.FilterState(), uint8_t(0x21));
            break;
        case 0x46:
            QCOMPARE(b.DemodState, uint8_t(1));
            break;
        case 0xD4:
            QCOMPARE(b.CommandSet, s.CommandSet());
            break;
        case 0xF0:
            QCOMPARE(host->count("UntickAllBenches"), 1);
            QCOMPARE(host->count("BenchDisconnected 0"), 1);
            QCOMPARE(benches->SoftResetGrace, 10);
            break;
        case 0xF1:
            QCOMPARE(b.ReportedMode, uint8_t(3));
            break;
        default:
            break;
        }
    }

    void streamStartedAndStopped() {
        TBench& b = bench();
        b.CmdParams.DataRate = TBench::RateContinuous;
        QVERIFY(sendAndWait(0x44));
        QVERIFY(b.Commands[0x44].Streaming);
        const QString update = QStringLiteral("UpdateEngineeringStatus 0");
        QTRY_VERIFY_WITH_TIMEOUT(host->count(update) >= 4, ReplyWaitMs);
        QCOMPARE(b.AckText, QStringLiteral("Engineering Data  ACK"));
        QCOMPARE(reports(), 1); // streamed packets update silently
        QVERIFY(benches->CheckTimeouts());
        QCOMPARE(b.AckError, 0);

        b.CmdParams.DataRate = TBench::RateStop;
        QVERIFY(sendAndWait(0x44));
        QVERIFY(!b.Commands[0x44].Streaming);
        QTRY_VERIFY_WITH_TIMEOUT(simBench().StreamingCodes().empty(), ReplyWaitMs);
        QTest::qWait(200);
        const int settled = host->count(update);
        QTest::qWait(400);
        QCOMPARE(host->count(update), settled);
    }

    void streamThatFallsSilentTimesOut() {
        TBench& b = bench();
        b.CmdParams.DataRate = TBench::RateContinuous;
        QVERIFY(sendAndWait(0x01));
        simBench().SilenceCode(0x01);
        QTest::qWait(200); // packets already on the line arrive
        timeOutNow();
        QCOMPARE(b.AckText, QStringLiteral("Data Status  Timeout"));
        QCOMPARE(b.AckError, 1);
    }

    void refusal() {
        simBench().RefuseCode(0x04, 0x46);
        QVERIFY(sendAndWait(0x04));
        QCOMPARE(bench().AckText, QStringLiteral("System ID  NAK  : Invalid Parameter Number"));
        QCOMPARE(bench().AckError, 1);
        QVERIFY(bench().SystemId.SerialNumber.isEmpty());
    }

    void silenceTimesOut() {
        simBench().SilenceCode(0x05);
        host->consoleCommand = 0x05;
        QVERIFY(SendConsoleRequest(*benches, 0, 0x05));
        QTest::qWait(300);
        QCOMPARE(reports(), 0);
        timeOutNow();
        QCOMPARE(bench().AckText, QStringLiteral("Miscellaneous Data  Timeout"));
        QCOMPARE(bench().AckError, 1);
    }

    // A reply with a wrong checksum is dropped without a word; the request then times out, and the
    // next request is answered normally.
    void corruptChecksumIsDroppedThenTimesOut() {
        simBench().CorruptNextReplies(1);
        host->consoleCommand = 0x18;
        QVERIFY(SendConsoleRequest(*benches, 0, 0x18));
        QTRY_VERIFY_WITH_TIMEOUT(simBench().RepliesSent() >= 1, ReplyWaitMs);
        QTest::qWait(300);
        QCOMPARE(reports(), 0);
        QVERIFY(bench().AckText.isEmpty());
        timeOutNow();
        QCOMPARE(bench().AckText, QStringLiteral("SW Checksum  Timeout"));
        QVERIFY(sendAndWait(0x18));
        QCOMPARE(bench().AckText, QStringLiteral("SW Checksum  ACK"));
        QCOMPARE(bench().SwChecksum, simBench().SoftwareChecksum());
    }

    void noiseBytesAreSkipped() {
        simBench().InjectRandomNoise(40, 2);
        QVERIFY(sendAndWait(0x04));
        QCOMPARE(bench().AckText, QStringLiteral("System ID  ACK"));
        QCOMPARE(bench().SystemId.SerialNumber, simBench().Identity().at(0));
        QVERIFY(sendAndWait(0x05));
        QCOMPARE(bench().AckText, QStringLiteral("Miscellaneous Data  ACK"));
    }

    void shortReplyIsFlagged() {
        QVERIFY(sendAndWait(0x05));
        const float temperature = bench().AmbientTemp;
        const int16_t pulses = bench().PulsesPerMinute;
        simBench().ShortenNextReplies(1, 4);
        QVERIFY(sendAndWait(0x05));
        QCOMPARE(bench().AckText, QStringLiteral("Miscellaneous Data  ACK (short reply)"));
        QCOMPARE(bench().AmbientTemp, temperature);
        QCOMPARE(bench().PulsesPerMinute, pulses);
    }

    // x714ctl send as an operator runs it, against the simulated bench.
    void sendTool_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<int>("lines");
        QTest::newRow("system id") << QStringList{"0x04"} << 0 << "System ID  ACK" << 7;
        QTest::newRow("stream started and stopped")
            << QStringList{"$01", "DataRate=2"} << 0 << "Data Status  ACK" << 9;
        QTest::newRow("user memory") << QStringList{"20", "MemoryLocation=$14"} << 0
                                     << "Read User Memory  ACK" << 2;
        QTest::newRow("refused") << QStringList{"0x14", "MemoryLocation=0"} << 1
                                 << "Read User Memory  NAK  : Illegal data value" << 1;
        QTest::newRow("unknown field") << QStringList{"4", "Purge=1"} << 2 << "" << 0;
        QTest::newRow("not a console code") << QStringList{"0x47"} << 2 << "" << 0;
    }
    void sendTool() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        QFETCH(int, lines);
        // The tool opens the device itself; this process lets it go.
        port->SetOpen(false);
        QProcess tool;
        tool.start(QStringLiteral(X714CTL_PATH), QStringList{"send", sim->DevicePath(0)} + args);
        QVERIFY(tool.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(tool.state() == QProcess::NotRunning, 20000);
        const QString output = QString::fromUtf8(tool.readAllStandardOutput());
        const QString errors = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QVERIFY2(tool.exitCode() == exitCode, qPrintable(output + errors));
        const QStringList printed = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(printed.size(), lines);
        if (exitCode == 2) {
            QVERIFY(errors.startsWith(QStringLiteral("x714ctl send: ")));
            return;
        }
        QCOMPARE(printed.first(), firstLine);
        if (args.first() == QLatin1String("0x04"))
            QCOMPARE(printed.at(1), QStringLiteral("SerialNumber=") + simBench().Identity().at(0));
        if (args.first() == QLatin1String("20"))
            QCOMPARE(printed.at(1),
                     QStringLiteral("UserMemory=") + simBench().UserMemory(20).toHex(' ').toUpper());
        QTRY_VERIFY_WITH_TIMEOUT(simBench().StreamingCodes().empty(), ReplyWaitMs);
    }

    void sendToolPortThatCannotBeOpened() {
        QProcess tool;
        tool.start(QStringLiteral(X714CTL_PATH), QStringList{"send", "/nonexistent/ttyX9", "4"});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QStringLiteral("no such device")));
    }
};

QTEST_GUILESS_MAIN(TestConsoleCodes)
#include "test_console_codes.moc"
