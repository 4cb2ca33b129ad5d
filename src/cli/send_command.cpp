// x714ctl send: one bench command, built from CmdParams exactly as the console's send builds it; prints
// the acknowledgement and, on an ACK, the fields decoded from the reply.
#include "bench.h"
#include "bench_tables.h"
#include "cli_command.h"
#include "console_requests.h"
#include "operator_entry.h"
#include "paths.h"
#include "reply_fields.h"
#include "serial_comport.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace {

const char* const Usage =
    "send PORT CODE [FIELD=VALUE]... [--baud B]\n"
    "      sends one console command (CODE, e.g. 4, $04 or 0x04) to the bench on PORT with the given\n"
    "      CmdParams fields (others 0); prints the acknowledgement, then on an ACK the decoded fields as\n"
    "      Field=value. Values: decimal with optional sign, or hexadecimal after $, x or 0x; arrays\n"
    "      (CommandSetId, MemoryData) as comma lists, missing entries 0. A stream started with\n"
    "      DataRate=2 is stopped before exit. Exit 0 on ACK, 1 on refusal, time-out or unexpected\n"
    "      reply, 2 on bad arguments or a port that cannot be opened.";

// ---- CmdParams fields by name ----

enum class FieldKind { U8, I16, Bytes };

struct CmdField {
    const char* name;
    FieldKind kind;
    int count; // entries of a byte array
    void* (*address)(TCmdParams& p);
};

#define X714_FIELD(member, kind, count)                                                                      \
    CmdField {                                                                                               \
#member, kind, count, [](TCmdParams & p) -> void* { return &p.member; }                              \
    }

const CmdField CmdFields[] = {
    X714_FIELD(PurgeTime, FieldKind::U8, 1),
    X714_FIELD(TagMask, FieldKind::U8, 1),
    X714_FIELD(TagValue, FieldKind::I16, 1),
    X714_FIELD(SpanCo2, FieldKind::I16, 1),
    X714_FIELD(SpanCo, FieldKind::I16, 1),
    X714_FIELD(SpanEthanol, FieldKind::I16, 1),
    X714_FIELD(SpanNO, FieldKind::I16, 1),
    X714_FIELD(SpanO2, FieldKind::I16, 1),
    X714_FIELD(PumpControl, FieldKind::U8, 1),
    X714_FIELD(DeviceMask, FieldKind::U8, 1),
    X714_FIELD(DeviceValue, FieldKind::U8, 1),
    X714_FIELD(DataRate, FieldKind::U8, 1),
    X714_FIELD(EthanolMode, FieldKind::U8, 1),
    X714_FIELD(FilterControl, FieldKind::U8, 1),
    X714_FIELD(DemodSelect, FieldKind::U8, 1),
    X714_FIELD(CommandSetId, FieldKind::Bytes, 3),
    X714_FIELD(CommandSetPermanent, FieldKind::U8, 1),
    X714_FIELD(SwitchControl, FieldKind::U8, 1),
    X714_FIELD(MemoryLocation, FieldKind::U8, 1),
    X714_FIELD(MemoryData, FieldKind::Bytes, 20),
    X714_FIELD(VacuumTime, FieldKind::U8, 1),
    X714_FIELD(LeakCheckTime, FieldKind::U8, 1),
    X714_FIELD(LeakTolerance, FieldKind::U8, 1),
    X714_FIELD(ModeAction, FieldKind::U8, 1),
    X714_FIELD(NewMode, FieldKind::U8, 1),
    X714_FIELD(StandbyControl, FieldKind::U8, 1),
};
#undef X714_FIELD

QString fieldNames() {
    QStringList names;
    for (const CmdField& f : CmdFields)
        names << QLatin1String(f.name);
    return names.join(QLatin1String(", "));
}

// Parses one byte entry (0..255).
std::optional<uint8_t> parseByte(const QString& text) {
    const auto v = ParseIntegerEntry(text);
    if (!v || *v < 0 || *v > 255) return std::nullopt;
    return uint8_t(*v);
}

