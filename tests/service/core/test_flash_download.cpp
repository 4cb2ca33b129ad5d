// The download state machine with a recording output: the exact requests in order, the display after
// each acknowledgement, refusals, and replies that are not the download's.
#include "flash_download.h"
#include "srecord_writer.h"

#include <QTest>

namespace {

struct Recorder : IFlashDownloadOutput {
    QStringList sent; // "25@B", "27@B 00004000 16", ...
    QStringList warnings;
    int repaints = 0;
    void StartBootMode(int b) override { sent << QStringLiteral("25@%1").arg(b); }
    void InitiateFlashDownload(int b) override { sent << QStringLiteral("26@%1").arg(b); }
    void WriteFlashMemory(int b, uint32_t address, const QByteArray& data) override {
        sent << QStringLiteral("27@%1 %2 %3").arg(b).arg(address, 8, 16, QLatin1Char('0')).arg(data.size());
    }
    void EndFlashDownload(int b) override { sent << QStringLiteral("28@%1").arg(b); }
    void SoftReset(int b) override { sent << QStringLiteral("F0@%1").arg(b); }
    void DisplayChanged() override { ++repaints; }
    void Warning(const QString& text) override { warnings << text; }
};

TRxPacket packet(uint8_t kind, uint8_t code, uint8_t error = 0) {
    TRxPacket p;
    p.Kind = kind;
    p.Code = code;
    if (kind == KindNak) {
        p.Length = 1;
        p.Data[0] = error;
    }
    return p;
}
TRxPacket ack(uint8_t code) {
    return packet(KindAck, code);
}

TFirmwareImage image(const QByteArray& text) {
    const TFirmwareReadResult r = ParseFirmwareText(text, "fw.s19", RecordFormatS2);
    if (!r.Ok()) qFatal("bad test image: %s", qPrintable(r.Error.Text()));
    return r.Image;
}

// S0 header, three S3 records of 16 bytes from 0x1000, S7.
QByteArray threeRecords() {
    QByteArray text = SRecord('0', 0, "h") + "\n";
    for (int i = 0; i < 3; ++i)
        text += SRecord('3', 0x1000 + 16 * uint32_t(i), QByteArray(16, char(i))) + "\n";
    return text + SRecord('7', 0, {}) + "\n";
}

} // namespace

class TestFlashDownload : public QObject {
    Q_OBJECT
private slots:
    void wholeDownload() {
        Recorder out;
        TFlashDownload d(out);
        d.Start(2, image(threeRecords()));
        QVERIFY(d.Busy());
        QCOMPARE(d.StateName(), std::string_view("Boot Requested"));
        QVERIFY(!d.Display().StartEnabled);
        QVERIFY(d.Display().BootText.Enabled && !d.Display().EraseText.Enabled);

        d.Reply(2, ack(0x25));
        QCOMPARE(d.Display().BootText.Colour, TStepColour::Green);
        QVERIFY(d.Display().EraseText.Enabled && !d.Display().ProgrammingText.Enabled);
        d.Reply(2, ack(0x26));
        QCOMPARE(d.Display().EraseText.Colour, TStepColour::Green);
        QVERIFY(d.Display().ProgrammingText.Enabled && d.Display().HexAddressText.Enabled &&
                d.Display().RangeTextEnabled && d.Display().ProgAddressEnabled &&
                d.Display().RangeLabelEnabled);
        // The first record is on line 1 (0-based): the box shows 1, the header line is consumed too.
        QCOMPARE(d.Display().LineNumber, QStringLiteral("1"));
        QCOMPARE(d.Display().HexAddress, QStringLiteral("00001000"));
        for (int i = 0; i < 3; ++i)
            d.Reply(2, ack(0x27));
        QCOMPARE(d.Display().ProgrammingText.Colour, TStepColour::Green);
        QCOMPARE(d.Display().Gauge, 100);
        QCOMPARE(d.Display().LineNumber, QStringLiteral("4"));
        QCOMPARE(d.Display().Range, QStringLiteral("00001000-0000102F"));
        QVERIFY(!d.Display().SuccessVisible);
        d.Reply(2, ack(0x28));

        QCOMPARE(out.sent, QStringList({"25@2", "26@2", "27@2 00001000 16", "27@2 00001010 16",
                                        "27@2 00001020 16", "28@2", "F0@2"}));
        QVERIFY(!d.Busy());
        QVERIFY(d.Display().SuccessVisible);
        QVERIFY(d.Display().StartEnabled);
        QVERIFY(out.warnings.isEmpty());
    }

    // A 100-line file: the gauge before each write is the share of lines consumed, 100 at the end.
    void gaugeOfHundredLines() {
        QByteArray text;
        for (int i = 0; i < 100; ++i)
            text += SRecord('3', 0x100 * uint32_t(i), QByteArray(8, '\x42')) + "\n";
        Recorder out;
        TFlashDownload d(out);
        d.Start(0, image(text));
        d.Reply(0, ack(0x25));
        QList<int> gauge;
        d.Reply(0, ack(0x26));
        gauge << d.Display().Gauge;
        for (int i = 0; i < 100; ++i) {
            d.Reply(0, ack(0x27));
            gauge << d.Display().Gauge;
        }
        QList<int> expected;
        for (int i = 0; i <= 100; ++i)
            expected << i;
        QCOMPARE(gauge, expected);
        QCOMPARE(out.sent.last(), QStringLiteral("28@0"));
    }

