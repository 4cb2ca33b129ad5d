// The calibration load and check state machine on a fake bench with a manual clock: whole loads and
// checks, which bench is processed, the value checks and their tolerances, the three attempts, refusals
// and missing replies, Cancel, file problems, and the trace lines of one parameter.
#include "cal_fixture.h"
#include "cal_load.h"
#include "clock.h"
#include "form_timer.h"
#include "trace_file.h"

#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

struct Sent {
    int bench;
    uint8_t code;
    int number;
    QByteArray text;
};

// A bench as the machine meets it through the program: parameters in RAM and flash; each command is
// answered after the step that sent it, the way the bench connection routes the replies (a load's
// acknowledgement makes the parameter screen read the parameter again, and that read answers).
class FakeBench final : public ICalLoadOutput {
public:
    TCalLoadMachine* machine = nullptr;
    TFormTimer timer{500};
    std::array<bool, 4> checked{true, false, false, false};

    QMap<int, QByteArray> ram, flash;
    QSet<uint8_t> refused;                                      // codes answered with a refusal
    QSet<int> silentReads;                                      // parameters whose read-back never comes
    std::function<QByteArray(int number, QByteArray)> readBack; // what a read returns, from RAM
    bool traceOpenFails = false;
    int traceFailsAtLine = -1;

    QList<Sent> sent;
    QStringList states, trace, problems;
    int traceOpens = 0, traceCloses = 0;
    std::optional<TCalLoadResult> ended;
    QList<std::function<void()>> replies;

    bool BenchChecked(int bench) const override { return checked[size_t(bench)]; }
    bool SendWrite(int bench, uint16_t number, const QByteArray& text) override {
        sent.append({bench, 0x48, number, text});
        if (!refuse(0x48)) {
            ram[number] = text;
            ack();
        }
        return true;
    }
    void SendRead(int bench, uint16_t number) override {
        sent.append({bench, 0x49, number, {}});
        read(number);
    }
    void SendStore(int bench, uint16_t number) override {
        sent.append({bench, 0x54, number, {}});
        if (!refuse(0x54)) {
            flash[number] = ram.value(number);
            ack();
        }
    }
    void SendLoad(int bench, uint16_t number) override {
        sent.append({bench, 0x55, number, {}});
        if (refuse(0x55)) return;
        ram[number] = flash.value(number);
        replies.append([this, number] { read(number); });
    }
    void StartTimer(int ms) override {
        timer.Stop();
        timer.SetInterval(ms);
        timer.Start();
    }
    void StopTimer() override { timer.Stop(); }
    void ShowState(const QString& text) override { states << text; }
    bool OpenTrace(QString* error) override {
        ++traceOpens;
        trace.clear();
        if (traceOpenFails) *error = QStringLiteral("tryfile.txt cannot be created");
        return !traceOpenFails;
    }
    bool TraceLine(const QString& line, QString* error) override {
        if (trace.size() == traceFailsAtLine) {
            *error = QStringLiteral("tryfile.txt cannot be written");
            return false;
        }
        trace << line;
        return true;
    }
    void CloseTrace() override { ++traceCloses; }
    void ReportProblem(const QString& text) override { problems << text; }
    void RunEnded(TCalLoadResult result) override { ended = result; }

    QList<Sent> sentWith(uint8_t code) const {
        QList<Sent> out;
        for (const Sent& s : sent)
            if (s.code == code) out << s;
        return out;
    }

private:
    void ack() {
        replies.append([this] {
            timer.Stop();
            machine->Reply();
        });
    }
    bool refuse(uint8_t code) {
        if (!refused.contains(code)) return false;
        replies.append([this] {
            machine->SetRefused();
            timer.Stop();
            machine->Refused();
        });
        return true;
    }
    void read(int number) {
        if (refuse(0x49) || silentReads.contains(number)) return;
        const QByteArray value = readBack ? readBack(number, ram.value(number)) : ram.value(number);
        replies.append([this, value] {
            machine->SetParamReadText(value);
            timer.Stop();
            machine->Reply();
        });
    }
};

// The numbers of the 42 calibration parameters, in the order a run takes them.
QList<int> calibrationOrder() {
    QList<int> order;
    for (uint16_t n : CalSpanParameters)
        order << n;
    order << 152 << 153 << 154 << 145 << 273 << 274;
    return order;
}

