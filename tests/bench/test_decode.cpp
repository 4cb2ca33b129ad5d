// Decoding of acknowledged replies: field layouts and scaling, the streaming rule, the screens each
// reply is routed to (in order), replies too short for their layout, and Soft Reset.
#include "command_set_fixture.h"
#include "dialogs.h"

namespace {
// Every decoded field of a bench as text, to tell whether a reply changed any of them.
QString fields(const TBench& b) {
    QStringList s;
    const TSystemID& id = b.SystemId;
    s << id.SerialNumber << id.ModelNumber << id.HwPartNumber << id.HwRevision << id.SwPartNumber
      << id.SwRevision << id.CalPartNumber << id.CalRevision << id.CalCalcPartNumber << id.CalCalcRevision;
    for (float f :
         {b.AmbientTemp, b.Pef, b.GagePressure, b.AbsPressure, b.AmbPressure, b.DetSrcTemp, b.DetCelTemp})
        s << QString::number(f);
    for (qint64 v : {qint64(b.AdcA),
                     qint64(b.AdcB),
                     qint64(b.PulsesPerMinute),
                     qint64(b.RawO2),
                     qint64(b.RawNO),
                     qint64(b.ChannelSwitch),
                     qint64(b.ReportedMode),
                     qint64(b.DetEthanolTemp),
                     qint64(b.DemodCo2),
                     qint64(b.DemodCo),
                     qint64(b.DemodHc),
                     qint64(b.DemodRef),
                     qint64(b.Co2),
                     qint64(b.Co),
                     qint64(b.Hc),
                     qint64(b.O2),
                     qint64(b.NO),
                     qint64(b.StandbyState),
                     qint64(b.DeviceControlState),
                     qint64(b.PumpState),
                     qint64(b.FilterState),
                     qint64(b.DemodState),
                     qint64(b.ProcessInProgress),
                     qint64(b.ZeroRequired)})
        s << QString::number(v);
    auto bytes = [&](const auto& a) {
        QByteArray x;
        for (auto v : a)
            x.append(char(v)), x.append(char(int(v) >> 8));
        s << QString::fromLatin1(x.toHex());
    };
    bytes(b.UserMemory);
    bytes(b.SwChecksum);
    bytes(b.CommandSet);
    bytes(b.Status);
    bytes(b.MinAdc);
    bytes(b.MaxAdc);
    return s.join(QLatin1Char('|'));
}

QString flags(const TBench& b) {
    return QStringLiteral("%1%2%3%4%5%6")
        .arg(b.NewStatusData)
        .arg(b.NewSystemId)
        .arg(b.NewMainData)
        .arg(b.NewRawIrData)
        .arg(b.NewGraph1Data)
        .arg(b.NewGraph2Data);
}

// A reply of n data bytes counting up from `first`.
QByteArray counting(int n, int first = 1) {
    QByteArray d;
    for (int i = 0; i < n; ++i)
        d.append(char(first + i));
    return d;
}

// The codes whose reply is decoded, with a reply long enough for each.
const uint8_t DecodedCodes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x11, 0x12,
                                0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x40, 0x41, 0x42, 0x44, 0x45, 0x46, 0x48,
                                0x49, 0x50, 0x51, 0x52, 0x54, 0x55, 0x56, 0x57, 0x58, 0xD4, 0xF0, 0xF1};
} // namespace

class TestDecode : public QObject {
    Q_OBJECT

    std::unique_ptr<BenchFixture> fx;
    std::unique_ptr<ScriptedDialogsScope> dialogs;

    TBench& bench() { return fx->bench(); }
    QStringList& calls() { return fx->host.calls; }

private slots:
    void init() {
        fx = std::make_unique<BenchFixture>();
        dialogs = std::make_unique<ScriptedDialogsScope>();
    }
    void cleanup() {
        dialogs.reset();
        fx.reset();
    }

