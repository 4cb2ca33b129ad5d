// What an operator's machine pays for the main window at a bench line's full rate: `x714ctl sim`
// streams $44 from four benches in another process, the real main window (offscreen) reads them over
// the pseudo-terminals for a measuring window, and the host's own CPU time (user + system, from
// getrusage) is taken over that window. For each stream rate and column set it prints the CPU share
// of one core, the CPU time per reply, the grid's paints per second, and the replies decoded next to
// the replies the simulator sent over the whole run. A bare C reader of the same pseudo-terminals is
// the floor.
//
//   bench_live_window [--seconds N] [--warmup S] [--rates 126,21] [--columns default,every] [--no-floor]
//                     [--hidden] [--repeat N] [--shots DIR]
//
// CPU time is this process's own, so other programs' work is not counted; a busy machine still
// inflates it somewhat (shared caches, clock speed), so repeat runs and compare like with like.
#include "bench.h"
#include "bench_host.h"
#include "paths.h"
#include "radio_group.h"
#include "reply_framer.h"
#include "serial_comport.h"
#include "shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

const char* const Usage =
    "usage: bench_live_window [--seconds N] [--warmup S] [--rates 126,21] [--columns default,every]\n"
    "                         [--no-floor] [--hidden] [--repeat N] [--shots DIR]\n"
    "  --repeat N: every configuration N times, then the run of median CPU time\n"
    "  --hidden: the main window is never shown, so nothing is painted (what the rest costs)\n"
    "  --shots DIR: saves what the screen shows of the window every 0.7 s (run under Xvfb; the\n"
    "               pictures cost CPU time, so such a run's figures are not the window's)\n";