QByteArray fileTextOf(int number) {
    using namespace calfixture;
    for (int t = 0; t < 36; ++t)
        if (CalSpanParameters[size_t(t)] == number) return spanText(t).toLatin1();
    switch (number) {
    case 152:
        return columnText(1).toLatin1();
    case 153:
        return columnText(0).toLatin1();
    case 154:
        return columnText(2).toLatin1();
    case 145:
        return zeroText().toLatin1();
    case 273:
        return coText(0).toLatin1();
    case 274:
        return coText(1).toLatin1();
    default:
        return {};
    }
}

} // namespace

class TestCalLoad : public QObject {
    Q_OBJECT

    struct Rig {
        ManualClockScope clock;
        FakeBench bench;
        TCalLoadMachine machine{bench};
        QTemporaryDir dir;
        Rig(bool load, const QByteArray& file = calfixture::text()) {
            bench.machine = &machine;
            QObject::connect(&bench.timer, &TFormTimer::Timeout, [this] { machine.Tick(); });
            const QString path = dir.filePath(QStringLiteral("X40417.CAL"));
            calfixture::write(path, file);
            for (int b = 0; b < 4; ++b)
                machine.SetCalFilePath(b, path);
            machine.SetLoadMode(load);
        }
        // One event: the next reply, or else the step's interval running out.
        void stepOnce() {
            if (!bench.replies.isEmpty()) {
                bench.replies.takeFirst()();
                return;
            }
            QVERIFY2(bench.timer.Enabled(), "the machine waits for nothing");
            clock.clock.Advance(bench.timer.Interval());
            bench.timer.Poll();
        }
        void run(int limit = 20000) {
            for (int i = 0; i < limit && machine.Running(); ++i)
                stepOnce();
            QVERIFY(!machine.Running());
        }
        // Flash already holding what the file says.
        void calibrated() {
            for (int n : calibrationOrder())
                bench.flash[n] = bench.ram[n] = fileTextOf(n);
        }
    };

private slots:
    void loadWritesStoresAndVerifiesEveryParameter() {
        Rig r(true);
        QVERIFY(r.machine.Start());
        r.run();
        QCOMPARE(r.bench.ended, TCalLoadResult::Success);
        QCOMPARE(r.bench.states.mid(r.bench.states.size() - 2),
                 QStringList({"eCalLoadEnd", "Download Successful, X714 1"}));
        QCOMPARE(r.machine.SerialText(), QByteArray("X40417"));
        // The serial number is read first; then each parameter is written, stored and loaded once.
        QCOMPARE(r.bench.sent.first().code, uint8_t(0x49));
        QCOMPARE(r.bench.sent.first().number, 1);
        QList<int> written, stored, loaded;
        for (const Sent& s : r.bench.sentWith(0x48)) {
            written << s.number;
            QCOMPARE(s.text, fileTextOf(s.number));
        }
        for (const Sent& s : r.bench.sentWith(0x54))
            stored << s.number;
        for (const Sent& s : r.bench.sentWith(0x55))
            loaded << s.number;
        QCOMPARE(written, calibrationOrder());
        QCOMPARE(stored, calibrationOrder());
        QCOMPARE(loaded, calibrationOrder());
        for (int n : calibrationOrder())
            QCOMPARE(r.bench.flash.value(n), fileTextOf(n));
        for (const Sent& s : r.bench.sent)
            QCOMPARE(s.bench, 0);
        QCOMPARE(r.bench.traceOpens, 1);
        QCOMPARE(r.bench.traceCloses, 1);
        QVERIFY(r.bench.problems.isEmpty());
    }

    void checkOnlyLoadsAndCompares() {
        Rig r(false);
        r.calibrated();
        QVERIFY(r.machine.Start());
        r.run();
        QCOMPARE(r.bench.ended, TCalLoadResult::Success);
        QCOMPARE(r.bench.states.last(), QStringLiteral("Check Successful, X714 1"));
        QVERIFY(r.bench.sentWith(0x48).isEmpty());
        QVERIFY(r.bench.sentWith(0x54).isEmpty());
        QCOMPARE(r.bench.sentWith(0x55).size(), 42);
    }

