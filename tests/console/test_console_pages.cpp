// The console's pages without the dialog: entries in, messages or the exact request out; what a page
// shows again after a send; and what it shows of a reply decoded by the bench connection.
#include "bench.h"
#include "command.h"
#include "console_page.h"
#include "console_requests.h"

#include <QLocale>
#include <QTest>

namespace {

// Sets one control as an operator would: "Edit1=20.5", "CheckBox1=1", "RadioGroup2=0".
void set(TPageControls& page, const QString& assignment) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    const std::optional<TControlRef> ref = ParseControlName(assignment.left(eq));
    QVERIFY2(ref, qPrintable(assignment));
    const QString text = assignment.mid(eq + 1);
    switch (ref->kind) {
    case TControlKind::Edit:
        QVERIFY2(page.Edit(ref->number).visible, qPrintable(assignment));
        page.Edit(ref->number).text = text;
        break;
    case TControlKind::CheckBox:
        QVERIFY2(page.CheckBox(ref->number).visible, qPrintable(assignment));
        page.CheckBox(ref->number).checked = text == QLatin1String("1");
        break;
    case TControlKind::RadioGroup:
        QVERIFY2(page.RadioGroup(ref->number).visible, qPrintable(assignment));
        page.RadioGroup(ref->number).itemIndex = text.toInt();
        break;
    case TControlKind::Label:
        QFAIL("labels are not entries");
    }
}

// "Edit1=20.50", "CheckBox1=1", "RadioGroup1=0" of the page as it is.
QString state(const TPageControls& page, const QString& name) {
    const std::optional<TControlRef> ref = ParseControlName(name);
    if (!ref) return QStringLiteral("?");
    switch (ref->kind) {
    case TControlKind::Edit:
        return name + QLatin1Char('=') + page.Edit(ref->number).text;
    case TControlKind::CheckBox:
        return name + QLatin1Char('=') + QString::number(page.CheckBox(ref->number).checked);
    case TControlKind::RadioGroup:
        return name + QLatin1Char('=') + QString::number(page.RadioGroup(ref->number).itemIndex);
    case TControlKind::Label:
        return name + QLatin1Char('=') + page.Label(ref->number).caption;
    }
    return {};
}

// The request the record becomes, as the one-second timer sends it.
QByteArray frameOf(uint8_t code, const TCmdParams& params) {
    NullBenchHost host;
    TBenchSet benches;
    benches[0].Init(nullptr, &host, 0);
    benches[0].CmdParams = params;
    if (!SendConsoleRequest(benches, 0, code)) return {};
    return benches[0].Commands[code].Frame();
}

QByteArray expectedFrame(uint8_t code, const QByteArray& payload) {
    TCommand cmd;
    cmd.Begin(code);
    for (char b : payload)
        cmd.Push(uint8_t(b));
    return cmd.Frame();
}

TPageSend sendOn(uint8_t code, const QStringList& assignments, const TRememberedEntries& remembered = {}) {
    TPageControls page = LayoutPage(code, remembered);
    for (const QString& a : assignments)
        set(page, a);
    return SendPage(code, page, remembered);
}

// Answers ConsoleCommand with the code whose reply is decoded, so the bench flags the reply for the page.
class ConsoleCodeHost : public NullBenchHost {
public:
    uint8_t code = 0;
    uint8_t ConsoleCommand() const override { return code; }
};

QStringList byteMessages() {
    QStringList m;
    for (int k = 1; k <= 20; ++k)
        m << QStringLiteral("Check Byte %1").arg(k);
    return m;
}

} // namespace