// Applies FIELD=VALUE to the parameters; returns an error text, empty on success.
QString applyAssignment(TCmdParams& params, const QString& assignment) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0) return QStringLiteral("'%1' is not FIELD=VALUE (fields: %2)").arg(assignment, fieldNames());
    const QString name = assignment.left(eq).trimmed();
    // The value follows the console's entry rules: blanks before it, nothing after it.
    const QString value = assignment.mid(eq + 1);
    const CmdField* field = nullptr;
    for (const CmdField& f : CmdFields)
        if (name == QLatin1String(f.name)) field = &f;
    if (!field) return QStringLiteral("unknown field '%1' (fields: %2)").arg(name, fieldNames());
    void* target = field->address(params);
    switch (field->kind) {
    case FieldKind::U8: {
        const auto v = parseByte(value);
        if (!v) return QStringLiteral("%1 must be 0 to 255 (or $00 to $FF), not '%2'").arg(name, value);
        *static_cast<uint8_t*>(target) = *v;
        break;
    }
    case FieldKind::I16: {
        bool hex = false;
        const auto v = ParseIntegerEntry(value, &hex);
        const bool inRange = v && (hex ? (*v >= 0 && *v <= 0xFFFF) : (*v >= -32768 && *v <= 32767));
        if (!inRange)
            return QStringLiteral("%1 must be -32768 to 32767 (or $0000 to $FFFF), not '%2'")
                .arg(name, value);
        *static_cast<int16_t*>(target) = int16_t(uint16_t(*v & 0xFFFF));
        break;
    }
    case FieldKind::Bytes: {
        const QStringList items = value.split(QLatin1Char(','));
        if (items.size() > field->count)
            return QStringLiteral("%1 takes at most %2 values, not %3")
                .arg(name)
                .arg(field->count)
                .arg(items.size());
        auto* bytes = static_cast<uint8_t*>(target);
        for (int i = 0; i < field->count; ++i) {
            if (i >= items.size()) {
                bytes[i] = 0;
                continue;
            }
            const auto v = parseByte(items.at(i));
            if (!v)
                return QStringLiteral("%1 entries must be 0 to 255 (or $00 to $FF), not '%2'")
                    .arg(name, items.at(i));
            bytes[i] = *v;
        }
        break;
    }
    }
    return {};
}

// ---- the program around one bench ----

// What the bench reported for the command, taken at the moment it was reported: later packets (a
// stream, or the stop request's reply) change the bench's fields again.
struct Outcome {
    QString ackText;
    bool acknowledged = false;
    QStringList fields;
};

// The one bench of the tool stands in for bench 1 of the program; its activation box is ticked while
// the port is open.
class SendHost : public NullBenchHost {
public:
    uint8_t code = 0;
    TApdComPort* port = nullptr;
    std::function<void()> onReport;

    uint8_t ConsoleCommand() const override { return code; }
    bool BenchBoxActive(int bench) const override { return bench == 0 && port && port->Open(); }
    void ShowAckNak(int bench) override {
        if (bench == 0 && onReport) onReport();
    }
    void UntickAllBenches() override {
        if (port) port->SetOpen(false);
    }
    // The restarted bench's warning goes to standard error.
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }
};

// Sends the console request for host.code and runs the event loop, with the time-out scan every
// second, until the bench reports on it. A reply always comes as an ACK, a NAK, a time-out or an
// unexpected reply; the backstop only guards against a scan that never runs.
std::optional<Outcome> sendAndWait(TBenchSet& benches, SendHost& host, int backstopMs) {
    TBench& bench = benches[0];
    if (!SendConsoleRequest(benches, 0, host.code) || !bench.Commands[host.code].Awaiting)
        return std::nullopt;
    QEventLoop loop;
    std::optional<Outcome> outcome;
    host.onReport = [&] {
        if (outcome) return;
        Outcome o;
        o.ackText = bench.AckText;
        o.acknowledged = bench.AckError == 0 && !bench.LastReplyShort &&
                         bench.AckText == bench.Commands[host.code].Name + QStringLiteral(" ACK");
        if (o.acknowledged) o.fields = ReplyFieldLines(bench, host.code);
        outcome = o;
        loop.quit();
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { benches.CheckTimeouts(); });
    tick.start(1000);
    QTimer::singleShot(backstopMs, &loop, &QEventLoop::quit);
    if (!outcome) loop.exec();
    host.onReport = nullptr;
    if (!outcome) outcome = Outcome{bench.Commands[host.code].Name + QStringLiteral(" Timeout"), false, {}};
    return outcome;
}

