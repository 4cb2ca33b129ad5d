// Request frames of every command code, the rate rule of the streaming codes, the limits of the two
// requests whose length follows their input, and the console's request table.
#include "command_set_fixture.h"
#include "console_requests.h"

namespace {
struct FrameCase {
    const char* name;
    void (*build)(TBench& b);
    const char* frame;
};

// Builder call and the exact frame on the wire (start byte, length, payload, checksum).
const FrameCase FrameCases[] = {
    {"01 continuous", [](TBench& b) { b.SendDataStatus(2, false); }, "02 03 01 02 00 F8"},
    {"06 one packet ethanol", [](TBench& b) { b.SendExtendedDataStatus(1, true); }, "02 03 06 01 01 F3"},
    {"44 stop ethanol", [](TBench& b) { b.SendEngineeringData(0, true); }, "02 03 44 00 01 B6"},
    {"data command 06", [](TBench& b) { b.SendDataCommand(0x06, 2, false); }, "02 03 06 02 00 F3"},
    {"12", [](TBench& b) { b.SendRawO2NoData(); }, "02 01 12 EB"},
    {"16", [](TBench& b) { b.SendPressureData(); }, "02 01 16 E7"},
    {"02 purge 5", [](TBench& b) { b.SendZeroCalibration(5); }, "02 02 02 05 F5"},
    {"03 CO2 and Ethanol", [](TBench& b) { b.SendSpanCalibration(0x05, 1500, 7, 300, 8, 9); },
     "02 06 03 05 05 DC 01 2C E2"},
    {"03 mask 0", [](TBench& b) { b.SendSpanCalibration(0x00, 1500, 7, 300, 8, 9); }, "02 02 03 00 F9"},
    {"03 all channels in bit order", [](TBench& b) { b.SendSpanCalibration(0x1F, 1, 2, 3, 4, -1); },
     "02 0C 03 1F 00 01 00 02 00 03 00 04 FF FF C8"},
    {"03 mask bits above O2 carry no value", [](TBench& b) { b.SendSpanCalibration(0xE8, 1, 2, 3, 4, 5); },
     "02 04 03 E8 00 04 0B"},
    {"04", [](TBench& b) { b.SendSystemIdRequest(); }, "02 01 04 F9"},
    {"05", [](TBench& b) { b.SendMiscellaneousData(); }, "02 01 05 F8"},
    {"07 on", [](TBench& b) { b.SendPumpControl(1); }, "02 02 07 01 F4"},
    {"08", [](TBench& b) { b.SendDeviceControl(0x81, 0x80); }, "02 03 08 81 80 F2"},
    {"09", [](TBench& b) { b.SendResetSpan(0x03); }, "02 02 09 03 F0"},
    {"0A", [](TBench& b) { b.SendNewNoSensor(); }, "02 01 0A F3"},
    {"0B", [](TBench& b) { b.SendLeakCheck(10, 20, 5); }, "02 04 0B 0A 14 05 CC"},
    {"11", [](TBench& b) { b.SendPressureSpan(1, 7600); }, "02 04 11 01 1D B0 1B"},
    {"13", [](TBench& b) { b.SendGasSwitch(0x9F); }, "02 02 13 9F 4A"},
    {"14", [](TBench& b) { b.SendReadUserMemory(20); }, "02 02 14 14 D4"},
    {"15 always 21 bytes",
     [](TBench& b) {
         b.SendWriteUserMemory(3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20});
     },
     "02 16 15 03 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 FE"},
    {"15 zero data", [](TBench& b) { b.SendWriteUserMemory(1, {}); },
     "02 16 15 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 D2"},
    {"17", [](TBench& b) { b.SendStandbyMode(0xA0); }, "02 02 17 A0 45"},
    {"18", [](TBench& b) { b.SendSwChecksum(); }, "02 01 18 E5"},
    {"D4",
     [](TBench& b) {
         b.SendChangeCommandSet({0x12, 0x34, 0x00}, 1);
     },
     "02 05 D4 12 34 00 01 DE"},
    {"F0", [](TBench& b) { b.SendSoftReset(); }, "02 01 F0 0D"},
    {"F1", [](TBench& b) { b.SendModeSelect(1, 5); }, "02 03 F1 01 05 04"},
    {"40", [](TBench& b) { b.SendRawIr(2); }, "02 02 40 02 BA"},
    {"41", [](TBench& b) { b.SendEngineeringStatus(0); }, "02 02 41 00 BB"},
    {"42", [](TBench& b) { b.SendFilteredRawIr(1); }, "02 02 42 01 B9"},
    {"45", [](TBench& b) { b.SendFilter(0x31); }, "02 02 45 31 86"},
    {"46", [](TBench& b) { b.SendDemodulation(1); }, "02 02 46 01 B5"},
    {"48 parameter 300 value 1.5", [](TBench& b) { QVERIFY(b.SendWriteFlashParameter(300, "1.5")); },
     "02 07 48 01 2C 31 2E 35 00 EE"},
    {"48 empty value", [](TBench& b) { QVERIFY(b.SendWriteFlashParameter(7, "")); }, "02 04 48 00 07 00 AB"},
    {"49", [](TBench& b) { b.SendReadFlashParameter(300); }, "02 03 49 01 2C 85"},
    {"50", [](TBench& b) { b.SendTwoPointSpan(136, 1000); }, "02 04 50 88 03 E8 37"},
    {"51", [](TBench& b) { b.SendEngineeringSystemId(); }, "02 01 51 AC"},
    {"52", [](TBench& b) { b.SendEngineeringPump(0); }, "02 02 52 00 AA"},
    {"54 parameter 2", [](TBench& b) { b.SendStoreFlashParameter(2); }, "02 05 54 7E 51 00 02 D4"},
    {"55 parameter 400", [](TBench& b) { b.SendLoadFlashParameter(400); }, "02 03 55 01 90 15"},
    {"56", [](TBench& b) { b.SendStoreDefaults(); }, "02 01 56 A7"},
    {"57", [](TBench& b) { b.SendResetToDefaults(); }, "02 01 57 A6"},
    {"58", [](TBench& b) { b.SendStoreWarmup(); }, "02 01 58 A5"},
    {"25", [](TBench& b) { b.SendStartBootMode(); }, "02 01 25 D8"},
    {"26", [](TBench& b) { b.SendInitiateFlashDownload(); }, "22 01 26 B7"},
    {"27 at 012340", [](TBench& b) { QVERIFY(b.SendWriteFlashMemory(0x012340, hexBytes("01 02"))); },
     "22 06 27 01 23 40 01 02 4A"},
    {"27 sends the low 24 bits",
     [](TBench& b) { QVERIFY(b.SendWriteFlashMemory(0xAB012340, hexBytes("01 02"))); },
     "22 06 27 01 23 40 01 02 4A"},
    {"28", [](TBench& b) { b.SendEndFlashDownload(); }, "22 01 28 B5"},
};

