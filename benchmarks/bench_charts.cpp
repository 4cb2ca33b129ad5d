// The cost of the chart screens, offscreen: one reply appended to a gas graph's window (what the
// bench connection's call costs), one redraw of each chart with new data (the redraw timer's tick,
// painting included), and one raw IR cycle.
//
//   bench_charts [benchmark options]
//   bench_charts --images DIR
//
// --images writes PNGs of the three screens filled with the same readings every run (a gap and the
// raw IR markers included) instead of benchmarking, to compare a change of the drawing by eye or
// pixel by pixel.
#include "bench.h"
#include "benchmark_environment.h"
#include "chart.h"
#include "clock.h"
#include "firgraph.h"
#include "firlog.h"
#include "graph1.h"
#include "graph2.h"
#include "screen_hook.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct Window : IActivationBoxes, IGraphWindowState {
    bool BenchBoxActive(int) const override { return true; }
    bool Closing() const override { return false; }
    bool HcDivisor100() const override { return false; }
};

// Appends a point of plausible readings to the window and draws it, painting included. Not inlined,
// so that a profiler can count what one call costs (valgrind --toggle-collect='*redrawWith*').
[[gnu::noinline]] void redrawWithNewPoint(TChart& chart, int i) {
    double v[5] = {4 + (i % 7) * 0.1, 1 + (i % 5) * 0.05, 20.9, 120.0 + i % 11, 40.0 + i % 3};
    chart.Data().AppendPoint(v, 5, QString::number(i / 126));
    chart.Redraw();
    chart.repaint();
}

// Shows the screen and waits until its window is exposed: before that a repaint() paints nothing.
void showExposed(QWidget& screen) {
    screen.show();
    if (!QTest::qWaitForWindowExposed(&screen))
        std::fprintf(stderr, "bench_charts: the screen was not exposed\n");
    QApplication::processEvents();
}

// Scrolls the raw IR chart by a cycle, fills the new cycle of four channels and draws it.
[[gnu::noinline]] void redrawWithNewCycle(TChart& chart, int i) {
    chart.Data().AppendNull(100);
    for (int c = 0; c < 4; ++c)
        for (int s = 0; s < 100; ++s)
            chart.Data().SetYData(c, 450 + s, ((s * 331 + c * 97 + i) % 20000) - 10000);
    chart.Redraw();
    chart.repaint();
}

void BM_AppendReading(benchmark::State& state) {
    TChartData data(5, 130);
    const double v[5] = {4.1, 1.2, 20.9, 120, 40};
    int i = 0;
    for (auto _ : state)
        data.AppendPoint(v, 5, QString::number(++i / 126));
    state.SetItemsProcessed(state.iterations());
}

void BM_RedrawGraph1(benchmark::State& state) {
    TBenchSet benches;
    Window window;
    TFGraph1 screen(benches, window, window);
    showExposed(screen);
    int i = 0;
    for (auto _ : state)
        redrawWithNewPoint(*screen.PEGraph1, ++i);
}

void BM_RedrawGraph2(benchmark::State& state) {
    TBenchSet benches;
    Window window;
    TFGraph2 screen(benches, window, window);
    for (QCheckBox* box : {screen.HC, screen.O2, screen.NO})
        box->setChecked(state.range(0) == 5);
    screen.ApplyButtonClick();
    showExposed(screen);
    int i = 0;
    for (auto _ : state)
        redrawWithNewPoint(*screen.PEGraph1, ++i);
    state.counters["axes"] = screen.PEGraph1->AxisCount();
}

void BM_RedrawRawIrCycle(benchmark::State& state) {
    TBenchSet benches;
    Window window;
    TIRLog log;
    TRawIR view(benches, window, window, log);
    showExposed(view);
    TChart& chart = *view.PEGraph1;
    int i = 0;
    for (auto _ : state)
        redrawWithNewCycle(chart, ++i);
}

BENCHMARK(BM_AppendReading);
BENCHMARK(BM_RedrawGraph1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawGraph2)->Arg(2)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawRawIrCycle)->Unit(benchmark::kMicrosecond);

// A full window of readings with a gap of nulls in the middle, labelled in seconds at 126 points/s.
void fillGasChart(TChart& chart) {
    for (int i = 0; i < chart.Data().Points(); ++i) {
        const double gap = i >= 60 && i < 66 ? std::nan("") : 0;
        const double v[5] = {12 + 6 * std::sin(i / 9.0) + gap, 2 + std::cos(i / 7.0) + gap, 20.9 - i * 0.02,
                             120 + 40 * std::sin(i / 13.0), 40.0 + (i % 17)};
        chart.Data().AppendPoint(v, 5, QString::number(1000 + i / 126));
    }
}

bool save(QWidget& screen, const QString& dir, const QString& name) {
    showExposed(screen);
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (screen.grab().save(path)) return true;
    std::fprintf(stderr, "bench_charts: %s could not be written\n", qPrintable(path));
    return false;
}

int writeImages(const QString& dir) {
    TBenchSet benches;
    Window window;
    bool ok = true;
    {
        TFGraph1 screen(benches, window, window);
        screen.CO2COO2MaxEdit->setText(QStringLiteral("25"));
        screen.HCNOMaxEdit->setText(QStringLiteral("200"));
        screen.ApplyButtonClick();
        fillGasChart(*screen.PEGraph1);
        ok = save(screen, dir, QStringLiteral("graph1")) && ok;
    }
    for (const int axes : {2, 5}) {
        TFGraph2 screen(benches, window, window);
        for (QCheckBox* box : {screen.HC, screen.O2, screen.NO})
            box->setChecked(axes == 5);
        screen.CO2MaxEdit->setText(QStringLiteral("25"));
        screen.HCMaxEdit->setText(QStringLiteral("200"));
        screen.NOMaxEdit->setText(QStringLiteral("60"));
        screen.ApplyButtonClick();
        fillGasChart(*screen.PEGraph1);
        ok = save(screen, dir, QStringLiteral("graph2_%1axes").arg(axes)) && ok;
    }
    for (const bool marks : {false, true}) {
        TIRLog log;
        TRawIR view(benches, window, window, log);
        TChart& chart = *view.PEGraph1;
        for (int p = 0; p < 500; ++p)
            for (int c = 0; c < 4; ++c)
                chart.Data().SetYData(c, p, 3000 * (c + 1) * std::sin((p % 100) * 0.0628 + c) - 2000 * c);
        if (marks) view.MarkDataPointsClick(TRawIR::MarkYes);
        ok = save(view, dir, marks ? QStringLiteral("rawir_marks") : QStringLiteral("rawir")) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const BenchmarkEnvironment environment;
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--images") == 0)
        return writeImages(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
