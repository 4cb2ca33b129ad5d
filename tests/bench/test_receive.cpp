// Receive framing, dispatch of acknowledged, refused and unexpected replies, and the time-out scan.
#include "bench.h"
#include "clock.h"
#include "memory_comport.h"
#include "recording_host.h"
#include "reply_packet.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

namespace {
QByteArray wireOf(const TRxPacket& p) {
    QByteArray data(reinterpret_cast<const char*>(p.Data), p.Length);
    return replyPacket(p.Kind, p.Code, data);
}

bool isKind(char b) {
    return uint8_t(b) == 0x06 || uint8_t(b) == 0x15;
}

// One frame found in a byte stream: where it starts and its bytes.
struct Frame {
    qsizetype at;
    QByteArray bytes;
};

// The frames a receiver must deliver from a whole stream: at each kind byte a frame is taken when it
// is complete and its bytes sum to 0 modulo 256, and the search goes on after it; otherwise the search
// goes on at the next byte. A frame still incomplete at the end of the stream is not delivered.
QList<Frame> framesOf(const QByteArray& s) {
    QList<Frame> frames;
    qsizetype p = 0;
    while (p < s.size()) {
        if (isKind(s[p]) && p + 2 < s.size()) {
            const qsizetype end = p + 4 + uint8_t(s[p + 2]);
            if (end > s.size()) break;
            int sum = 0;
            for (qsizetype i = p; i < end; ++i)
                sum += uint8_t(s[i]);
            if (sum % 256 == 0) {
                frames.append({p, s.mid(p, end - p)});
                p = end;
                continue;
            }
        }
        ++p;
    }
    return frames;
}

// A host whose "untick every bench" can close ports, as the main window's does.
struct ReceiveHost : RecordingHost {
    std::function<void()> onUntickAll;
    void UntickAllBenches() override {
        RecordingHost::UntickAllBenches();
        if (onUntickAll) onUntickAll();
    }
};
} // namespace

class TestReceive : public QObject {
    Q_OBJECT

    std::unique_ptr<ManualClockScope> clock;
    std::unique_ptr<ReceiveHost> host;
    std::unique_ptr<std::array<MemoryComPort, 4>> ports;
    std::unique_ptr<TBenchSet> benches;

    TBench& bench(int i = 0) { return (*benches)[i]; }
    MemoryComPort& port(int i = 0) { return (*ports)[i]; }

