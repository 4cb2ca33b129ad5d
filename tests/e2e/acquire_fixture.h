#pragma once

// Shared by the x714ctl acquire process tests: two simulated benches on pseudo-terminals, the tool
// started against them, and readers of what it printed and wrote.
#include "simulator.h"
#include "tool_process.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

inline constexpr int RunTimeoutMs = 30000;

// A bench's sample line, as the table shows it: CO2 and O2 in %, CO in %, HC and NO in ppm.
inline const SimGas Bench1Gas{1.50, 0.250, 120, 18.00, 250};
inline const SimGas Bench2Gas{3.00, 0.050, 40, 15.00, 40};

struct AcquireFixture {
    std::unique_ptr<Simulator> sim;
    QTemporaryDir dir;

    // Two warmed-up benches streaming at 20 packets per second.
    void startBenches() {
        sim = std::make_unique<Simulator>();
        sim->SetStreamRate(20);
        QString error;
        QVERIFY2(sim->Start(2, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
        sim->Bench(1).SkipStartUp();
        sim->Bench(0).SetSampleGas(Bench1Gas);
        sim->Bench(1).SetSampleGas(Bench2Gas);
    }

    // x714ctl [leading] acquire <bench 1> <bench 2> [options]
    void startProcess(QProcess& tool, const QStringList& options, const QStringList& leading = {}) {
        QVERIFY(StartTool(tool, leading + QStringList{"acquire", sim->DevicePath(0), sim->DevicePath(1)} +
                                    options));
    }
    static void waitForExit(QProcess& tool) {
        QVERIFY(AwaitExit(tool, RunTimeoutMs));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    }
    static QStringList printedLines(QProcess& tool) {
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
    static QString errorText(QProcess& tool) { return QString::fromLocal8Bit(tool.readAllStandardError()); }
    static QStringList logLines(const QString& path) { return CrLfLines(path); }
    bool streamsStopped() const {
        return sim->Bench(0).StreamingCodes().empty() && sim->Bench(1).StreamingCodes().empty();
    }
};