    void rangeOfTwoRecords() {
        Recorder out;
        TFlashDownload d(out);
        d.Start(0, image(SRecord('3', 0x4000, QByteArray(16, 'a')) + "\n" +
                         SRecord('3', 0x2000, QByteArray(32, 'b')) + "\n"));
        d.Reply(0, ack(0x25));
        d.Reply(0, ack(0x26));
        QCOMPARE(d.Display().Range, QStringLiteral("00004000-0000400F"));
        d.Reply(0, ack(0x27));
        QCOMPARE(d.Display().Range, QStringLiteral("00002000-0000400F"));
        QCOMPARE(d.Display().HexAddress, QStringLiteral("00002000"));
        QCOMPARE(d.LowAddress(), 0x2000);
        QCOMPARE(d.HighAddress(), 0x400F);
    }

    // A refusal at any step: the end request, the message, the step's label and Programming red.
    void refusal_data() {
        QTest::addColumn<int>("acks"); // acknowledgements before the refusal
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("label");
        QTest::newRow("$25") << 0 << 0x25 << "Failed to Unlock Download, NAK"
                             << "BootText";
        QTest::newRow("$26") << 1 << 0x26 << "Failed to Erase Flash Sectors, NAK"
                             << "EraseText";
        QTest::newRow("$27") << 3 << 0x27 << "Flash Write Failure, NAK"
                             << "HexAddressText";
        QTest::newRow("$28") << 5 << 0x28 << "Failed to End Programming, NAK"
                             << "ProgrammingText";
    }
    void refusal() {
        QFETCH(int, acks);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, label);
        Recorder out;
        TFlashDownload d(out);
        d.Start(1, image(threeRecords()));
        const uint8_t steps[] = {0x25, 0x26, 0x27, 0x27, 0x27};
        for (int i = 0; i < acks; ++i)
            d.Reply(1, ack(steps[i]));
        const int before = int(out.sent.size());
        d.Reply(1, packet(KindNak, uint8_t(code), 0x02));
        QVERIFY(!d.Busy());
        QCOMPARE(out.sent.mid(before), QStringList({"28@1"}));
        QCOMPARE(out.warnings, QStringList({message}));
        const TFlashDisplay& s = d.Display();
        const std::pair<const char*, TStepLabel> labels[] = {{"BootText", s.BootText},
                                                             {"EraseText", s.EraseText},
                                                             {"ProgrammingText", s.ProgrammingText},
                                                             {"HexAddressText", s.HexAddressText}};
        for (const auto& [name, state] : labels) {
            const bool red = name == label || QLatin1String(name) == QLatin1String("ProgrammingText");
            QCOMPARE(state.Colour == TStepColour::Red, red);
        }
        QVERIFY(s.StartEnabled);
        // After the failure nothing moves it on.
        d.Reply(1, ack(0x27));
        QCOMPARE(out.sent.size(), before + 1);
    }

    // Other benches, other codes, and acknowledgements of requests not in hand change nothing.
    void repliesThatAreNotTheDownloads() {
        Recorder out;
        TFlashDownload d(out);
        d.Start(1, image(threeRecords()));
        d.Reply(0, ack(0x25));                   // another bench
        d.Reply(1, ack(0x01));                   // a stream that was still running
        d.Reply(1, packet(KindNak, 0x01, 0x44)); // its refusal
        d.Reply(1, ack(0x27));                   // not the request in hand
        d.Reply(3, packet(KindNak, 0x25, 0x02)); // another bench's refusal
        QCOMPARE(out.sent, QStringList({"25@1"}));
        QCOMPARE(d.CurrentState(), TFlashDownload::BootRequested);
        QVERIFY(out.warnings.isEmpty());
        d.Reply(1, ack(0x25));
        QCOMPARE(out.sent.last(), QStringLiteral("26@1"));
    }

    void abandonSendsNothing() {
        Recorder out;
        TFlashDownload d(out);
        d.Start(0, image(threeRecords()));
        d.Reply(0, ack(0x25));
        d.Abandon();
        QVERIFY(!d.Busy());
        d.Reply(0, ack(0x26));
        QCOMPARE(out.sent, QStringList({"25@0", "26@0"}));
        QVERIFY(d.Display().StartEnabled);
    }

    // The format of a download is kept for the next file whose first line does not decide.
    void formatCarriesOver() {
        Recorder out;
        TFlashDownload d(out);
        QCOMPARE(d.RecordFormat(), RecordFormatS2);
        d.Start(0, image(threeRecords()));
        QCOMPARE(d.RecordFormat(), RecordFormatS3);
    }
};

QTEST_APPLESS_MAIN(TestFlashDownload)
#include "test_flash_download.moc"