    void feed(const QByteArray& bytes, int i = 0) {
        port(i).Inject(bytes, false);
        bench(i).DrainPort();
    }

private slots:
    void init() {
        MemoryComPort::ResetDevices();
        clock = std::make_unique<ManualClockScope>();
        clock->clock.SetMilliseconds(55 * 100'000);
        host = std::make_unique<ReceiveHost>();
        ports = std::make_unique<std::array<MemoryComPort, 4>>();
        benches = std::make_unique<TBenchSet>();
        for (int i = 0; i < 4; ++i) {
            port(i).SetComNumber(i + 1);
            QVERIFY(port(i).SetOpen(true));
            bench(i).Init(&port(i), host.get(), i);
        }
    }

    void cleanup() {
        benches.reset();
        ports.reset();
        host.reset();
        clock.reset();
    }

    void ackWithoutDataPassesTheChecksum() {
        bench().Commands[0x04].Awaiting = true;
        bench().Commands[0x04].ReportPending = true;
        feed(hexBytes("06 04 00 F6"));
        QVERIFY2(bench().AckText.startsWith(QStringLiteral("System ID  ACK")), qPrintable(bench().AckText));
        QVERIFY(!bench().Commands[0x04].Awaiting);
        QVERIFY(!bench().Commands[0x04].ReportPending);
        QCOMPARE(host->count(QStringLiteral("ShowAckLines")), 1);
        // A code whose reply carries no data is plainly acknowledged.
        bench().Commands[0x0A].Awaiting = true;
        bench().Commands[0x0A].ReportPending = true;
        feed(hexBytes("06 0A 00 F0"));
        QCOMPARE(bench().AckText, QStringLiteral("New NO Sensor  ACK"));
        QCOMPARE(bench().AckError, 0);
    }

    // Whatever the split of the byte stream over calls, the same packets come out whole. The stream holds
    // kind bytes (06, 15) inside data, which must not restart framing, and noise between packets.
    void packetSplitAtEveryPoint() {
        const QByteArray stream =
            hexBytes("33") +
            replyPacket(0x06, 0x01, hexBytes("06 15 06 00 FF 38 00 00 00 01 86 A0 08 34 00 05")) +
            hexBytes("00 44") + replyPacket(0x15, 0x49, hexBytes("46")) +
            replyPacket(0x06, 0x12, hexBytes("15 06 00 00 00 07"));
        host->firmwareInProgress = true; // the firmware screen receives every packet whole
        for (int cut = 0; cut <= stream.size(); ++cut) {
            for (int c : {0x01, 0x49, 0x12})
                bench().Commands[c].Awaiting = true;
            host->packets.clear();
            feed(stream.left(cut));
            feed(stream.mid(cut));
            QCOMPARE(host->packets.size(), 3);
            QCOMPARE(host->packets[0].Code, uint8_t{0x01});
            QCOMPARE(wireOf(host->packets[0]), stream.mid(1, 20));
            QCOMPARE(host->packets[1].Kind, uint8_t{0x15});
            QCOMPARE(host->packets[1].Data[0], uint8_t{0x46});
            QCOMPARE(wireOf(host->packets[2]), stream.right(10));
        }
        // And byte by byte.
        for (int c : {0x01, 0x49, 0x12})
            bench().Commands[c].Awaiting = true;
        host->packets.clear();
        for (char b : stream)
            feed(QByteArray(1, b));
        QCOMPARE(host->packets.size(), 3);
    }

    // After a checksum failure the bytes after the failed kind byte are scanned again, so a packet that
    // was hidden in the failed one's data is found.
    void resyncAfterChecksumFailure() {
        bench().Commands[0x0A].Awaiting = true;
        bench().Commands[0x01].Awaiting = true;
        feed(hexBytes("06 01 04 06 0A 00 F0 77"));
        QCOMPARE(bench().AckText, QStringLiteral("New NO Sensor  ACK"));
        QVERIFY(bench().Commands[0x01].Awaiting);
    }

    // The rescan after a checksum failure starts right after the failed kind byte even when that byte
    // came in an earlier read. Here 06 06 0A ... is a false frame of ten data bytes whose checksum
    // fails; the reply 06 0A 00 F0 starts at its second byte, and the rest holds no kind byte.
    void resyncAcrossReads() {
        const QByteArray stream = hexBytes("06 06 0A 00 F0 11 22 33 44 55 66 77 88 99 AA BB");
        host->firmwareInProgress = true;
        auto check = [&](const QList<QByteArray>& reads) {
            host->packets.clear();
            bench().Commands[0x0A].Awaiting = true;
            for (const QByteArray& r : reads)
                feed(r);
            QCOMPARE(host->packets.size(), 1);
            QCOMPARE(wireOf(host->packets[0]), hexBytes("06 0A 00 F0"));
            QCOMPARE(bench().RxState, uint8_t{0});
        };
        for (int cut = 0; cut <= stream.size(); ++cut)
            for (int second = cut; second <= stream.size() && !QTest::currentTestFailed(); ++second)
                check({stream.left(cut), stream.mid(cut, second - cut), stream.mid(second)});
        QList<QByteArray> bytes;
        for (char b : stream)
            bytes.append(QByteArray(1, b));
        check(bytes);
    }

    // Noise of any byte values before each reply, the stream cut into random reads: the receiver
    // delivers exactly the frames of the whole stream, so every reply arrives unless a false frame
    // that passes the checksum begins in the noise before it and reaches into it.
    void noiseWithKindBytesLosesOnlyOverlappedReplies() {
        host->firmwareInProgress = true; // every dispatched packet reaches the recording host whole
        for (TCommand& cmd : bench().Commands)
            cmd.Streaming = true;
        int replies = 0, overlapped = 0;
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator rng(seed);
            QByteArray stream;
            QList<Frame> sent;
            for (int k = 0; k < 25; ++k) {
                // Short or long noise, a quarter of it kind bytes, so that false frames are common.
                const int noise = int(rng.bounded(k % 5 == 0 ? 300 : 24));
                for (int i = 0; i < noise; ++i)
                    stream.append(rng.bounded(4) == 0 ? char(rng.bounded(2) ? 0x06 : 0x15)
                                                      : char(rng.bounded(256)));
                QByteArray data(int(rng.bounded(k % 7 == 0 ? 256 : 40)), '\0');
                for (char& b : data)
                    b = char(rng.bounded(256));
                const QByteArray reply =
                    replyPacket(rng.bounded(2) ? 0x06 : 0x15, uint8_t(rng.bounded(256)), data);
                sent.append({stream.size(), reply});
                stream += reply;
            }
            // Bytes without a kind byte complete every false frame still open at the end.
            stream += QByteArray(260, '\0');

            host->packets.clear();
            for (qsizetype pos = 0; pos < stream.size();) {
                const qsizetype n = 1 + rng.bounded(rng.bounded(8) == 0 ? 400 : 40);
                feed(stream.mid(pos, n));
                pos += n;
            }
            const QList<Frame> expected = framesOf(stream);
            QCOMPARE(host->packets.size(), expected.size());
            for (int i = 0; i < expected.size(); ++i)
                QCOMPARE(wireOf(host->packets[i]), expected[i].bytes);

            for (const Frame& reply : sent) {
                ++replies;
                const bool delivered = std::any_of(expected.begin(), expected.end(), [&](const Frame& f) {
                    return f.at == reply.at && f.bytes == reply.bytes;
                });
                const bool covered = std::any_of(expected.begin(), expected.end(), [&](const Frame& f) {
                    return f.at < reply.at && f.at + f.bytes.size() > reply.at;
                });
                QVERIFY2(delivered != covered,
                         qPrintable(QStringLiteral("seed %1 at %2").arg(seed).arg(reply.at)));
                overlapped += covered ? 1 : 0;
            }
        }
        // A false frame passes the checksum once in 256 tries: overlaps stay rare.
        QVERIFY2(overlapped * 10 < replies,
                 qPrintable(QStringLiteral("%1 of %2").arg(overlapped).arg(replies)));
    }

