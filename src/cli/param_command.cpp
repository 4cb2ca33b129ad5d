// x714ctl param: one parameter command of the parameter editor (read, write, load from flash, store to
// flash) for one parameter of the bench on a port; prints the value read or the acknowledgement.
#include "bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "operator_entry.h"
#include "param_list.h"

#include <QRegularExpression>
#include <QTextStream>
#include <optional>

namespace {

const char* const Usage =
    "param read|write|load|store PORT NUMBER [VALUE] [--baud B]\n"
    "      one parameter command for parameter NUMBER (0 to 400) of the bench on PORT: read its working\n"
    "      value ($49), write VALUE as its working value ($48; blanks are removed, as the parameter\n"
    "      screen does), load it from flash into working memory ($55) or store the working value to\n"
    "      flash ($54). Prints the value text (read) or the acknowledgement. Exit 0 on ACK, 1 on\n"
    "      refusal, time-out or unexpected reply, 2 on bad arguments or a port that cannot be opened.";

struct Action {
    const char* name;
    uint8_t code;
};
constexpr Action Actions[] = {{"read", 0x49}, {"write", 0x48}, {"load", 0x55}, {"store", 0x54}};

// The value text of a read.
class ParamHost : public CliBenchHost {
public:
    std::optional<QByteArray> value;

    void ParamReadReply(int bench, const QByteArray& text) override {
        if (bench == 0) value = text;
    }
};

int runParam(const QStringList& args) {
    QTextStream out(stdout);
    const CliMessages messages("param", Usage);
    int baud = DefaultBaud;
    const std::optional<QStringList> parsed = ParseCliArguments(args, {BaudOption(&baud)}, messages);
    if (!parsed) return ExitUsage;
    const QStringList& positional = *parsed;
    if (positional.size() < 3)
        return messages.UsageError(QStringLiteral("an action, PORT and NUMBER are required"));
    const Action* action = nullptr;
    for (const Action& a : Actions)
        if (positional.at(0) == QLatin1String(a.name)) action = &a;
    if (!action) return messages.UsageError(QStringLiteral("unknown action '%1'").arg(positional.at(0)));
    const bool write = action->code == 0x48;
    if (positional.size() != (write ? 4 : 3))
        return messages.UsageError(
            write ? QStringLiteral("write needs PORT, NUMBER and VALUE")
                  : QStringLiteral("%1 takes PORT and NUMBER only").arg(positional.at(0)));

    const auto number = ParseIntegerEntry(positional.at(2));
    if (!number || *number < 0 || *number > MaxParameterNumber)
        return messages.ValueError(QStringLiteral("Illegal Parameter number '%1': it must be 0 to %2")
                                       .arg(positional.at(2))
                                       .arg(MaxParameterNumber));

    QByteArray value;
    if (write) {
        QString text = positional.at(3);
        text.remove(QRegularExpression(QStringLiteral("[ \t\r\n]")));
        for (QChar c : text)
            if (c.unicode() < 0x20 || c.unicode() > 0x7E)
                return messages.ValueError(
                    QStringLiteral("the value may hold only ASCII characters, not '%1'").arg(c));
        value = text.toLatin1();
        if (value.size() > TBench::MaxParamValueLength)
            return messages.ValueError(
                QStringLiteral("the value is too long to be sent: %1 characters, at most %2")
                    .arg(value.size())
                    .arg(TBench::MaxParamValueLength));
    }

    ParamHost host;
    CliBench link(messages, host);
    if (!link.Open(positional.at(1), baud)) return ExitUsage;

    const auto n = uint16_t(*number);
    const CliReply reply = link.SendAndWait(action->code, [&](TBench& bench) {
        switch (action->code) {
        case 0x49:
            bench.SendReadFlashParameter(n);
            break;
        case 0x48:
            (void)bench.SendWriteFlashParameter(n, value); // its length was checked above
            break;
        case 0x55:
            bench.SendLoadFlashParameter(n);
            break;
        default:
            bench.SendStoreFlashParameter(n);
            break;
        }
        return true;
    });
    if (reply.kind != CliReply::Kind::Reported) return ExitBenchFailure;
    if (reply.acknowledged && action->code == 0x49)
        out << QString::fromLatin1(host.value.value_or(QByteArray())) << "\n";
    else
        out << reply.ackText << "\n";
    out.flush();
    return reply.acknowledged ? ExitOk : ExitBenchFailure;
}

const CliCommandRegistration registration({"param", Usage, runParam});

} // namespace
