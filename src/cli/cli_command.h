#pragma once

#include "bench_tables.h"

#include <QStringList>
#include <cstdio>
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

// The restarted bench's warning on standard error, on one line: "Warning: Multi Gas Monitor ...".
inline void PrintBenchDisconnected() {
    QString text = QString::fromLatin1(BenchDisconnectedText.data(), qsizetype(BenchDisconnectedText.size()));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%.*s: %s\n", int(BenchDisconnectedCaption.size()), BenchDisconnectedCaption.data(),
                 qPrintable(text));
    std::fflush(stderr);
}