// Payload after the code that the console table sends for each code, from ConsoleParams().
struct ConsoleCase {
    uint8_t code;
    const char* payload;
};
const ConsoleCase ConsoleCases[] = {
    {0x01, "01 01"},
    {0x02, "07"},
    {0x03, "05 05 DC 01 2C"},
    {0x04, ""},
    {0x05, ""},
    {0x07, "02"},
    {0x08, "0F 05"},
    {0x09, "05"},
    {0x0A, ""},
    {0x0B, "0A 14 03"},
    {0x11, "05 FF FE"},
    {0x12, ""},
    {0x13, "9F"},
    {0x14, "04"},
    {0x15, "04 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF B0 B1 B2 B3"},
    {0x16, ""},
    {0x17, "A0"},
    {0x18, ""},
    {0x44, "01 01"},
    {0x45, "21"},
    {0x46, "01"},
    {0x50, "05 FF FE"},
    {0x51, ""},
    {0x52, "02"},
    {0x56, ""},
    {0x57, ""},
    {0x58, ""},
    {0xD4, "12 34 00 01"},
    {0xF0, ""},
    {0xF1, "02 06"},
};

// Every field different, so a request that takes the wrong field shows it.
TCmdParams ConsoleParams() {
    TCmdParams p;
    p.PurgeTime = 7;
    p.TagMask = 0x05;
    p.TagValue = -2;
    p.SpanCo2 = 1500;
    p.SpanCo = 0x0102;
    p.SpanEthanol = 300;
    p.SpanNO = 0x0304;
    p.SpanO2 = 0x0506;
    p.PumpControl = 2;
    p.DeviceMask = 0x0F;
    p.DeviceValue = 0x05;
    p.DataRate = 1;
    p.EthanolMode = 1;
    p.FilterControl = 0x21;
    p.DemodSelect = 1;
    p.CommandSetId = {0x12, 0x34, 0x00};
    p.CommandSetPermanent = 1;
    p.SwitchControl = 0x9F;
    p.MemoryLocation = 4;
    for (int i = 0; i < 20; ++i)
        p.MemoryData[i] = uint8_t(0xA0 + i);
    p.VacuumTime = 10;
    p.LeakCheckTime = 20;
    p.LeakTolerance = 3;
    p.ModeAction = 2;
    p.NewMode = 6;
    p.StandbyControl = 0xA0;
    return p;
}