    // A Soft Reset found by the rescan of bytes from an earlier read closes the port: nothing after it
    // is dispatched.
    void portClosedByARescannedReply() {
        host->onUntickAll = [this] { port().SetOpen(false); };
        bench().Commands[0xF0].Awaiting = true;
        bench().Commands[0x0A].Awaiting = true;
        // A refusal of "code" 06 with "length" F0 hides the Soft Reset ACK 06 F0 00 0A; its checksum fails.
        QByteArray falseFrame =
            replyPacket(0x15, 0x06, hexBytes("00 0A 06 0A 00 F0") + QByteArray(234, '\0'));
        falseFrame.back() = char(falseFrame.back() ^ 1);
        feed(falseFrame.left(2));
        feed(falseFrame.mid(2));
        QCOMPARE(bench().AckText, QStringLiteral("Soft Reset  ACK"));
        QVERIFY(!port().Open());
        QVERIFY(bench().Commands[0x0A].Awaiting);
        QCOMPARE(bench().RxState, uint8_t{0});
    }

    void lineErrorDropsTheBlockAndResets() {
        bench().Commands[0x0A].Awaiting = true;
        feed(hexBytes("06 0A")); // a packet begins...
        port().Inject(hexBytes("00 F0"), false);
        port().InjectLineError();
        bench().DrainPort(); // ...and its end arrives with a line error
        QCOMPARE(bench().RxState, uint8_t{0});
        QVERIFY(bench().AckText.isEmpty());
        QVERIFY(host->calls.isEmpty());
        feed(hexBytes("06 0A 00 F0"));
        QCOMPARE(bench().AckText, QStringLiteral("New NO Sensor  ACK"));
    }

