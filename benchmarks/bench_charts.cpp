// The cost of the chart screens, offscreen: one reply appended to a gas graph's window (what the
// bench connection's call costs), one redraw of each chart with new data (the redraw timer's tick,
// painting included), and one raw IR cycle.
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
#include <benchmark/benchmark.h>

namespace {

struct Window : IActivationBoxes, IGraphWindowState {
    bool BenchBoxActive(int) const override { return true; }
    bool Closing() const override { return false; }
    bool HcDivisor100() const override { return false; }
};

// Appends a point of plausible readings to the window and draws it, painting included.
void redrawWithNewPoint(TChart& chart, int i) {
    double v[5] = {4 + (i % 7) * 0.1, 1 + (i % 5) * 0.05, 20.9, 120.0 + i % 11, 40.0 + i % 3};
    chart.Data().AppendPoint(v, 5, QString::number(i / 126));
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
    screen.show();
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
    screen.show();
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
    view.show();
    TChart& chart = *view.PEGraph1;
    int i = 0;
    for (auto _ : state) {
        ++i;
        chart.Data().AppendNull(100);
        for (int c = 0; c < 4; ++c)
            for (int s = 0; s < 100; ++s)
                chart.Data().SetYData(c, 450 + s, ((s * 331 + c * 97 + i) % 20000) - 10000);
        chart.Redraw();
        chart.repaint();
    }
}

BENCHMARK(BM_AppendReading);
BENCHMARK(BM_RedrawGraph1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawGraph2)->Arg(2)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawRawIrCycle)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    const BenchmarkEnvironment environment;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