    void dataStatus01() {
        // Status 30 (zero required, process in progress), CO2 FF 38 = -200, CO 00 64, HC 00 01 86 A0,
        // O2 08 2A, NO FF FF = -1.
        fx->ack(0x01, hexBytes("30 01 02 03 FF 38 00 64 00 01 86 A0 08 2A FF FF"));
        TBench& b = bench();
        QCOMPARE(b.AckText, QStringLiteral("Data Status  ACK"));
        QCOMPARE(b.Status[0], uint8_t(0x30));
        QCOMPARE(b.Status[3], uint8_t(0x03));
        QCOMPARE(b.Status[4], uint8_t(0));
        QCOMPARE(b.Co2, -200);
        QCOMPARE(b.Co, 100);
        QCOMPARE(b.Hc, 100000u);
        QCOMPARE(b.O2, 2090);
        QCOMPARE(b.NO, -1);
        QVERIFY(b.ProcessInProgress);
        QVERIFY(b.ZeroRequired);
        QCOMPARE(flags(b), QStringLiteral("101011"));

        fx->ack(0x01, hexBytes("00 00 00 00 00 00 00 00 FF FF FF FF FF F6 00 00"));
        QVERIFY(!b.ProcessInProgress);
        QVERIFY(!b.ZeroRequired);
        QCOMPARE(b.Hc, 0xFFFFFFFFu); // unsigned, not sign-extended
        QCOMPARE(b.O2, -10);         // signed, as CO2, CO and NO
    }

    void extendedDataStatus06() {
        fx->ack(0x06, hexBytes("10 00 00 00 00 C8 00 0A 00 00 00 05 FF F6 00 00"
                               "FF FE 1D B0 FF 9C 80 00 00 01 00 FA 03 E8"));
        TBench& b = bench();
        QCOMPARE(b.Co2, 200);
        QCOMPARE(b.Hc, 5u);
        QCOMPARE(b.O2, -10);
        QVERIFY(b.ProcessInProgress);
        QCOMPARE(b.GagePressure, -2.0f);
        QCOMPARE(b.AbsPressure, 7600.0f);
        QCOMPARE(b.RawO2, int16_t(-100));
        QCOMPARE(b.RawNO, 0x80000001u);
        QCOMPARE(b.AmbientTemp, 25.0f);
        QCOMPARE(b.Pef, 1.0f);

        fx->ack(0x06, counting(26) + hexBytes("FF 9C FC 18"));
        QCOMPARE(b.AmbientTemp, -10.0f);
        QCOMPARE(b.Pef, -1.0f);
    }

    void engineeringData44() {
        QByteArray d(86, '\0');
        auto put16 = [&](int at, int v) {
            d[at] = char(v >> 8);
            d[at + 1] = char(v);
        };
        auto put32 = [&](int at, uint32_t v) {
            put16(at, int(v >> 16));
            put16(at + 2, int(v & 0xFFFF));
        };
        put16(0, -5);
        put16(2, 7450);
        put16(4, 512);
        put16(6, 498);
        for (int i = 0; i < 4; ++i) {
            put16(8 + 2 * i, 3000 + i);
            put16(36 + 2 * i, -100 - i);
            put32(20 + 4 * i, 0xF0000000u + uint32_t(i));
        }
        put16(16, 7600);
        put16(18, 1234); // not kept
        put16(44, -7);
        put32(46, 123456);
        put16(54, 610);
        put16(58, 1500);
        put16(60, -20);
        put32(62, 250000);
        put16(66, 2090);
        put16(68, 15);
        d[70] = char(0x20); // status byte 0: zero required
        d[85] = char(0x5A);
        fx->ack(0x44, d);
        TBench& b = bench();
        QCOMPARE(b.GagePressure, -5.0f);
        QCOMPARE(b.AbsPressure, 7450.0f);
        QCOMPARE(b.DetSrcTemp, 512.0f);
        QCOMPARE(b.DetCelTemp, 498.0f);
        QCOMPARE(b.MaxAdc, (std::array<int16_t, 4>{3000, 3001, 3002, 3003}));
        QCOMPARE(b.MinAdc, (std::array<int16_t, 4>{-100, -101, -102, -103}));
        QCOMPARE(b.AmbPressure, 7600.0f);
        QCOMPARE(b.DemodCo2, 0xF0000000u);
        QCOMPARE(b.DemodRef, 0xF0000003u);
        QCOMPARE(b.RawO2, int16_t(-7));
        QCOMPARE(b.RawNO, 123456u);
        QCOMPARE(b.DetEthanolTemp, int16_t(610));
        QCOMPARE(b.Co2, 1500);
        QCOMPARE(b.Co, -20);
        QCOMPARE(b.Hc, 250000u);
        QCOMPARE(b.O2, 2090);
        QCOMPARE(b.NO, 15);
        QCOMPARE(b.Status[0], uint8_t(0x20));
        QCOMPARE(b.Status[15], uint8_t(0x5A));
        // Status comes from offset 70; offset 0 holds FF here (GagePressure's high byte).
        QVERIFY(b.ZeroRequired);
        QVERIFY(!b.ProcessInProgress);
    }