    void unexpectedReplyIsShownAndNotDecoded() {
        feed(replyPacket(0x06, 0x47, hexBytes("01 02")));
        QCOMPARE(bench().AckText, QStringLiteral("47 ?"));
        QCOMPARE(bench().AckError, 1);
        QCOMPARE(host->calls, QStringList{QStringLiteral("ShowAckLines")});
        host->consoleCommand = 0x07;
        feed(replyPacket(0x06, 0x07, hexBytes("01")));
        QCOMPARE(bench().AckText, QStringLiteral("07 ?"));
        QVERIFY(host->calls.contains(QStringLiteral("ShowAckNak 0")));
    }

    void nakTexts_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        const QString name = QStringLiteral("Read Flash Parameters  NAK ");
        QTest::newRow("00") << hexBytes("00") << name + " : System Fault";
        QTest::newRow("01") << hexBytes("01") << name + " : Illegal data value";
        QTest::newRow("02") << hexBytes("02") << name + " : Not Allowed at this time";
        QTest::newRow("03") << hexBytes("03") << name + " : Sample Delivery Problem";
        QTest::newRow("44") << hexBytes("44") << name + " : Boot program active";
        QTest::newRow("45") << hexBytes("45") << name + " : Invalid Password";
        QTest::newRow("46") << hexBytes("46 99") << name + " : Invalid Parameter Number";
        QTest::newRow("47") << hexBytes("47") << name + " : Invalid Parameter Index";
        QTest::newRow("48") << hexBytes("48") << name + " : Invalid Number of Parameters";
        QTest::newRow("49") << hexBytes("49") << name + " : Too Many Zeroes";
        QTest::newRow("4A") << hexBytes("4A") << name + " : Small Source DeltaT";
        QTest::newRow("4B unknown") << hexBytes("4B") << name + " : Unknown response 4B";
        QTest::newRow("FF unknown") << hexBytes("FF") << name + " : Unknown response FF";
        QTest::newRow("no error code") << QByteArray() << name + " : No error code";
    }

    void nakTexts() {
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        // An earlier packet leaves bytes behind; a refusal without an error byte must not pick them up.
        bench().Commands[0x12].Awaiting = true;
        feed(replyPacket(0x06, 0x12, hexBytes("01 02 03 04 05 06")));
        bench().Commands[0x49].Awaiting = true;
        bench().Commands[0x49].ReportPending = true;
        host->consoleCommand = 0x49;
        host->calls.clear();
        feed(replyPacket(0x15, 0x49, data));
        QCOMPARE(bench().AckText, text);
        QCOMPARE(bench().AckError, 1);
        QVERIFY(!bench().Commands[0x49].ReportPending);
        QCOMPARE(host->calls, (QStringList{QStringLiteral("ShowAckLines"), QStringLiteral("ShowAckNak 0")}));
    }

    void staleDataNeverReachesAReceiver() {
        host->firmwareInProgress = true;
        bench().Commands[0x44].Awaiting = true;
        feed(replyPacket(0x06, 0x44, QByteArray(86, '\x5A')));
        bench().Commands[0x44].Awaiting = true;
        feed(replyPacket(0x06, 0x44, hexBytes("01 02")));
        QCOMPARE(host->packets.size(), 2);
        const TRxPacket& p = host->packets.last();
        QCOMPARE(p.Length, uint8_t{2});
        for (int i = 2; i < 257; ++i)
            QCOMPARE(p.Data[i], uint8_t{0});
    }

    void twoBenchesKeepSeparateAckTexts() {
        bench(0).Commands[0x0A].Awaiting = true;
        bench(1).Commands[0x0A].Awaiting = true;
        feed(replyPacket(0x06, 0x0A, QByteArray()), 0);
        feed(replyPacket(0x15, 0x0A, hexBytes("02")), 1);
        QCOMPARE(bench(0).AckText, QStringLiteral("New NO Sensor  ACK"));
        QCOMPARE(bench(0).AckError, 0);
        QCOMPARE(bench(1).AckText, QStringLiteral("New NO Sensor  NAK  : Not Allowed at this time"));
        QCOMPARE(bench(1).AckError, 1);
        QVERIFY(bench(2).AckText.isEmpty());
    }

    // Blocks of at most 256 bytes are read until the input buffer is empty.
    void longInputIsReadInBlocks() {
        host->firmwareInProgress = true;
        QByteArray stream;
        for (int i = 0; i < 4; ++i)
            stream += replyPacket(0x06, 0x44, QByteArray(86, static_cast<char>(i)));
        port().Inject(stream, false);
        bench().Commands[0x44].Streaming = true;
        bench().ReceiveBytes(port().GetInBuffUsed());
        QCOMPARE(port().GetInBuffUsed(), static_cast<int>(stream.size()) - 256);
        bench().DrainPort();
        QCOMPARE(port().GetInBuffUsed(), 0);
        QCOMPARE(host->packets.size(), 4);
        QCOMPARE(host->packets[3].Data[85], uint8_t{3});
    }

    // A streaming code is accepted without a request; once its first reply was reported, further ones
    // only update the text silently.
    void streamedRepliesUpdateSilently() {
        TCommand& cmd = bench().Commands[0x44];
        cmd.Streaming = true;
        cmd.ReportPending = true;
        bench().AckError = 1;
        feed(replyPacket(0x06, 0x44, QByteArray(86, 0)));
        QCOMPARE(host->count(QStringLiteral("ShowAckLines")), 1);
        QCOMPARE(bench().AckError, 0);
        bench().AckText = QStringLiteral("something else");
        feed(replyPacket(0x06, 0x44, QByteArray(86, 0)));
        QCOMPARE(bench().AckText, QStringLiteral("Engineering Data  ACK"));
        QCOMPARE(host->count(QStringLiteral("ShowAckLines")), 1);
    }

    void repliesAreIgnoredWhileClosing() {
        host->closing = true;
        bench().Commands[0x04].Awaiting = true;
        feed(hexBytes("06 04 00 F6"));
        QVERIFY(bench().AckText.isEmpty());
        QVERIFY(bench().Commands[0x04].Awaiting);
    }

    // During a firmware download every awaited reply goes whole to the download screen and nowhere else.
    void firmwareDownloadTakesEveryReply() {
        host->firmwareInProgress = true;
        bench().Commands[0x27].Awaiting = true;
        bench().Commands[0x28].Awaiting = true;
        feed(replyPacket(0x06, 0x27, QByteArray()) + replyPacket(0x15, 0x28, hexBytes("44")));
        QCOMPARE(host->calls,
                 (QStringList{QStringLiteral("FirmwareReply 0"), QStringLiteral("FirmwareReply 0")}));
        QVERIFY(bench().AckText.isEmpty());
        QVERIFY(!bench().Commands[0x27].Awaiting);
    }

    void parameterRepliesReachTheTransferScreens() {
        // Refused write with the calibration load active: it is told of the refusal and gets the packet.
        host->calLoadVisible = true;
        host->calLoadState = 2;
        bench().Commands[0x48].Awaiting = true;
        feed(replyPacket(0x15, 0x48, hexBytes("46")));
        QVERIFY(host->calls.contains(QStringLiteral("CalLoadSetRefused")));
        QVERIFY(host->calls.contains(QStringLiteral("CalLoadStopTimer")));
        QVERIFY(host->calls.contains(QStringLiteral("CalLoadReply 0")));
        // Calibration load idle: the parameter transfer screen gets the refusal code.
        host->calLoadState = 0;
        host->paramTransferVisible = true;
        host->paramTransferState = 1;
        host->calls.clear();
        bench().Commands[0x55].Awaiting = true;
        feed(replyPacket(0x15, 0x55, hexBytes("47")));
        QVERIFY(host->calls.contains(QStringLiteral("ParamTransferNak 0 55 71")));
        // An acknowledged read goes to it whole; an acknowledged load does not.
        host->calls.clear();
        bench().Commands[0x49].Awaiting = true;
        bench().Commands[0x55].Awaiting = true;
        feed(replyPacket(0x06, 0x49, hexBytes("31 2E 35")) + replyPacket(0x06, 0x55, QByteArray()));
        QCOMPARE(host->count(QStringLiteral("ParamTransferReply 0")), 1);
        QCOMPARE(host->packets.last().Code, uint8_t{0x49});
        // A hidden screen gets nothing.
        host->paramTransferVisible = false;
        host->calls.clear();
        bench().Commands[0x49].Awaiting = true;
        feed(replyPacket(0x06, 0x49, hexBytes("31")));
        QCOMPARE(host->count(QStringLiteral("ParamTransferReply 0")), 0);
    }

    // The time-out is reported on the first scan once more than 36 ticks have passed, and not before.
    void timeoutAfter36Ticks() {
        TCommand& cmd = bench().Commands[0x04];
        cmd.Begin(0x04);
        cmd.Send(port());
        clock->clock.Advance(36 * 55);
        QVERIFY(benches->CheckTimeouts());
        QVERIFY(bench().AckText.isEmpty());
        QVERIFY(cmd.Awaiting);
        clock->clock.Advance(55);
        host->consoleCommand = 0x04;
        QVERIFY(benches->CheckTimeouts());
        QCOMPARE(bench().AckText, QStringLiteral("System ID  Timeout"));
        QCOMPARE(bench().AckError, 1);
        QVERIFY(!cmd.Awaiting);
        QCOMPARE(host->calls, (QStringList{QStringLiteral("ShowAckLines"), QStringLiteral("ShowAckNak 0")}));
        host->calls.clear();
        clock->clock.Advance(1000);
        QVERIFY(benches->CheckTimeouts());
        QVERIFY(host->calls.isEmpty()); // reported once
    }

    void timeoutScanSkipsInactiveBenchesAndCode255() {
        for (int c : {0x04, 0xFF})
            bench(1).Commands[c].Awaiting = true;
        host->boxActive[1] = false;
        clock->clock.Advance(5000);
        benches->CheckTimeouts();
        QVERIFY(bench(1).AckText.isEmpty());
        host->boxActive[1] = true;
        benches->CheckTimeouts();
        QCOMPARE(bench(1).AckText, QStringLiteral("System ID  Timeout"));
        QVERIFY(bench(1).Commands[0xFF].Awaiting);
    }

    void timeoutScanSkippedForFirmwareScreenAndShutdown() {
        bench().Commands[0x04].Awaiting = true;
        clock->clock.Advance(5000);
        host->firmwareVisible = true;
        QVERIFY(!benches->CheckTimeouts());
        host->firmwareVisible = false;
        host->closing = true;
        QVERIFY(!benches->CheckTimeouts());
        QVERIFY(bench().AckText.isEmpty());
    }

    // An overdue Soft Reset ends the scan while the allowance lasts, hiding other time-outs too.
    void softResetAllowance() {
        bench(0).Commands[0xF0].Awaiting = true;
        bench(1).Commands[0x04].Awaiting = true;
        benches->SoftResetGrace = 10;
        clock->clock.Advance(5000);
        for (int tick = 0; tick < 10; ++tick)
            QVERIFY(!benches->CheckTimeouts());
        QVERIFY(bench(0).AckText.isEmpty());
        QVERIFY(bench(1).AckText.isEmpty());
        QVERIFY(benches->CheckTimeouts());
        QCOMPARE(bench(0).AckText, QStringLiteral("Soft Reset  Timeout"));
        QCOMPARE(bench(1).AckText, QStringLiteral("System ID  Timeout"));
        QCOMPARE(benches->SoftResetGrace, 0);
    }

    void parameterTimeoutGoesToTheTransferScreen() {
        host->paramTransferState = 3;
        bench(2).Commands[0x49].Awaiting = true;
        clock->clock.Advance(5000);
        QVERIFY(benches->CheckTimeouts());
        QVERIFY(host->calls.contains(QStringLiteral("ParamTransferTimeout 2 49")));
        QCOMPARE(bench(2).AckText, QStringLiteral("Read Flash Parameters  Timeout"));
    }
};

QTEST_GUILESS_MAIN(TestReceive)
#include "test_receive.moc"
