// x714ctl page: one console page's send step without the window, on the page as the console lays it
// out the first time, with the controls the arguments change; with --send also the bench's answer and
// the page's result boxes. It runs the console's own page functions, so a script sees what an operator
// sees.
#include "bench.h"
#include "bench_tables.h"
#include "cli_command.h"
#include "console_page.h"
#include "console_requests.h"
#include "operator_entry.h"
#include "paths.h"
#include "serial_comport.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

const char* const Usage =
    "page CODE [CONTROL=TEXT]... [--send PORT] [--baud B]\n"
    "      runs the console page of CODE (e.g. 2, $02 or 0x02) with the given controls changed:\n"
    "      Edit1=20.5 types a text, CheckBox1=1 ticks a box (0 clears it), RadioGroup2=0 selects an\n"
    "      item by its index. Prints the page's messages, one a line, and exits 1; or prints the\n"
    "      request frame in hex. With --send it sends the request to the bench on PORT, prints the\n"
    "      acknowledgement and the page's result boxes (Edit1=Pump On). Exit 0 on ACK, 1 on a\n"
    "      message, refusal, time-out or unexpected reply, 2 on bad arguments or a port that cannot\n"
    "      be opened.";

QString pageCodes() {
    QStringList codes;
    for (const TConsolePage* p : ConsolePages())
        codes << QLatin1Char('$') + Hex2(p->code);
    codes.sort();
    return codes.join(QLatin1Char(' '));
}

// The controls an argument may change on this page: its visible boxes, check boxes and groups.
QString pageControls(const TPageControls& page) {
    QStringList names;
    for (int n = 1; n <= TPageControls::EditCount; ++n)
        if (page.Edit(n).visible) names << ControlName(TControlKind::Edit, n);
    for (int n = 1; n <= TPageControls::CheckBoxCount; ++n)
        if (page.CheckBox(n).visible) names << ControlName(TControlKind::CheckBox, n);
    for (int n = 1; n <= TPageControls::RadioGroupCount; ++n)
        if (page.RadioGroup(n).visible) names << ControlName(TControlKind::RadioGroup, n);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QLatin1Char(' '));
}

// Applies CONTROL=TEXT to the page; returns an error text, empty on success.
QString applyControl(TPageControls& page, uint8_t code, const QString& assignment) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0) return QStringLiteral("'%1' is not CONTROL=TEXT").arg(assignment);
    const QString name = assignment.left(eq);
    // The text is what the operator types, blanks and all.
    const QString text = assignment.mid(eq + 1);
    const std::optional<TControlRef> ref = ParseControlName(name);
    const QString notOnPage = QStringLiteral("the $%1 page has no control %2 (its controls: %3)")
                                  .arg(Hex2(code), name, pageControls(page));
    if (!ref || ref->kind == TControlKind::Label) return notOnPage;
    switch (ref->kind) {
    case TControlKind::Edit: {
        TEditControl& e = page.Edit(ref->number);
        if (!e.visible) return notOnPage;
        e.text = text;
        break;
    }
    case TControlKind::CheckBox: {
        TCheckControl& c = page.CheckBox(ref->number);
        if (!c.visible) return notOnPage;
        if (text != QLatin1String("0") && text != QLatin1String("1"))
            return QStringLiteral("%1 takes 1 (ticked) or 0 (not ticked), not '%2'").arg(name, text);
        c.checked = text == QLatin1String("1");
        break;
    }
    case TControlKind::RadioGroup: {
        TRadioControl& g = page.RadioGroup(ref->number);
        if (!g.visible) return notOnPage;
        const std::optional<int32_t> index = ParseIntegerEntry(text);
        if (!index || *index < 0 || *index >= g.items.size()) {
            QStringList items;
            for (int i = 0; i < g.items.size(); ++i)
                items << QStringLiteral("%1 %2").arg(i).arg(g.items.at(i).trimmed());
            return QStringLiteral("%1 takes an item index (%2), not '%3'")
                .arg(name, items.join(QLatin1String(", ")), text);
        }
        g.itemIndex = *index;
        break;
    }
    case TControlKind::Label:
        break;
    }
    return {};
}

QString hexBytes(const QByteArray& bytes) {
    QStringList parts;
    for (char c : bytes)
        parts << Hex2(uint8_t(c));
    return parts.join(QLatin1Char(' '));
}

// The request the console's hand-over makes of the record, built on a bench without a port.
QByteArray requestFrame(uint8_t code, const TCmdParams& params) {
    NullBenchHost host;
    TBenchSet benches;
    benches[0].Init(nullptr, &host, 0);
    benches[0].CmdParams = params;
    SendConsoleRequest(benches, 0, code);
    return benches[0].Commands[code].Frame();
}

// The one bench of the tool stands for bench 1 of the program, whose box is ticked while the port is
// open. Results and the acknowledgement reach the page as they reach the console.
class PageHost : public NullBenchHost {
public:
    uint8_t code = 0;
    TApdComPort* port = nullptr;
    TBenchSet* benches = nullptr;
    TPageControls* page = nullptr;
    std::function<void()> onReport;

    uint8_t ConsoleCommand() const override { return code; }
    bool BenchBoxActive(int bench) const override { return bench == 0 && port && port->Open(); }
    bool ConsoleExists() const override { return true; }
    void ShowResult(int bench, uint8_t c) override {
        TBench& b = (*benches)[bench];
        if (bench != 0 || c != code || !b.Commands[c].ResultReady) return;
        ShowPageResult(c, b, *page);
        b.Commands[c].ResultReady = false;
    }
    void ShowAckNak(int bench) override {
        if (bench == 0 && onReport) onReport();
    }
    void UntickAllBenches() override {
        if (port) port->SetOpen(false);
    }
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }
};