    void theLowestCheckedBenchIsProcessed_data() {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<int>("processed");
        QTest::newRow("1 and 3") << QList<int>{0, 2} << 0;
        QTest::newRow("3 only") << QList<int>{2} << 2;
        QTest::newRow("2 and 4") << QList<int>{1, 3} << 1;
    }
    void theLowestCheckedBenchIsProcessed() {
        QFETCH(QList<int>, checked);
        QFETCH(int, processed);
        Rig r(true);
        r.bench.checked = {};
        for (int b : checked)
            r.bench.checked[size_t(b)] = true;
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Download Successful, X714 %1").arg(processed + 1));
        QVERIFY(!r.bench.sent.isEmpty());
        for (const Sent& s : r.bench.sent)
            QCOMPARE(s.bench, processed);
    }

    void noCheckedBenchEndsWithoutResult() {
        Rig r(true);
        r.bench.checked = {};
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.ended, TCalLoadResult::NoBench);
        QCOMPARE(r.bench.states.last(), QStringLiteral("eCalLoadEnd"));
        QCOMPARE(r.bench.states.count(QStringLiteral("eCalLoadEnd")), 4);
        QVERIFY(r.bench.sent.isEmpty());
        QCOMPARE(r.bench.traceOpens, 0);
        QCOMPARE(r.machine.State(), 0);
    }

    void valueCheck_data() {
        QTest::addColumn<QList<float>>("expected");
        QTest::addColumn<QByteArray>("readBack");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<bool>("match");
        QTest::newRow("pressure within 0.01")
            << QList<float>{1013.0f} << QByteArray("1013.004") << 0.01 << true;
        QTest::newRow("pressure off by 0.02")
            << QList<float>{1013.0f} << QByteArray("1013.02") << 0.01 << false;
        QTest::newRow("temperature exact") << QList<float>{25.0f} << QByteArray("25") << 0.0 << true;
        QTest::newRow("temperature 25.001") << QList<float>{25.0f} << QByteArray("25.001") << 0.0 << false;
        QTest::newRow("fewer values") << QList<float>{1, 2, 3} << QByteArray("1,2") << 0.0 << false;
        QTest::newRow("more values") << QList<float>{1, 2} << QByteArray("1,2,99") << 0.0 << true;
        QTest::newRow("zero written as 0") << QList<float>{0.0f} << QByteArray("0") << 0.0 << true;
        QTest::newRow("empty read-back") << QList<float>{0.0f} << QByteArray() << 0.0 << false;
        QTest::newRow("not a number") << QList<float>{1, 2} << QByteArray("1,abc") << 0.0 << false;
        QTest::newRow("float rounding") << QList<float>{0.1f} << QByteArray("0.1000000001") << 0.0 << true;
    }
    void valueCheck() {
        QFETCH(QList<float>, expected);
        QFETCH(QByteArray, readBack);
        QFETCH(double, tolerance);
        QFETCH(bool, match);
        QCOMPARE(CalValuesMatch(std::vector<float>(expected.begin(), expected.end()), readBack, tolerance),
                 match);
    }

    // The bench keeps values slightly off: pressures within their tolerance pass, temperatures must match.
    void toleranceOfTheReadBack_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("readBack");
        QTest::addColumn<bool>("success");
        QTest::newRow("pressure 1013.004") << 154 << QByteArray("1013.004,1013.1,1013.2,1013.3") << true;
        QTest::newRow("detector 25.001") << 152 << QByteArray("25.001,35.0,45.0,55.0") << false;
    }
    void toleranceOfTheReadBack() {
        QFETCH(int, number);
        QFETCH(QByteArray, readBack);
        QFETCH(bool, success);
        Rig r(false);
        r.calibrated();
        r.bench.readBack = [&](int n, QByteArray value) { return n == number ? readBack : value; };
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(),
                 success ? QStringLiteral("Check Successful, X714 1") : QStringLiteral("Error, Bench 1"));
        if (!success) QCOMPARE(r.bench.sentWith(0x55).last().number, number);
    }

    void aShortReadBackFailsAfterThreeAttempts() {
        Rig r(true);
        r.bench.readBack = [](int n, QByteArray value) {
            return n == 127 ? value.left(value.lastIndexOf(',')) : value;
        };
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
        QList<int> written;
        for (const Sent& s : r.bench.sentWith(0x48))
            written << s.number;
        QCOMPARE(written, QList<int>({117, 127, 127, 127}));
        QCOMPARE(r.bench.sentWith(0x48).last().text, fileTextOf(127));
        const QString shortText = QString::fromLatin1(fileTextOf(127).left(fileTextOf(127).lastIndexOf(',')));
        QVERIFY(r.bench.trace.contains(shortText + " Check 1 "));
        QVERIFY(r.bench.trace.contains(shortText + " Check 2 "));
        QCOMPARE(r.bench.trace.last(), shortText + " Check *** ERROR *** ");
        QCOMPARE(r.bench.traceCloses, 1);
    }

    void checkModeFailsAtTheFirstMismatch() {
        Rig r(false);
        r.calibrated();
        r.bench.flash[132] = "9,9,9";
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
        QCOMPARE(r.bench.sentWith(0x55).size(), 3); // 117, 127, 132
        QVERIFY(r.bench.sentWith(0x48).isEmpty());
    }

    void aRefusalEndsTheBenchAtOnce_data() {
        QTest::addColumn<uint8_t>("code");
        QTest::newRow("store") << uint8_t(0x54);
        QTest::newRow("load") << uint8_t(0x55);
        QTest::newRow("write") << uint8_t(0x48);
    }
    void aRefusalEndsTheBenchAtOnce() {
        QFETCH(uint8_t, code);
        Rig r(true);
        r.bench.refused = {code};
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.ended, TCalLoadResult::Error);
        QCOMPARE(r.bench.states.mid(r.bench.states.size() - 2),
                 QStringList({"eCalLoadEnd", "Error, Bench 1"}));
        QCOMPARE(r.bench.sent.last().code, code);
        QCOMPARE(r.bench.traceCloses, 1);
    }

    // With no read-back the check compares the last text read, which is another parameter's.
    void aMissingReadBackFailsTheCheck() {
        Rig r(false);
        r.calibrated();
        r.bench.silentReads = {127};
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
        QCOMPARE(r.machine.ParamReadText(), fileTextOf(117));
    }

    void cancelEndsTheRunAndClosesTheTrace() {
        Rig r(true);
        r.machine.Start();
        for (int i = 0; i < 12; ++i)
            r.stepOnce();
        QVERIFY(r.machine.TraceOpen());
        r.machine.Cancel();
        const int sentBefore = int(r.bench.sent.size());
        r.run();
        QCOMPARE(r.bench.ended, TCalLoadResult::Cancelled);
        // A cancelled run is no success, though its bench was being processed.
        QCOMPARE(r.bench.states.last(), QStringLiteral("eCalLoadEnd"));
        QCOMPARE(r.bench.traceCloses, 1);
        QVERIFY(!r.machine.TraceOpen());
        QCOMPARE(r.bench.sent.size(), sentBefore);
        // Cancel while idle leaves the machine idle.
        r.machine.Cancel();
        QCOMPARE(r.machine.State(), 0);
    }

    void fileProblemsEndInErrorWithAMessage_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        QByteArray bad = calfixture::text();
        bad.replace(" 3.13 ", " 3.1x3 ");
        QTest::newRow("not a number")
            << bad << QStringLiteral("X40417.CAL, line 19: '3.1x3' is not a number");
        // Up to the end of the first span block.
        const QByteArray whole = calfixture::text();
        qsizetype cut = 0;
        for (int line = 0; line < 11; ++line)
            cut = whole.indexOf('\n', cut) + 1;
        QTest::newRow("too short") << whole.left(cut)
                                   << QStringLiteral(
                                          "the file ends before span block 2 of temperature point 1");
    }
    void fileProblemsEndInErrorWithAMessage() {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        Rig r(true, file);
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
        QCOMPARE(r.bench.problems.size(), 1);
        QVERIFY2(r.bench.problems.first().contains(problem), qPrintable(r.bench.problems.first()));
        QVERIFY(r.bench.sent.isEmpty());
        QCOMPARE(r.bench.traceOpens, 0);
        QVERIFY(r.machine.FileProblem());
    }

    void traceProblemsEndInError() {
        {
            Rig r(true);
            r.bench.traceOpenFails = true;
            r.machine.Start();
            r.run();
            QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
            QCOMPARE(r.bench.problems, QStringList{"tryfile.txt cannot be created"});
            QVERIFY(r.bench.sent.isEmpty());
        }
        {
            Rig r(true);
            r.bench.traceFailsAtLine = 20;
            r.machine.Start();
            r.run();
            QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
            QCOMPARE(r.bench.problems, QStringList{"tryfile.txt cannot be written"});
            QCOMPARE(r.bench.traceCloses, 1);
            QVERIFY(r.machine.FileProblem());
        }
    }

    void noFileChosen() {
        Rig r(true);
        r.machine.SetCalFilePath(0, QString());
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
        QCOMPARE(r.bench.problems, QStringList{"No calibration file was chosen for bench 1."});
    }

    // A failed run leaves its attempt count behind; the next run must still take its first block from
    // the file and write it to its own parameter.
    void aRunAfterAFailedOneStartsAfresh() {
        Rig r(true);
        r.bench.readBack = [](int n, QByteArray value) { return n == 127 ? QByteArray("0") : value; };
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Error, Bench 1"));
        r.bench.readBack = nullptr;
        r.bench.sent.clear();
        QVERIFY(r.machine.Start());
        r.run();
        QCOMPARE(r.bench.states.last(), QStringLiteral("Download Successful, X714 1"));
        QCOMPARE(r.bench.sentWith(0x48).first().number, 117);
        QCOMPARE(r.bench.sentWith(0x48).first().text, fileTextOf(117));
    }

    void startDuringARunIsRefused() {
        Rig r(true);
        QVERIFY(r.machine.Start());
        QVERIFY(!r.machine.Start());
        r.machine.SetLoadMode(false);
        QVERIFY(r.machine.LoadMode());
    }

    void traceLinesOfOneParameter() {
        Rig r(true);
        r.machine.Start();
        r.run();
        const QString text = calfixture::spanText(0);
        const QStringList expected{
            "eReadSpanInterPolyCoeff CurrentSpanInterPolyIndex < 9 ",
            text + " Write ",
            text + " Store 117 ",
            "Param 117 Load",
            "CheckValues: numVals=20, fltVals[0]=  1.00, strngVals=" + text + " ",
            text + " Check 0 ",
        };
        const qsizetype at = r.bench.trace.indexOf(expected.first());
        QVERIFY(at > 0);
        QCOMPARE(r.bench.trace.mid(at, expected.size()), expected);
        QCOMPARE(r.bench.trace.mid(0, 10),
                 QStringList({"Started Download ", "eReadFileSerialNum ", "eSerialNumberRead ",
                              "eSerialNumberReadAck ", "eReadTemp CurrentTempIndex < 4 ", "25.0, ", "20.0, ",
                              "1013.0, ", "eReadSpanInterPolyCoeff CurrentSpanInterPolyIndex < 9 ",
                              text + " Write "}));
        // The temperature parameters, in Load mode.
        const QString det = calfixture::columnText(1);
        const qsizetype d = r.bench.trace.indexOf("Temp Det ");
        QCOMPARE(r.bench.trace.mid(d, 5), QStringList({"Temp Det ", det + " Write ", "Store Temp Det ",
                                                       det + "Store ", "CalDetTempParam 152 Load"}));
    }

    // The real trace file: CR LF line ends, and a write the system refuses is reported at once.
    void traceFileWritesAndReportsFailures() {
        QTemporaryDir dir;
        TTraceFile trace(dir.filePath(QStringLiteral("tryfile.txt")));
        QString error;
        QVERIFY(trace.Open(&error));
        QVERIFY(trace.WriteLine(QStringLiteral("Started Download "), &error));
        QVERIFY(trace.WriteLine(QStringLiteral("Param 117 Load"), &error));
        trace.Close();
        QFile written(trace.Path());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("Started Download \r\nParam 117 Load\r\n"));

        TTraceFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.Open(&error));
        QVERIFY(!full.WriteLine(QStringLiteral("eReadFileSerialNum "), &error));
        QVERIFY2(error.startsWith(QLatin1String("The trace file full cannot be written: ")),
                 qPrintable(error));
        TTraceFile nowhere(dir.filePath(QStringLiteral("no/such/dir/tryfile.txt")));
        QVERIFY(!nowhere.Open(&error));
        QVERIFY2(error.startsWith(QLatin1String("The trace file tryfile.txt cannot be created: ")),
                 qPrintable(error));
    }

    void stateNamesAreShownInOrder() {
        Rig r(false);
        r.calibrated();
        r.machine.Start();
        r.run();
        QCOMPARE(r.bench.states.mid(0, 8),
                 QStringList({"eReadyForCalLoad", "eReadFileSerialNum", "eSerialNumberRead",
                              "eSerialNumberReadAck", "eReadTemp", "eReadSpanInterPolyCoeff", "eParamLoad",
                              "eParamCheck"}));
        QVERIFY(!r.bench.states.contains("eParamStore"));
    }
};

QTEST_GUILESS_MAIN(TestCalLoad)
#include "test_cal_load.moc"