qint64 cpuMicroseconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (qint64(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000000 + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// `x714ctl sim` in its own process, with its count of replies sent printed at its end.
class SimProcess {
public:
    bool Start(double rate, QString* error) {
        m_process.start(QStringLiteral(X714CTL_PATH),
                        {QStringLiteral("sim"), QStringLiteral("--benches"), QStringLiteral("4"),
                         QStringLiteral("--ready"), QStringLiteral("--stats"), QStringLiteral("--rate"),
                         QString::number(rate)});
        if (!m_process.waitForStarted(5000)) {
            *error = QStringLiteral("x714ctl sim did not start");
            return false;
        }
        while (Devices.size() < 4 && m_process.waitForReadyRead(5000))
            while (m_process.canReadLine()) {
                const QStringList parts = QString::fromLatin1(m_process.readLine()).trimmed().split(' ');
                if (parts.size() == 2) Devices << parts.at(1);
            }
        if (Devices.size() < 4) {
            *error = QStringLiteral("x714ctl sim: %1")
                         .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            return false;
        }
        return true;
    }
    // Ends the simulator; the replies it sent, over all benches.
    qint64 Stop() {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        m_process.waitForFinished(5000);
        qint64 sent = 0;
        // "COMn sent N dropped D"
        for (const QByteArray& line : m_process.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.size() < 3 || parts.at(1) != "sent") continue;
            sent += parts.at(2).toLongLong();
            if (parts.size() >= 5) Dropped += parts.at(4).toLongLong();
        }
        return sent;
    }
    QStringList Devices;
    // Replies the simulator's lines dropped because the host did not read them in time.
    qint64 Dropped = 0;

private:
    QProcess m_process;
};

// Stands between the bench connections and the program's router, counting the data replies decoded.
// The desktop program's serial port, counting the replies that reach it, apart from the bench link.
class CountingPort : public SerialComPort {
public:
    using SerialComPort::SerialComPort;
    long Received() const { return m_framer.packets; }

protected:
    int DeviceRead(uint8_t* buffer, int count) override {
        const int n = SerialComPort::DeviceRead(buffer, count);
        if (n > 0) reply_framer_feed(&m_framer, buffer, n);
        return n;
    }

private:
    reply_framer m_framer{};
};

class CountingHost final : public IBenchHost {
public:
    explicit CountingHost(IBenchHost& inner) : m_in(inner) {}
    qint64 DataReplies = 0;

    bool Closing() const override { return m_in.Closing(); }
    void ShowAckLines() override { m_in.ShowAckLines(); }
    uint8_t ConsoleCommand() const override { return m_in.ConsoleCommand(); }
    bool BenchBoxActive(int b) const override { return m_in.BenchBoxActive(b); }
    bool ConsoleExists() const override { return m_in.ConsoleExists(); }
    void ShowAckNak(int b) override { m_in.ShowAckNak(b); }
    void ShowResult(int b, uint8_t c) override { m_in.ShowResult(b, c); }
    bool FirmwareScreenVisible() const override { return m_in.FirmwareScreenVisible(); }
    bool FirmwareDownloadInProgress() const override { return m_in.FirmwareDownloadInProgress(); }
    void FirmwareReply(int b, const TRxPacket& p) override { m_in.FirmwareReply(b, p); }
    bool CalLoadVisible() const override { return m_in.CalLoadVisible(); }
    int CalLoadState() const override { return m_in.CalLoadState(); }
    void CalLoadSetRefused() override { m_in.CalLoadSetRefused(); }
    void CalLoadStopTimer() override { m_in.CalLoadStopTimer(); }
    void CalLoadReply(int b, const TRxPacket& p) override { m_in.CalLoadReply(b, p); }
    bool ParamTransferVisible() const override { return m_in.ParamTransferVisible(); }
    int ParamTransferState() const override { return m_in.ParamTransferState(); }
    void ParamTransferStopTimer() override { m_in.ParamTransferStopTimer(); }
    void ParamTransferReply(int b, const TRxPacket& p) override { m_in.ParamTransferReply(b, p); }
    void ParamTransferNak(int b, uint8_t c, uint8_t e) override { m_in.ParamTransferNak(b, c, e); }
    void ParamTransferTimeout(int b, uint8_t c) override { m_in.ParamTransferTimeout(b, c); }
    void ParamWriteAck(int b) override { m_in.ParamWriteAck(b); }
    void ParamReadReply(int b, const QByteArray& t) override { m_in.ParamReadReply(b, t); }
    void ParamStoreAck(int b) override { m_in.ParamStoreAck(b); }
    void ParamLoadAck(int b) override { m_in.ParamLoadAck(b); }
    void SetCurrentParam(int b, int p) override { m_in.SetCurrentParam(b, p); }
    bool StopBtnEnabled() const override { return m_in.StopBtnEnabled(); }
    void DataStep(int b) override { m_in.DataStep(b); }
    // Every decoded data reply passes here, whether or not rows are being built.
    void UpdateGraph2(int b) override {
        ++DataReplies;
        m_in.UpdateGraph2(b);
    }
    void UpdateGraph1(int b) override { m_in.UpdateGraph1(b); }
    void UpdateStatusScreen(int b) override { m_in.UpdateStatusScreen(b); }
    void UpdateEngineeringStatus(int b) override { m_in.UpdateEngineeringStatus(b); }
    void RawIrPacket(int b, const TRxPacket& p) override { m_in.RawIrPacket(b, p); }
    void UntickAllBenches() override { m_in.UntickAllBenches(); }
    void BenchDisconnected(int b) override { m_in.BenchDisconnected(b); }

private:
    IBenchHost& m_in;
};

struct Figures {
    bool ok = false;
    QString error;
    int columns = 0;
    qint64 cpuUs = 0;
    qint64 windowReplies = 0;
    qint64 paints = 0;
    qint64 misses = 0;
    qint64 decoded = 0;
    qint64 received = -1; // replies that reached the ports (-1: not counted)
    qint64 sent = 0;
    qint64 dropped = 0;
};

struct Run {
    double rate = 126;
    bool everyColumn = false;
    bool shown = true;
    int warmupMs = 1500;
    int seconds = 10;
    // Where to save what the screen shows of the window, a few times a second (empty: no pictures).
    QString shots;
};

Figures runWindow(const Run& run) {
    const double rate = run.rate;
    const bool everyColumn = run.everyColumn;
    Figures fig;
    SimProcess sim;
    if (!sim.Start(rate, &fig.error)) return fig;
    for (int i = 0; i < 4; ++i)
        SetComPortOverride(i + 1, sim.Devices.at(i));
    {
        std::array<CountingPort*, 4> ports{};
        TShell shell([&ports](int com) {
            auto port = std::make_unique<CountingPort>(com);
            ports[size_t(com - 1)] = port.get();
            return port;
        });
        TApp& app = shell.MainWindow();
        CountingHost host(shell.Router());
        for (int i = 0; i < 4; ++i)
            shell.Benches()[i].Init(app.ApdComPort(i), &host, i);

        app.CompDataRG->ClickItem(2); // $44
        if (everyColumn) {
            for (QCheckBox* box :
                 {app.AcceptCountChk, app.RelativeTime, app.DemodulatedIR, app.Offset, app.MinMaxADC,
                  app.Temperatures, app.AmbTemp, app.Pressures, app.AmbPressure, app.RawNoxO2, app.Pef})
                box->click();
            app.AveragingRadioGroup->ClickItem(2); // Mean+STDEV
        }
        if (run.shown) app.show();
        for (QCheckBox* box : app.ActiveBench)
            box->click();
        for (int i = 0; i < 4; ++i)
            if (!app.PortOpen(i)) {
                fig.error =
                    QStringLiteral("COM%1 did not open: %2").arg(i + 1).arg(app.ActiveBench[i]->toolTip());
                sim.Stop();
                return fig;
            }
        app.OKBtn->click();
        // As far apart as an operator's clicks: a request framed for a bench discards what is still
        // queued for it, and OK's stop requests are to reach the benches.
        runEventLoop(300);
        app.StartBtn->click();
        fig.columns = app.Acquisition().Table().ColumnCount;

        runEventLoop(run.warmupMs);
        const qint64 cpu0 = cpuMicroseconds();
        const qint64 replies0 = host.DataReplies;
        const qint64 paints0 = app.Grid->Paints();
        const qint64 misses0 = app.Grid->TextCache().Misses();
        // Pictures of the screen itself (not a fresh paint), to look for tearing and lag.
        QTimer shooter;
        int shot = 0;
        QObject::connect(&shooter, &QTimer::timeout, [&] {
            const QPixmap picture = app.screen()->grabWindow(app.winId());
            picture.save(QStringLiteral("%1/window-%2-%3-%4.png")
                             .arg(run.shots)
                             .arg(rate)
                             .arg(everyColumn ? QStringLiteral("every") : QStringLiteral("default"))
                             .arg(++shot, 2, 10, QLatin1Char('0')));
        });
        if (!run.shots.isEmpty() && run.shown) shooter.start(700);
        runEventLoop(run.seconds * 1000);
        shooter.stop();
        fig.cpuUs = cpuMicroseconds() - cpu0;
        fig.windowReplies = host.DataReplies - replies0;
        fig.paints = app.Grid->Paints() - paints0;
        fig.misses = app.Grid->TextCache().Misses() - misses0;

        app.StopBtn->click();
        // The replies still on their way and the stop request's own reply.
        runEventLoop(1000);
        fig.decoded = host.DataReplies;
        fig.received = 0;
        for (const CountingPort* port : ports)
            fig.received += port->Received();
        // No shutdown waits: the simulator is about to go.
        app.Acquisition().State.Closing = true;
    }
    fig.sent = sim.Stop();
    fig.dropped = sim.Dropped;
    ClearComPortOverrides();
    fig.ok = true;
    return fig;
}

Figures runBareReader(double rate, int warmupMs, int seconds) {
    Figures fig;
    SimProcess sim;
    if (!sim.Start(rate, &fig.error)) return fig;
    QProcess reader;
    reader.start(QStringLiteral(BARE_READER_PATH),
                 QStringList{QString::number(warmupMs / 1000.0), QString::number(seconds)} + sim.Devices);
    if (!reader.waitForFinished(seconds * 1000 + warmupMs + 10000)) {
        fig.error = QStringLiteral("bare_reader did not finish");
        sim.Stop();
        return fig;
    }
    // "replies TOTAL window WINDOW cpu_us CPU"
    const QList<QByteArray> parts = reader.readAllStandardOutput().trimmed().split(' ');
    fig.sent = sim.Stop();
    fig.dropped = sim.Dropped;
    if (parts.size() != 6) {
        fig.error =
            QStringLiteral("bare_reader: %1").arg(QString::fromLocal8Bit(reader.readAllStandardError()));
        return fig;
    }
    fig.decoded = fig.received = parts.at(1).toLongLong();
    fig.windowReplies = parts.at(3).toLongLong();
    fig.cpuUs = parts.at(5).toLongLong();
    fig.ok = true;
    return fig;
}

// The run of the middle CPU time (the lower middle one of an even count); a run that failed counts
// as the most expensive.
Figures median(QList<Figures> runs) {
    std::sort(runs.begin(), runs.end(), [](const Figures& a, const Figures& b) {
        if (a.ok != b.ok) return a.ok;
        return a.cpuUs < b.cpuUs;
    });
    return runs.at((runs.size() - 1) / 2);
}

void print(double rate, const char* what, const Figures& f, int seconds, bool painted) {
    if (!f.ok) {
        std::printf("%6.0f  %-32s  failed: %s\n", rate, what, qPrintable(f.error));
        return;
    }
    const double share = 100.0 * double(f.cpuUs) / (seconds * 1e6);
    const double perReply = f.windowReplies > 0 ? double(f.cpuUs) / double(f.windowReplies) : 0.0;
    char paints[32] = "-", texts[32] = "-";
    if (painted) {
        std::snprintf(paints, sizeof paints, "%.1f", double(f.paints) / seconds);
        if (f.paints > 0) std::snprintf(texts, sizeof texts, "%.0f", double(f.misses) / double(f.paints));
    }
    const qint64 received = f.received >= 0 ? f.received : f.decoded;
    QString verdict =
        received == f.sent ? QStringLiteral("none lost") : QStringLiteral("%1 LOST").arg(f.sent - received);
    if (f.dropped > 0)
        verdict += QStringLiteral(" (%1 dropped by the simulator: not read in time)").arg(f.dropped);
    if (f.decoded < received)
        verdict += QStringLiteral("; %1 received but not decoded (after the stop's reply)")
                       .arg(received - f.decoded);
    std::printf("%6.0f  %-32s  %6.2f  %9.1f  %8s  %9s  %9lld  %9lld  %9lld  %s\n", rate, what, share,
                perReply, paints, texts, static_cast<long long>(f.decoded), static_cast<long long>(received),
                static_cast<long long>(f.sent), qPrintable(verdict));
    std::fflush(stdout);
}

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // The offscreen platform's note about size hints says nothing about the figures.
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The simulator's COM links go to a drive C of this run only.
    QTemporaryDir driveC;
    qputenv("X714_DRIVE_C", driveC.path().toLocal8Bit());
    QApplication app(argc, argv);

    int seconds = 10, warmupMs = 1500;
    QList<double> rates{126, 21};
    QList<bool> columnSets{false, true};
    bool floor = true;
    bool unshown = false;
    int repeat = 1;
    QString shots;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--seconds") && hasValue) {
            seconds = std::max(1, args.at(++i).toInt());
        } else if (a == QLatin1String("--warmup") && hasValue) {
            warmupMs = int(std::max(0.0, args.at(++i).toDouble()) * 1000);
        } else if (a == QLatin1String("--rates") && hasValue) {
            rates.clear();
            for (const QString& r : args.at(++i).split(QLatin1Char(',')))
                if (r.toDouble() > 0) rates << r.toDouble();
        } else if (a == QLatin1String("--columns") && hasValue) {
            columnSets.clear();
            for (const QString& c : args.at(++i).split(QLatin1Char(',')))
                columnSets << (c == QLatin1String("every"));
        } else if (a == QLatin1String("--repeat") && hasValue) {
            repeat = std::max(1, args.at(++i).toInt());
        } else if (a == QLatin1String("--shots") && hasValue) {
            shots = args.at(++i);
        } else if (a == QLatin1String("--hidden")) {
            unshown = true;
        } else if (a == QLatin1String("--no-floor")) {
            floor = false;
        } else {
            std::fprintf(stderr, "%s", Usage);
            return 2;
        }
    }

    std::printf(
        "Four benches streaming $44, %d s measured after %.1f s of warm-up; CPU = user + system time of\n"
        "the measuring process over the window (getrusage). Replies over the whole run: decoded by the\n"
        "host, received at its ports, sent by the simulator. New texts: cell texts drawn afresh per "
        "paint.\n\n",
        seconds, warmupMs / 1000.0);
    std::printf("%6s  %-32s  %6s  %9s  %8s  %9s  %9s  %9s  %9s\n", "rate/s", "host", "CPU %", "us/reply",
                "paints/s", "new texts", "decoded", "received", "sent");
    for (double rate : rates) {
        if (floor) {
            QList<Figures> runs;
            for (int n = 0; n < repeat; ++n) {
                runs << runBareReader(rate, warmupMs, seconds);
                print(rate, "bare C reader", runs.last(), seconds, false);
            }
            if (repeat > 1) print(rate, "bare C reader, median", median(runs), seconds, false);
        }
        for (bool every : columnSets) {
            Run run;
            run.rate = rate;
            run.everyColumn = every;
            run.shown = !unshown;
            run.warmupMs = warmupMs;
            run.seconds = seconds;
            run.shots = shots;
            QList<Figures> runs;
            QString what;
            for (int n = 0; n < repeat; ++n) {
                runs << runWindow(run);
                what = every ? QStringLiteral("every column, Mean+STDEV (%1)").arg(runs.last().columns)
                             : QStringLiteral("default columns (%1)").arg(runs.last().columns);
                if (unshown) what += QStringLiteral(", window hidden");
                print(rate, qPrintable(what), runs.last(), seconds, !unshown);
            }
            if (repeat > 1)
                print(rate, qPrintable(what + QStringLiteral(", median")), median(runs), seconds, !unshown);
        }
    }
    return 0;
}
