// x714ctl rawir: the raw IR view's stream and data log without a window. Streams raw ($40) or
// filtered ($42) IR data from one bench, assembles its cycles as the view does, writes each complete
// cycle to the IR log file as the view's log does, and stops the stream after N cycles.
#include "bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "ir_cycle.h"
#include "ir_log.h"
#include "operator_entry.h"
#include "signal_watcher.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>
#include <climits>
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
    int baud = DefaultBaud;
    QString logFile;
    bool overwrite = false;
};

// Parses the command line; false after the message.
bool parseOptions(const QStringList& args, Options* o, const CliMessages& messages) {
    // Whole numbers as the view's entries take them.
    auto number = [](const char* name, int* target, int least = INT_MIN) {
        return CliOption{QLatin1String(name), QStringLiteral("%1 needs a value").arg(QLatin1String(name)),
                         [name, target, least](const QString& value) {
                             const std::optional<int32_t> n = ParseIntegerEntry(value);
                             if (!n)
                                 return QStringLiteral("%1 must be a whole number, not '%2'")
                                     .arg(QLatin1String(name), value);
                             if (*n < least)
                                 return QStringLiteral("%1 must be at least %2, not '%3'")
                                     .arg(QLatin1String(name))
                                     .arg(least)
                                     .arg(value);
                             *target = *n;
                             return QString();
                         }};
    };
    const CliOption log{QStringLiteral("--log"), QStringLiteral("--log needs a value"),
                        [o](const QString& value) {
                            if (value.trimmed().isEmpty()) return QStringLiteral("--log needs a file name");
                            o->logFile = value;
                            return QString();
                        }};
    const std::optional<QStringList> positional = ParseCliArguments(
        args,
        {FlagOption(QStringLiteral("--filtered"), &o->filtered),
         FlagOption(QStringLiteral("--overwrite"), &o->overwrite), number("--phases", &o->phases),
         number("--points", &o->points), number("--cycles", &o->cycles, 1), BaudOption(&o->baud), log},
        messages);
    if (!positional) return false;
    if (positional->size() != 1) {
        messages.UsageError(positional->isEmpty()
                                ? QStringLiteral("PORT is required")
                                : QStringLiteral("one PORT only, not %1").arg(positional->size()));
        return false;
    }
    o->port = positional->first();
    if (o->logFile.isEmpty()) {
        messages.UsageError(QStringLiteral("--log FILE is required"));
        return false;
    }
    if (const QString layout = TIrCycle::CheckLayout(o->phases, o->points); !layout.isEmpty()) {
        messages.ValueError(layout);
        return false;
    }
    // As the view's save dialog asks before it empties a file.
    if (!o->overwrite && QFileInfo::exists(o->logFile)) {
        messages.ValueError(
            QStringLiteral("log file %1 exists: add --overwrite to replace it").arg(o->logFile));
        return false;
    }
    return true;
}

// Refusals and time-outs reach the tool through the acknowledgement lines, and the raw IR packets go
// to the assembly.
class RawIrHost : public CliBenchHost {
public:
    std::function<void(const TRxPacket&)> onPacket;
    std::function<void(const QString&)> onAckError;

    void ShowAckLines() override {
        const TBench& bench = Link().Bench();
        if (bench.AckError == 1 && onAckError) onAckError(bench.AckText);
    }
    void RawIrPacket(int b, const TRxPacket& packet) override {
        if (b != 0) return;
        Link().Bench().NewRawIrData = false;
        if (onPacket) onPacket(packet);
    }
};

int runRawIr(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CliMessages messages("rawir", Usage);
    Options o;
    if (!parseOptions(args, &o, messages)) return ExitUsage;

    TIrCycle cycle;
    cycle.SetLayout(o.phases, o.points);
    TIrLog log;
    if (!log.Open(o.logFile)) {
        messages.Error(QStringLiteral("cannot create log file %1: %2").arg(o.logFile, log.Error()));
        return ExitUsage;
    }

    RawIrHost host;
    CliBench link(messages, host);
    if (!link.Open(o.port, o.baud)) return ExitUsage;
    TBench& bench = link.Bench();
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
        messages.Error(text);
        finish(ExitBenchFailure);
    };
    int shortReplies = 0;
    host.onPacket = [&](const TRxPacket& packet) {
        if (finishing) return;
        const TIrCycle::Result fed = cycle.Feed(packet);
        shortReplies = fed == TIrCycle::Result::Short ? shortReplies + 1 : 0;
        if (shortReplies >= 2 * o.phases) {
            messages.Error(QStringLiteral("the replies carry %1 sample points, fewer than %2 (--points)")
                               .arg((packet.Length - 1) / 8)
                               .arg(o.points));
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
                messages.Error(QStringLiteral("Log File is full"));
            }
            if (result == TIrLog::LineResult::Failed) break;
        }
        if (!log.IsOpen() || !log.Flush()) {
            messages.Error(QStringLiteral("cannot write log file %1: %2").arg(o.logFile, log.Error()));
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
    // A device that goes away ends the run at once; the message is out.
    link.OnLost = [&] { finish(ExitBenchFailure); };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        link.Benches().CheckTimeouts();
        if (finishing) return;
        if (!link.Port().Open()) {
            messages.Error(QStringLiteral("the bench was disconnected"));
            finish(ExitBenchFailure);
        } else if (sinceCycle.elapsed() > CycleWatchdogMs) {
            // The replies come, but none completes a cycle: they carry fewer points than asked for,
            // or never the phases of a whole cycle.
            messages.Error(QStringLiteral("no complete cycle of %1 phases of %2 points in %3 s")
                               .arg(o.phases)
                               .arg(o.points)
                               .arg(CycleWatchdogMs / 1000));
            finish(ExitBenchFailure);
        }
    });
    tick.start(1000);

    auto sendAtRate = [&](TBench& b, uint8_t rate) {
        if (o.filtered)
            b.SendFilteredRawIr(rate);
        else
            b.SendRawIr(rate);
        return true;
    };
    sendAtRate(bench, TBench::RateContinuous);
    loop.exec();
    tick.stop();
    link.OnLost = nullptr;

    // The stream ends with the stop of its own code; its reply is waited for two seconds at most.
    if (link.Port().Open()) {
        host.onAckError = nullptr;
        link.SendAndWait(
            code, [&](TBench& b) { return sendAtRate(b, TBench::RateStop); }, {}, 2000);
    }
    link.Close();
    log.Close();
    out << done << " cycles, " << written << " lines written to " << o.logFile << "\n";
    return exitCode;
}

const CliCommandRegistration registration({"rawir", Usage, runRawIr});

} // namespace
