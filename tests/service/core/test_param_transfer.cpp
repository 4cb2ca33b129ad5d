// Parameter upload and download with a scripted bench: the file a bench's parameters make, the files a
// download accepts and refuses, read-back and its ten rewrites, skips, repeats, the end of each bench,
// Cancel, and the trace.
#include "clock.h"
#include "param_transfer.h"
#include "test_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <map>

namespace {

struct Request {
    uint8_t code = 0;
    int bench = 0;
    int number = 0;
    QByteArray value;
};

// The program around the transfer: it records every request and answers it through `bench`.
struct Program : IParamTransferOutput {
    TParamTransfer transfer{*this};
    std::deque<Request> pending;
    QList<Request> sent;
    bool timer = false;
    QStringList states, params;
    bool startEnabled = true;
    QList<bool> confirms;
    QStringList confirmed;
    // What the bench does with a request: reply (ACK, $49 with `value`), refuse with an error code, or
    // stay silent. Default: a bench that keeps what it is written and reads back "V<number>" otherwise.
    enum class Answer { Ack, Refuse, Silent };
    std::function<Answer(const Request&, QByteArray* value, uint8_t* error)> bench;
    std::map<int, QByteArray> memory;

    Program() {
        bench = [this](const Request& r, QByteArray* value, uint8_t*) {
            if (r.code == 0x48) memory[r.number] = r.value;
            if (r.code == 0x49)
                *value = memory.count(r.number) ? memory[r.number] : "V" + QByteArray::number(r.number);
            return Answer::Ack;
        };
    }
    void LoadParameter(int b, uint16_t n) override { queue({0x55, b, n, {}}); }
    void ReadParameter(int b, uint16_t n) override { queue({0x49, b, n, {}}); }
    bool WriteParameter(int b, uint16_t n, const QByteArray& v) override {
        queue({0x48, b, n, v});
        return true;
    }
    void StoreParameter(int b, uint16_t n) override { queue({0x54, b, n, {}}); }
    void StartTimer(int) override { timer = true; }
    void StopTimer() override { timer = false; }
    void ShowState(const QString& t) override { states << t; }
    void ShowParam(const QString& t) override { params << t; }
    void SetStartEnabled(bool e) override { startEnabled = e; }
    bool ConfirmOverwrite(const QString& path) override {
        confirmed << path;
        return confirms.isEmpty() ? false : confirms.takeFirst();
    }
    QString ParameterName(int n) const override {
        return n <= 400 ? QStringLiteral("Name%1").arg(n) : QString();
    }

    void queue(const Request& r) {
        sent << r;
        pending.push_back(r);
    }
    // Answers requests and fires the timer until the run rests.
    void drive(int limit = 100000) {
        while (limit-- > 0) {
            if (!pending.empty()) {
                const Request r = pending.front();
                pending.pop_front();
                QByteArray value;
                uint8_t error = 0;
                switch (bench(r, &value, &error)) {
                case Answer::Ack:
                    // A load's acknowledgement goes to the parameter screen, which reads the value
                    // back; that read's reply is the one handed to the transfer.
                    if (r.code == 0x55) {
                        ReadParameter(r.bench, uint16_t(r.number));
                        continue;
                    }
                    transfer.Reply(r.bench, packet(r.code, value));
                    break;
                case Answer::Refuse:
                    transfer.Refused(r.bench, r.code, error);
                    break;
                case Answer::Silent:
                    transfer.TimedOut(r.bench, r.code);
                    break;
                }
            } else if (timer) {
                timer = false;
                transfer.Tick();
            } else {
                return;
            }
        }
    }
    static TRxPacket packet(uint8_t code, const QByteArray& data) {
        TRxPacket p;
        p.Kind = KindAck;
        p.Code = code;
        p.Length = uint8_t(data.size());
        std::copy(data.begin(), data.end(), p.Data);
        return p;
    }
    QList<int> numbers(uint8_t code) const {
        QList<int> out;
        for (const Request& r : sent)
            if (r.code == code) out << r.number;
        return out;
    }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestParamTransfer : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ManualClockScope clock;

