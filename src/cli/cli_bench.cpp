#include "cli_bench.h"

#include "cli_command.h"
#include "console_requests.h"
#include "paths.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>

// ---- messages and command lines ----

void CliMessages::Error(const QString& message) const {
    std::fprintf(stderr, "x714ctl %s: %s\n", m_command, qPrintable(message));
    std::fflush(stderr);
}

int CliMessages::ArgumentError(const QString& message, bool showUsage) const {
    if (showUsage)
        std::fprintf(stderr, "x714ctl %s: %s\nusage: x714ctl %s\n", m_command, qPrintable(message), m_usage);
    else
        std::fprintf(stderr, "x714ctl %s: %s\n", m_command, qPrintable(message));
    std::fflush(stderr);
    return ExitUsage;
}

QString ProgressFigures(int done, int total, qint64 elapsedMs, qint64 pacedMs) {
    const auto minutes = [](qint64 ms) {
        const qint64 s = (ms + 500) / 1000;
        return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    };
    const QString remaining = done > 0 ? minutes(pacedMs * (total - done) / done) : QStringLiteral("?");
    return QStringLiteral("%1 %, %2 elapsed, %3 remaining")
        .arg(total > 0 ? qint64(done) * 100 / total : 100)
        .arg(minutes(elapsedMs), remaining);
}

CliOption FlagOption(const QString& name, bool* flag) {
    return {name, {}, [flag](const QString&) {
                *flag = true;
                return QString();
            }};
}

CliOption TextOption(const QString& name, const QString& needs, QString* value) {
    return {name, needs, [value](const QString& text) {
                *value = text;
                return QString();
            }};
}

bool IsBaudRate(int baud) {
    return baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600 || baud == 115200;
}

CliOption BaudOption(int* baud) {
    return {QStringLiteral("--baud"), QStringLiteral("--baud needs a rate"), [baud](const QString& value) {
                bool ok = false;
                const int rate = value.toInt(&ok);
                if (!ok || !IsBaudRate(rate))
                    return QStringLiteral("--baud must be 9600, 19200, 38400, 57600 or 115200, not '%1'")
                        .arg(value);
                *baud = rate;
                return QString();
            }};
}

std::optional<QStringList> ParseCliArguments(const QStringList& args, const std::vector<CliOption>& options,
                                             const CliMessages& messages) {
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (!a.startsWith(QLatin1String("--"))) {
            positional << a;
            continue;
        }
        const CliOption* option = nullptr;
        for (const CliOption& o : options)
            if (a == o.name) option = &o;
        if (!option) {
            messages.UsageError(QStringLiteral("unknown option '%1'").arg(a));
            return std::nullopt;
        }
        QString value;
        if (!option->needs.isEmpty()) {
            if (i + 1 >= args.size()) {
                messages.UsageError(option->needs);
                return std::nullopt;
            }
            value = args.at(++i);
        }
        if (const QString problem = option->take(value); !problem.isEmpty()) {
            messages.ValueError(problem);
            return std::nullopt;
        }
    }
    return positional;
}

bool OpenCliPort(TApdComPort& port, const QString& argument, int baud, const CliMessages& messages) {
    port.SetBaud(baud);
    if (port.SetOpen(true)) return true;
    messages.Error(QStringLiteral("cannot open %1: %2").arg(argument, port.OpenError()));
    return false;
}

// ---- the tool's one bench ----

uint8_t CliBenchHost::ConsoleCommand() const {
    return m_link ? m_link->m_code : 0;
}

bool CliBenchHost::BenchBoxActive(int bench) const {
    return bench == 0 && m_link && m_link->m_port.Open();
}

void CliBenchHost::ShowAckNak(int bench) {
    if (bench == 0 && m_link && m_link->m_onReport) m_link->m_onReport();
}

void CliBenchHost::UntickAllBenches() {
    if (m_link) m_link->Close();
}

void CliBenchHost::BenchDisconnected(int) {
    PrintBenchDisconnected();
}

