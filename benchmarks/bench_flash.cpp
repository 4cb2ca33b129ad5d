// Firmware download of a 256 KiB S3 image (8192 records of 32 bytes) through the host, against a bare
// peer that makes the same exchange on the same pseudo-terminal: boot mode, erase, the writes, end,
// reset, each request sent when the previous reply is in. The simulated bench runs as its own process
// (x714ctl sim), so both sides pay the same round trips; the difference is the host's own cost:
// framing, the bench connection's dispatch, the download state machine and the serial component.
// Real time per download and the host process's CPU time are reported.
#include "bench.h"
#include "flash_download.h"
#include "paths.h"
#include "request_frame.h"
#include "serial_comport.h"
#include "srecord.h"
#include "srecord_writer.h"
#include "tool_process.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Setup {
    QTemporaryDir driveC;
    QProcess sim;
    QString device;
    TFirmwareImage image;
};
Setup* g_setup = nullptr;

bool startSetup(Setup& s) {
    QByteArray data(256 * 1024, Qt::Uninitialized);
    QRandomGenerator rng(714);
    for (char& c : data)
        c = char(rng.bounded(256));
    const TFirmwareReadResult file = ParseFirmwareText(SRecordImage(data), QStringLiteral("bench.s19"), 1);
    if (!file.Ok()) return false;
    s.image = file.Image;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("X714_DRIVE_C"), s.driveC.path());
    s.sim.setProcessEnvironment(env);
    const QStringList lines = StartSimulatorProcess(
        s.sim, {"--benches", "1", "--ready", "--time-scale", "10000", "--rate", "1"}, 1);
    s.device = lines.value(0).section(QLatin1Char(' '), 1); // "COM1 /dev/pts/N"
    return !s.device.isEmpty();
}

// The bench restarts after each reset; the next download waits, untimed, for it to listen again.
void awaitRestart(benchmark::State& state) {
    state.PauseTiming();
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    state.ResumeTiming();
}

// ---- through the host: the bench connection, the serial component and the download ----

class Host : public NullBenchHost {
public:
    TFlashDownload* download = nullptr;
    std::function<void()> done;
    bool FirmwareScreenVisible() const override { return true; }
    bool FirmwareDownloadInProgress() const override { return download->Busy(); }
    void FirmwareReply(int bench, const TRxPacket& packet) override { download->Reply(bench, packet); }
    void UntickAllBenches() override { done(); } // the reset was acknowledged
};

class Output : public TBenchFlashOutput {
public:
    using TBenchFlashOutput::TBenchFlashOutput;
    bool failed = false;
    void DisplayChanged() override {}
    void Warning(const QString&) override { failed = true; }
};

void BM_FlashThroughHost(benchmark::State& state) {
    SetComPortOverride(1, g_setup->device);
    for (auto _ : state) {
        awaitRestart(state);
        SerialComPort port(1);
        if (!port.SetOpen(true)) {
            state.SkipWithError("cannot open the pseudo-terminal");
            return;
        }
        auto benches = std::make_unique<TBenchSet>();
        Host host;
        Output out(*benches);
        TFlashDownload download(out);
        host.download = &download;
        QEventLoop loop;
        host.done = [&] { loop.quit(); };
        (*benches)[0].Init(&port, &host, 0);
        TBench& bench = (*benches)[0];
        QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        download.Start(0, g_setup->image);
        loop.exec();
        if (out.failed || download.RecordsSent() != int(g_setup->image.Records.size())) {
            state.SkipWithError("the download did not complete");
            return;
        }
        port.SetOpen(false);
    }
    state.counters["records"] = double(g_setup->image.Records.size());
}

// ---- the bare peer: frames written and replies read with plain system calls ----

// Writes one request and reads until its reply packet is complete; true for an ACK of the code.
// flushFirst discards unsent output first, as the host's command does before every frame.
bool exchange(int fd, const QByteArray& request, uint8_t code, bool flushFirst) {
    if (flushFirst) ::tcflush(fd, TCOFLUSH);
    if (::write(fd, request.constData(), size_t(request.size())) != request.size()) return false;
    uint8_t buf[300];
    int have = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) return false;
        const ssize_t n = ::read(fd, buf + have, sizeof buf - size_t(have));
        if (n <= 0) return false;
        have += int(n);
        if (have >= 3 && have >= buf[2] + 4) return buf[0] == 0x06 && buf[1] == code;
    }
}

void barePeer(benchmark::State& state, bool flushFirst) {
    for (auto _ : state) {
        awaitRestart(state);
        const int fd = ::open(qPrintable(g_setup->device), O_RDWR | O_NOCTTY);
        if (fd < 0) {
            state.SkipWithError("cannot open the pseudo-terminal");
            return;
        }
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        bool ok = exchange(fd, Frame(0x25), 0x25, flushFirst) && exchange(fd, Frame(0x26), 0x26, flushFirst);
        for (const TFlashRecord& r : g_setup->image.Records) {
            if (!ok) break;
            QByteArray params;
            params.append(char(r.Address >> 16)).append(char(r.Address >> 8)).append(char(r.Address));
            ok = exchange(fd, Frame(0x27, params + r.Data), 0x27, flushFirst);
        }
        ok = ok && exchange(fd, Frame(0x28), 0x28, flushFirst) && exchange(fd, Frame(0xF0), 0xF0, flushFirst);
        ::close(fd);
        if (!ok) {
            state.SkipWithError("the exchange did not complete");
            return;
        }
    }
    state.counters["records"] = double(g_setup->image.Records.size());
}

} // namespace

void BM_FlashBarePeer(benchmark::State& state) {
    barePeer(state, false);
}
// The bare exchange with the output flush the host makes before each request: what that flush costs.
void BM_FlashBarePeerFlushing(benchmark::State& state) {
    barePeer(state, true);
}

BENCHMARK(BM_FlashBarePeer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FlashBarePeerFlushing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FlashThroughHost)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Setup setup;
    if (!startSetup(setup)) {
        std::fprintf(stderr, "bench_flash: the simulated bench did not start\n");
        return 1;
    }
    g_setup = &setup;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.sim.terminate();
    setup.sim.waitForFinished(5000);
    return 0;
}
