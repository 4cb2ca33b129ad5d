// x714ctl rawir: the raw IR view's stream and data log without a window. Streams raw ($40) or
// filtered ($42) IR data from one bench, assembles its cycles as the view does, writes each complete
// cycle to the IR log file as the view's log does, and stops the stream after N cycles.
#include "bench.h"
#include "cli_command.h"
#include "ir_cycle.h"
#include "ir_log.h"
#include "operator_entry.h"
#include "paths.h"
#include "serial_comport.h"
#include "signal_watcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <optional>

namespace {

const char* const Usage =
    "rawir PORT [--filtered] [--phases N] [--points N] [--cycles N] [--baud B] --log FILE [--overwrite]\n"
    "      streams raw IR data ($40, or $42 with --filtered) from the bench on PORT, assembles cycles\n"
    "      of 100 samples per channel from N phases (replies, default 4) of N points (default 25) as\n"
    "      the raw IR view does, writes every complete cycle to FILE as the IR data log does (header,\n"
    "      one \"%+4d\" line per sample point, at most 99999 lines), and stops the stream after N\n"
    "      cycles (default 1) or on SIGINT/SIGTERM. An existing FILE is replaced only with --overwrite.\n"
    "      Prints the cycles and lines written. Exit 0 when done, 1 when the bench refuses, falls\n"
    "      silent or sends no complete cycle, 2 on bad arguments or a port or log file that cannot be\n"
    "      opened or written.";

// A stream that completes no cycle for this long is given up.
constexpr int CycleWatchdogMs = 10000;

struct Options {
    QString port;
    bool filtered = false;
    int phases = TIrCycle::DefaultPhases;
    int points = TIrCycle::DefaultPoints;
    int cycles = 1;
    int baud = 19200;
    QString logFile;
    bool overwrite = false;
};

// Parses the command line; returns an error text (empty on success) and whether usage should follow.
QString parseOptions(const QStringList& args, Options* o, bool* showUsage) {
    *showUsage = false;
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--filtered") || a == QLatin1String("--overwrite")) {
            (a == QLatin1String("--filtered") ? o->filtered : o->overwrite) = true;
            continue;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            positional << a;
            continue;
        }
        static const QStringList valued = {"--phases", "--points", "--cycles", "--baud", "--log"};
        if (!valued.contains(a)) {
            *showUsage = true;
            return QStringLiteral("unknown option '%1'").arg(a);
        }
        if (i + 1 >= args.size()) {
            *showUsage = true;
            return QStringLiteral("%1 needs a value").arg(a);
        }
        const QString value = args.at(++i);
        if (a == QLatin1String("--log")) {
            if (value.trimmed().isEmpty()) return QStringLiteral("--log needs a file name");
            o->logFile = value;
            continue;
        }
        // Whole numbers as the view's entries take them.
        const std::optional<int32_t> n = ParseIntegerEntry(value);
        if (!n) return QStringLiteral("%1 must be a whole number, not '%2'").arg(a, value);
        if (a == QLatin1String("--phases")) {
            o->phases = *n;
        } else if (a == QLatin1String("--points")) {
            o->points = *n;
        } else if (a == QLatin1String("--cycles")) {
            if (*n < 1) return QStringLiteral("--cycles must be at least 1, not '%1'").arg(value);
            o->cycles = *n;
        } else if (a == QLatin1String("--baud")) {
            o->baud = *n;
            if (!QList<int>{9600, 19200, 38400, 57600, 115200}.contains(o->baud))
                return QStringLiteral("--baud must be 9600, 19200, 38400, 57600 or 115200, not '%1'")
                    .arg(value);
        }
    }
    if (positional.size() != 1) {
        *showUsage = true;
        return positional.isEmpty() ? QStringLiteral("PORT is required")
                                    : QStringLiteral("one PORT only, not %1").arg(positional.size());
    }
    o->port = positional.first();
    if (o->logFile.isEmpty()) {
        *showUsage = true;
        return QStringLiteral("--log FILE is required");
    }
    const QString layout = TIrCycle::CheckLayout(o->phases, o->points);
    if (!layout.isEmpty()) return layout;
    // As the view's save dialog asks before it empties a file.
    if (!o->overwrite && QFileInfo::exists(o->logFile))
        return QStringLiteral("log file %1 exists: add --overwrite to replace it").arg(o->logFile);
    return {};
}

// The tool's bench stands in for bench 1 of the program: its box is ticked while the port is open,
// refusals and time-outs reach it through the acknowledgement lines, and its raw IR packets go to the
// assembly.
class RawIrHost : public NullBenchHost {
public:
    TApdComPort* port = nullptr;
    TBench* bench = nullptr;
    std::function<void(const TRxPacket&)> onPacket;
    std::function<void(const QString&)> onAckError;