    // The screens each data reply reaches, in order.
    void dataReplyRouting_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("console");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("expected");
        const QStringList graphs{"UpdateGraph2 0", "UpdateGraph1 0", "UpdateStatusScreen 0"};
        QTest::newRow("01 running, console on 01")
            << 0x01 << 0x01 << true
            << (QStringList{"DataStep 0"} + graphs + QStringList{"ShowResult 0 01", "ShowResult 0 00"});
        QTest::newRow("06 idle, console on 04")
            << 0x06 << 0x04 << false << (graphs + QStringList{"ShowResult 0 00"});
        QTest::newRow("44 running, console on 44")
            << 0x44 << 0x44 << true
            << (QStringList{"DataStep 0"} + graphs +
                QStringList{"UpdateEngineeringStatus 0", "ShowResult 0 44", "ShowResult 0 00"});
        QTest::newRow("44 idle, no console")
            << 0x44 << -1 << false << (graphs + QStringList{"UpdateEngineeringStatus 0"});
    }
    void dataReplyRouting() {
        QFETCH(int, code);
        QFETCH(int, console);
        QFETCH(bool, running);
        QFETCH(QStringList, expected);
        fx->host.stopBtnEnabled = running;
        fx->host.consoleExists = console >= 0;
        fx->host.consoleCommand = uint8_t(std::max(console, 0));
        fx->ack(uint8_t(code), counting(TBench::ReplyLayoutLength(uint8_t(code))));
        calls().removeAll(QStringLiteral("ShowAckLines"));
        calls().removeAll(QStringLiteral("ShowAckNak 0"));
        QCOMPARE(calls(), expected);
        QCOMPARE(bench().Commands[code].ResultReady, console == code);
    }

    void streamingRule() {
        TBench& b = bench();
        ManualClock& clock = fx->clock.clock;
        const QByteArray data = counting(16);
        b.SendDataStatus(TBench::RateContinuous, false);
        fx->port().TakeWritten();
        clock.Advance(1500);
        fx->feed(replyPacket(KindAck, 0x01, data));
        QVERIFY(b.Commands[0x01].Streaming);
        QVERIFY(b.Commands[0x01].Awaiting);
        QCOMPARE(b.Commands[0x01].RequestMode, 0u);

        // Each packet re-arms the reply timer: 3 s after the request, 1.5 s after the packet, no time-out.
        clock.Advance(1500);
        QVERIFY(fx->benches->CheckTimeouts());
        QCOMPARE(b.AckText, QStringLiteral("Data Status  ACK"));
        fx->feed(replyPacket(KindAck, 0x01, data)); // unsolicited, still decoded
        QCOMPARE(b.AckText, QStringLiteral("Data Status  ACK"));

        // A packet that does not come is reported once the timer has run out.
        clock.Advance(2100);
        fx->benches->CheckTimeouts();
        QCOMPARE(b.AckText, QStringLiteral("Data Status  Timeout"));
        QCOMPARE(b.AckError, 1);

        // "One Packet" ends the stream with its reply; a later packet is unexpected.
        b.SendDataStatus(TBench::RateOnePacket, false);
        fx->feed(replyPacket(KindAck, 0x01, data));
        QVERIFY(!b.Commands[0x01].Streaming);
        QVERIFY(!b.Commands[0x01].Awaiting);
        QCOMPARE(b.AckText, QStringLiteral("Data Status  ACK"));
        fx->feed(replyPacket(KindAck, 0x01, data));
        QCOMPARE(b.AckText, QStringLiteral("01 ?"));
        QCOMPARE(b.AckError, 1);
    }

    // The engineering status stream is a stream like the other rate codes: every packet is decoded
    // and reaches both status screens, and it ends with the stop request's reply.
    void engineeringStatusStreams() {
        TBench& b = bench();
        b.SendEngineeringStatus(TBench::RateContinuous);
        fx->feed(replyPacket(KindAck, 0x41, counting(16, 0x10)));
        QVERIFY(b.Commands[0x41].Streaming);
        b.NewStatusData = false;
        calls().clear();
        fx->feed(replyPacket(KindAck, 0x41, counting(16, 0x40)));
        QCOMPARE(b.AckText, QStringLiteral("Engineering Status  ACK"));
        QCOMPARE(b.Status[0], uint8_t(0x40));
        QCOMPARE(b.Status[15], uint8_t(0x4F));
        QVERIFY(b.NewStatusData);
        QCOMPARE(calls(), (QStringList{"UpdateStatusScreen 0", "UpdateEngineeringStatus 0"}));

        b.SendEngineeringStatus(TBench::RateStop);
        fx->feed(replyPacket(KindAck, 0x41, counting(16)));
        QVERIFY(!b.Commands[0x41].Streaming);
        fx->feed(replyPacket(KindAck, 0x41, counting(16)));
        QCOMPARE(b.AckText, QStringLiteral("41 ?"));
    }

    void rawIrGoesToTheConsoleThenTheScreen_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("40") << 0x40;
        QTest::newRow("42") << 0x42;
    }
    void rawIrGoesToTheConsoleThenTheScreen() {
        QFETCH(int, code);
        TBench& b = bench();
        fx->host.consoleCommand = uint8_t(code);
        b.SendRawIr(TBench::RateContinuous);
        if (code == 0x42) b.SendFilteredRawIr(TBench::RateContinuous);
        const QByteArray data = counting(201);
        fx->feed(replyPacket(KindAck, uint8_t(code), data));
        QVERIFY(b.NewRawIrData);
        QVERIFY(b.Commands[code].Streaming);
        QVERIFY(b.Commands[code].ResultReady);
        calls().removeAll(QStringLiteral("ShowAckLines"));
        calls().removeAll(QStringLiteral("ShowAckNak 0"));
        QCOMPARE(calls(), (QStringList{QStringLiteral("ShowResult 0 %1").arg(code, 2, 16), "RawIrPacket 0"}));
        QCOMPARE(fx->host.packets.size(), 1);
        QCOMPARE(fx->host.packets[0].Code, uint8_t(code));
        QCOMPARE(fx->host.packets[0].Bytes(), data);
    }

    void systemId() {
        TBench& b = bench();
        fx->ack(0x04, hexBytes("41 42 00 00 00 00") + "M714" + "HW-1234567" + "B2" +
                          QByteArray("SW12345\0\0\0", 10) + "C3");
        const TSystemID& id = b.SystemId;
        QCOMPARE(id.SerialNumber, QStringLiteral("AB"));
        QCOMPARE(id.ModelNumber, QStringLiteral("M714"));
        QCOMPARE(id.HwPartNumber, QStringLiteral("HW-1234567"));
        QCOMPARE(id.HwRevision, QStringLiteral("B2"));
        QCOMPARE(id.SwPartNumber, QStringLiteral("SW12345"));
        QCOMPARE(id.SwRevision, QStringLiteral("C3"));
        QVERIFY(b.NewSystemId);

        b.NewSystemId = false;
        fx->ack(0x51, QByteArray("123456M714HW-1234567B2SW-7654321C3") + "CAL-000001" + "D4" +
                          QByteArray("CC\0xxxxxxx", 10) + "E5");
        QCOMPARE(id.SerialNumber, QStringLiteral("123456"));
        QCOMPARE(id.SwPartNumber, QStringLiteral("SW-7654321"));
        QCOMPARE(id.CalPartNumber, QStringLiteral("CAL-000001"));
        QCOMPARE(id.CalRevision, QStringLiteral("D4"));
        QCOMPARE(id.CalCalcPartNumber, QStringLiteral("CC"));
        QCOMPARE(id.CalCalcRevision, QStringLiteral("E5"));
        QVERIFY(b.NewSystemId);
    }

    void miscellaneousData() {
        fx->ack(0x05, hexBytes("00 FA 03 E8 09 C4 FF 38 07 08"));
        TBench& b = bench();
        QCOMPARE(b.AmbientTemp, 25.0f);
        QCOMPARE(b.Pef, 1.0f);
        QCOMPARE(b.AdcA, int16_t(2500));
        QCOMPARE(b.AdcB, int16_t(-200));
        QCOMPARE(b.PulsesPerMinute, int16_t(1800));
    }

    // The replies that carry one value or one block.
    void smallReplies_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        QTest::newRow("07 pump") << 0x07 << hexBytes("01") << "PumpState=1";
        QTest::newRow("52 pump") << 0x52 << hexBytes("02") << "PumpState=2";
        QTest::newRow("08 device") << 0x08 << hexBytes("A5") << "DeviceControlState=165";
        QTest::newRow("13 switch") << 0x13 << hexBytes("1F") << "ChannelSwitch=31";
        QTest::newRow("17 standby") << 0x17 << hexBytes("80") << "StandbyState=128";
        QTest::newRow("45 filter") << 0x45 << hexBytes("31") << "FilterState=49";
        QTest::newRow("46 demod") << 0x46 << hexBytes("01") << "DemodState=1";
        QTest::newRow("F1 mode") << 0xF1 << hexBytes("05") << "ReportedMode=5";
        QTest::newRow("14 memory") << 0x14 << counting(20, 0xE0)
                                   << "UserMemory=" + QString::fromLatin1(counting(20, 0xE0).toHex());
        QTest::newRow("18 checksum") << 0x18 << hexBytes("3A 7C 01 E4") << "SwChecksum=3a7c01e4";
        QTest::newRow("D4 command set") << 0xD4 << hexBytes("12 34 00") << "CommandSet=123400";
        QTest::newRow("12 raw O2 NO") << 0x12 << hexBytes("FF F6 00 01 00 00") << "RawO2=-10 RawNO=65536";
        QTest::newRow("16 pressures") << 0x16 << hexBytes("FF FF 1D 1A 1D B0") << "Gage=-1 Abs=7450 Amb=7600";
    }
    void smallReplies() {
        QFETCH(int, code);
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        fx->ack(uint8_t(code), data);
        const TBench& b = bench();
        auto hex = [](const auto& a) {
            return QString::fromLatin1(
                QByteArray(reinterpret_cast<const char*>(a.data()), int(a.size())).toHex());
        };
        const QString got = code == 0x07 || code == 0x52 ? QStringLiteral("PumpState=%1").arg(b.PumpState)
                            : code == 0x08 ? QStringLiteral("DeviceControlState=%1").arg(b.DeviceControlState)
                            : code == 0x13 ? QStringLiteral("ChannelSwitch=%1").arg(b.ChannelSwitch)
                            : code == 0x17 ? QStringLiteral("StandbyState=%1").arg(b.StandbyState)
                            : code == 0x45 ? QStringLiteral("FilterState=%1").arg(b.FilterState)
                            : code == 0x46 ? QStringLiteral("DemodState=%1").arg(b.DemodState)
                            : code == 0xF1 ? QStringLiteral("ReportedMode=%1").arg(b.ReportedMode)
                            : code == 0x14 ? "UserMemory=" + hex(b.UserMemory)
                            : code == 0x18 ? "SwChecksum=" + hex(b.SwChecksum)
                            : code == 0xD4 ? "CommandSet=" + hex(b.CommandSet)
                            : code == 0x12 ? QStringLiteral("RawO2=%1 RawNO=%2").arg(b.RawO2).arg(b.RawNO)
                                           : QStringLiteral("Gage=%1 Abs=%2 Amb=%3")
                                                 .arg(b.GagePressure)
                                                 .arg(b.AbsPressure)
                                                 .arg(b.AmbPressure);
        QCOMPARE(got, expected);
    }

    void parameterReplies() {
        fx->ack(0x48, {});
        fx->ack(0x49, QByteArray("1.5"));
        fx->ack(0x49, {}); // length 0: an empty text, nothing left from the reply before
        fx->ack(0x54, {});
        fx->ack(0x55, {});
        calls().removeAll(QStringLiteral("ShowAckLines"));
        QCOMPARE(calls(), (QStringList{"ParamWriteAck 0", "ParamReadReply 0", "ParamReadReply 0",
                                       "ParamStoreAck 0", "ParamLoadAck 0"}));
        QCOMPARE(fx->host.paramTexts, (QList<QByteArray>{"1.5", ""}));
    }

    // Every decoded code marks its result ready for the console page that shows it, and only that.
    void resultReadyForTheConsolesCode_data() {
        QTest::addColumn<int>("code");
        for (uint8_t c : DecodedCodes)
            QTest::addRow("%02X", c) << int(c);
    }
    void resultReadyForTheConsolesCode() {
        QFETCH(int, code);
        const auto c = uint8_t(code);
        const QByteArray data = counting(std::max(TBench::ReplyLayoutLength(c), 3));
        fx->host.consoleCommand = uint8_t(c == 0x04 ? 0x05 : 0x04);
        fx->ack(c, data);
        QVERIFY(!bench().Commands[c].ResultReady);
        QVERIFY(!calls().contains(QStringLiteral("ShowResult 0 %1").arg(c, 2, 16, QLatin1Char('0'))));

        fx->host.consoleCommand = c;
        fx->ack(c, data);
        QVERIFY(bench().Commands[c].ResultReady);
        QVERIFY(calls().contains(QStringLiteral("ShowResult 0 %1").arg(c, 2, 16, QLatin1Char('0'))));
        QCOMPARE(bench().AckText, bench().Commands[c].Name + " ACK");
    }

    void codesWithoutDecoderChangeNothing_data() {
        QTest::addColumn<int>("code");
        for (int c : {0x00, 0x0C, 0x25, 0x26, 0x27, 0x28, 0x43, 0x47, 0x53, 0xD5, 0xF2})
            QTest::addRow("%02X", c) << c;
    }
    void codesWithoutDecoderChangeNothing() {
        QFETCH(int, code);
        fx->host.consoleCommand = uint8_t(code);
        const QString before = fields(bench());
        fx->ack(uint8_t(code), counting(86));
        QCOMPARE(fields(bench()), before);
        QCOMPARE(flags(bench()), QStringLiteral("000000"));
        QVERIFY(!bench().Commands[code].ResultReady);
        QCOMPARE(bench().AckError, 0);
    }

    // A reply shorter than its layout changes no field and no flag, reaches no screen, and says so on
    // the acknowledgement line; one byte more than the layout needs decodes normally.
    void shortReplyIsNotDecoded_data() {
        QTest::addColumn<int>("code");
        for (uint8_t c : DecodedCodes)
            if (TBench::ReplyLayoutLength(c) > 0) QTest::addRow("%02X", c) << int(c);
    }
    void shortReplyIsNotDecoded() {
        QFETCH(int, code);
        const auto c = uint8_t(code);
        const int layout = TBench::ReplyLayoutLength(c);
        fx->host.consoleCommand = c;
        fx->host.consoleExists = true;
        fx->host.stopBtnEnabled = true;
        const QString before = fields(bench());
        fx->ack(c, counting(layout - 1, 0x41));
        QCOMPARE(fields(bench()), before);
        QCOMPARE(flags(bench()), QStringLiteral("000000"));
        QVERIFY(!bench().Commands[c].ResultReady);
        QCOMPARE(bench().AckText, bench().Commands[c].Name + " ACK (short reply)");
        QCOMPARE(bench().AckError, 1);
        QVERIFY(bench().LastReplyShort);
        calls().removeAll(QStringLiteral("ShowAckLines"));
        QCOMPARE(calls(), QStringList{"ShowAckNak 0"});

        fx->ack(c, counting(layout + 1, 0x41));
        QVERIFY(!bench().LastReplyShort);
        QCOMPARE(bench().AckText, bench().Commands[c].Name + " ACK");
        QCOMPARE(bench().AckError, 0);
        QVERIFY(bench().Commands[c].ResultReady);
        QVERIFY(fields(bench()) != before || c == 0x40 || c == 0x42);
    }

    // A short packet in a live stream keeps the stream alive: it is not reported as timed out.
    void shortPacketKeepsAStreamAlive() {
        TBench& b = bench();
        b.SendEngineeringData(TBench::RateContinuous, false);
        fx->feed(replyPacket(KindAck, 0x44, counting(86)));
        fx->clock.clock.Advance(1500);
        fx->feed(replyPacket(KindAck, 0x44, counting(20)));
        QVERIFY(b.Commands[0x44].Streaming);
        QVERIFY(b.Commands[0x44].Awaiting);
        fx->clock.clock.Advance(1500);
        fx->benches->CheckTimeouts();
        QCOMPARE(b.AckText, QStringLiteral("Engineering Data  ACK (short reply)"));
    }

    void softResetDisconnects() {
        // The ports close first; the warning is the host's, after the bench is told to disconnect.
        fx->host.consoleCommand = 0xF0;
        bench().SendSoftReset();
        fx->feed(replyPacket(KindAck, 0xF0, {}));
        calls().removeAll(QStringLiteral("ShowAckLines"));
        QCOMPARE(calls(),
                 (QStringList{"ShowResult 0 f0", "UntickAllBenches", "BenchDisconnected 0", "ShowAckNak 0"}));
        QVERIFY(dialogs->dialogs.shown.isEmpty());
        QCOMPARE(bench().AckText, QStringLiteral("Soft Reset  ACK"));
    }
};

QTEST_GUILESS_MAIN(TestDecode)
#include "test_decode.moc"
