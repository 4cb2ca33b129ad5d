// The simulated bench at frame level: reply layouts of every code, framing of requests, refusals,
// the model's processes, streaming and fault injection. Time is a manual clock; Tick() is called by hand.
#include "clock.h"
#include "sim_bench.h"
#include "sim_peer.h"

#include <QTest>
#include <cmath>

namespace {

// Lets `ms` of clock time pass in steps, ticking the bench after each.
void Run(ManualClockScope& clock, Peer& p, int ms, int step = 50) {
    for (int t = 0; t < ms; t += step) {
        clock.clock.Advance(step);
        p.bench.Tick();
    }
}

Reply Only(const QList<Reply>& replies) {
    if (replies.size() != 1) {
        qWarning("expected one reply, got %d", int(replies.size()));
        return {};
    }
    return replies.first();
}

} // namespace

class TestSimProtocol : public QObject {
    Q_OBJECT

private slots:
    // Every code answered with its layout: kind, data length, and a checksum that makes the sum 0.
    void replyLayouts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("args");
        QTest::addColumn<int>("length");
        QTest::newRow("$01") << 0x01 << Bytes({1, 0}) << 16;
        QTest::newRow("$06") << 0x06 << Bytes({1, 1}) << 30;
        QTest::newRow("$44") << 0x44 << Bytes({1, 0}) << 86;
        QTest::newRow("$40") << 0x40 << Bytes({1}) << 201;
        QTest::newRow("$41") << 0x41 << Bytes({1}) << 16;
        QTest::newRow("$42") << 0x42 << Bytes({1}) << 201;
        QTest::newRow("$02") << 0x02 << Bytes({0}) << 0;
        QTest::newRow("$03") << 0x03 << Bytes({0x05, 0x05, 0xDC, 0x01, 0x2C}) << 0;
        QTest::newRow("$04") << 0x04 << QByteArray() << 34;
        QTest::newRow("$05") << 0x05 << QByteArray() << 10;
        QTest::newRow("$07") << 0x07 << Bytes({2}) << 1;
        QTest::newRow("$08") << 0x08 << Bytes({0xFF, 0x81}) << 1;
        QTest::newRow("$09") << 0x09 << Bytes({0x01}) << 0;
        QTest::newRow("$0A") << 0x0A << QByteArray() << 0;
        QTest::newRow("$0B") << 0x0B << Bytes({5, 5, 5}) << 0;
        QTest::newRow("$11") << 0x11 << Bytes({1, 0x1D, 0xB0}) << 0;
        QTest::newRow("$12") << 0x12 << QByteArray() << 6;
        QTest::newRow("$13") << 0x13 << Bytes({0}) << 1;
        QTest::newRow("$14") << 0x14 << Bytes({20}) << 20;
        QTest::newRow("$15") << 0x15 << (Bytes({3}) + QByteArray(20, 'x')) << 0;
        QTest::newRow("$16") << 0x16 << QByteArray() << 6;
        QTest::newRow("$17") << 0x17 << Bytes({0}) << 1;
        QTest::newRow("$18") << 0x18 << QByteArray() << 4;
        QTest::newRow("$25") << 0x25 << QByteArray() << 0;
        QTest::newRow("$45") << 0x45 << Bytes({0x01}) << 1;
        QTest::newRow("$46") << 0x46 << Bytes({1}) << 1;
        QTest::newRow("$48") << 0x48 << Bytes({0x01, 0x2C, '1', '.', '5', 0}) << 0;
        QTest::newRow("$49") << 0x49 << Bytes({0, 0}) << 1; // "3"
        QTest::newRow("$50") << 0x50 << Bytes({8, 0x1D, 0xB0}) << 0;
        QTest::newRow("$51") << 0x51 << QByteArray() << 58;
        QTest::newRow("$52") << 0x52 << Bytes({1}) << 1;
        QTest::newRow("$54") << 0x54 << Bytes({0x7E, 0x51, 0, 2}) << 0;
        QTest::newRow("$55") << 0x55 << Bytes({0, 2}) << 0;
        QTest::newRow("$56") << 0x56 << QByteArray() << 0;
        QTest::newRow("$57") << 0x57 << QByteArray() << 0;
        QTest::newRow("$58") << 0x58 << QByteArray() << 0;
        QTest::newRow("$D4") << 0xD4 << Bytes({0, 0, 0, 0}) << 3;
        QTest::newRow("$F0") << 0xF0 << QByteArray() << 0;
        QTest::newRow("$F1") << 0xF1 << Bytes({0, 0}) << 1;
    }
    void replyLayouts() {
        QFETCH(int, code);
        QFETCH(QByteArray, args);
        QFETCH(int, length);
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        const Reply r = Only(p.request(uint8_t(code), args));
        QCOMPARE(r.kind, SimAckKind);
        QCOMPARE(int(r.code), code);
        QCOMPARE(r.data.size(), length);
        QVERIFY(r.checksumOk);
        QCOMPARE(p.out.size(), length + 4);
    }

    void identityIsZeroPaddedTextAndDiffersPerBench() {
        ManualClockScope clock;
        Peer a(0), b(1);
        const Reply ra = Only(a.request(0x04));
        const Reply rb = Only(b.request(0x04));
        QCOMPARE(ra.data.mid(6, 4), QByteArray("X714"));
        QVERIFY(ra.data.left(6) != rb.data.left(6));
        QCOMPARE(ra.data.left(6), a.bench.Identity().at(0).toLatin1());
        // Text shorter than its field ends in zero bytes; $51 starts with the six fields of $04.
        QCOMPARE(ra.data.mid(10, 10), QByteArray("714-0100A") + Bytes({0}));
        const Reply id51 = Only(a.request(0x51));
        QCOMPARE(id51.data.left(34), ra.data);
        QCOMPARE(id51.data.mid(34, 10), QByteArray("CAL714-3") + Bytes({0, 0}));
        QCOMPARE(id51.data.mid(44, 2), QByteArray("04"));
        a.bench.Receive(Frame(0x15, Bytes({1}) + QByteArray("AB") + QByteArray(18, '\0')));
        QCOMPARE(Only(a.request(0x14, Bytes({1}))).data, QByteArray("AB") + QByteArray(18, '\0'));
    }

    // Requests are framed however they arrive: split, after garbage, after a bad checksum.
    void framing() {
        ManualClockScope clock;
        Peer p;
        const QByteArray f = Frame(0x04);
        p.bench.Receive(f.left(1));
        p.bench.Receive(f.mid(1, 2));
        QCOMPARE(p.out.size(), 0);
        p.bench.Receive(f.mid(3));
        QCOMPARE(SplitReplies(p.out).size(), 1);

        // Garbage before a frame is skipped.
        p.out.clear();
        p.bench.Receive(Bytes({0x55, 0xAA, 0x00, 0x13}) + Frame(0x18));
        QCOMPARE(Only(SplitReplies(p.out)).code, uint8_t(0x18));
        QCOMPARE(p.bench.SkippedBytes(), 4);

        // A bad checksum: no reply, and the next frame is answered.
        p.out.clear();
        QByteArray bad = Frame(0x04);
        bad[3] = char(bad.at(3) + 1);
        p.bench.Receive(bad);
        QCOMPARE(p.out.size(), 0);
        QCOMPARE(p.bench.BadChecksumFrames(), 1);
        p.bench.Receive(Frame(0x05));
        QCOMPARE(Only(SplitReplies(p.out)).code, uint8_t(0x05));

        // A stray start byte whose "frame" never completes is given up after a gap, and the real
        // frame that followed it is found.
        p.out.clear();
        p.bench.Receive(Bytes({0x02, 0xF0}) + Frame(0x12));
        QCOMPARE(p.out.size(), 0);
        Run(clock, p, SimBench::RxGapMs + 50);
        QCOMPARE(Only(SplitReplies(p.out)).code, uint8_t(0x12));

        // The boot program's codes only with their own start byte, the others only with 0x02.
        p.out.clear();
        QByteArray wrongStart = Bytes({0x02, 0x01, 0x26});
        wrongStart.append(char(uint8_t(0x100 - 0x29)));
        p.bench.Receive(wrongStart);
        QByteArray wrongStart2 = Bytes({0x22, 0x01, 0x04});
        wrongStart2.append(char(uint8_t(0x100 - 0x27)));
        p.bench.Receive(wrongStart2);
        QCOMPARE(p.out.size(), 0);
    }

    void refusals_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("args");
        QTest::addColumn<int>("nak");
        QTest::newRow("write param 401") << 0x48 << Bytes({0x01, 0x91, '1', 0}) << 0x46;
        QTest::newRow("read param 401") << 0x49 << Bytes({0x01, 0x91}) << 0x46;
        QTest::newRow("write text not a number") << 0x48 << Bytes({0, 20, 'a', 'b', 'c', 0}) << 0x01;
        QTest::newRow("write empty text") << 0x48 << Bytes({0, 20, 0}) << 0x01;
        QTest::newRow("write two values to a scalar") << 0x48 << Bytes({0, 20, '1', ',', '2', 0}) << 0x48;
        QTest::newRow("store wrong access code") << 0x54 << Bytes({0x7E, 0x52, 0, 2}) << 0x45;
        QTest::newRow("store param 401") << 0x54 << Bytes({0x7E, 0x51, 0x01, 0x91}) << 0x46;
        QTest::newRow("store RAM-only param") << 0x54 << Bytes({0x7E, 0x51, 0x01, 0x90}) << 0x02;
        QTest::newRow("load param 450") << 0x55 << Bytes({0x01, 0xC2}) << 0x02;
        QTest::newRow("memory location 0") << 0x14 << Bytes({0}) << 0x01;
        QTest::newRow("memory location 21") << 0x14 << Bytes({21}) << 0x01;
        QTest::newRow("write memory short") << 0x15 << (Bytes({1}) + QByteArray(19, 'x')) << 0x01;
        QTest::newRow("mode 8") << 0xF1 << Bytes({1, 8}) << 0x01;
        QTest::newRow("mode action 3") << 0xF1 << Bytes({3, 0}) << 0x01;
        QTest::newRow("data rate 3") << 0x01 << Bytes({3, 0}) << 0x01;
        QTest::newRow("data without ethanol byte") << 0x01 << Bytes({1}) << 0x01;
        QTest::newRow("pump 3") << 0x07 << Bytes({3}) << 0x01;
        QTest::newRow("unknown command set") << 0xD4 << Bytes({12, 34, 0, 0}) << 0x01;
        QTest::newRow("span mask 0") << 0x03 << Bytes({0}) << 0x01;
        QTest::newRow("span values missing") << 0x03 << Bytes({0x03, 0x05, 0xDC}) << 0x01;
        QTest::newRow("unknown code $47") << 0x47 << QByteArray() << 0x01;
        QTest::newRow("erase outside boot") << 0x26 << QByteArray() << 0x02;
        QTest::newRow("zero in start-up") << 0x02 << Bytes({0}) << 0x02;
    }
    void refusals() {
        QFETCH(int, code);
        QFETCH(QByteArray, args);
        QFETCH(int, nak);
        ManualClockScope clock;
        Peer p;
        const Reply r = Only(p.request(uint8_t(code), args));
        QCOMPARE(r.kind, SimNakKind);
        QCOMPARE(int(r.code), code);
        QCOMPARE(r.data.size(), 1);
        QCOMPARE(int(r.at(0)), nak);
        QVERIFY(r.checksumOk);
    }

    void parametersInRamAndFlash() {
        ManualClockScope clock;
        Peer p;
        // Parameter 1 holds the serial number.
        QCOMPARE(Only(p.request(0x49, Bytes({0, 1}))).data, p.bench.Identity().at(0).toLatin1());
        // Write 300 = 1.5 (the transfer screens add a second zero byte: it is not part of the text).
        QCOMPARE(Only(p.request(0x48, Bytes({0x01, 0x2C, '1', '.', '5', 0, 0}))).kind, SimAckKind);
        QCOMPARE(Only(p.request(0x49, Bytes({0x01, 0x2C}))).data, QByteArray("1.5"));
        QCOMPARE(p.bench.FlashParam(300), QByteArray("1.0"));
        // An array parameter takes its comma list as written.
        const QByteArray block = "1.25E-03,0,-2.5,4";
        QCOMPARE(Only(p.request(0x48, Bytes({0, 152}) + block + Bytes({0}))).kind, SimAckKind);
        QCOMPARE(Only(p.request(0x49, Bytes({0, 152}))).data, block);
        QCOMPARE(Only(p.request(0x54, Bytes({0x7E, 0x51, 0, 152}))).kind, SimAckKind);
        QCOMPARE(p.bench.FlashParam(152), block);
        QCOMPARE(p.bench.FlashParam(300), QByteArray("1.0"));
        // Load brings the flash value back into RAM.
        QCOMPARE(Only(p.request(0x55, Bytes({0x01, 0x2C}))).kind, SimAckKind);
        QCOMPARE(p.bench.RamParam(300), QByteArray("1.0"));
        // Defaults: reset puts the stored default set into RAM.
        p.request(0x48, Bytes({0x01, 0x2C, '7', 0}));
        p.request(0x56);
        p.request(0x48, Bytes({0x01, 0x2C, '9', 0}));
        p.request(0x57);
        QCOMPARE(p.bench.RamParam(300), QByteArray("7"));
        // A restart reloads RAM from flash.
        p.request(0xF0);
        Run(clock, p, SimBench::RestartMs + 100);
        QCOMPARE(p.bench.RamParam(300), QByteArray("1.0"));
        QCOMPARE(p.bench.RamParam(152), block);
    }

    // After power-on: start-up (mode 1), then a zero request until a zero has run its course.
    void startUpZeroAndSpan() {
        ManualClockScope clock;
        Peer p;
        p.bench.SetTimeScale(10);
        auto status0 = [&] { return Only(p.request(0x01, Bytes({1, 1}))).at(0); };
        QCOMPARE(status0() & 0xC0, 0x40);
        QCOMPARE(status0() & 0x20, 0x00);
        QCOMPARE(Only(p.request(0x02, Bytes({0}))).at(0), SimNak::NotAllowed);
        Run(clock, p, SimBench::DefaultStartUpMs / 10 + 100);
        QCOMPARE(status0() & 0xF0, 0x20); // normal, zero required
        QCOMPARE(status0() & 0x03, 0x03); // pump on, ethanol mode as requested
        // A span before the zero is refused.
        QCOMPARE(Only(p.request(0x03, Bytes({0x01, 0x05, 0xDC}))).at(0), SimNak::NotAllowed);

        QCOMPARE(Only(p.request(0x02, Bytes({2}))).kind, SimAckKind);    // 2 s purge
        QCOMPARE(status0() & 0x30, 0x30);                                // still required, in progress
        QCOMPARE(Only(p.request(0x41, Bytes({1}))).at(14) & 0x60, 0x40); // pump purging
        QCOMPARE(Only(p.request(0x02, Bytes({0}))).at(0), SimNak::NotAllowed);
        Run(clock, p, (2000 + SimBench::ZeroMs) / 10 + 100);
        QCOMPARE(status0() & 0x30, 0x00);
        QVERIFY(std::abs(p.bench.Reading(0) - 4.0) < 1.5);    // CO2 0.04 % of ambient air
        QVERIFY(std::abs(p.bench.Reading(3) - 2090.0) < 5.0); // O2 spanned on air

        // Span CO2 with 15 %: in progress for a while, then done.
        QCOMPARE(Only(p.request(0x03, Bytes({0x01, 0x05, 0xDC}))).kind, SimAckKind);
        QVERIFY(std::abs(p.bench.Reading(0) - 1500.0) < 50.0);
        QCOMPARE(status0() & 0x10, 0x10);
        Run(clock, p, SimBench::SpanMs / 10 + 100);
        QCOMPARE(status0() & 0x10, 0x00);
        QVERIFY(std::abs(p.bench.Reading(0) - 4.0) < 1.5);
    }

    void readingsAreNoisyAroundAmbientAir() {
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        QList<int> co2, o2;
        for (int i = 0; i < 40; ++i) {
            const Reply r = Only(p.request(0x01, Bytes({1, 1})));
            co2 << r.s16(4);
            o2 << r.s16(12);
            QCOMPARE(r.u32(8) < 50u, true); // no hydrocarbons in air
            Run(clock, p, 200);
        }
        const auto [mn, mx] = std::minmax_element(o2.begin(), o2.end());
        QVERIFY(*mx > *mn); // it moves
        for (int v : co2)
            QVERIFY(v >= -2 && v <= 10);
        for (int v : o2)
            QVERIFY(v >= 2050 && v <= 2130);
        // A sample gas shows up in the readings; a switched-off channel reads 0 and is invalid.
        p.bench.SetSampleGas({12.5, 1.2, 800, 2.0, 500});
        Reply r = Only(p.request(0x01, Bytes({1, 1})));
        QVERIFY(std::abs(r.s16(4) - 1250) < 40);
        QVERIFY(std::abs(r.s16(6) - 1200) < 40);
        QVERIFY(std::abs(int(r.u32(8)) - 800) < 40);
        QCOMPARE(Only(p.request(0x13, Bytes({0x80 | 0x1E}))).at(0), uint8_t(0x1E));
        r = Only(p.request(0x01, Bytes({1, 1})));
        QCOMPARE(r.s16(4), 0);
        QCOMPARE(r.at(1) >> 6, 1);
    }

    // States kept and reported: pump, standby, device control, filter, demodulation, mode, command set.
    void keptStates() {
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        QCOMPARE(Only(p.request(0x07, Bytes({0}))).at(0), uint8_t(0));
        QCOMPARE(Only(p.request(0x52, Bytes({2}))).at(0), uint8_t(0));
        QCOMPARE(Only(p.request(0x01, Bytes({1, 0}))).at(0) & 0x02, 0);
        QCOMPARE(Only(p.request(0x07, Bytes({1}))).at(0), uint8_t(1));
        QCOMPARE(Only(p.request(0x08, Bytes({0xFF, 0x81}))).at(0), uint8_t(0x81));
        QCOMPARE(Only(p.request(0x08, Bytes({0x01, 0x00}))).at(0), uint8_t(0x80));
        QCOMPARE(Only(p.request(0x45, Bytes({0x30}))).at(0), uint8_t(0x30));
        QCOMPARE(Only(p.request(0x46, Bytes({1}))).at(0), uint8_t(1));
        QCOMPARE(Only(p.request(0xF1, Bytes({1, 5}))).at(0), uint8_t(5));
        QCOMPARE(Only(p.request(0xF1, Bytes({0, 0}))).at(0), uint8_t(5));
        QCOMPARE(Only(p.request(0xD4, Bytes({42, 0, 0, 0}))).data, Bytes({42, 0, 0}));
        QCOMPARE(Only(p.request(0xD4, Bytes({0, 0, 0, 0}))).data, Bytes({42, 0, 0}));
        // Standby: mode 2, pump off, no zero.
        QCOMPARE(Only(p.request(0x17, Bytes({0x80}))).at(0), uint8_t(0x80));
        QCOMPARE(Only(p.request(0x01, Bytes({1, 0}))).at(0) & 0xC2, 0x80);
        QCOMPARE(Only(p.request(0x02, Bytes({0}))).at(0), SimNak::NotAllowed);
        QCOMPARE(Only(p.request(0x17, Bytes({0}))).at(0), uint8_t(0x80));
        QCOMPARE(Only(p.request(0x17, Bytes({0x40}))).at(0), uint8_t(0x40));
        // Temporary changes fall back after a restart; permanent ones stay.
        p.request(0xF1, Bytes({2, 3}));
        p.request(0xF1, Bytes({1, 6}));
        p.request(0xF0);
        Run(clock, p, SimBench::RestartMs + 100);
        QCOMPARE(Only(p.request(0xF1, Bytes({0, 0}))).at(0), uint8_t(3));
        QCOMPARE(Only(p.request(0xD4, Bytes({0, 0, 0, 0}))).data, Bytes({71, 57, 0}));
    }

    void leakCheck() {
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        p.bench.SetLeakRate(8);
        QCOMPARE(Only(p.request(0x0B, Bytes({1, 1, 5}))).kind, SimAckKind);
        QVERIFY(p.bench.ProcessInProgress());
        Run(clock, p, 2100);
        QVERIFY(!p.bench.ProcessInProgress());
        QCOMPARE(p.bench.StatusBytes()[3] & 0x01, 0x01);
        p.bench.SetLeakRate(2);
        p.request(0x0B, Bytes({1, 1, 5}));
        Run(clock, p, 2100);
        QCOMPARE(p.bench.StatusBytes()[3] & 0x01, 0x00);
    }

    // Rate 2 streams, rate 1 sends one packet and stops, rate 0 stops with one packet; the other
    // codes' streams are left as they were.
    void streaming() {
        ManualClockScope clock;
        Peer p;
        p.bench.SetStreamRate(5);
        QCOMPARE(p.request(0x01, Bytes({2, 0})).size(), 1);
        p.out.clear();
        Run(clock, p, 1000);
        QList<Reply> r = p.take();
        QCOMPARE(r.size(), 5);
        for (const Reply& x : r)
            QVERIFY(x.code == 0x01 && x.data.size() == 16 && x.checksumOk);

        QCOMPARE(p.request(0x44, Bytes({2, 0})).size(), 1);
        p.out.clear();
        Run(clock, p, 1000);
        r = p.take();
        QCOMPARE(std::count_if(r.begin(), r.end(), [](const Reply& x) { return x.code == 0x44; }), 5);
        QCOMPARE(std::count_if(r.begin(), r.end(), [](const Reply& x) { return x.code == 0x01; }), 5);

        const Reply stop = Only(p.request(0x01, Bytes({0, 0})));
        QCOMPARE(stop.code, uint8_t(0x01));
        QCOMPARE(stop.data.size(), 16);
        p.out.clear();
        Run(clock, p, 1000);
        r = p.take();
        QCOMPARE(r.size(), 5);
        QVERIFY(std::all_of(r.begin(), r.end(), [](const Reply& x) { return x.code == 0x44; }));
        QCOMPARE(p.bench.StreamingCodes(), std::vector<uint8_t>{0x44});

        QCOMPARE(p.request(0x44, Bytes({1, 0})).size(), 1);
        p.out.clear();
        Run(clock, p, 1000);
        QVERIFY(p.take().isEmpty());
        QVERIFY(p.bench.StreamingCodes().empty());
    }

    // Raw IR: packet numbers count up; four packets make one period of a waveform whose extremes are
    // the ADC minimum and maximum that $44 reports.
    // A stream keeps an exact rate at every setting up to 1000 packets per second: ticked when the
    // bench asks (as the simulator's timer does), its packets are evenly spread, one gap being the
    // period rounded down or up to a millisecond; ticked every 20 ms, the count is still exact.
    void streamRateIsExactAndEven_data() {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("seconds");
        QTest::newRow("0.1") << 0.1 << 30;
        QTest::newRow("3") << 3.0 << 3;
        QTest::newRow("7") << 7.0 << 3;
        QTest::newRow("60") << 60.0 << 2;
        QTest::newRow("333.3") << 333.3 << 10;
        QTest::newRow("500") << 500.0 << 2;
        QTest::newRow("999") << 999.0 << 2;
        QTest::newRow("1000") << 1000.0 << 2;
    }
    void streamRateIsExactAndEven() {
        QFETCH(double, rate);
        QFETCH(int, seconds);
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        p.bench.SetStreamRate(rate);
        QCOMPARE(p.request(0x01, Bytes({2, 0})).size(), 1);
        p.out.clear();
        const qint64 end = clock.clock.Milliseconds() + seconds * 1000;
        QList<qint64> times;
        for (;;) {
            const qint64 next = std::min(p.bench.NextDueMs(), clock.clock.Milliseconds() + 20);
            if (next > end) break;
            clock.clock.SetMilliseconds(next);
            p.bench.Tick();
            for (const Reply& r : p.take()) {
                QVERIFY(r.code == 0x01 && r.checksumOk);
                times << next;
            }
        }
        QCOMPARE(times.size(), qsizetype(std::llround(rate * seconds)));
        const double period = 1000.0 / rate;
        for (qsizetype i = 1; i < times.size(); ++i) {
            const qint64 gap = times.at(i) - times.at(i - 1);
            QVERIFY2(gap >= qint64(std::floor(period)) && gap <= qint64(std::ceil(period)),
                     qPrintable(QStringLiteral("gap %1 ms after packet %2").arg(gap).arg(i)));
        }

        Run(clock, p, seconds * 1000, 20);
        QCOMPARE(p.take().size(), qsizetype(std::llround(rate * seconds)));
        QCOMPARE(p.bench.StreamPacketsSkipped(), 0);
    }

    // After a stall of the event loop the packets due go out at once, up to a bounded burst; older
    // ones are skipped and the rate holds afterwards. A new rate takes over from the last packet.
    void streamAfterAStall() {
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        p.bench.SetStreamRate(1000);
        p.request(0x01, Bytes({2, 0}));
        p.out.clear();
        Run(clock, p, 5000, 5000);
        QCOMPARE(p.take().size(), qsizetype(SimBench::MaxStreamLagMs));
        QCOMPARE(p.bench.StreamPacketsSkipped(), 5000 - SimBench::MaxStreamLagMs);
        Run(clock, p, 1000, 20);
        QCOMPARE(p.take().size(), 1000);

        // At a low rate a stall still lets the last few packets out.
        p.bench.SetStreamRate(5);
        Run(clock, p, 10000, 10000);
        QCOMPARE(p.take().size(), qsizetype(SimBench::MinStreamBurst));
        Run(clock, p, 1000, 20);
        QCOMPARE(p.take().size(), 5);
        QCOMPARE(p.bench.NextDueMs(), clock.clock.Milliseconds() + 200);
    }

    void rawIrFrames() {
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        p.request(0x42, Bytes({2}));
        Run(clock, p, 1600, 10);
        const QList<Reply> r = SplitReplies(p.out);
        QVERIFY(r.size() >= 8);
        int first = 0;
        while (r.at(first).at(0) % SimBench::RawIrPhases != 0)
            ++first;
        QList<int> ref[2];
        for (int k = 0; k < 8; ++k) {
            const Reply& x = r.at(first + k);
            QCOMPARE(int(x.at(0)), (r.at(first).at(0) + k) % 256);
            for (int s = 0; s < SimBench::RawIrPoints; ++s)
                ref[k / 4] << x.s16(1 + 8 * s + 6);
        }
        QCOMPARE(ref[0].size(), 100);
        int maxDiff = 0;
        for (int i = 0; i < 100; ++i)
            maxDiff = std::max(maxDiff, std::abs(ref[0][i] - ref[1][i]));
        QVERIFY2(maxDiff < 300, qPrintable(QString::number(maxDiff))); // the same frame again
        const int hi = *std::max_element(ref[0].begin(), ref[0].end());
        const int lo = *std::min_element(ref[0].begin(), ref[0].end());
        const Reply eng = Only(p.request(0x44, Bytes({1, 0})));
        QVERIFY(std::abs(eng.s16(8 + 6) - hi) < 300);  // MaxAdc reference
        QVERIFY(std::abs(eng.s16(36 + 6) - lo) < 300); // MinAdc reference
        QVERIFY(hi - lo > 20000);
        // CO2 absorbs on its channel: more CO2, smaller CO2 signal, same reference.
        const uint32_t demodAir = eng.u32(20);
        p.bench.SetSampleGas({15.0, 0, 0, 0, 0});
        const Reply eng2 = Only(p.request(0x44, Bytes({1, 0})));
        QVERIFY(eng2.u32(20) < demodAir * 0.6);
        QVERIFY(std::abs(double(eng2.u32(32)) / eng.u32(32) - 1.0) < 0.01);
    }

    // Boot mode, erase, write, end, and a soft reset that leaves boot mode.
    void bootAndFlash() {
        ManualClockScope clock;
        Peer p;
        p.bench.SkipStartUp();
        p.request(0x01, Bytes({2, 0}));
        QCOMPARE(Only(p.request(0x25)).kind, SimAckKind);
        QVERIFY(p.bench.StreamingCodes().empty());
        QCOMPARE(Only(p.request(0x04)).at(0), SimNak::BootActive);
        QCOMPARE(Only(p.request(0x27, Bytes({0x01, 0x23, 0x40, 1, 2}))).at(0), SimNak::NotAllowed);
        QVERIFY(p.request(0x26).isEmpty()); // erasing
        Run(clock, p, SimBench::EraseMs + 100);
        QCOMPARE(Only(p.take()).code, uint8_t(0x26));
        const auto oldSum = p.bench.SoftwareChecksum();
        QCOMPARE(Only(p.request(0x27, Bytes({0x01, 0x23, 0x40, 1, 2}))).kind, SimAckKind);
        QCOMPARE(Only(p.request(0x27, Bytes({0x00, 0x20, 0x00, 0xAB}))).kind, SimAckKind);
        QCOMPARE(Only(p.request(0x28)).kind, SimAckKind);
        QCOMPARE(p.bench.ReadFlashImage(0x01233F, 4), Bytes({0xFF, 1, 2, 0xFF}));
        QCOMPARE(p.bench.ReadFlashImage(0x2000, 1), Bytes({0xAB}));
        QCOMPARE(p.bench.FlashBlocksWritten(), 2);
        QVERIFY(p.bench.SoftwareChecksum() != oldSum);
        // The written ranges merge where they touch or overlap; the dump holds exactly them.
        QCOMPARE(Only(p.request(0x27, Bytes({0x00, 0x20, 0x01, 0xCD, 0xEF}))).kind, SimAckKind);
        QCOMPARE(Only(p.request(0x27, Bytes({0x00, 0x20, 0x02, 0x11}))).kind, SimAckKind);
        const std::vector<SimBench::FlashSegment> written = p.bench.WrittenFlash();
        QCOMPARE(written.size(), size_t(2));
        QCOMPARE(written[0].Address, 0x2000u);
        QCOMPARE(written[0].Bytes, Bytes({0xAB, 0xCD, 0x11}));
        QCOMPARE(written[1].Address, 0x012340u);
        QCOMPARE(written[1].Bytes, Bytes({1, 2}));
        QCOMPARE(p.bench.WrittenFlashSRecords(),
                 QByteArray("S30800002000ABCD114E\nS30700012340010291\nS70500000000FA\n"));

        QCOMPARE(Only(p.request(0xF0)).kind, SimAckKind);
        QVERIFY(p.bench.Restarting());
        QVERIFY(p.request(0x04).isEmpty()); // deaf while it restarts
        Run(clock, p, SimBench::RestartMs + 100);
        QVERIFY(!p.bench.InBootMode());
        QCOMPARE(p.bench.OperationMode(), SimBench::ModeStartUp);
        QCOMPARE(Only(p.request(0x04)).kind, SimAckKind);
        QCOMPARE(p.bench.ReadFlashImage(0x2000, 1), Bytes({0xAB}));
    }

    void faultInjection() {
        ManualClockScope clock;
        Peer p;
        // Refuse one code, then every code.
        p.bench.RefuseCode(0x04, 0x03);
        QCOMPARE(Only(p.request(0x04)).at(0), uint8_t(0x03));
        QCOMPARE(Only(p.request(0x05)).kind, SimAckKind);
        p.bench.RefuseCode(-1, 0x00);
        QCOMPARE(Only(p.request(0x05)).kind, SimNakKind);
        QCOMPARE(Only(p.request(0x04)).at(0), uint8_t(0x03));
        p.bench.ClearFaults();

        // Silence one code: no reply, but the request is acted upon; then silence everything.
        p.bench.SilenceCode(0x07);
        QVERIFY(p.request(0x07, Bytes({0})).isEmpty());
        QCOMPARE(p.bench.PumpState(), uint8_t(0));
        QCOMPARE(p.request(0x04).size(), 1);
        p.bench.SilenceCode(-1);
        QVERIFY(p.request(0x04).isEmpty());
        QCOMPARE(p.bench.RepliesDropped(), 2);
        p.bench.ClearFaults();

        // Corrupt the checksum of the next two replies.
        p.bench.CorruptNextReplies(2);
        QVERIFY(!Only(p.request(0x04)).checksumOk);
        QVERIFY(!Only(p.request(0x04)).checksumOk);
        QVERIFY(Only(p.request(0x04)).checksumOk);

        // Given noise bytes before the next reply only.
        p.bench.InjectNoise(Bytes({0x06, 0x99}), 1);
        p.request(0x18);
        QCOMPARE(p.out.left(2), Bytes({0x06, 0x99}));
        QCOMPARE(SplitReplies(p.out.mid(2)).first().code, uint8_t(0x18));
        QCOMPARE(p.request(0x18).size(), 1);
        QCOMPARE(p.out.size(), 8);

        // Random noise never holds a kind byte, so the reply behind it is found intact.
        p.bench.InjectRandomNoise(64, 3);
        for (int i = 0; i < 3; ++i) {
            int noise = 0;
            p.request(0x04);
            const QList<Reply> r = SplitReplies(p.out, &noise);
            QCOMPARE(noise, 64);
            QVERIFY(Only(r).checksumOk);
        }
        QCOMPARE(p.request(0x04).size(), 1);
        QCOMPARE(p.out.size(), 38);

        // Short replies: length byte and checksum agree with the shortened data.
        p.bench.ShortenNextReplies(1, 6);
        Reply r = Only(p.request(0x01, Bytes({1, 0})));
        QCOMPARE(r.data.size(), 10);
        QVERIFY(r.checksumOk);

        // Delayed replies leave from Tick() once their time has come, in order.
        p.bench.SetReplyDelayMs(300);
        p.out.clear();
        p.bench.Receive(Frame(0x04) + Frame(0x18));
        QVERIFY(p.out.isEmpty());
        Run(clock, p, 250);
        QVERIFY(p.out.isEmpty());
        Run(clock, p, 100);
        const QList<Reply> both = p.take();
        QCOMPARE(both.size(), 2);
        QCOMPARE(both.at(0).code, uint8_t(0x04));
        QCOMPARE(both.at(1).code, uint8_t(0x18));

        // A forced status bit shows in every report.
        p.bench.ClearFaults();
        p.bench.SetForcedStatusBits(0, 0xC0);
        QCOMPARE(Only(p.request(0x01, Bytes({1, 0}))).at(0) & 0xC0, 0xC0);
        QCOMPARE(p.bench.OperationMode(), SimBench::ModeFault);
    }

    // Noise of any byte value holds kind bytes too, and the reply after it is intact; the bytes
    // depend on the seed only, not on what the bench did before (the model's own draws).
    void anyByteNoiseIsSeeded() {
        ManualClockScope clock;
        auto noiseBefore = [&](uint32_t seed, bool busyFirst) {
            SimBench b(0, seed);
            QByteArray out;
            b.SetWriter([&out](const QByteArray& bytes) { out += bytes; });
            b.SkipStartUp();
            if (busyFirst) {
                b.Receive(Frame(0x01, Bytes({2, 0})));
                for (int i = 0; i < 20; ++i) {
                    clock.clock.Advance(100);
                    b.Tick();
                }
                b.Receive(Frame(0x01, Bytes({0, 0})));
            }
            out.clear();
            b.InjectRandomNoise(2000, 1, SimNoiseBytes::AnyByte);
            b.Receive(Frame(0x04));
            if (out.size() != 2000 + 38) return QByteArray();
            const QList<Reply> r = SplitReplies(out.right(38));
            if (r.size() != 1 || r.first().code != 0x04 || !r.first().checksumOk) return QByteArray();
            return out.left(2000);
        };
        const QByteArray noise = noiseBefore(42, false);
        QCOMPARE(noise.size(), 2000);
        QVERIFY(noise.contains(char(SimAckKind)));
        QVERIFY(noise.contains(char(SimNakKind)));
        QCOMPARE(noiseBefore(42, true), noise);
        QVERIFY(noiseBefore(43, false) != noise);
    }
};

QTEST_GUILESS_MAIN(TestSimProtocol)
#include "test_sim_protocol.moc"
