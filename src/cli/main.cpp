// x714ctl: the bench link and acquisition for scripts and headless machines.
#include "cli_command.h"
#include "locale_setup.h"
#include "paths.h"

#include <QCoreApplication>
#include <QTextStream>
#include <vector>

namespace {
std::vector<CliCommand>& commands() {
    static std::vector<CliCommand> list;
    return list;
}

void printUsage(QTextStream& out) {
    out << "usage: x714ctl [--baud B] [--port COMn=DEVICE]... COMMAND [ARGS]\n";
    out << "Ports are device paths or COMn names (COMn: --port mapping, else <drive C>/dev/COMn).\n";
    out << "--baud B before the command is the command's own --baud (one after the command wins).\n";
    out << "Commands:\n";
    for (const CliCommand& c : commands())
        out << "  " << c.usage << "\n";
}
} // namespace

CliCommandRegistration::CliCommandRegistration(CliCommand command) {
    commands().push_back(std::move(command));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetupLocale();
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        QTextStream out(stdout);
        printUsage(out);
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    // --port and --baud may come before the command. A leading --baud is the rate of every port the
    // command opens: it goes to the command as its own first option, so one given after the command
    // still wins.
    QStringList leading;
    while (!args.isEmpty() &&
           (args.first() == QLatin1String("--port") || args.first() == QLatin1String("--baud"))) {
        const QString option = args.first();
        if (option == QLatin1String("--baud")) {
            if (args.size() < 2) {
                err << "x714ctl: --baud needs a rate\n";
                return ExitUsage;
            }
            leading = QStringList{option, args.at(1)};
        } else {
            QString error;
            if (args.size() < 2 || !ParsePortOption(args.at(1), &error)) {
                err << "x714ctl: " << (error.isEmpty() ? QStringLiteral("--port needs COMn=DEVICE") : error)
                    << "\n";
                return ExitUsage;
            }
        }
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        printUsage(err);
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    for (const CliCommand& c : commands())
        if (name == QLatin1String(c.name)) return c.run(leading + args);
    err << "x714ctl: unknown command '" << name << "'\n";
    printUsage(err);
    return ExitUsage;
}