int runSend(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The whole usage follows a malformed command line; a bad value gets its message alone.
    auto usageError = [&](const QString& message) {
        err << "x714ctl send: " << message << "\nusage: x714ctl " << Usage << "\n";
        return ExitUsage;
    };
    auto valueError = [&](const QString& message) {
        err << "x714ctl send: " << message << "\n";
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
            if (!ok || !(baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600 || baud == 115200))
                return valueError(
                    QStringLiteral("--baud must be 9600, 19200, 38400, 57600 or 115200, not '%1'").arg(v));
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.size() < 2) return usageError(QStringLiteral("PORT and CODE are required"));

    const auto codeValue = ParseIntegerEntry(positional.at(1));
    if (!codeValue || *codeValue < 0 || *codeValue > 255)
        return usageError(
            QStringLiteral("CODE must be a command code 0 to 255 (e.g. 4, $04 or 0x04), not '%1'")
                .arg(positional.at(1)));
    const auto code = uint8_t(*codeValue);
    if (!IsConsoleRequest(code)) {
        QStringList codes;
        for (int c = 0; c < 256; ++c)
            if (IsConsoleRequest(uint8_t(c))) codes << QLatin1Char('$') + Hex2(uint8_t(c));
        return valueError(QStringLiteral("$%1 is not a command the console sends; these are: %2")
                              .arg(Hex2(code), codes.join(QLatin1Char(' '))));
    }

    TCmdParams params;
    for (const QString& assignment : positional.mid(2)) {
        const QString problem = applyAssignment(params, assignment);
        if (!problem.isEmpty()) return valueError(problem);
    }

    // The tool's own port is COM1 of this run, whatever device the argument names.
    const QString device = ResolvePortArgument(positional.at(0));
    SetComPortOverride(1, device);
    SerialComPort port(1);
    port.SetBaud(baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl send: cannot open " << positional.at(0) << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }

    SendHost host;
    host.code = code;
    host.port = &port;
    auto benches = std::make_unique<TBenchSet>();
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = (*benches)[0];
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });
    bench.CmdParams = params;

    // Soft Reset may stay unanswered for its whole allowance before its time-out is reported.
    const int backstopMs = (code == 0xF0 ? SoftResetAllowance + 5 : 5) * 1000;
    const std::optional<Outcome> outcome = sendAndWait(*benches, host, backstopMs);
    int rc = ExitBenchFailure;
    if (!outcome) {
        err << "x714ctl send: the request could not be sent on " << positional.at(0) << "\n";
    } else {
        out << outcome->ackText << "\n";
        for (const QString& line : outcome->fields)
            out << line << "\n";
        out.flush();
        rc = outcome->acknowledged ? ExitOk : ExitBenchFailure;

        // A stream this command may have started is stopped again (unless the bench refused it).
        const bool refused = outcome->ackText.contains(QLatin1String(" NAK "));
        if ((code == 0x01 || code == 0x44) && params.DataRate == TBench::RateContinuous && !refused &&
            port.Open()) {
            bench.CmdParams.DataRate = TBench::RateStop;
            const std::optional<Outcome> stop = sendAndWait(*benches, host, 5000);
            if (!stop || !stop->acknowledged)
                err << "x714ctl send: the stream could not be stopped: "
                    << (stop ? stop->ackText : QStringLiteral("not sent")) << "\n";
        }
    }
    if (port.Open()) {
        port.FlushOutBuffer();
        port.SetOpen(false);
    }
    return rc;
}

const CliCommandRegistration registration({"send", Usage, runSend});

} // namespace