struct Answer {
    QString ackText;
    bool acknowledged = false;
};

// Sends the console request and runs the event loop, with the time-out scan every second, until the
// bench reports on it; the backstop only guards against a scan that never runs.
Answer sendAndWait(TBenchSet& benches, PageHost& host, int backstopMs) {
    TBench& bench = benches[0];
    const uint8_t code = host.code;
    if (!SendConsoleRequest(benches, 0, code) || !bench.Commands[code].Awaiting)
        return {QStringLiteral("the request could not be sent"), false};
    QEventLoop loop;
    std::optional<Answer> answer;
    host.onReport = [&] {
        if (answer) return;
        answer =
            Answer{bench.AckText, bench.AckError == 0 && !bench.LastReplyShort &&
                                      bench.AckText == bench.Commands[code].Name + QStringLiteral(" ACK")};
        loop.quit();
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { benches.CheckTimeouts(); });
    tick.start(1000);
    QTimer::singleShot(backstopMs, &loop, &QEventLoop::quit);
    if (!answer) loop.exec();
    host.onReport = nullptr;
    return answer ? *answer : Answer{bench.Commands[code].Name + QStringLiteral(" Timeout"), false};
}

QString controlText(const TPageControls& page, TControlKind kind, int n) {
    switch (kind) {
    case TControlKind::Edit:
        return page.Edit(n).text;
    case TControlKind::CheckBox:
        return page.CheckBox(n).checked ? QStringLiteral("1") : QStringLiteral("0");
    case TControlKind::RadioGroup:
        return QString::number(page.RadioGroup(n).itemIndex);
    case TControlKind::Label:
        return page.Label(n).caption;
    }
    return {};
}

int runPage(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto usageError = [&](const QString& message) {
        err << "x714ctl page: " << message << "\nusage: x714ctl " << Usage << "\n";
        return ExitUsage;
    };
    auto valueError = [&](const QString& message) {
        err << "x714ctl page: " << message << "\n";
        return ExitUsage;
    };

    QStringList positional;
    QString sendPort;
    int baud = 19200;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--send")) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("--send needs a port"));
            sendPort = args.at(++i);
        } else if (a == QLatin1String("--baud")) {
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
    if (positional.isEmpty()) return usageError(QStringLiteral("CODE is required"));
    const std::optional<int32_t> codeValue = ParseIntegerEntry(positional.at(0));
    if (!codeValue || *codeValue < 0 || *codeValue > 255)
        return usageError(
            QStringLiteral("CODE must be a command code 0 to 255 (e.g. 2, $02 or 0x02), not '%1'")
                .arg(positional.at(0)));
    const auto code = uint8_t(*codeValue);
    if (!FindConsolePage(code))
        return valueError(QStringLiteral("the console has no page for $%1; these have one: %2")
                              .arg(Hex2(code), pageCodes()));

    const TRememberedEntries remembered;
    TPageControls page = LayoutPage(code, remembered);
    for (const QString& assignment : positional.mid(1)) {
        const QString problem = applyControl(page, code, assignment);
        if (!problem.isEmpty()) return valueError(problem);
    }

    const TPageSend step = SendPage(code, page, remembered);
    if (!step.Accepted()) {
        for (const TPageMessage& m : step.messages)
            out << m.text << "\n";
        return ExitBenchFailure;
    }
    out << hexBytes(requestFrame(code, step.params)) << "\n";
    out.flush();
    if (sendPort.isEmpty()) return ExitOk;

    // The tool's own port is COM1 of this run, whatever device the argument names.
    SetComPortOverride(1, ResolvePortArgument(sendPort));
    SerialComPort port(1);
    port.SetBaud(baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl page: cannot open " << sendPort << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }
    auto benches = std::make_unique<TBenchSet>();
    TPageControls shown = step.controls;
    PageHost host;
    host.code = code;
    host.port = &port;
    host.benches = benches.get();
    host.page = &shown;
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = (*benches)[0];
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });
    bench.CmdParams = step.params;

    // Soft Reset may stay unanswered for its whole allowance before its time-out is reported.
    const int backstopMs = (code == 0xF0 ? SoftResetAllowance + 5 : 5) * 1000;
    const Answer answer = sendAndWait(*benches, host, backstopMs);
    out << answer.ackText << "\n";
    if (answer.acknowledged) {
        const TControlRange results = FindConsolePage(code)->resultBoxes;
        for (int n = results.first; n <= results.last; ++n)
            out << ControlName(results.kind, n) << "=" << controlText(shown, results.kind, n) << "\n";
    }
    out.flush();

    // A stream the page may have started is stopped again (unless the bench refused it).
    const bool refused = answer.ackText.contains(QLatin1String(" NAK "));
    if ((code == 0x01 || code == 0x44) && step.params.DataRate == TBench::RateContinuous && !refused &&
        port.Open()) {
        bench.CmdParams.DataRate = TBench::RateStop;
        const Answer stop = sendAndWait(*benches, host, 5000);
        if (!stop.acknowledged)
            err << "x714ctl page: the stream could not be stopped: " << stop.ackText << "\n";
    }
    if (port.Open()) {
        port.FlushOutBuffer();
        port.SetOpen(false);
    }
    return answer.acknowledged ? ExitOk : ExitBenchFailure;
}

const CliCommandRegistration registration({"page", Usage, runPage});

} // namespace
