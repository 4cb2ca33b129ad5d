#pragma once

// What the subcommands that talk to a bench share: their messages and command lines (with --baud B),
// opening a port, and the tool's one bench standing in for bench 1 of the program, with one request
// sent and waited for.
#include "bench.h"
#include "bench_host.h"
#include "serial_comport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// ---- messages and command lines ----

// A command's lines on standard error, each "x714ctl NAME: ...". After a malformed command line the
// whole usage follows; a bad value gets its message alone.
class CliMessages {
public:
    CliMessages(const char* command, const char* usage) : m_command(command), m_usage(usage) {}

    const char* Command() const { return m_command; }
    void Error(const QString& message) const;
    // The message, with the usage after it when showUsage; returns ExitUsage.
    int ArgumentError(const QString& message, bool showUsage) const;
    int UsageError(const QString& message) const { return ArgumentError(message, true); }
    int ValueError(const QString& message) const { return ArgumentError(message, false); }

private:
    const char* m_command;
    const char* m_usage;
};

// The figures of a long run's progress line: "P %, M:SS elapsed, M:SS remaining", DONE of TOTAL steps
// after ELAPSEDMS, the time remaining estimated from the pace of the steps done in PACEDMS ("?" before
// the first).
QString ProgressFigures(int done, int total, qint64 elapsedMs, qint64 pacedMs);

// One option of a command. A flag leaves `needs` empty; an option with a value has there the message
// for a missing value ("--send needs a port"). `take` gets the value (empty for a flag) and returns the
// message for a bad one, empty when it took it.
struct CliOption {
    QString name;
    QString needs;
    std::function<QString(const QString& value)> take;
};

// A flag that sets *flag.
CliOption FlagOption(const QString& name, bool* flag);
// An option whose value, whatever it is, goes to *value.
CliOption TextOption(const QString& name, const QString& needs, QString* value);

// True for the rates a port runs at: 9600, 19200, 38400, 57600 and 115200.
bool IsBaudRate(int baud);
inline constexpr int DefaultBaud = 19200;
// "--baud B": one of the port rates, in decimal, into *baud.
CliOption BaudOption(int* baud);

// Reads ARGS in order: the options in OPTIONS (a later one wins), and every argument that does not
// begin with "--" as a positional one. Returns the positional arguments; on an unknown option, a
// missing or a bad value prints the message and returns nothing.
std::optional<QStringList> ParseCliArguments(const QStringList& args, const std::vector<CliOption>& options,
                                             const CliMessages& messages);

// Opens a port at the rate; when it cannot be opened, prints "x714ctl NAME: cannot open ARGUMENT:
// REASON" and returns false.
bool OpenCliPort(TApdComPort& port, const QString& argument, int baud, const CliMessages& messages);

// ---- the tool's one bench ----

class CliBench;

// The program around the tool's one bench, which stands in for bench 1: its activation box is ticked
// while the port is open, the code a request waits for plays the console's code (so that every report
// on it comes back), an acknowledged Soft Reset unticks the box (which closes the port) and the
// restarted bench's warning goes to standard error. A command derives from it for the calls it answers.
class CliBenchHost : public NullBenchHost {
public:
    uint8_t ConsoleCommand() const override;
    bool BenchBoxActive(int bench) const override;
    void ShowAckNak(int bench) override;
    void UntickAllBenches() override;
    void BenchDisconnected(int bench) override;

protected:
    // The bench this host was given to.
    CliBench& Link() const { return *m_link; }

private:
    friend class CliBench;
    CliBench* m_link = nullptr;
};

// How the bench answered one request.
struct CliReply {
    enum class Kind {
        Reported, // an ACK, a refusal, an unexpected reply or a time-out: ackText
        NotSent,  // the request could not be sent (said on standard error)
        Lost,     // the device went away (said on standard error)
    };
    Kind kind = Kind::NotSent;
    // The acknowledgement line as the bench connection reported it ("System ID  ACK").
    QString ackText;
    // An ACK of the full reply.
    bool acknowledged = false;
    bool Refused() const { return ackText.contains(QLatin1String(" NAK ")); }
};

// The bench on the command's port: COM1 of this run, bench 1 of a bench set whose other three benches
// have no port. The time-out scan runs every second while a request is waited for. When the device
// goes away the port is closed, "x714ctl NAME: device lost: REASON" goes to standard error and OnLost
// runs, so that a command ends at once instead of waiting for time-outs.
class CliBench {
public:
    CliBench(const CliMessages& messages, CliBenchHost& host);
    ~CliBench();
    CliBench(const CliBench&) = delete;
    CliBench& operator=(const CliBench&) = delete;

    // Opens PORT (a device path, or a COMn name as mapped when the tool started) as COM1 at the rate;
    // false after the message when it cannot be opened.
    bool Open(const QString& port, int baud);
    // Closes the port when it is open; what was sent is not discarded.
    void Close();

    TBench& Bench() { return (*m_benches)[0]; }
    TBenchSet& Benches() { return *m_benches; }
    SerialComPort& Port() { return m_port; }
    // The port as the command line named it.
    const QString& PortName() const { return m_portName; }
    const CliMessages& Messages() const { return m_messages; }

    bool Lost() const { return m_lost; }
    std::function<void()> OnLost;

    // Sends a request for CODE with `send` (false, or a request not awaited, when it could not be sent)
    // and runs the event loop until the bench reports on the code, the device goes away or the
    // backstop passes (0: five seconds, a Soft Reset's allowance more for $F0), which counts as the
    // code's time-out. atReport runs when the bench reports, before later packets change its fields.
    CliReply SendAndWait(uint8_t code, const std::function<bool(TBench&)>& send,
                         const std::function<void()>& atReport = {}, int backstopMs = 0);
    // The same for the console's request of CODE, built from the bench's CmdParams.
    CliReply SendConsoleRequestAndWait(uint8_t code, const std::function<void()>& atReport = {});
    // A data request for CODE at the continuous rate that the bench did not refuse started a stream:
    // it is stopped again, and a stop that is not acknowledged is said on standard error.
    void StopStreamStartedBy(uint8_t code, const TCmdParams& params, const CliReply& reply);

private:
    friend class CliBenchHost;
    void deviceLost(const QString& reason);

    const CliMessages& m_messages;
    CliBenchHost& m_host;
    SerialComPort m_port{1};
    std::unique_ptr<TBenchSet> m_benches = std::make_unique<TBenchSet>();
    QString m_portName;
    uint8_t m_code = 0;
    bool m_lost = false;
    // While a request is waited for: the bench reported on its code; anything that ends the wait.
    std::function<void()> m_onReport;
    std::function<void()> m_wake;
};