// The frame of a request with start byte 0x02, built independently of TCommand.
QByteArray frameOf(uint8_t code, const QByteArray& params) {
    QByteArray f;
    f.append(char(0x02));
    f.append(char(params.size() + 1));
    f.append(char(code));
    f.append(params);
    int sum = 0;
    for (char c : f)
        sum += uint8_t(c);
    f.append(char((256 - sum % 256) % 256));
    return f;
}
} // namespace

class TestRequests : public QObject {
    Q_OBJECT

    std::unique_ptr<BenchFixture> fx;

private slots:
    void init() { fx = std::make_unique<BenchFixture>(); }
    void cleanup() { fx.reset(); }

    void frames_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(FrameCases)); ++i)
            QTest::newRow(FrameCases[i].name) << i;
    }
    void frames() {
        QFETCH(int, index);
        const FrameCase& c = FrameCases[index];
        c.build(fx->bench());
        const QByteArray expected = hexBytes(c.frame);
        QCOMPARE(fx->port().TakeWritten().toHex(' '), expected.toHex(' '));
        const uint8_t code = uint8_t(expected.at(2));
        QVERIFY(fx->bench().Commands[code].Awaiting);
        QVERIFY(fx->bench().Commands[code].ReportPending);
    }

    void rateSetsRequestMode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("rate");
        QTest::addColumn<uint>("mode");
        for (int code : {0x01, 0x06, 0x44, 0x40, 0x41, 0x42}) {
            for (int rate : {0, 1, 2})
                QTest::addRow("%02X rate %d", code, rate) << code << rate << uint(rate == 2 ? 2 : 1);
        }
    }
    void rateSetsRequestMode() {
        QFETCH(int, code);
        QFETCH(int, rate);
        QFETCH(uint, mode);
        TBench& b = fx->bench();
        const auto r = uint8_t(rate);
        switch (code) {
        case 0x01:
            b.SendDataStatus(r, false);
            break;
        case 0x06:
            b.SendExtendedDataStatus(r, false);
            break;
        case 0x44:
            b.SendEngineeringData(r, false);
            break;
        case 0x40:
            b.SendRawIr(r);
            break;
        case 0x41:
            b.SendEngineeringStatus(r);
            break;
        case 0x42:
            b.SendFilteredRawIr(r);
            break;
        }
        QCOMPARE(b.Commands[code].RequestMode, mode);
        QCOMPARE(fx->port().TakeWritten().at(3), char(rate));
    }

    void loadFlashParameterNamesTheParameterFirst() {
        bool sentAlready = true;
        fx->host.onSetCurrentParam = [&] { sentAlready = !fx->port().Pending().isEmpty(); };
        fx->bench().SendLoadFlashParameter(123);
        QCOMPARE(fx->host.calls, QStringList{QStringLiteral("SetCurrentParam 0 123")});
        QVERIFY(!sentAlready);
        QCOMPARE(fx->port().TakeWritten(), hexBytes("02 03 55 00 7B 2B"));
    }

    // The two requests whose length follows their input: the longest that fits goes out whole, one
    // byte more is refused and nothing goes on the wire.
    void writeFlashParameterLimit() {
        TBench& b = fx->bench();
        QVERIFY(b.SendWriteFlashParameter(1, QByteArray(251, '7')));
        const QByteArray frame = fx->port().TakeWritten();
        QCOMPARE(frame.size(), 255 + 3);
        QCOMPARE(uint8_t(frame.at(1)), uint8_t(255));
        QCOMPARE(frame.at(frame.size() - 2), '\0');

        b.Commands[0x48].Awaiting = false;
        QVERIFY(!b.SendWriteFlashParameter(1, QByteArray(252, '7')));
        QVERIFY(!b.SendWriteFlashParameter(1, QByteArray("1\0"
                                                         "5",
                                                         3)));
        QVERIFY(fx->port().TakeWritten().isEmpty());
        QVERIFY(!b.Commands[0x48].Awaiting);
    }

    void writeFlashMemoryLimit() {
        TBench& b = fx->bench();
        QVERIFY(b.SendWriteFlashMemory(0x10000, QByteArray(251, char(0xEE))));
        const QByteArray frame = fx->port().TakeWritten();
        QCOMPARE(frame.size(), 255 + 3);
        QCOMPARE(frame.mid(0, 6), hexBytes("22 FF 27 01 00 00"));

        b.Commands[0x27].Awaiting = false;
        QVERIFY(!b.SendWriteFlashMemory(0x10000, QByteArray(252, char(0xEE))));
        QVERIFY(fx->port().TakeWritten().isEmpty());
        QVERIFY(!b.Commands[0x27].Awaiting);
    }

    void consoleTable_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        for (const ConsoleCase& c : ConsoleCases)
            QTest::addRow("%02X", c.code) << int(c.code) << hexBytes(c.payload);
    }
    void consoleTable() {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        TBench& b = fx->bench();
        b.CmdParams = ConsoleParams();
        QVERIFY(IsConsoleRequest(uint8_t(code)));
        QVERIFY(SendConsoleRequest(*fx->benches, 0, uint8_t(code)));
        QCOMPARE(fx->port().TakeWritten().toHex(' '), frameOf(uint8_t(code), payload).toHex(' '));
        QCOMPARE(fx->benches->SoftResetGrace, code == 0xF0 ? 10 : 0);
        if (code == 0x01 || code == 0x44) QCOMPARE(b.Commands[code].RequestMode, 1u);
    }

    void consoleTableSendsNothingElse() {
        TBench& b = fx->bench();
        b.CmdParams = ConsoleParams();
        QList<int> sent;
        for (int code = 0; code < 256; ++code) {
            if (SendConsoleRequest(*fx->benches, 0, uint8_t(code))) {
                sent << code;
                fx->port().TakeWritten();
            } else {
                QVERIFY2(fx->port().TakeWritten().isEmpty(), qPrintable(QString::number(code, 16)));
            }
        }
        QList<int> expected;
        for (const ConsoleCase& c : ConsoleCases)
            expected << c.code;
        QCOMPARE(sent, expected);
        QVERIFY(!IsConsoleRequest(0x47));
    }

    void consoleContinuousRate() {
        TBench& b = fx->bench();
        b.CmdParams.DataRate = 2;
        b.CmdParams.EthanolMode = 0;
        QVERIFY(SendConsoleRequest(*fx->benches, 0, 0x44));
        QCOMPARE(fx->port().TakeWritten(), frameOf(0x44, hexBytes("02 00")));
        QCOMPARE(b.Commands[0x44].RequestMode, 2u);
    }
};

QTEST_GUILESS_MAIN(TestRequests)
#include "test_requests.moc"