class TestConsolePages : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // Entries in, the messages in order or the payload of the request after its code out.
    void sendStep_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QByteArray>("payload");
        const QStringList none;
        auto row = [](const char* name, int code, QStringList entries, QStringList messages,
                      const char* payload) {
            QTest::newRow(name) << code << entries << messages << QByteArray::fromHex(payload);
        };
        row("$02 purge 255", 0x02, {"Edit1=255"}, none, "FF");
        row("$02 purge 0x0F", 0x02, {"Edit1=0x0F"}, none, "0F");
        row("$02 purge 256", 0x02, {"Edit1=256"}, {"Illegal Purge Time"}, "");
        row("$02 purge -1", 0x02, {"Edit1=-1"}, {"Illegal Purge Time"}, "");
        row("$02 purge letters", 0x02, {"Edit1=abc"}, {"Check PT Values"}, "");
        row("$03 CO2 20.5", 0x03, {"CheckBox1=1", "Edit1=20.5"}, none, "010802");
        row("$03 CO 0.1234", 0x03, {"CheckBox2=1", "Edit2=0.1234"}, none, "02007B");
        row("$03 CO2 -1.234", 0x03, {"CheckBox1=1", "Edit1=-1.234"}, none, "01FF86");
        row("$03 CO2 and Ethanol", 0x03, {"CheckBox1=1", "Edit1=15", "CheckBox3=1", "Edit3=300"}, none,
            "0505DC012C");
        row("$03 two failing rows", 0x03, {"CheckBox1=1", "Edit1=x", "CheckBox4=1", "Edit4=1.5"},
            {"Check Tag Value", "Check Tag Value"}, "");
        row("$03 no channel", 0x03, none, {"No Channels selected"}, "");
        // Values that do not fit the request's 16 bits are refused, not wrapped.
        row("$03 CO2 400 % too large", 0x03, {"CheckBox1=1", "Edit1=400"}, {"Check Tag Value"}, "");
        row("$03 O2 1e300 too large", 0x03, {"CheckBox5=1", "Edit5=1e300"}, {"Check Tag Value"}, "");
        row("$03 NO 40000 too large", 0x03, {"CheckBox4=1", "Edit4=40000"}, {"Check Tag Value"}, "");
        row("$09 no channel", 0x09, none, {"No Channels selected"}, "");
        row("$09 CO2 and Ethanol", 0x09, {"CheckBox1=1", "CheckBox3=1"}, none, "05");
        row("$0A at once", 0x0A, none, none, "");
        row("$11 span 12.34", 0x11, {"Edit1=12.34", "RadioGroup1=1"}, none, "01007B");
        row("$11 reset", 0x11, none, none, "020000");
        row("$11 letters", 0x11, {"Edit1=1O"}, {"Check Tag Value"}, "");
        row("$11 no selector", 0x11, {"Edit1=x", "RadioGroup1=-1"},
            {"Check Tag Value", "No Channels selected"}, "");
        row("$50 low", 0x50, {"Edit1=1"}, none, "08000A");
        row("$50 high 50", 0x50, {"Edit1=50", "RadioGroup1=1"}, none, "8801F4");
        row("$01 continuous", 0x01, none, none, "0200");
        row("$44 stop", 0x44, {"RadioGroup2=0"}, none, "0000");
        row("$07 on", 0x07, {"RadioGroup1=1"}, none, "01");
        row("$52 no change", 0x52, {"RadioGroup1=2"}, none, "02");
        row("$08 mask FF value 81", 0x08, {"RadioGroup1=1", "RadioGroup8=1"}, none, "FF81");
        row("$08 bit 7 left out", 0x08, {"CheckBox1=0", "RadioGroup1=1"}, none, "7F80");
        row("$0B times", 0x0B, {"Edit2=10", "Edit3=$14", "Edit4=5"}, none, "0A1405");
        // A time that does not fit its byte is refused rather than sent as its low eight bits.
        row("$0B vacuum 300", 0x0B, {"Edit2=300"}, {"Check Vacuum setting"}, "");
        row("$0B trailing blank", 0x0B, {"Edit3=5 "}, {"Check Leak Time setting"}, "");
        row("$0B all three", 0x0B, {"Edit2=", "Edit3=-1", "Edit4=t"},
            {"Check Vacuum setting", "Check Leak Time setting", "Check Tolerance setting"}, "");
        row("$13 read, no channel", 0x13, none, none, "00");
        row("$13 write CO2 and O2", 0x13, {"CheckBox1=1", "CheckBox5=1", "RadioGroup1=1"}, none, "91");
        row("$17 enable permanent", 0x17, {"RadioGroup1=2", "RadioGroup2=1"}, none, "A0");
        row("$17 disable", 0x17, {"RadioGroup1=1"}, none, "40");
        row("$45 output filter", 0x45, {"RadioGroup3=1"}, none, "01");
        row("$45 input filter 2", 0x45, {"RadioGroup2=1"}, none, "10");
        row("$45 all on", 0x45, {"RadioGroup1=1", "RadioGroup2=1", "RadioGroup3=1"}, none, "31");
        row("$46 lumex", 0x46, {"RadioGroup1=1"}, none, "01");
        row("$04 bare", 0x04, none, none, "");
        row("$51 bare", 0x51, none, none, "");
        row("$18 bare", 0x18, none, none, "");
        row("$F0 bare", 0xF0, none, none, "");
        row("$14 location 0x14", 0x14, {"Edit1=0x14"}, none, "14");
        row("$14 location 21", 0x14, {"Edit1=21"}, {"Invalid location"}, "");
        row("$14 location 0", 0x14, {"Edit1=0"}, {"Invalid location"}, "");
        row("$14 location empty", 0x14, none, {"Check Location", "Invalid location"}, "");
        row("$15 bytes", 0x15, {"Edit1=3", "Edit2=1", "Edit3=$FF", "Edit21=-1"}, none,
            "0301FF0000000000000000000000000000000000FF");
        row("$15 byte 256", 0x15, {"Edit1=3", "Edit5=256"}, {"Invalid Byte"}, "");
        row("$15 byte -129", 0x15, {"Edit1=3", "Edit5=-129"}, {"Invalid Byte"}, "");
        row("$15 location empty", 0x15, {"Edit1="}, {"Check Location", "Invalid location"}, "");
        QStringList empty{"Edit1=5"};
        for (int e = 2; e <= 21; ++e)
            empty << QStringLiteral("Edit%1=").arg(e);
        row("$15 all bytes empty", 0x15, empty, byteMessages(), "");
        row("$15 everything wrong", 0x15,
            QStringList(empty).replaceInStrings("Edit1=5", "Edit1=99") << "Edit9=300",
            QStringList{"Invalid location"} + byteMessages().mid(0, 7) + byteMessages().mid(8) +
                QStringList{"Invalid Byte"},
            "");
        row("$F1 temporary mode 3", 0xF1, {"RadioGroup1=1", "RadioGroup2=3"}, none, "0103");
        row("$D4 VR57 temporary", 0xD4, {"RadioGroup1=2"}, none, "47390000");
        row("$D4 VX42 permanent", 0xD4, {"RadioGroup1=4"}, none, "2A000001");
    }
    void sendStep() {
        QFETCH(int, code);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, messages);
        QFETCH(QByteArray, payload);
        const TRememberedEntries before;
        const TPageSend step = sendOn(uint8_t(code), entries, before);
        QStringList shown;
        for (const TPageMessage& m : step.messages)
            shown << m.text;
        QCOMPARE(shown, messages);
        if (messages.isEmpty()) {
            QCOMPARE(frameOf(uint8_t(code), step.params), expectedFrame(uint8_t(code), payload));
        } else {
            // Nothing is taken from a page that showed a message.
            QCOMPARE(step.remembered, before);
            QCOMPARE(frameOf(uint8_t(code), step.params), frameOf(uint8_t(code), TCmdParams{}));
        }
    }

    void onlyIllegalPurgeTimeCarriesTheErrorIcon() {
        QVERIFY(sendOn(0x02, {"Edit1=256"}).messages.value(0).errorIcon);
        QVERIFY(!sendOn(0x02, {"Edit1=abc"}).messages.value(0).errorIcon);
        QVERIFY(!sendOn(0x14, {}).messages.value(1).errorIcon);
    }

    // Pages sent in order from the first remembered entries; then the page laid out afresh shows the
    // accepted values.
    void pageShowsTheAcceptedValues_data() {
        QTest::addColumn<QStringList>("sends"); // "CODE:CONTROL=TEXT,CONTROL=TEXT"
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("first data page") << QStringList{} << 0x01 << QStringList{"RadioGroup2=2"};
        QTest::newRow("data rate shared")
            << QStringList{"01:RadioGroup2=1"} << 0x44 << QStringList{"RadioGroup2=1", "RadioGroup1=0"};
        QTest::newRow("span reopened")
            << QStringList{"03:CheckBox1=1,Edit1=20.5"} << 0x03
            << QStringList{"Edit1=20.50", "Edit2=0.000", "Edit3=0",     "Edit4=0",
                           "Edit5=0.00",  "CheckBox1=1", "CheckBox2=0", "CheckBox5=0"};
        QTest::newRow("a refused span keeps the last one")
            << QStringList{"03:CheckBox2=1,Edit2=0.25", "03:CheckBox1=1,Edit1=x"} << 0x03
            << QStringList{"Edit1=0.00", "Edit2=0.250", "CheckBox1=0", "CheckBox2=1"};
        QTest::newRow("pressure span reopened") << QStringList{"11:Edit1=12.34,RadioGroup1=1"} << 0x11
                                                << QStringList{"Edit1=12.3", "RadioGroup1=0"};
        // The half tenth added before truncating moves a negative entry toward zero.
        QTest::newRow("pressure tag shared")
            << QStringList{"11:Edit1=-2.5"} << 0x50 << QStringList{"Edit1=-2.4"};
        QTest::newRow("low selector shows NO on the span page")
            << QStringList{"50:Edit1=1"} << 0x03
            << QStringList{"CheckBox1=0", "CheckBox2=0", "CheckBox3=0", "CheckBox4=1", "CheckBox5=0"};
        QTest::newRow("span selector shows CO2 on reset span")
            << QStringList{"11:Edit1=1,RadioGroup1=1"} << 0x09 << QStringList{"CheckBox1=1", "CheckBox2=0"};
        QTest::newRow("reset span clears NO and O2")
            << QStringList{"03:CheckBox4=1,Edit4=5", "09:CheckBox2=1"} << 0x03
            << QStringList{"CheckBox2=1", "CheckBox4=0"};
        QTest::newRow("purge time refused")
            << QStringList{"02:Edit1=7", "02:Edit1=256"} << 0x02 << QStringList{"Edit1=7"};
        QTest::newRow("pump shared") << QStringList{"07:RadioGroup1=1"} << 0x52
                                     << QStringList{"RadioGroup1=1"};
        QTest::newRow("device rows 1 and 8 set")
            << QStringList{"08:RadioGroup1=1,RadioGroup8=1,CheckBox3=0"} << 0x08
            << QStringList{"RadioGroup1=1", "RadioGroup2=0", "RadioGroup8=1",
                           "CheckBox1=1",   "CheckBox3=1",   "CheckBox8=1"};
        QTest::newRow("leak check") << QStringList{"0B:Edit2=30,Edit3=$3C,Edit4=5"} << 0x0B
                                    << QStringList{"Edit2=30", "Edit3=60", "Edit4=5"};
        QTest::newRow("gas switch read with CO2")
            << QStringList{"13:CheckBox1=1"} << 0x13
            << QStringList{"RadioGroup1=0", "CheckBox1=1", "CheckBox2=0"};
        QTest::newRow("gas switch write") << QStringList{"13:CheckBox4=1,RadioGroup1=1"} << 0x13
                                          << QStringList{"RadioGroup1=1", "CheckBox4=1"};
        QTest::newRow("standby not shown again") << QStringList{"17:RadioGroup1=2,RadioGroup2=1"} << 0x17
                                                 << QStringList{"RadioGroup1=0", "RadioGroup2=0"};
        QTest::newRow("filters") << QStringList{"45:RadioGroup2=1"} << 0x45
                                 << QStringList{"RadioGroup1=0", "RadioGroup2=1", "RadioGroup3=0"};
        QTest::newRow("demodulation")
            << QStringList{"46:RadioGroup1=1"} << 0x46 << QStringList{"RadioGroup1=1"};
        QTest::newRow("memory written") << QStringList{"15:Edit1=4,Edit2=$10,Edit21=-1"} << 0x15
                                        << QStringList{"Edit1=4", "Edit2=16", "Edit3=0", "Edit21=255"};
        QTest::newRow("read page keeps its location empty")
            << QStringList{"15:Edit1=4", "14:Edit1=9"} << 0x14 << QStringList{"Edit1=", "Edit2="};
        QTest::newRow("read location shared") << QStringList{"14:Edit1=9"} << 0x15 << QStringList{"Edit1=9"};
        QTest::newRow("mode not shown again") << QStringList{"F1:RadioGroup1=2,RadioGroup2=7"} << 0xF1
                                              << QStringList{"RadioGroup1=0", "RadioGroup2=0"};
        QTest::newRow("command set not shown again")
            << QStringList{"D4:RadioGroup1=6"} << 0xD4 << QStringList{"RadioGroup1=0"};
    }
    void pageShowsTheAcceptedValues() {
        QFETCH(QStringList, sends);
        QFETCH(int, page);
        QFETCH(QStringList, shown);
        TRememberedEntries remembered;
        for (const QString& s : sends) {
            const uint8_t code = uint8_t(s.left(2).toUInt(nullptr, 16));
            const QString rest = s.mid(3);
            const QStringList entries = rest.isEmpty() ? QStringList{} : rest.split(QLatin1Char(','));
            remembered = sendOn(code, entries, remembered).remembered;
        }
        const TPageControls laidOut = LayoutPage(uint8_t(page), remembered);
        QStringList actual;
        for (const QString& expected : shown)
            actual << state(laidOut, expected.section(QLatin1Char('='), 0, 0));
        QCOMPARE(actual, shown);
    }

    void sendStepsEmptyTheirResultBoxes() {
        // The gas switch's boxes wait for the answer; the read pages' boxes are emptied first, also
        // when the step fails.
        TPageSend s = sendOn(0x13, {"CheckBox2=1"});
        QVERIFY(!s.controls.CheckBox(2).checked);
        TPageControls page = LayoutPage(0x14, {});
        page.Edit(2).text = QStringLiteral("0x41");
        const TPageSend read = SendPage(0x14, page, {});
        QVERIFY(!read.Accepted());
        QVERIFY(read.controls.Edit(2).text.isEmpty());
        page = LayoutPage(0x0B, {});
        page.InProg.text = QStringLiteral("In Progress");
        QCOMPARE(SendPage(0x0B, page, {}).controls.InProg.text, QStringLiteral("In Progress"));
        page = LayoutPage(0x02, {});
        page.InProg.text = QStringLiteral("In Progress");
        QVERIFY(SendPage(0x02, page, {}).controls.InProg.text.isEmpty());
    }

    void processStateBox_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("shown");
        for (int c : {0x02, 0x03, 0x09, 0x11, 0x50, 0x0B, 0x56, 0x57, 0x58, 0xF0})
            QTest::addRow("$%02X", c) << c << true;
        for (int c :
             {0x0A, 0x01, 0x44, 0x07, 0x08, 0x13, 0x17, 0x45, 0x46, 0x04, 0x05, 0x14, 0x15, 0xF1, 0xD4})
            QTest::addRow("$%02X", c) << c << false;
    }
    void processStateBox() {
        QFETCH(int, code);
        QFETCH(bool, shown);
        QCOMPARE(LayoutPage(uint8_t(code), {}).InProg.visible, shown);
    }

    void everyPageHasARequestAndNoPageForSystemHours() {
        for (const TConsolePage* p : ConsolePages())
            QVERIFY2(IsConsoleRequest(p->code), qPrintable(QString::number(p->code, 16)));
        for (int c = 0; c < 256; ++c)
            if (IsConsoleRequest(uint8_t(c)))
                QVERIFY2(FindConsolePage(uint8_t(c)), qPrintable(QString::number(c, 16)));
        QVERIFY(!FindConsolePage(0x47));
        const TPageControls none = LayoutPage(0x47, {});
        for (const TEditControl& e : none.Edits)
            QVERIFY(!e.visible);
        QVERIFY(SendPage(0x47, none, {}).Accepted());
    }

    // A reply decoded by the bench connection, then shown by the page; boxes that held "prev" before
    // the reply and are not named keep it.
    void resultDisplay_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("shown");
        auto row = [](const char* name, int code, const QByteArray& reply, QStringList shown) {
            QTest::newRow(name) << code << reply << shown;
        };
        const auto hex = [](const char* h) { return QByteArray::fromHex(h); };
        row("pump off", 0x07, hex("00"), {"Edit1=Pump Off"});
        row("pump on", 0x52, hex("01"), {"Edit1=Pump On"});
        row("pump 2 leaves the box", 0x07, hex("02"), {"Edit1=prev"});
        row("device 0x82", 0x08, hex("82"), {"Edit1=Set", "Edit2=Clear", "Edit7=Set", "Edit8=Clear"});
        row("gas switch", 0x13, hex("83"),
            {"CheckBox1=1", "CheckBox2=1", "CheckBox3=0", "CheckBox4=0", "CheckBox5=0"});
        row("standby enabled", 0x17, hex("80"), {"Edit1=Enabled"});
        row("standby disabled", 0x17, hex("40"), {"Edit1=Disabled"});
        row("standby other", 0x17, hex("A0"), {"Edit1=prev"});
        row("filter 0x30", 0x45, hex("30"), {"Edit1=Set", "Edit2=Set", "Edit3=Clear"});
        row("filter 0x21", 0x45, hex("21"), {"Edit1=Set", "Edit2=Clear", "Edit3=Set"});
        row("demodulation lumex", 0x46, hex("01"), {"Edit1=Lumex"});
        row("demodulation other", 0x46, hex("02"), {"Edit1=prev"});
        row("mode 3", 0xF1, hex("03"), {"Edit12=VX43, New"});
        row("mode 9 leaves the box", 0xF1, hex("09"), {"Edit12=prev"});
        row("command set 7157", 0xD4, hex("473900"), {"Edit1=7157"});
        row("command set 42 0", 0xD4, hex("2A0000"), {"Edit1=42 0"});
        row("command set 7157A", 0xD4, hex("473941"), {"Edit1=7157A"});
        row("miscellaneous", 0x05, hex("00FA01F4FFFF0064FFFF"),
            {"Edit1=25.0", "Edit2=0.500", "Edit3=-1", "Edit4=100", "Edit5=65535"});
        row("raw O2 and NO", 0x12, hex("FF9CFFFFFFFF"), {"Edit1=-100", "Edit2=-1"});
        row("pressures", 0x16, hex("00641D4C1D4B"), {"Edit1=10.0", "Edit2=750.000", "Edit3=749.900"});
        row("checksum", 0x18, hex("0AAB00FF"), {"Edit2=0x0A", "Edit3=0xAB", "Edit4=0x00", "Edit5=0xFF"});
        row("user memory", 0x14, hex("00AB000000000000000000000000000000000007"),
            {"Edit1=prev", "Edit2=0x00", "Edit3=0xAB", "Edit21=0x07"});
        const QByteArray id = QByteArray("AB\0\0\0\0", 6) + "X714" + "714-0100A " + "B2" +
                              QByteArray("SW714-22\0\0", 10) + "07";
        row("system id", 0x04, id,
            {"Edit1=AB", "Edit2=X714", "Edit3=714-0100A ", "Edit4=B2", "Edit5=SW714-22", "Edit6=07"});
        const QByteArray engineering =
            id + QByteArray("CAL-1\0\0\0\0\0", 10) + "C1" + QByteArray("CC-2\0\0\0\0\0\0", 10) + "C2";
        row("engineering system id", 0x51, QByteArray(engineering).replace(0, 2, "CD"),
            {"Edit1=CD", "Edit6=07", "Edit7=CAL-1", "Edit8=C1", "Edit9=CC-2", "Edit10=C2"});
    }
    void resultDisplay() {
        QFETCH(int, code);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, shown);
        const auto c = uint8_t(code);
        ConsoleCodeHost host;
        host.code = c;
        TBenchSet benches;
        TBench& bench = benches[0];
        bench.Init(nullptr, &host, 0);
        TRxPacket packet;
        packet.Kind = KindAck;
        packet.Code = c;
        packet.Length = uint8_t(reply.size());
        std::copy(reply.begin(), reply.end(), packet.Data);
        bench.Commands[c].Awaiting = true;
        bench.DispatchPacket(packet);
        QVERIFY(bench.Commands[c].ResultReady);

        // The page after its send step, with a mark in every result box.
        TPageSend step = SendPage(c, LayoutPage(c, {}), {});
        QVERIFY(step.Accepted() || c == 0x14);
        TPageControls page = step.controls;
        for (TEditControl& e : page.Edits)
            if (e.visible) e.text = QStringLiteral("prev");
        ShowPageResult(c, bench, page);
        QStringList actual;
        for (const QString& expected : shown)
            actual << state(page, expected.section(QLatin1Char('='), 0, 0));
        QCOMPARE(actual, shown);
    }

    // Reals follow the locale: the span page reads and shows a comma where the locale writes one.
    void realsUseTheLocaleSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const TPageSend step = sendOn(0x03, {"CheckBox1=1", "Edit1=20,5", "CheckBox2=1", "Edit2=0.5"});
        QCOMPARE(step.messages.size(), 1); // "0.5" is no number where the separator is a comma
        const TPageSend good = sendOn(0x03, {"CheckBox1=1", "Edit1=20,5"});
        QVERIFY(good.Accepted());
        QCOMPARE(good.params.SpanCo2, int16_t(2050));
        QCOMPARE(LayoutPage(0x03, good.remembered).Edit(1).text, QStringLiteral("20,50"));
        QLocale::setDefault(QLocale::c());
    }

    void controlNames() {
        QCOMPARE(ControlName(TControlKind::RadioGroup, 8), QStringLiteral("RadioGroup8"));
        const std::optional<TControlRef> edit = ParseControlName(QStringLiteral("Edit21"));
        QVERIFY(edit && edit->kind == TControlKind::Edit && edit->number == 21);
        for (const char* bad : {"Edit22", "Edit0", "Edit01", "CheckBox9", "Memo1", "Edit", "edit1", "Edit1 "})
            QVERIFY2(!ParseControlName(QLatin1String(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestConsolePages)
#include "test_console_pages.moc"