    QString path(const QString& name) const { return dir.filePath(name); }
    void prepare(Program& p) {
        p.transfer.TracePath = path(QStringLiteral("tryfile.txt"));
        QFile::remove(p.transfer.TracePath);
    }
    QString writeFile(const QString& name, const QByteArray& text) { return WriteTestFile(path(name), text); }

private slots:
    // ---- the download file ----
    void readerAccepts() {
        const TTransferRead r =
            ParseTransferText("// 1 Serial \r\n  X1 \r\n\r\n\n  \t \n// 152 DetTempPoints\n"
                              "1.5, 2.5,\t3.5\n// 7\n\n",
                              "set.CAL");
        QVERIFY2(r.Ok(), qPrintable(r.Error.Text()));
        QCOMPARE(r.Entries.size(), size_t(3));
        QCOMPARE(r.Entries[0].Number, 1);
        QCOMPARE(r.Entries[0].Value, QByteArray("X1"));
        QCOMPARE(r.Entries[1].Number, 152);
        QCOMPARE(r.Entries[1].Name, QStringLiteral("DetTempPoints"));
        QCOMPARE(r.Entries[1].Value, QByteArray("1.5,2.5,3.5"));
        QCOMPARE(r.Entries[2].Line, 8);
        QCOMPARE(r.Entries[2].Value, QByteArray());
    }

    void readerRefuses_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<int>("line");
        QTest::newRow("no //") << QByteArray("// 1 A\n1\n/ 2 B\n2\n") << " Start != //  " << 3;
        QTest::newRow("number not an integer") << QByteArray("// 1x A\n1\n") << " Error ParamNo " << 1;
        QTest::newRow("number beyond 16 bits") << QByteArray("// 65536 A\n1\n") << " Error ParamNo " << 1;
        QTest::newRow("negative number") << QByteArray("// -1 A\n1\n") << " Error ParamNo " << 1;
        QTest::newRow("no value line") << QByteArray("// 1 A\n1\n// 2 B\n") << " No Param data " << 3;
        QTest::newRow("value too long")
            << QByteArray("// 1 A\n" + QByteArray(252, '1') + "\n") << " Param data too long " << 2;
    }
    void readerRefuses() {
        QFETCH(QByteArray, text);
        QFETCH(QString, errorText);
        QFETCH(int, line);
        const TTransferRead r = ParseTransferText(text, "set.CAL");
        QCOMPARE(r.ErrorText, errorText);
        QCOMPARE(r.Error.Line, line);
        QVERIFY(r.Entries.empty());
        QVERIFY(r.Error.Text().startsWith(QStringLiteral("set.CAL, line %1: ").arg(line)));
    }

    // ---- upload ----
    // Parameters the bench refuses to load with code 2 or 4 are left out; others are written as pairs.
    void uploadSkipsRefusedLoads() {
        Program p;
        prepare(p);
        p.memory[1] = "1.5,2.5";
        p.bench = [&p](const Request& r, QByteArray* value, uint8_t* error) {
            if (r.code == 0x55 && (r.number == 2 || r.number == 4)) {
                *error = uint8_t(r.number); // refusal codes 2 and 4
                return Program::Answer::Refuse;
            }
            if (r.code == 0x49)
                *value = p.memory.count(r.number) ? p.memory[r.number] : "V" + QByteArray::number(r.number);
            return Program::Answer::Ack;
        };
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = path(QStringLiteral("up.CAL"));
        QString last = QStringLiteral("5");
        p.transfer.Start(TParamTransfer::Mode::Upload, &last);
        QVERIFY(!p.startEnabled);
        p.drive();
        QCOMPARE(p.numbers(0x55), QList<int>({0, 1, 2, 3, 4, 5}));
        QCOMPARE(readAll(p.transfer.ParamFilePath[0]),
                 QByteArray("// 0 Name0 \r\n  V0 \r\n// 1 Name1 \r\n  1.5,\t2.5 \r\n// 3 Name3 \r\n  V3 \r\n"
                            "// 5 Name5 \r\n  V5 \r\n"));
        QCOMPARE(p.states.first(), QStringLiteral("Upload in progress"));
        QCOMPARE(p.states.mid(1), QStringList({"Done 1", "Done 2", "Done 3", " Successful  Upload"}));
        QVERIFY(p.startEnabled);
        QVERIFY(!p.transfer.FilesOpen());
        const QList<QByteArray> trace = readAll(p.transfer.TracePath).split('\n');
        QCOMPARE(trace.at(0), QByteArray("CalLoadState = eReadyForULoad \r"));
        QCOMPARE(trace.at(1),
                 QByteArray("CalLoadState = eLoadParamU, CurrentParamIndex = 0, Time =          0 \r"));
        QVERIFY(trace.contains("CalLoadState = eLoadParamUAck, SkipParamRead, Time =          0 \r"));
        QVERIFY(trace.contains("// 1 Name1, Time =          0 \r"));
        QVERIFY(trace.contains("  1.5,\t2.5, Time =          0 \r"));
        QVERIFY(trace.contains(
            "CalLoadState = eLoadParamU, CurrentParamIndex > MaxParameters, Time =          0 \r"));
    }

