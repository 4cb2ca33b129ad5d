// x714ctl send: one bench command, built from CmdParams exactly as the console's send builds it; prints
// the acknowledgement and, on an ACK, the fields decoded from the reply.
#include "bench.h"
#include "bench_tables.h"
#include "cli_command.h"
#include "console_requests.h"
#include "dialogs.h"
#include "paths.h"
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

// ---- operator integer entries ----

// Decimal with an optional sign, or hexadecimal after "$", "x", "X", "0x" or "0X".
std::optional<qint64> parseInteger(const QString& text, bool* hex = nullptr) {
    QString t = text.trimmed();
    int base = 10;
    for (const char* prefix : {"0x", "0X", "$", "x", "X"}) {
        if (t.startsWith(QLatin1String(prefix))) {
            t.remove(0, int(qstrlen(prefix)));
            base = 16;
            break;
        }
    }
    if (t.isEmpty() || (base == 16 && (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')))))
        return std::nullopt;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, base);
    if (!ok) return std::nullopt;
    if (hex) *hex = base == 16;
    return v;
}

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
    const auto v = parseInteger(text);
    if (!v || *v < 0 || *v > 255) return std::nullopt;
    return uint8_t(*v);
}

// Applies FIELD=VALUE to the parameters; returns an error text, empty on success.
QString applyAssignment(TCmdParams& params, const QString& assignment) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0) return QStringLiteral("'%1' is not FIELD=VALUE (fields: %2)").arg(assignment, fieldNames());
    const QString name = assignment.left(eq).trimmed();
    const QString value = assignment.mid(eq + 1).trimmed();
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
        const auto v = parseInteger(value, &hex);
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
                    .arg(name, items.at(i).trimmed());
            bytes[i] = *v;
        }
        break;
    }
    }
    return {};
}

// ---- decoded fields by code ----

QString hexBytes(const uint8_t* data, int count) {
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << Hex2(data[i]);
    return parts.join(QLatin1Char(' '));
}

template <std::size_t N> QString numbers(const std::array<int16_t, N>& values) {
    QStringList parts;
    for (int16_t v : values)
        parts << QString::number(v);
    return parts.join(QLatin1Char(' '));
}

QString real(float value, int decimals) {
    return QString::number(double(value), 'f', decimals);
}

QStringList gasLines(const TBench& b) {
    return {QStringLiteral("Co2=%1").arg(b.Co2), QStringLiteral("Co=%1").arg(b.Co),
            QStringLiteral("Hc=%1").arg(b.Hc), QStringLiteral("O2=%1").arg(b.O2),
            QStringLiteral("NO=%1").arg(b.NO)};
}

QStringList statusLines(const TBench& b, int count) {
    return {QStringLiteral("Status=") + hexBytes(b.Status.data(), count),
            QStringLiteral("ProcessInProgress=%1").arg(int(b.ProcessInProgress)),
            QStringLiteral("ZeroRequired=%1").arg(int(b.ZeroRequired))};
}

QStringList systemIdLines(const TSystemID& id, int count) {
    const QString values[10] = {id.SerialNumber,      id.ModelNumber,    id.HwPartNumber,  id.HwRevision,
                                id.SwPartNumber,      id.SwRevision,     id.CalPartNumber, id.CalRevision,
                                id.CalCalcPartNumber, id.CalCalcRevision};
    static const char* const names[10] = {
        "SerialNumber", "ModelNumber",   "HwPartNumber", "HwRevision",        "SwPartNumber",
        "SwRevision",   "CalPartNumber", "CalRevision",  "CalCalcPartNumber", "CalCalcRevision"};
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QLatin1String(names[i]) + QLatin1Char('=') + values[i];
    return lines;
}

