// The status bit tables and their decoding: the words, blanks and colours each box shows for the
// status bytes, and the bits that no box shows.
#include "status_bits.h"

#include <QStringList>
#include <QTest>

namespace {
QString qstr(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// "text|colour" of every box, by box name.
template <std::size_t N>
QMap<QString, QString> byBox(const TStatusBox (&table)[N], const std::array<TStatusText, N>& view) {
    QMap<QString, QString> shown;
    for (std::size_t i = 0; i < N; ++i)
        shown[qstr(table[i].box)] = view[i].keep
                                        ? QStringLiteral("<kept>")
                                        : qstr(view[i].text) + '|' + qstr(StatusColourName(view[i].colour));
    return shown;
}

TStatusBytes withByte(int index, uint8_t value) {
    TStatusBytes s{};
    s[size_t(index)] = value;
    return s;
}
} // namespace

class TestStatusBits : public QObject {
    Q_OBJECT

private slots:
    // The customer status bytes: "box=text|colour" for the boxes a byte feeds.
    void statusScreen_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("byte 0 = C2: system fault, pump on")
            << 0 << 0xC2
            << QStringList{"OperationModeEdit=System Fault|red", "ZeroRequiredEdit=Not Required|green",
                           "ProcInProgressEdit=Not In Progress|green", "PumpOnOffEdit=ON|green",
                           "HcPropaneEdit=Ethanol|green"};
        QTest::newRow("byte 0 = 00: normal, pump off")
            << 0 << 0x00
            << QStringList{"OperationModeEdit= Normal |green", "ZeroRequiredEdit=Not Required|green",
                           "ProcInProgressEdit=Not In Progress|green", "PumpOnOffEdit=OFF|red",
                           "HcPropaneEdit=Ethanol|green"};
        QTest::newRow("byte 0 = 71: start-up, zero required, in progress")
            << 0 << 0x71
            << QStringList{"OperationModeEdit= Startup |green", "ZeroRequiredEdit=Required|red",
                           "ProcInProgressEdit=In Progress|red", "PumpOnOffEdit=OFF|red",
                           "HcPropaneEdit=Ethanol|green"};
        QTest::newRow("byte 0 = 82: standby") << 0 << 0x82 << QStringList{"OperationModeEdit=Standby|red"};
        QTest::newRow("byte 1 = 1B: one of each channel code")
            << 1 << 0x1B
            << QStringList{"CO2Edit=Valid|green", "COEdit=Invalid|red", "HCEdit=Span Fail|red",
                           "O2Edit=Zero Fail|red"};
        QTest::newRow("byte 2 = E0: NO zero fail, sample temperature")
            << 2 << 0xE0 << QStringList{"NOXEdit=Zero Fail|red", "SampleTempErrEdit=Check|red"};
        QTest::newRow("byte 2 = 1F: low bits shown nowhere")
            << 2 << 0x1F << QStringList{"NOXEdit=Valid|green", "SampleTempErrEdit=OK|green"};
        QTest::newRow("byte 3 = A5: problem flags with their blanks")
            << 3 << 0xA5 << QStringList{"PumpInFlowEdit= Check |red",  "NewNOSensorEdit= OK |green",
                                        "NewO2SensorEdit= Check |red", "IRSignalLostEdit= OK |green",
                                        "PumpOutFlowEdit= OK |green",  "AmbTempRangeEdit= Check |red",
                                        "PumpLowFlowEdit= OK |green",  "LeakCheckEdit= Check |red"};
    }
    void statusScreen() {
        QFETCH(int, byte);
        QFETCH(int, value);
        QFETCH(QStringList, expected);
        const auto shown = byBox(StatusBoxes, DecodeStatus(withByte(byte, uint8_t(value))));
        for (const QString& e : expected) {
            const QString box = e.section('=', 0, 0);
            QCOMPARE(box + '=' + shown.value(box), e);
        }
    }

    // Bytes 4..15 never reach the status screen, and bytes 0..3 never the engineering screen.
    void screensReadTheirOwnBytes() {
        TStatusBytes engineering{};
        for (size_t i = 4; i < 16; ++i)
            engineering[i] = 0xFF;
        TStatusBytes customer{};
        for (size_t i = 0; i < 4; ++i)
            customer[i] = 0xFF;
        QCOMPARE(byBox(StatusBoxes, DecodeStatus(engineering)), byBox(StatusBoxes, DecodeStatus({})));
        QCOMPARE(byBox(EngineeringBoxes, DecodeEngineeringStatus(customer)),
                 byBox(EngineeringBoxes, DecodeEngineeringStatus({})));
    }

