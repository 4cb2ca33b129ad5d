// x714ctl page: one console page's send step without the window, on the page as the console lays it
// out the first time, with the controls the arguments change; with --send also the bench's answer and
// the page's result boxes. It runs the console's own page functions, so a script sees what an operator
// sees.
#include "bench.h"
#include "bench_tables.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "console_page.h"
#include "console_requests.h"
#include "operator_entry.h"

#include <QTextStream>

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

// The results reach the page as they reach the console.
class PageHost : public CliBenchHost {
public:
    TPageControls* page = nullptr;

    bool ConsoleExists() const override { return true; }
    void ShowResult(int bench, uint8_t c) override {
        TBench& b = Link().Bench();
        if (bench != 0 || c != ConsoleCommand() || !b.Commands[c].ResultReady) return;
        ShowPageResult(c, b, *page);
        b.Commands[c].ResultReady = false;
    }
};

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
    const CliMessages messages("page", Usage);
    QString sendPort;
    int baud = DefaultBaud;
    const std::optional<QStringList> parsed = ParseCliArguments(
        args,
        {TextOption(QStringLiteral("--send"), QStringLiteral("--send needs a port"), &sendPort),
         BaudOption(&baud)},
        messages);
    if (!parsed) return ExitUsage;
    const QStringList& positional = *parsed;
    if (positional.isEmpty()) return messages.UsageError(QStringLiteral("CODE is required"));
    const std::optional<int32_t> codeValue = ParseIntegerEntry(positional.at(0));
    if (!codeValue || *codeValue < 0 || *codeValue > 255)
        return messages.UsageError(
            QStringLiteral("CODE must be a command code 0 to 255 (e.g. 2, $02 or 0x02), not '%1'")
                .arg(positional.at(0)));
    const auto code = uint8_t(*codeValue);
    if (!FindConsolePage(code))
        return messages.ValueError(QStringLiteral("the console has no page for $%1; these have one: %2")
                                       .arg(Hex2(code), pageCodes()));

    const TRememberedEntries remembered;
    TPageControls page = LayoutPage(code, remembered);
    for (const QString& assignment : positional.mid(1)) {
        const QString problem = applyControl(page, code, assignment);
        if (!problem.isEmpty()) return messages.ValueError(problem);
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

    TPageControls shown = step.controls;
    PageHost host;
    host.page = &shown;
    CliBench link(messages, host);
    if (!link.Open(sendPort, baud)) return ExitUsage;
    link.Bench().CmdParams = step.params;

    const CliReply reply = link.SendConsoleRequestAndWait(code);
    if (reply.kind != CliReply::Kind::Reported) return ExitBenchFailure;
    out << reply.ackText << "\n";
    if (reply.acknowledged) {
        const TControlRange results = FindConsolePage(code)->resultBoxes;
        for (int n = results.first; n <= results.last; ++n)
            out << ControlName(results.kind, n) << "=" << controlText(shown, results.kind, n) << "\n";
    }
    out.flush();
    // A stream the page may have started is stopped again (unless the bench refused it).
    link.StopStreamStartedBy(code, step.params, reply);
    return reply.acknowledged ? ExitOk : ExitBenchFailure;
}

const CliCommandRegistration registration({"page", Usage, runPage});

} // namespace
