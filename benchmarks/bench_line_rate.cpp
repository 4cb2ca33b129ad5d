// CPU time of the desktop program at the line rate: four simulated benches (x714ctl sim, another
// process) stream $44 at 126 replies a second each, the 115200-baud line's capacity, into the real
// program over pseudo-terminals, offscreen, with the main window, both gas graphs and the raw IR view
// shown. Prints the host's CPU time as a percentage of one core and the paint rates.
//
//   bench_line_rate [--seconds N] [--rate HZ] [--rawir] [--main-only]
//
// --rawir also streams raw IR ($40) from bench 1 into the raw IR view, at the same rate; --main-only
// shows the main window alone, for comparison.
#include "bench.h"
#include "bench_selector.h"
#include "benchmark_environment.h"
#include "chart.h"
#include "firgraph.h"
#include "graph1.h"
#include "graph2.h"
#include "paths.h"
#include "radio_group.h"
#include "shell.h"
#include "tool_process.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Counts the paint events of every widget, by the name of its window.
struct PaintCounter : QObject {
    QMap<QString, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            if (auto* w = qobject_cast<QWidget*>(watched)) ++paints[w->window()->objectName()];
        return false;
    }
};

// Runs the event loop as the program does: asleep until something happens.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    const BenchmarkEnvironment environment;
    QApplication app(argc, argv);
    int seconds = 10;
    double rate = 126;
    bool rawIr = false;
    bool mainOnly = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = args[++i].toInt();
        else if (args[i] == QLatin1String("--rate") && i + 1 < args.size())
            rate = args[++i].toDouble();
        else if (args[i] == QLatin1String("--rawir"))
            rawIr = true;
        else if (args[i] == QLatin1String("--main-only"))
            mainOnly = true;
        else {
            std::fprintf(stderr,
                         "usage: bench_line_rate [--seconds N] [--rate HZ] [--rawir] [--main-only]\n");
            return 2;
        }
    }

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QStringList lines =
        StartSimulatorProcess(sim, {"--benches", "4", "--ready", "--rate", QString::number(rate)}, 4);
    if (lines.size() < 4) {
        std::fprintf(stderr, "bench_line_rate: x714ctl sim %s\n",
                     sim.state() == QProcess::NotRunning ? "did not start" : "printed no ports");
        return 1;
    }
    for (int i = 0; i < 4; ++i)
        SetComPortOverride(i + 1, lines.at(i).section(QLatin1Char(' '), 1)); // "COMn DEVICE"

    int result = 0;
    {
        TShell shell;
        TApp& window = shell.MainWindow();
        window.SetServiceMode(true);
        window.CompDataRG->ClickItem(2); // $44
        window.show();
        for (QCheckBox* box : window.ActiveBench)
            box->click();
        window.OKBtnClick();
        window.StartBtnClick();
        bool statusShown = false;
        if (!mainOnly) {
            window.MenuItem(QStringLiteral("Graphics1"))->trigger();
            window.MenuItem(QStringLiteral("Graphics2"))->trigger();
            if (QAction* status = window.MenuItem(QStringLiteral("Status")); status->isEnabled()) {
                status->trigger();
                statusShown =
                    window.Screen(TScreenSlot::Status) && window.Screen(TScreenSlot::Status)->isVisible();
            }
            window.MenuItem(QStringLiteral("RawIR1"))->trigger();
        }
        TRawIR& view = shell.RawIr();
        if (rawIr) {
            view.GrpBench->Button(0)->click();
            view.StartClick();
        }

        PaintCounter counter;
        app.installEventFilter(&counter);
        runFor(2000); // settle
        counter.paints.clear();
        const int redraws0 = shell.Graph1().PEGraph1->Redraws() + shell.Graph2().PEGraph1->Redraws() +
                             view.PEGraph1->Redraws();
        const uint64_t points0 = shell.Graph1().PEGraph1->Data().Appended();
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        runFor(seconds * 1000);
        const double cpu = cpuSeconds() - cpu0;
        const double elapsed = wall.elapsed() / 1000.0;
        const int redraws = shell.Graph1().PEGraph1->Redraws() + shell.Graph2().PEGraph1->Redraws() +
                            view.PEGraph1->Redraws() - redraws0;
        const double points = double(shell.Graph1().PEGraph1->Data().Appended() - points0);

        std::printf("four benches streaming $44 at %.0f replies/s each%s, %.1f s\n", rate,
                    rawIr ? ", raw IR from bench 1" : "", elapsed);
        std::printf("shown: main window%s\n", mainOnly ? ""
                                              : statusShown
                                                  ? ", both gas graphs, the status screen, the raw IR view"
                                                  : ", both gas graphs, the raw IR view (no status screen)");
        std::printf("host CPU: %.1f %% of one core\n", 100.0 * cpu / elapsed);
        std::printf("first gas graph: %.0f points/s (selected bench)\n", points / elapsed);
        std::printf("chart redraws: %.1f /s (three charts)\n", redraws / elapsed);
        int total = 0;
        for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it) {
            std::printf("paint events %-12s %7.1f /s\n",
                        qPrintable(it.key().isEmpty() ? QStringLiteral("?") : it.key()),
                        it.value() / elapsed);
            total += it.value();
        }
        std::printf("paint events, all      %7.1f /s\n", total / elapsed);
        if (points == 0 && !mainOnly) {
            std::fprintf(stderr, "bench_line_rate: no data reached the graphs\n");
            result = 1;
        }
        app.removeEventFilter(&counter);
        if (rawIr) view.StopClick();
        window.Acquisition().State.Closing = true; // no shutdown waits
    }
    sim.terminate();
    sim.waitForFinished(5000);
    ClearComPortOverrides();
    return result;
}