    // Nothing wanted: every bench is passed and the run succeeds.
    void noBenchWanted() {
        Program p;
        prepare(p);
        p.transfer.Start(TParamTransfer::Mode::Upload);
        p.drive();
        QVERIFY(p.sent.isEmpty());
        QCOMPARE(p.states,
                 QStringList({"Upload in progress", "Done 1", "Done 2", "Done 3", " Successful  Upload"}));
        QCOMPARE(p.transfer.MaxParameters(), 400);
    }

    void lastParameterThatIsNoNumber() {
        Program p;
        prepare(p);
        QString last = QStringLiteral("abc");
        p.transfer.Start(TParamTransfer::Mode::Upload, &last);
        QCOMPARE(last, QStringLiteral("400"));
        QCOMPARE(p.transfer.MaxParameters(), 400);
    }

    void overwriteDeclined() {
        Program p;
        prepare(p);
        p.transfer.BenchWanted = {false, true, false, false};
        p.transfer.ParamFilePath[1] = writeFile(QStringLiteral("exists.CAL"), "keep");
        p.transfer.Start(TParamTransfer::Mode::Upload);
        p.drive();
        QCOMPARE(p.confirmed, QStringList({p.transfer.ParamFilePath[1]}));
        QCOMPARE(p.states.last(), QStringLiteral("Aborted  Upload"));
        QCOMPARE(readAll(p.transfer.ParamFilePath[1]), QByteArray("keep"));
        QVERIFY(p.sent.isEmpty());
    }

    // ---- download ----
    void downloadWritesReadsBackAndStores() {
        Program p;
        prepare(p);
        p.transfer.BenchWanted = {false, false, true, false};
        p.transfer.ParamFilePath[2] =
            writeFile(QStringLiteral("d.CAL"), "// 7 A\n  1.5,\t2.5 \n\n// 300 B\n 9 \n");
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.drive();
        QList<QString> wire;
        for (const auto& r : p.sent)
            wire << QStringLiteral("%1 %2 %3 %4")
                        .arg(r.code, 2, 16)
                        .arg(r.bench)
                        .arg(r.number)
                        .arg(QString::fromLatin1(r.value));
        QCOMPARE(wire, QList<QString>(
                           {"48 2 7 1.5,2.5", "49 2 7 ", "54 2 7 ", "48 2 300 9", "49 2 300 ", "54 2 300 "}));
        QCOMPARE(p.states.last(), QStringLiteral(" Successful  Download"));
        QCOMPARE(p.params, QStringList({"", "7", "300"}));
    }

    // A read-back that never matches: ten rewrites, then the run ends for this bench.
    void readBackMismatch() {
        Program p;
        prepare(p);
        p.bench = [](const Request& r, QByteArray* value, uint8_t*) {
            if (r.code == 0x49) *value = "1.4";
            return Program::Answer::Ack;
        };
        p.transfer.BenchWanted = {true, true, false, false};
        p.transfer.ParamFilePath[0] = writeFile(QStringLiteral("m.CAL"), "// 5 A\n1.5\n");
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.drive();
        QCOMPARE(p.numbers(0x48).size(), 11);
        QVERIFY(p.numbers(0x54).isEmpty());
        QCOMPARE(p.states.last(), QStringLiteral("Error  Download Fail 1 Param write != Param Read "));
        QVERIFY(p.startEnabled);
    }

