#pragma once

#include <QStringList>
#include <functional>

// One subcommand of x714ctl. Each command's source file registers itself with a static
// CliCommandRegistration, so commands can be added without touching the dispatcher.
struct CliCommand {
    const char* name;
    const char* usage; // one or more lines, shown by "x714ctl --help"
    // Runs with the arguments after the command name; returns the process exit code.
    std::function<int(const QStringList& args)> run;
};

struct CliCommandRegistration {
    explicit CliCommandRegistration(CliCommand command);
};

// Exit codes shared by the commands.
inline constexpr int ExitOk = 0;
inline constexpr int ExitBenchFailure = 1; // refusal, time-out, unexpected reply
inline constexpr int ExitUsage = 2;        // bad arguments or a port that cannot be opened
