#pragma once

// x714ctl as a process, for the tests that run it (X714CTL_PATH names the program): one run while this
// process's event loop keeps serving the simulated benches, and a simulator started as x714ctl sim.
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

// Starts x714ctl ARGS (in DIRECTORY, when one is given); false when it did not start.
inline bool StartTool(QProcess& tool, const QStringList& args, const QString& directory = {}) {
    if (!directory.isEmpty()) tool.setWorkingDirectory(directory);
    tool.start(QStringLiteral(X714CTL_PATH), args);
    return tool.waitForStarted(5000);
}

// Runs the event loop until the tool ends or TIMEOUTMS pass; true when it ended. The loop sleeps until
// something happens, so every request to a simulator in this process is answered at once.
inline bool AwaitExit(QProcess& tool, int timeoutMs) {
    if (tool.state() != QProcess::NotRunning) {
        QEventLoop loop;
        QObject::connect(&tool, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        if (tool.state() != QProcess::NotRunning) loop.exec();
    }
    return tool.state() == QProcess::NotRunning;
}

struct ToolResult {
    // -1 when the tool did not start, crashed or was still running at the time limit (and was killed).
    int exitCode = -1;
    QString out, err;
};

// Runs x714ctl ARGS (in DIRECTORY, when one is given) to its end, killing it after TIMEOUTMS.
inline ToolResult RunTool(const QStringList& args, int timeoutMs, const QString& directory = {}) {
    QProcess tool;
    if (!StartTool(tool, args, directory)) return {};
    if (!AwaitExit(tool, timeoutMs)) {
        tool.kill();
        tool.waitForFinished(5000);
        return {};
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromLocal8Bit(tool.readAllStandardOutput()),
            QString::fromLocal8Bit(tool.readAllStandardError())};
}

// Starts x714ctl sim with ARGS and reads the "COMn DEVICE" line of each of its BENCHES; fewer lines
// when it does not print them within five seconds each.
inline QStringList StartSimulatorProcess(QProcess& sim, const QStringList& args, int benches) {
    sim.start(QStringLiteral(X714CTL_PATH), QStringList{"sim"} + args);
    if (!sim.waitForStarted(5000)) return {};
    QStringList lines;
    while (lines.size() < benches && (sim.canReadLine() || sim.waitForReadyRead(5000)))
        while (lines.size() < benches && sim.canReadLine())
            lines << QString::fromLocal8Bit(sim.readLine()).trimmed();
    return lines;
}

// The lines of a file whose every line ends in CR LF (the log files): {"<bad line ends>"} when one does
// not, empty when the file cannot be read.
inline QStringList CrLfLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    if (!bytes.endsWith("\r\n") || bytes.count('\n') != bytes.count("\r\n"))
        return {QStringLiteral("<bad line ends>")};
    QStringList lines = QString::fromLocal8Bit(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}
