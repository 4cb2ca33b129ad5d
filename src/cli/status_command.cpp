// x714ctl status: one data reply of a bench, shown as the status screen (or, with --engineering, the
// engineering status screen) shows it: every box as group, row caption, text and colour.
#include "bench.h"
#include "cli_command.h"
#include "paths.h"
#include "serial_comport.h"
#include "status_bits.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>
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

// The tool's one bench stands in for bench 1 of the program; its box is ticked while the port is open.
// The code it waits for plays the console's code, so that every report on it comes back here.
class StatusHost : public NullBenchHost {
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
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }
};

struct Outcome {
    QString ackText;
    bool acknowledged = false;
    TStatusBytes status{};
};

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
    QTextStream err(stderr);
    auto usageError = [&](const QString& message) {
        err << "x714ctl status: " << message << "\nusage: x714ctl " << Usage << "\n";
        return ExitUsage;
    };

    QStringList positional;
    bool engineering = false;
    int baud = 19200;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--engineering")) {
            engineering = true;
        } else if (a == QLatin1String("--baud")) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("--baud needs a rate"));
            const QString v = args.at(++i);
            bool ok = false;
            baud = v.toInt(&ok);
            if (!ok || !QList<int>{9600, 19200, 38400, 57600, 115200}.contains(baud))
                return usageError(
                    QStringLiteral("--baud must be 9600, 19200, 38400, 57600 or 115200, not '%1'").arg(v));
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.size() != 1) return usageError(QStringLiteral("one PORT is required"));

    SetComPortOverride(1, ResolvePortArgument(positional.at(0)));
    SerialComPort port(1);
    port.SetBaud(baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl status: cannot open " << positional.at(0) << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }

    StatusHost host;
    host.code = engineering ? 0x41 : 0x01;
    host.port = &port;
    auto benches = std::make_unique<TBenchSet>();
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = (*benches)[0];
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });

    // The first report on the code ends the wait: the reply, a refusal, an unexpected packet or the
    // time-out of the one-second scan. The backstop only guards against a scan that never runs.
    std::optional<Outcome> outcome;
    QEventLoop loop;
    host.onReport = [&] {
        if (outcome) return;
        Outcome o;
        o.ackText = bench.AckText;
        o.acknowledged = bench.AckError == 0 && !bench.LastReplyShort &&
                         bench.AckText == bench.Commands[host.code].Name + QStringLiteral(" ACK");
        o.status = bench.Status;
        outcome = o;
        loop.quit();
    };
    // A device that goes away ends the wait at once.
    QString lostReason;
    QObject::connect(&port, &TApdComPort::DeviceLost, &loop, [&](const QString& reason) {
        lostReason = reason;
        loop.quit();
    });
    if (engineering)
        bench.SendEngineeringStatus(TBench::RateOnePacket);
    else
        bench.SendDataStatus(TBench::RateOnePacket, false);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { benches->CheckTimeouts(); });
    tick.start(1000);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    const bool sent = bench.Commands[host.code].Awaiting;
    if (!outcome && sent) loop.exec();
    host.onReport = nullptr;
    tick.stop();
    if (port.Open()) {
        port.FlushOutBuffer();
        port.SetOpen(false);
    }

    if (!outcome && !sent) {
        err << "x714ctl status: the request could not be sent on " << positional.at(0) << "\n";
        return ExitBenchFailure;
    }
    if (!outcome && !lostReason.isEmpty()) {
        err << "x714ctl status: device lost: " << lostReason << "\n";
        return ExitBenchFailure;
    }
    if (!outcome) {
        err << "x714ctl status: " << bench.Commands[host.code].Name << " Timeout\n";
        return ExitBenchFailure;
    }
    if (!outcome->acknowledged) {
        err << "x714ctl status: " << outcome->ackText << "\n";
        return ExitBenchFailure;
    }
    const bool red = engineering ? printBoxes(out, EngineeringBoxes, EngineeringGroups,
                                              DecodeEngineeringStatus(outcome->status))
                                 : printBoxes(out, StatusBoxes, StatusGroups, DecodeStatus(outcome->status));
    out.flush();
    return red ? ExitBenchFailure : ExitOk;
}

const CliCommandRegistration registration({"status", Usage, runStatus});

} // namespace
