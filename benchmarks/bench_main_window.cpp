// CPU time per data reply with the main window visible and four benches streaming $44 (offscreen):
// the reply packet arrives on a port in memory, is framed and decoded by its bench, the row trigger
// builds a table row when the highest bench replies, and the grid repaints the changed rows when its
// repaint is due (at most 15 times a second). And the CPU time of one such repaint.
#include "bench.h"
#include "memory_comport.h"
#include "radio_group.h"
#include "reply_packet.h"
#include "shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// A $44 engineering data reply: 86 data bytes of plausible counts.
QByteArray engineeringReply(int seed) {
    QByteArray d(86, '\0');
    for (int i = 0; i < d.size(); ++i)
        d[i] = char((i * 7 + seed) & 0x3F);
    return replyPacket(0x06, 0x44, d);
}

// A $44 reply whose low bytes of every value are noise, as a real bench's readings are: most of its
// cells are texts the grid has not drawn before.
QByteArray noisyReply(uint32_t* rng) {
    QByteArray d(86, '\0');
    for (int i = 0; i < d.size(); ++i) {
        *rng = *rng * 1664525u + 1013904223u;
        d[i] = char(i % 2 ? (*rng >> 24) : ((i * 7) & 0x3F));
    }
    return replyPacket(0x06, 0x44, d);
}

struct Window {
    std::array<MemoryComPort*, 4> ports{};
    std::unique_ptr<TShell> shell;
    TApp* app = nullptr;

    explicit Window(bool everyColumn) {
        shell = std::make_unique<TShell>([this](int com) {
            auto port = std::make_unique<MemoryComPort>(com);
            ports[com - 1] = port.get();
            return port;
        });
        app = &shell->MainWindow();
        app->SetServiceMode(true);
        app->CompDataRG->ClickItem(2); // $44
        if (everyColumn) {
            for (QCheckBox* box :
                 {app->AcceptCountChk, app->RelativeTime, app->DemodulatedIR, app->Offset, app->MinMaxADC,
                  app->Temperatures, app->AmbTemp, app->Pressures, app->AmbPressure, app->RawNoxO2, app->Pef})
                box->click();
            app->AveragingRadioGroup->ClickItem(2); // Mean+STDEV
        }
        app->show();
        for (QCheckBox* box : app->ActiveBench)
            box->click();
        app->OKBtnClick();
        app->StartBtnClick();
        QCoreApplication::processEvents();
    }
    ~Window() {
        app->Acquisition().State.Closing = true; // no shutdown waits when the benchmark ends
        shell.reset();
    }
};

void run(benchmark::State& state, bool everyColumn) {
    Window w(everyColumn);
    QByteArray replies[4];
    for (int i = 0; i < 4; ++i)
        replies[i] = engineeringReply(i);
    int bench = 0;
    for (auto _ : state) {
        w.ports[bench]->Inject(replies[bench]);
        bench = (bench + 1) & 3;
        // Paint what changed, as the event loop does between replies.
        QCoreApplication::processEvents();
    }
    state.counters["columns"] = w.app->Acquisition().Table().ColumnCount;
    state.SetItemsProcessed(state.iterations());
}

void BM_ReplyDefaultColumns(benchmark::State& state) {
    run(state, false);
}
void BM_ReplyEveryColumnMeanStdev(benchmark::State& state) {
    run(state, true);
}
BENCHMARK(BM_ReplyDefaultColumns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReplyEveryColumnMeanStdev)->Unit(benchmark::kMicrosecond);

// One repaint of the grid after the rows written since its last paint: at most 15 paints a second
// see about 8 rows each from four benches at 126 replies/s, and 2 at 21/s (state.range(0)).
void paint(benchmark::State& state, bool everyColumn) {
    Window w(everyColumn);
    uint32_t rng = 1;
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        for (int row = 0; row < rows; ++row)
            for (int bench = 0; bench < 4; ++bench)
                w.ports[bench]->Inject(noisyReply(&rng));
        state.ResumeTiming();
        w.app->Grid->viewport()->repaint();
    }
    state.counters["cache misses/paint"] = double(w.app->Grid->TextCache().Misses()) /
                                           double(std::max<benchmark::IterationCount>(state.iterations(), 1));
}
void BM_GridPaintDefaultColumns(benchmark::State& state) {
    paint(state, false);
}
void BM_GridPaintEveryColumnMeanStdev(benchmark::State& state) {
    paint(state, true);
}
BENCHMARK(BM_GridPaintDefaultColumns)->ArgName("rows")->Arg(8)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridPaintEveryColumnMeanStdev)->ArgName("rows")->Arg(8)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
