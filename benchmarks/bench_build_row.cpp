// Cost of one data table row (BuildRow) for four benches with every column group and single column
// on: 127 cells formatted per sample, plus means and deviations at the end of each block.
#include "bench.h"
#include "clock.h"
#include "data_table.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {
void fillBench(TBench& b, int seq) {
    b.DemodCo2 = 1200000u + uint32_t(seq % 97);
    b.DemodCo = 800000u + uint32_t(seq % 13);
    b.DemodHc = 650000u + uint32_t(seq % 7);
    b.DemodRef = 1000000u + uint32_t(seq % 5);
    b.Co2 = 1500 + seq % 3;
    b.Co = 250;
    b.Hc = 120;
    b.O2 = 1800 - seq % 4;
    b.NO = 250 + seq % 6;
    b.MinAdc = {-1200, -900, -800, -1000};
    b.MaxAdc = {1200, 900, 800, 1000};
    b.DetCelTemp = 450.0f;
    b.DetSrcTemp = 1200.0f;
    b.DetEthanolTemp = 400;
    b.AmbientTemp = 24.5f;
    b.AbsPressure = 7600.0f;
    b.GagePressure = 12.0f;
    b.AmbPressure = 7590.0f;
    b.RawNO = 40000u;
    b.RawO2 = 2100;
    b.Pef = 0.52f;
}

// state.range(0): averaging mode (0 none, 2 Mean+STDEV over 4 samples).
void BM_BuildRowFourBenchesAllColumns(benchmark::State& state) {
    ManualClockScope clock;
    auto benches = std::make_unique<std::array<TBench, 4>>();
    TWindowState window;
    window.PortOpen.fill(true);
    TSettingsPanel& s = window.Settings;
    s.AcceptCountChk = s.TimeStamp = s.RelativeTime = true;
    s.DemodulatedIR = s.Offset = s.GasConcentration = s.MinMaxADC = s.Temperatures = s.AmbTemp = s.Pressures =
        s.AmbPressure = s.RawNoxO2 = s.Pef = true;
    const TAveraging averaging{static_cast<int>(state.range(0)), 4};
    TDataTable table;
    table.RebuildTable(window, averaging);
    table.OffsetBtnClick(true);
    int seq = 0;
    for (auto _ : state) {
        for (int i = 0; i < 4; ++i)
            fillBench((*benches)[i], seq + i);
        ++seq;
        benchmark::DoNotOptimize(table.BuildRow(*benches, window, averaging));
    }
    state.counters["columns"] = table.ColumnCount;
    state.counters["rows/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BuildRowFourBenchesAllColumns)->Arg(0)->ArgName("averaging")->Arg(2);
} // namespace

BENCHMARK_MAIN();
