// x714ctl cal: the calibration screen's load or check of one calibration file against the bench on a
// port, with the same reader and state machine; the state names go to standard error as the "Process
// State" box shows them, the result line to standard output.
#include "bench.h"
#include "cal_file.h"
#include "cal_load_bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "signal_watcher.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
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
class CalHost : public CliBenchHost {
public:
    TCalLoadMachine* machine = nullptr;
    CalOutput* output = nullptr;
    int currentParam = 0;

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
    void ParamLoadAck(int) override { Link().Bench().SendReadFlashParameter(uint16_t(currentParam)); }
    void SetCurrentParam(int, int parameter) override { currentParam = parameter; }
};

int runCal(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CliMessages messages("cal", Usage);
    int baud = DefaultBaud;
    const std::optional<QStringList> parsed = ParseCliArguments(args, {BaudOption(&baud)}, messages);
    if (!parsed) return ExitUsage;
    const QStringList& positional = *parsed;
    if (positional.size() != 3)
        return messages.UsageError(QStringLiteral("load or check, PORT and FILE are required"));
    const QString mode = positional.at(0);
    if (mode != QLatin1String("load") && mode != QLatin1String("check"))
        return messages.UsageError(QStringLiteral("unknown action '%1' (load or check)").arg(mode));

    // The file is read before anything is sent, with the reader the run uses.
    const QString file = positional.at(2);
    if (const auto read = ReadCalFile(file); std::holds_alternative<TReadError>(read)) {
        messages.Error(std::get<TReadError>(read).Text());
        return ExitUsage;
    }

    CalHost host;
    CliBench link(messages, host);
    if (!link.Open(positional.at(1), baud)) return ExitUsage;
    CalOutput output(link.Benches());
    TCalLoadMachine machine(output);
    host.machine = &machine;
    host.output = &output;

    QEventLoop loop;
    output.onEnded = [&] { loop.quit(); };
    QObject::connect(&output.Timer1, &TFormTimer::Timeout, [&] { machine.Tick(); });
    // The main window's time-out scan, so that late replies are reported as the program reports them.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { link.Benches().CheckTimeouts(); });
    tick.start(1000);
    SignalWatcher signalWatcher([&] { machine.Cancel(); });
    // A device that goes away ends the run at once, rather than after the time-outs of every step.
    link.OnLost = [&] {
        machine.Cancel();
        machine.Tick();
    };
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
    link.OnLost = nullptr;

    int rc = ExitBenchFailure;
    const std::optional<TCalLoadResult> result = output.result;
    if (gaveUp || !result) {
        err << "x714ctl cal: the run did not end; giving up\n";
    } else if (*result == TCalLoadResult::Success || *result == TCalLoadResult::Error) {
        out << output.lastText << "\n";
        rc = *result == TCalLoadResult::Success ? ExitOk
                                                : (machine.FileProblem() ? ExitUsage : ExitBenchFailure);
    } else {
        err << output.lastText << "\n";
        // A lost device has been said already.
        if (!link.Lost())
            err << "x714ctl cal: "
                << (*result == TCalLoadResult::Cancelled ? "cancelled" : "no bench processed") << "\n";
    }
    out.flush();
    return rc;
}

const CliCommandRegistration registration({"cal", Usage, runCal});

} // namespace