    // A read-back that is only the start of the value (or empty) does not confirm it.
    void partialReadBackIsNoMatch() {
        Program p;
        prepare(p);
        int reads = 0;
        p.bench = [&reads](const Request& r, QByteArray* value, uint8_t*) {
            if (r.code == 0x49) *value = ++reads == 1 ? "1.5" : "1.5,2.5";
            return Program::Answer::Ack;
        };
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = writeFile(QStringLiteral("p.CAL"), "// 5 A\n1.5,2.5\n");
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.drive();
        QCOMPARE(p.numbers(0x48).size(), 2);
        QCOMPARE(p.states.last(), QStringLiteral(" Successful  Download"));
    }

    // A bad pair anywhere refuses the file before the first write.
    void badFileWritesNothing() {
        Program p;
        prepare(p);
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = writeFile(QStringLiteral("bad.CAL"), "// 5 A\n1\n// x B\n2\n");
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.drive();
        QVERIFY(p.sent.isEmpty());
        QCOMPARE(p.states.last(), QStringLiteral("Error  Download Fail 1 Error ParamNo "));
        QCOMPARE(p.transfer.FileErrorDetail(),
                 QStringLiteral("bad.CAL, line 3: 'x' is not a parameter number (0 to 65535)"));
        QVERIFY(readAll(p.transfer.TracePath).contains("bad.CAL, line 3"));
    }

    void missingFile() {
        Program p;
        prepare(p);
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = path(QStringLiteral("none.CAL"));
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.drive();
        QCOMPARE(p.states.last(), QStringLiteral("Error  Download Fail 1 File Error "));
    }

    // Time-outs and refusals repeat the command up to ten times; the eleventh ends the run.
    void repeatsThenFailure_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("state");
        QTest::newRow("time-out") << int(Program::Answer::Silent)
                                  << "Error  Download Fail 1 Timeout command $ 49";
        QTest::newRow("refusal") << int(Program::Answer::Refuse)
                                 << "Error  Download Fail 1 Nak command $ 49 46";
    }
    void repeatsThenFailure() {
        QFETCH(int, answer);
        QFETCH(QString, state);
        Program p;
        prepare(p);
        p.bench = [answer](const Request& r, QByteArray*, uint8_t* error) {
            *error = 0x46;
            return r.code == 0x49 ? Program::Answer(answer) : Program::Answer::Ack;
        };
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = writeFile(QStringLiteral("t.CAL"), "// 5 A\n1\n");
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.drive();
        QCOMPARE(p.numbers(0x49).size(), 11);
        QCOMPARE(p.states.last(), state);
        if (answer == int(Program::Answer::Silent))
            QVERIFY(readAll(p.transfer.TracePath)
                        .contains("Timeout, repeat command Time =          0 \r\nTimeout"));
    }

    void cancelClosesTheFiles() {
        Program p;
        prepare(p);
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = path(QStringLiteral("c.CAL"));
        p.transfer.Start(TParamTransfer::Mode::Upload);
        p.drive(5); // mid-run
        QVERIFY(p.transfer.Running());
        QVERIFY(p.transfer.FilesOpen());
        p.transfer.Cancel();
        QVERIFY(!p.transfer.FilesOpen());
        QCOMPARE(p.states.last(), QStringLiteral("Aborted  Upload"));
        QVERIFY(!p.transfer.Running());
        QVERIFY(p.startEnabled);
        // A reply that comes in late changes nothing.
        const qsizetype before = p.sent.size();
        p.drive();
        QCOMPARE(p.sent.size(), before);
    }

    // Replies of another bench are not the transfer's.
    void otherBenchIgnored() {
        Program p;
        prepare(p);
        p.transfer.BenchWanted = {true, false, false, false};
        p.transfer.ParamFilePath[0] = writeFile(QStringLiteral("o.CAL"), "// 5 A\n1\n");
        p.transfer.Start(TParamTransfer::Mode::Download);
        p.transfer.Tick(); // state 7
        p.transfer.Tick(); // state 8: write sent
        QCOMPARE(p.transfer.State(), 9);
        p.transfer.Reply(1, Program::packet(0x48, {}));
        p.transfer.TimedOut(3, 0x48);
        QCOMPARE(p.transfer.State(), 9);
    }
};

QTEST_GUILESS_MAIN(TestParamTransfer)
#include "test_param_transfer.moc"
