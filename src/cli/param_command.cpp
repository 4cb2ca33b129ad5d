// x714ctl param: one parameter command of the parameter editor (read, write, load from flash, store to
// flash) for one parameter of the bench on a port; prints the value read or the acknowledgement.
#include "bench.h"
#include "cli_command.h"
#include "operator_entry.h"
#include "param_list.h"
#include "paths.h"
#include "serial_comport.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>
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

// The tool's one bench is bench 1 of the program; its box is ticked while the port is open. The
// request's code stands for the console's, so that the bench connection reports on it.
class ParamHost : public NullBenchHost {
public:
    uint8_t code = 0;
    TApdComPort* port = nullptr;
    std::optional<QByteArray> value;
    std::function<void()> onReport;

    uint8_t ConsoleCommand() const override { return code; }
    bool BenchBoxActive(int bench) const override { return bench == 0 && port && port->Open(); }
    void ShowAckNak(int bench) override {
        if (bench == 0 && onReport) onReport();
    }
    void ParamReadReply(int bench, const QByteArray& text) override {
        if (bench == 0) value = text;
    }
    void UntickAllBenches() override {
        if (port) port->SetOpen(false);
    }
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }
};

int runParam(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto usageError = [&](const QString& message) {
        err << "x714ctl param: " << message << "\nusage: x714ctl " << Usage << "\n";
        return ExitUsage;
    };
    auto valueError = [&](const QString& message) {
        err << "x714ctl param: " << message << "\n";
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
    if (positional.size() < 3) return usageError(QStringLiteral("an action, PORT and NUMBER are required"));
    const Action* action = nullptr;
    for (const Action& a : Actions)
        if (positional.at(0) == QLatin1String(a.name)) action = &a;
    if (!action) return usageError(QStringLiteral("unknown action '%1'").arg(positional.at(0)));
    const bool write = action->code == 0x48;
    if (positional.size() != (write ? 4 : 3))
        return usageError(write ? QStringLiteral("write needs PORT, NUMBER and VALUE")
                                : QStringLiteral("%1 takes PORT and NUMBER only").arg(positional.at(0)));

    const auto number = ParseIntegerEntry(positional.at(2));
    if (!number || *number < 0 || *number > MaxParameterNumber)
        return valueError(QStringLiteral("Illegal Parameter number '%1': it must be 0 to %2")
                              .arg(positional.at(2))
                              .arg(MaxParameterNumber));

    QByteArray value;
    if (write) {
        QString text = positional.at(3);
        text.remove(QRegularExpression(QStringLiteral("[ \t\r\n]")));
        for (QChar c : text)
            if (c.unicode() < 0x20 || c.unicode() > 0x7E)
                return valueError(
                    QStringLiteral("the value may hold only ASCII characters, not '%1'").arg(c));
        value = text.toLatin1();
        if (value.size() > TBench::MaxParamValueLength)
            return valueError(QStringLiteral("the value is too long to be sent: %1 characters, at most %2")
                                  .arg(value.size())
                                  .arg(TBench::MaxParamValueLength));
    }

    const QString device = ResolvePortArgument(positional.at(1));
    SetComPortOverride(1, device);
    SerialComPort port(1);
    port.SetBaud(baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl param: cannot open " << positional.at(1) << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }

    ParamHost host;
    host.code = action->code;
    host.port = &port;
    auto benches = std::make_unique<TBenchSet>();
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = (*benches)[0];
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });

    const auto n = uint16_t(*number);
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

    int rc = ExitBenchFailure;
    if (!bench.Commands[action->code].Awaiting) {
        err << "x714ctl param: the request could not be sent on " << positional.at(1) << "\n";
    } else {
        // The bench connection reports an ACK, a NAK, an unexpected reply or, from the time-out scan,
        // a time-out; the backstop only guards against a scan that never runs.
        QEventLoop loop;
        std::optional<QString> report;
        bool acknowledged = false;
        host.onReport = [&] {
            if (report) return;
            report = bench.AckText;
            acknowledged = bench.AckError == 0 &&
                           bench.AckText == bench.Commands[action->code].Name + QStringLiteral(" ACK");
            loop.quit();
        };
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { benches->CheckTimeouts(); });
        tick.start(1000);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        if (!report) loop.exec();
        host.onReport = nullptr;
        if (!report) report = bench.Commands[action->code].Name + QStringLiteral(" Timeout");
        if (acknowledged && action->code == 0x49)
            out << QString::fromLatin1(host.value.value_or(QByteArray())) << "\n";
        else
            out << *report << "\n";
        out.flush();
        rc = acknowledged ? ExitOk : ExitBenchFailure;
    }
    if (port.Open()) {
        port.FlushOutBuffer();
        port.SetOpen(false);
    }
    return rc;
}

const CliCommandRegistration registration({"param", Usage, runParam});

} // namespace