    bool BenchBoxActive(int b) const override { return b == 0 && port && port->Open(); }
    void ShowAckLines() override {
        if (bench && bench->AckError == 1 && onAckError) onAckError(bench->AckText);
    }
    void RawIrPacket(int b, const TRxPacket& packet) override {
        if (b != 0 || !bench) return;
        bench->NewRawIrData = false;
        if (onPacket) onPacket(packet);
    }
    void UntickAllBenches() override {
        if (port) port->SetOpen(false);
    }
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }
};

int runRawIr(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    Options o;
    bool showUsage = false;
    const QString problem = parseOptions(args, &o, &showUsage);
    if (!problem.isEmpty()) {
        err << "x714ctl rawir: " << problem << "\n";
        if (showUsage) err << "usage: x714ctl " << Usage << "\n";
        return ExitUsage;
    }

    TIrCycle cycle;
    cycle.SetLayout(o.phases, o.points);
    TIrLog log;
    if (!log.Open(o.logFile)) {
        err << "x714ctl rawir: cannot create log file " << o.logFile << ": " << log.Error() << "\n";
        return ExitUsage;
    }

    SetComPortOverride(1, ResolvePortArgument(o.port));
    SerialComPort port(1);
    port.SetBaud(o.baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl rawir: cannot open " << o.port << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }

    RawIrHost host;
    host.port = &port;
    TBenchSet benches;
    for (int i = 0; i < 4; ++i)
        benches[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = benches[0];
    host.bench = &bench;
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });
    const uint8_t code = o.filtered ? 0x42 : 0x40;

    QEventLoop loop;
    int exitCode = ExitOk;
    bool finishing = false;
    int done = 0;
    int64_t written = 0;
    bool fullReported = false;
    QElapsedTimer sinceCycle;
    sinceCycle.start();
    auto finish = [&](int rc) {
        if (finishing) return;
        finishing = true;
        exitCode = rc;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    };
    host.onAckError = [&](const QString& text) {
        if (finishing) return;
        err << "x714ctl rawir: " << text << "\n";
        err.flush();
        finish(ExitBenchFailure);
    };
    int shortReplies = 0;
    host.onPacket = [&](const TRxPacket& packet) {
        if (finishing) return;
        const TIrCycle::Result fed = cycle.Feed(packet);
        shortReplies = fed == TIrCycle::Result::Short ? shortReplies + 1 : 0;
        if (shortReplies >= 2 * o.phases) {
            err << "x714ctl rawir: the replies carry " << (packet.Length - 1) / 8
                << " sample points, fewer than " << o.points << " (--points)\n";
            finish(ExitBenchFailure);
            return;
        }
        if (fed != TIrCycle::Result::Complete) return;
        for (int s = 0; s < cycle.SamplesPerCycle(); ++s) {
            const auto result = log.WriteLine(TIrLog::FormatLine(
                {cycle.Sample(0, s), cycle.Sample(1, s), cycle.Sample(2, s), cycle.Sample(3, s)}));
            if (result == TIrLog::LineResult::Written) ++written;
            if (result == TIrLog::LineResult::FullNow && !fullReported) {
                fullReported = true;
                err << "x714ctl rawir: Log File is full\n";
            }
            if (result == TIrLog::LineResult::Failed) break;
        }
        if (!log.IsOpen() || !log.Flush()) {
            err << "x714ctl rawir: cannot write log file " << o.logFile << ": " << log.Error() << "\n";
            finish(ExitUsage);
            return;
        }
        ++done;
        sinceCycle.restart();
        err << "cycle " << done << " of " << o.cycles << "\n";
        err.flush();
        if (done >= o.cycles) finish(ExitOk);
    };

    SignalWatcher signalWatcher([&] { finish(ExitOk); });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        benches.CheckTimeouts();
        if (finishing) return;
        if (!port.Open()) {
            err << "x714ctl rawir: the bench was disconnected\n";
            finish(ExitBenchFailure);
        } else if (sinceCycle.elapsed() > CycleWatchdogMs) {
            // The replies come, but none completes a cycle: they carry fewer points than asked for,
            // or never the phases of a whole cycle.
            err << "x714ctl rawir: no complete cycle of " << o.phases << " phases of " << o.points
                << " points in " << CycleWatchdogMs / 1000 << " s\n";
            finish(ExitBenchFailure);
        }
    });
    tick.start(1000);

    if (o.filtered)
        bench.SendFilteredRawIr(TBench::RateContinuous);
    else
        bench.SendRawIr(TBench::RateContinuous);
    loop.exec();
    tick.stop();

    // The stream ends with the stop of its own code; wait (at most two seconds) for its reply.
    if (port.Open()) {
        host.onAckError = nullptr;
        if (o.filtered)
            bench.SendFilteredRawIr(TBench::RateStop);
        else
            bench.SendRawIr(TBench::RateStop);
        QElapsedTimer waited;
        waited.start();
        while (port.Open() && bench.Commands[code].Awaiting && waited.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        port.FlushOutBuffer();
        port.SetOpen(false);
    }
    log.Close();
    out << done << " cycles, " << written << " lines written to " << o.logFile << "\n";
    return exitCode;
}

const CliCommandRegistration registration({"rawir", Usage, runRawIr});

} // namespace
