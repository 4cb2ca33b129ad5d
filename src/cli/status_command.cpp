// x714ctl status: one data reply of a bench, shown as the status screen (or, with --engineering, the
// engineering status screen) shows it: every box as group, row caption, text and colour.
#include "bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "status_bits.h"

#include <QTextStream>
#include <optional>
#include <span>

namespace {

const char* const Usage =
    "status PORT [--engineering] [--baud B]\n"
    "      asks the bench on PORT for one data reply ($01, or $41 with --engineering, rate 1 \"One\n"
    "      Packet\") and prints every box of the status screen (the engineering status screen) as it\n"
    "      shows it, one line each: group | row caption | \"text\" | colour. Exit 0 when every box is\n"
    "      green, 1 when any is red or the bench does not answer (refusal, time-out, unexpected or short\n"
    "      reply, lost device), 2 on bad arguments or a port that cannot be opened.";

QString qstr(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// Prints the visible boxes of a screen's table; returns true when any of them is red.
template <std::size_t N>
bool printBoxes(QTextStream& out, std::span<const TStatusBox> table, std::span<const std::string_view> groups,
                const std::array<TStatusText, N>& view) {
    bool red = false;
    for (std::size_t i = 0; i < N; ++i) {
        const TStatusBox& box = table[i];
        if (box.hidden) continue;
        const TStatusText& shown = view[i];
        // A value that leaves its box unchanged shows as the box of a freshly chosen bench: empty.
        const QString colour = shown.keep ? QStringLiteral("none") : qstr(StatusColourName(shown.colour));
        out << qstr(groups[box.group]) << " | " << qstr(box.caption) << " | \""
            << (shown.keep ? QString() : qstr(shown.text)) << "\" | " << colour << "\n";
        red = red || (!shown.keep && shown.colour == TStatusColour::Red);
    }
    return red;
}

int runStatus(const QStringList& args) {
    QTextStream out(stdout);
    const CliMessages messages("status", Usage);
    bool engineering = false;
    int baud = DefaultBaud;
    const std::optional<QStringList> parsed = ParseCliArguments(
        args, {FlagOption(QStringLiteral("--engineering"), &engineering), BaudOption(&baud)}, messages);
    if (!parsed) return ExitUsage;
    if (parsed->size() != 1) return messages.UsageError(QStringLiteral("one PORT is required"));

    CliBenchHost host;
    CliBench link(messages, host);
    if (!link.Open(parsed->at(0), baud)) return ExitUsage;

    // The status bytes as the reply brought them.
    TStatusBytes status{};
    const CliReply reply = link.SendAndWait(
        engineering ? 0x41 : 0x01,
        [engineering](TBench& bench) {
            if (engineering)
                bench.SendEngineeringStatus(TBench::RateOnePacket);
            else
                bench.SendDataStatus(TBench::RateOnePacket, false);
            return true;
        },
        [&] { status = link.Bench().Status; });
    link.Close();
    if (reply.kind != CliReply::Kind::Reported) return ExitBenchFailure;
    if (!reply.acknowledged) {
        messages.Error(reply.ackText);
        return ExitBenchFailure;
    }
    const bool red =
        engineering ? printBoxes(out, EngineeringBoxes, EngineeringGroups, DecodeEngineeringStatus(status))
                    : printBoxes(out, StatusBoxes, StatusGroups, DecodeStatus(status));
    out.flush();
    return red ? ExitBenchFailure : ExitOk;
}

const CliCommandRegistration registration({"status", Usage, runStatus});

} // namespace