// The fields the reply of a code was decoded into, one "Field=value" per line.
QStringList decodedFields(const TBench& b, uint8_t code) {
    switch (code) {
    case 0x01:
        return statusLines(b, 4) + gasLines(b);
    case 0x44:
        return QStringList{QStringLiteral("GagePressure=") + real(b.GagePressure, 0),
                           QStringLiteral("AbsPressure=") + real(b.AbsPressure, 0),
                           QStringLiteral("DetSrcTemp=") + real(b.DetSrcTemp, 0),
                           QStringLiteral("DetCelTemp=") + real(b.DetCelTemp, 0),
                           QStringLiteral("MaxAdc=") + numbers(b.MaxAdc),
                           QStringLiteral("AmbPressure=") + real(b.AmbPressure, 0),
                           QStringLiteral("DemodCo2=%1").arg(b.DemodCo2),
                           QStringLiteral("DemodCo=%1").arg(b.DemodCo),
                           QStringLiteral("DemodHc=%1").arg(b.DemodHc),
                           QStringLiteral("DemodRef=%1").arg(b.DemodRef),
                           QStringLiteral("MinAdc=") + numbers(b.MinAdc),
                           QStringLiteral("RawO2=%1").arg(b.RawO2),
                           QStringLiteral("RawNO=%1").arg(b.RawNO),
                           QStringLiteral("DetEthanolTemp=%1").arg(b.DetEthanolTemp)} +
               gasLines(b) + statusLines(b, 16);
    case 0x04:
        return systemIdLines(b.SystemId, 6);
    case 0x51:
        return systemIdLines(b.SystemId, 10);
    case 0x05:
        return {QStringLiteral("AmbientTemp=") + real(b.AmbientTemp, 1),
                QStringLiteral("Pef=") + real(b.Pef, 3), QStringLiteral("AdcA=%1").arg(b.AdcA),
                QStringLiteral("AdcB=%1").arg(b.AdcB),
                QStringLiteral("PulsesPerMinute=%1").arg(b.PulsesPerMinute)};
    case 0x07:
    case 0x52:
        return {QStringLiteral("PumpState=%1").arg(b.PumpState)};
    case 0x08:
        return {QStringLiteral("DeviceControlState=%1").arg(b.DeviceControlState)};
    case 0x12:
        return {QStringLiteral("RawO2=%1").arg(b.RawO2), QStringLiteral("RawNO=%1").arg(b.RawNO)};
    case 0x13:
        return {QStringLiteral("ChannelSwitch=%1").arg(b.ChannelSwitch)};
    case 0x14:
        return {QStringLiteral("UserMemory=") + hexBytes(b.UserMemory.data(), int(b.UserMemory.size()))};
    case 0x16:
        return {QStringLiteral("GagePressure=") + real(b.GagePressure, 0),
                QStringLiteral("AbsPressure=") + real(b.AbsPressure, 0),
                QStringLiteral("AmbPressure=") + real(b.AmbPressure, 0)};
    case 0x17:
        return {QStringLiteral("StandbyState=%1").arg(b.StandbyState)};
    case 0x18:
        return {QStringLiteral("SwChecksum=") + hexBytes(b.SwChecksum.data(), int(b.SwChecksum.size()))};
    case 0x45:
        return {QStringLiteral("FilterState=%1").arg(b.FilterState)};
    case 0x46:
        return {QStringLiteral("DemodState=%1").arg(b.DemodState)};
    case 0xD4:
        return {QStringLiteral("CommandSet=") + hexBytes(b.CommandSet.data(), int(b.CommandSet.size()))};
    case 0xF1:
        return {QStringLiteral("ReportedMode=%1").arg(b.ReportedMode)};
    default:
        return {};
    }
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
class SendHost : public IBenchHost {
public:
    uint8_t code = 0;
    TApdComPort* port = nullptr;
    std::function<void()> onReport;

    uint8_t ConsoleCommand() const override { return code; }
    bool BenchBoxActive(int bench) const override { return bench == 0 && port && port->Open(); }
    void UntickAllBenches() override {
        if (port) port->SetOpen(false);
    }
    void ShowAckNak(int bench) override {
        if (bench == 0 && onReport) onReport();
    }
};

// Message boxes of the bench link (the Soft Reset warning) go to standard error.
class StderrDialogs : public IDialogs {
public:
    void Message(const QString& text, const QString& caption, Icon) override {
        QTextStream err(stderr);
        err << caption << ": " << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
    }
    bool Confirm(const QString&, const QString&) override { return false; }
    QString OpenFileName(const FileRequest&) override { return {}; }
    QString SaveFileName(const FileRequest&) override { return {}; }
};

// Sends the console request for host.code and runs the event loop, with the time-out scan every
// second, until the bench reports on it. A reply always comes as an ACK, a NAK, a time-out or an
// unexpected reply; the backstop only guards against a scan that never runs.
std::optional<Outcome> sendAndWait(std::array<TBench, 4>& benches, SendHost& host, int backstopMs) {
    TBench& bench = benches[0];
    if (!SendConsoleRequest(bench, host.code) || !bench.Commands[host.code].Awaiting) return std::nullopt;
    QEventLoop loop;
    std::optional<Outcome> outcome;
    host.onReport = [&] {
        if (outcome) return;
        Outcome o;
        o.ackText = bench.AckText;
        o.acknowledged = bench.AckError == 0 && !bench.LastReplyShort &&
                         bench.AckText == bench.Commands[host.code].Name + QStringLiteral(" ACK");
        if (o.acknowledged) o.fields = decodedFields(bench, host.code);
        outcome = o;
        loop.quit();
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { TBench::CheckTimeouts(benches); });
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

    const auto codeValue = parseInteger(positional.at(1));
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

    StderrDialogs dialogs;
    SetDialogs(&dialogs);
    SendHost host;
    host.code = code;
    host.port = &port;
    auto benches = std::make_unique<std::array<TBench, 4>>();
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
    SetDialogs(nullptr);
    if (port.Open()) {
        port.FlushOutBuffer();
        port.SetOpen(false);
    }
    return rc;
}

const CliCommandRegistration registration({"send", Usage, runSend});

} // namespace
