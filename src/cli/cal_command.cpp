// x714ctl cal: the calibration screen's load or check of one calibration file against the bench on a
// port, with the same reader and state machine; the state names go to standard error as the "Process
// State" box shows them, the result line to standard output.
#include "bench.h"
#include "cal_file.h"
#include "cal_load_bench.h"
#include "cli_command.h"
#include "paths.h"
#include "serial_comport.h"
#include "signal_watcher.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <memory>
#include <optional>

namespace {

const char* const Usage =
    "cal load|check PORT FILE [--baud B]\n"
    "      loads the calibration file FILE into the bench on PORT (each parameter written, stored to\n"
    "      flash, loaded back and compared, up to three attempts), or checks the bench's flash against\n"
    "      it. Writes the trace file tryfile.txt in the working directory. Prints each state on standard\n"
    "      error, then the result line (\"Download Successful, X714 1\", \"Check Successful, X714 1\" or\n"
    "      \"Error, Bench 1\"). SIGINT or SIGTERM cancels the run. Exit 0 on success, 1 on a refusal,\n"
    "      a failed check, a silent bench or a cancelled run, 2 on bad arguments, a calibration file\n"
    "      that cannot be read, a trace file that cannot be written or a port that cannot be opened.";

// The longest a run can take with a bench that answers late every time; nothing should come near it.
constexpr int BackstopMs = 30 * 60 * 1000;

// The machine's output for the tool's one bench (bench 1, its box always ticked).
class CalOutput final : public TCalLoadBenchOutput {
public:
    using TCalLoadBenchOutput::TCalLoadBenchOutput;
    std::function<void()> onEnded;
    std::optional<TCalLoadResult> result;
    QString lastText;

    bool BenchChecked(int bench) const override { return bench == 0; }
    void ShowState(const QString& text) override {
        // Every text but the last is progress; the last one is the result line.
        if (!lastText.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(lastText));
        lastText = text;
    }
    void ReportProblem(const QString& text) override {
        std::fprintf(stderr, "x714ctl cal: %s\n", qPrintable(text));
    }
    void RunEnded(TCalLoadResult r) override {
        result = r;
        if (onEnded) onEnded();
    }
};

// The program around the machine: the calibration screen visible while the run goes on, and the
// parameter screen's re-read after every acknowledged load.
class CalHost : public NullBenchHost {
public:
    TApdComPort* port = nullptr;
    TBenchSet* benches = nullptr;
    TCalLoadMachine* machine = nullptr;
    CalOutput* output = nullptr;
    int currentParam = 0;

    bool BenchBoxActive(int bench) const override { return bench == 0 && port && port->Open(); }
    bool CalLoadVisible() const override { return true; }
    int CalLoadState() const override { return machine->State(); }
    void CalLoadSetRefused() override { machine->SetRefused(); }
    void CalLoadStopTimer() override { output->StopTimer(); }
    void CalLoadReply(int, const TRxPacket& packet) override {
        if (packet.Kind == KindNak)
            machine->Refused();
        else
            machine->Reply();
    }
    void ParamReadReply(int, const QByteArray& text) override { machine->SetParamReadText(text); }
    void ParamLoadAck(int bench) override {
        (*benches)[bench].SendReadFlashParameter(uint16_t(currentParam));
    }
    void SetCurrentParam(int, int parameter) override { currentParam = parameter; }
    void UntickAllBenches() override {
        if (port) port->SetOpen(false);
    }
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }
};

int runCal(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto usageError = [&](const QString& message) {
        err << "x714ctl cal: " << message << "\nusage: x714ctl " << Usage << "\n";
        return ExitUsage;
    };

    QStringList positional;
    int baud = 19200;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--baud")) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("--baud needs a rate"));
            const QString v = args.at(++i);
            bool ok = false;
            baud = v.toInt(&ok);
            if (!ok || !(baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600 || baud == 115200)) {
                err << "x714ctl cal: --baud must be 9600, 19200, 38400, 57600 or 115200, not '" << v << "'\n";
                return ExitUsage;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.size() != 3)
        return usageError(QStringLiteral("load or check, PORT and FILE are required"));
    const QString mode = positional.at(0);
    if (mode != QLatin1String("load") && mode != QLatin1String("check"))
        return usageError(QStringLiteral("unknown action '%1' (load or check)").arg(mode));

    // The file is read before anything is sent, with the reader the run uses.
    const QString file = positional.at(2);
    if (const auto read = ReadCalFile(file); std::holds_alternative<TReadError>(read)) {
        err << "x714ctl cal: " << std::get<TReadError>(read).Text() << "\n";
        return ExitUsage;
    }

    const QString device = ResolvePortArgument(positional.at(1));
    SetComPortOverride(1, device);
    SerialComPort port(1);
    port.SetBaud(baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl cal: cannot open " << positional.at(1) << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }

    auto benches = std::make_unique<TBenchSet>();
    CalOutput output(*benches);
    TCalLoadMachine machine(output);
    CalHost host;
    host.port = &port;
    host.benches = benches.get();
    host.machine = &machine;
    host.output = &output;
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = (*benches)[0];
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });

    QEventLoop loop;
    output.onEnded = [&] { loop.quit(); };
    QObject::connect(&output.Timer1, &TFormTimer::Timeout, [&] { machine.Tick(); });
    // The main window's time-out scan, so that late replies are reported as the program reports them.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { benches->CheckTimeouts(); });
    tick.start(1000);
    SignalWatcher signalWatcher([&] { machine.Cancel(); });
    bool gaveUp = false;
    QTimer::singleShot(BackstopMs, &loop, [&] {
        gaveUp = true;
        loop.quit();
    });

    machine.SetLoadMode(mode == QLatin1String("load"));
    machine.SetCalFilePath(0, file);
    machine.Start();
    if (machine.Running()) loop.exec();
    output.onEnded = nullptr;

    int rc = ExitBenchFailure;
    const std::optional<TCalLoadResult> result = output.result;
    if (gaveUp || !result) {
        err << "x714ctl cal: the run did not end; giving up\n";
    } else if (*result == TCalLoadResult::Success || *result == TCalLoadResult::Error) {
        out << output.lastText << "\n";
        rc = *result == TCalLoadResult::Success ? ExitOk
                                                : (machine.FileProblem() ? ExitUsage : ExitBenchFailure);
    } else {
        err << output.lastText << "\n"
            << "x714ctl cal: " << (*result == TCalLoadResult::Cancelled ? "cancelled" : "no bench processed")
            << "\n";
    }
    out.flush();
    if (port.Open()) {
        port.FlushOutBuffer();
        port.SetOpen(false);
    }
    return rc;
}

const CliCommandRegistration registration({"cal", Usage, runCal});

} // namespace
