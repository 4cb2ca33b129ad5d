// x714ctl send: one bench command, built from CmdParams exactly as the console's send builds it; prints
// the acknowledgement and, on an ACK, the fields decoded from the reply.
#include "bench.h"
#include "bench_tables.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "console_requests.h"
#include "operator_entry.h"
#include "reply_fields.h"

#include <QTextStream>
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

int runSend(const QStringList& args) {
    QTextStream out(stdout);
    const CliMessages messages("send", Usage);
    int baud = DefaultBaud;
    const std::optional<QStringList> parsed = ParseCliArguments(args, {BaudOption(&baud)}, messages);
    if (!parsed) return ExitUsage;
    const QStringList& positional = *parsed;
    if (positional.size() < 2) return messages.UsageError(QStringLiteral("PORT and CODE are required"));

    const auto codeValue = ParseIntegerEntry(positional.at(1));
    if (!codeValue || *codeValue < 0 || *codeValue > 255)
        return messages.UsageError(
            QStringLiteral("CODE must be a command code 0 to 255 (e.g. 4, $04 or 0x04), not '%1'")
                .arg(positional.at(1)));
    const auto code = uint8_t(*codeValue);
    if (!IsConsoleRequest(code)) {
        QStringList codes;
        for (int c = 0; c < 256; ++c)
            if (IsConsoleRequest(uint8_t(c))) codes << QLatin1Char('$') + Hex2(uint8_t(c));
        return messages.ValueError(QStringLiteral("$%1 is not a command the console sends; these are: %2")
                                       .arg(Hex2(code), codes.join(QLatin1Char(' '))));
    }

    TCmdParams params;
    for (const QString& assignment : positional.mid(2)) {
        const QString problem = applyAssignment(params, assignment);
        if (!problem.isEmpty()) return messages.ValueError(problem);
    }

    CliBenchHost host;
    CliBench link(messages, host);
    if (!link.Open(positional.at(0), baud)) return ExitUsage;
    TBench& bench = link.Bench();
    bench.CmdParams = params;

    // The fields are taken when the bench reports: later packets (a stream, or the stop request's
    // reply) change them again.
    QStringList fields;
    const CliReply reply =
        link.SendConsoleRequestAndWait(code, [&] { fields = ReplyFieldLines(bench, code); });
    if (reply.kind != CliReply::Kind::Reported) return ExitBenchFailure;
    out << reply.ackText << "\n";
    if (reply.acknowledged)
        for (const QString& line : fields)
            out << line << "\n";
    out.flush();
    // A stream this command may have started is stopped again (unless the bench refused it).
    link.StopStreamStartedBy(code, params, reply);
    return reply.acknowledged ? ExitOk : ExitBenchFailure;
}

const CliCommandRegistration registration({"send", Usage, runSend});

} // namespace