    // An engineering byte: exactly the listed boxes show " Check " in red, every other " OK " in green
    // (the pump state aside, which has its own words).
    void engineeringChecks_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("byte 4 = 08: self test only") << 4 << 0x08 << QStringList{"SelfTestEdit"};
        QTest::newRow("byte 4 = 07: unlisted bits") << 4 << 0x07 << QStringList{};
        QTest::newRow("byte 5 = 81") << 5 << 0x81 << QStringList{"NoMoreListsEdit", "AlreadyDispatchedEdit"};
        QTest::newRow("byte 6 = 44") << 6 << 0x44 << QStringList{"IRSignalLostEdit", "GainSetFailREFEdit"};
        QTest::newRow("byte 7 = 10: low pump flow") << 7 << 0x10 << QStringList{"LowPumpFlowFailEdit"};
        QTest::newRow("byte 7 = 08: gas leak") << 7 << 0x08 << QStringList{"GasLeakEdit"};
        QTest::newRow("byte 7 = E7") << 7 << 0xE7
                                     << QStringList{"LampProblemEdit", "PumpInFlowFailEdit",
                                                    "PumpOutFlowFailEdit"};
        QTest::newRow("byte 8 = 11") << 8 << 0x11 << QStringList{"DetectorTempEdit", "TempNOEdit"};
        QTest::newRow("byte 8 = 0E: unlisted bits") << 8 << 0x0E << QStringList{};
        QTest::newRow("byte 9 = 90") << 9 << 0x90 << QStringList{"ADCO2Edit", "ADREFEdit"};
        QTest::newRow("byte 10 = 60") << 10 << 0x60 << QStringList{"BubbleCOEdit", "BubbleHCEdit"};
        QTest::newRow("byte 11 = 88") << 11 << 0x88 << QStringList{"InvalidCO2Edit", "InvalidNOEdit"};
        QTest::newRow("byte 12 = 18") << 12 << 0x18 << QStringList{"ZeroFailO2Edit", "ZeroFailNOEdit"};
        QTest::newRow("byte 13 = 47") << 13 << 0x47 << QStringList{"SpanFailCOEdit"};
        QTest::newRow("byte 14 = 90") << 14 << 0x90 << QStringList{"ContTransEdit", "LampEdit"};
        QTest::newRow("byte 15 = C1")
            << 15 << 0xC1 << QStringList{"FlashEraseFailedEdit", "FlashWriteFailEdit", "FlashParamErrEdit"};
        QTest::newRow("byte 15 = 3E: unlisted bits") << 15 << 0x3E << QStringList{};
    }
    void engineeringChecks() {
        QFETCH(int, byte);
        QFETCH(int, value);
        QFETCH(QStringList, checked);
        const auto shown = byBox(EngineeringBoxes, DecodeEngineeringStatus(withByte(byte, uint8_t(value))));
        QCOMPARE(shown.size(), 58);
        for (auto it = shown.begin(); it != shown.end(); ++it) {
            if (it.key() == QLatin1String("PumpStateEdit")) continue;
            const QString expected = checked.contains(it.key()) ? " Check |red" : " OK |green";
            QCOMPARE(it.key() + '=' + it.value(), it.key() + '=' + expected);
        }
    }

    void pumpState_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("00") << 0x00 << " Off |green";
        QTest::newRow("20") << 0x20 << " On |green";
        QTest::newRow("40") << 0x40 << " Purge |green";
        QTest::newRow("60: no state") << 0x60 << "<kept>";
        QTest::newRow("9F: other bits") << 0x9F << " Off |green";
    }
    void pumpState() {
        QFETCH(int, value);
        QFETCH(QString, expected);
        const auto shown = byBox(EngineeringBoxes, DecodeEngineeringStatus(withByte(14, uint8_t(value))));
        QCOMPARE(shown.value("PumpStateEdit"), expected);
    }

    // The status screen's rows in their groups, and the one hidden row.
    void groupsAndCaptions() {
        QStringList status;
        for (const TStatusBox& b : StatusBoxes)
            status << qstr(StatusGroups[b.group]) + '/' + qstr(b.caption);
        QCOMPARE(status.first(), "System Status/Operating Mode");
        QCOMPARE(status.at(4), "System Status/HC / Propane");
        QCOMPARE(status.at(5), "Data Status 1, 2/CO2");
        QCOMPARE(status.at(10), "Data Status 1, 2/Sample Temp Err");
        QCOMPARE(status.at(11), "Problem Status/Pump In Flow");
        QCOMPARE(status.last(), "Problem Status/Leak Check");
        QCOMPARE(status.size(), 19);
        for (size_t i = 0; i < StatusBoxCount; ++i)
            QCOMPARE(StatusBoxes[i].hidden, i == 4);
    }
};

QTEST_GUILESS_MAIN(TestStatusBits)
#include "test_status_bits.moc"