CliBench::CliBench(const CliMessages& messages, CliBenchHost& host) : m_messages(messages), m_host(host) {
    m_host.m_link = this;
    for (int i = 0; i < 4; ++i)
        (*m_benches)[i].Init(i == 0 ? &m_port : nullptr, &m_host, i);
    QObject::connect(&m_port, &TApdComPort::TriggerAvail, [this] { Bench().DrainPort(); });
    // Queued: the loss may be seen inside a write, in the middle of a handler that sends.
    QObject::connect(
        &m_port, &TApdComPort::DeviceLost, &m_port, [this](const QString& reason) { deviceLost(reason); },
        Qt::QueuedConnection);
}

CliBench::~CliBench() {
    Close();
    m_host.m_link = nullptr;
}

bool CliBench::Open(const QString& port, int baud) {
    m_portName = port;
    SetComPortOverride(1, ResolvePortArgument(port));
    return OpenCliPort(m_port, port, baud, m_messages);
}

void CliBench::Close() {
    if (m_port.Open()) m_port.SetOpen(false);
}

void CliBench::deviceLost(const QString& reason) {
    // A port closed since (an acknowledged Soft Reset) has nothing more to lose.
    if (m_lost || !m_port.Open()) return;
    m_lost = true;
    m_messages.Error(QStringLiteral("device lost: %1").arg(reason));
    Close();
    if (m_wake) m_wake();
    if (OnLost) OnLost();
}

CliReply CliBench::SendAndWait(uint8_t code, const std::function<bool(TBench&)>& send,
                               const std::function<void()>& atReport, int backstopMs) {
    TBench& bench = Bench();
    CliReply reply;
    if (m_lost) {
        reply.kind = CliReply::Kind::Lost;
        return reply;
    }
    QEventLoop loop;
    bool reported = false;
    m_code = code;
    m_onReport = [&] {
        if (reported) return;
        reported = true;
        reply.kind = CliReply::Kind::Reported;
        reply.ackText = bench.AckText;
        reply.acknowledged = bench.AckError == 0 && !bench.LastReplyShort &&
                             bench.AckText == bench.Commands[code].Name + QStringLiteral(" ACK");
        if (atReport) atReport();
        loop.quit();
    };
    m_wake = [&] { loop.quit(); };
    const bool sent = send(bench) && bench.Commands[code].Awaiting;
    if (sent && !reported && !m_lost) {
        // A reply always comes as an ACK, a NAK, a time-out or an unexpected reply; the backstop only
        // guards against a scan that never runs. Soft Reset may stay unanswered for its whole
        // allowance before its time-out is reported.
        if (backstopMs <= 0) backstopMs = (code == 0xF0 ? SoftResetAllowance + 5 : 5) * 1000;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [this] { m_benches->CheckTimeouts(); });
        tick.start(1000);
        QTimer::singleShot(backstopMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    m_onReport = nullptr;
    m_wake = nullptr;
    if (reported) return reply;
    if (m_lost) {
        reply.kind = CliReply::Kind::Lost;
    } else if (!sent) {
        reply.kind = CliReply::Kind::NotSent;
        m_messages.Error(QStringLiteral("the request could not be sent on %1").arg(m_portName));
    } else {
        reply.kind = CliReply::Kind::Reported;
        reply.ackText = bench.Commands[code].Name + QStringLiteral(" Timeout");
    }
    return reply;
}

CliReply CliBench::SendConsoleRequestAndWait(uint8_t code, const std::function<void()>& atReport) {
    return SendAndWait(
        code, [this, code](TBench&) { return SendConsoleRequest(*m_benches, 0, code); }, atReport);
}

void CliBench::StopStreamStartedBy(uint8_t code, const TCmdParams& params, const CliReply& reply) {
    if ((code != 0x01 && code != 0x44) || params.DataRate != TBench::RateContinuous ||
        reply.kind != CliReply::Kind::Reported || reply.Refused() || !m_port.Open())
        return;
    Bench().CmdParams.DataRate = TBench::RateStop;
    const CliReply stop = SendConsoleRequestAndWait(code);
    // A stop that was not sent, or a device that went away, has been said already.
    if (stop.kind == CliReply::Kind::Reported && !stop.acknowledged)
        m_messages.Error(QStringLiteral("the stream could not be stopped: %1").arg(stop.ackText));
}
