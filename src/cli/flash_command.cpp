// x714ctl flash: the firmware download of the firmware screen for one bench, without a window. The
// file is read and checked whole first; the download then runs on the bench's acknowledgements, with
// progress on standard error and the result on standard output.
#include "bench.h"
#include "cli_command.h"
#include "clock.h"
#include "flash_download.h"
#include "paths.h"
#include "serial_comport.h"
#include "signal_watcher.h"
#include "srecord.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

const char* const Usage =
    "flash PORT FILE [--baud B]\n"
    "      replaces the firmware of the bench on PORT from the S-record FILE (S2 or S3 records), as the\n"
    "      firmware download screen does: boot mode, erase, one write per record, end, soft reset. FILE\n"
    "      is checked whole first (every record's digits, length and checksum, an S5/S6 count, at least\n"
    "      one data record); a bad file is refused with its line and nothing is sent. Progress on\n"
    "      standard error, the result on standard output. Gives up when the bench stays silent for\n"
    "      10 s. Exit 0 on success, 1 on a refusal, silence or SIGINT/SIGTERM, 2 on bad arguments, a bad\n"
    "      file or a port that cannot be opened.";

constexpr qint64 SilenceLimitMs = 10000;
// After the reset request: how long its acknowledgement is waited for before the tool ends anyway.
constexpr int ResetWaitMs = 3000;

QString minutes(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// The tool's one bench stands in for bench 1 of the program. The screen is "visible" throughout, so
// the bench connection hands every reply to the download while it is busy.
class FlashHost : public NullBenchHost {
public:
    TFlashDownload* download = nullptr;
    TApdComPort* port = nullptr;
    std::function<void()> onReply;
    bool resetAcknowledged = false;

    bool BenchBoxActive(int bench) const override { return bench == 0 && port && port->Open(); }
    bool FirmwareScreenVisible() const override { return true; }
    bool FirmwareDownloadInProgress() const override { return download && download->Busy(); }
    void FirmwareReply(int bench, const TRxPacket& packet) override {
        if (onReply) onReply();
        download->Reply(bench, packet);
    }
    void UntickAllBenches() override {
        resetAcknowledged = true;
        if (onReply) onReply();
        if (port) port->SetOpen(false);
    }
};

// Requests through the bench connection; progress lines and the failure message.
class FlashOutput : public TBenchFlashOutput {
public:
    FlashOutput(TBenchSet& benches, std::function<void()> onSend)
        : TBenchFlashOutput(benches), m_onSend(std::move(onSend)) {}
    TFlashDownload* download = nullptr;
    QString failure;
    qint64 startMs = 0;

    void StartBootMode(int b) override {
        m_onSend();
        progress(QStringLiteral("Entering Boot Mode"));
        TBenchFlashOutput::StartBootMode(b);
    }
    void InitiateFlashDownload(int b) override {
        m_onSend();
        progress(QStringLiteral("Erasing Program Sectors"));
        TBenchFlashOutput::InitiateFlashDownload(b);
    }
    void WriteFlashMemory(int b, uint32_t address, const QByteArray& data) override {
        m_onSend();
        reportRecords(false);
        TBenchFlashOutput::WriteFlashMemory(b, address, data);
    }
    void EndFlashDownload(int b) override {
        m_onSend();
        if (failure.isEmpty()) {
            reportRecords(true);
            progress(QStringLiteral("Ending the download"));
        }
        TBenchFlashOutput::EndFlashDownload(b);
    }
    void SoftReset(int b) override {
        m_onSend();
        progress(QStringLiteral("Resetting the bench"));
        TBenchFlashOutput::SoftReset(b);
    }
    void DisplayChanged() override {}
    void Warning(const QString& text) override { failure = text; }

    void progress(const QString& line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
        std::fflush(stderr);
    }

private:
    // "Programming Flash: done/total records, percent, elapsed, remaining", once a second at most.
    void reportRecords(bool final) {
        const int total = download->RecordCount();
        const int done = final ? total : download->RecordsSent() - 1;
        const qint64 now = Clock().Milliseconds();
        if (!final && done > 0 && now - m_lastReportMs < 1000) return;
        m_lastReportMs = now;
        const qint64 elapsed = now - startMs;
        const qint64 programming = now - (m_programmingStartMs ? m_programmingStartMs : now);
        if (!m_programmingStartMs) m_programmingStartMs = now;
        const QString remaining =
            done > 0 ? minutes(programming * (total - done) / done) : QStringLiteral("?");
        progress(QStringLiteral("Programming Flash: %1/%2 records, %3 %, %4 elapsed, %5 remaining")
                     .arg(done)
                     .arg(total)
                     .arg(total > 0 ? qint64(done) * 100 / total : 100)
                     .arg(minutes(elapsed), remaining));
    }

    std::function<void()> m_onSend;
    qint64 m_lastReportMs = 0;
    qint64 m_programmingStartMs = 0;
};

int runFlash(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto usageError = [&](const QString& message) {
        err << "x714ctl flash: " << message << "\nusage: x714ctl " << Usage << "\n";
        return ExitUsage;
    };
    QStringList positional;
    int baud = 19200;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--baud")) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("--baud needs a rate"));
            bool ok = false;
            baud = args.at(++i).toInt(&ok);
            if (!ok || !QList<int>{9600, 19200, 38400, 57600, 115200}.contains(baud)) {
                err << "x714ctl flash: --baud must be 9600, 19200, 38400, 57600 or 115200, not '"
                    << args.at(i) << "'\n";
                return ExitUsage;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.size() != 2) return usageError(QStringLiteral("PORT and FILE are required"));

    const TFirmwareReadResult file = ReadFirmwareFile(positional.at(1), RecordFormatS2);
    if (!file.Ok()) {
        err << "x714ctl flash: " << file.Error.Text() << "\nNothing was sent to the bench.\n";
        return ExitUsage;
    }

    SetComPortOverride(1, ResolvePortArgument(positional.at(0)));
    SerialComPort port(1);
    port.SetBaud(baud);
    if (!port.SetOpen(true)) {
        err << "x714ctl flash: cannot open " << positional.at(0) << ": " << port.OpenError() << "\n";
        return ExitUsage;
    }

    qint64 lastActivityMs = Clock().Milliseconds();
    auto active = [&] { lastActivityMs = Clock().Milliseconds(); };
    FlashHost host;
    auto benches = std::make_unique<TBenchSet>();
    FlashOutput output(*benches, active);
    TFlashDownload download(output);
    output.download = &download;
    host.download = &download;
    host.port = &port;
    host.onReply = active;
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i == 0 ? &port : nullptr, &host, i);
    TBench& bench = (*benches)[0];
    QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });

    QEventLoop loop;
    QString result;
    int rc = ExitBenchFailure;
    bool resetSent = false;
    // The bench was asked to erase: stopping now leaves it without complete firmware.
    bool leftInBoot = false;
    qint64 resetSentMs = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = Clock().Milliseconds();
        if (download.Busy()) {
            if (now - lastActivityMs >= SilenceLimitMs) {
                result = QStringLiteral("The bench stayed silent for %1 s (%2); the download is abandoned")
                             .arg(SilenceLimitMs / 1000)
                             .arg(QLatin1String(download.StateName().data(),
                                                qsizetype(download.StateName().size())));
                leftInBoot = download.CurrentState() >= TFlashDownload::EraseRequested;
                download.Abandon();
                loop.quit();
            }
            return;
        }
        if (!output.failure.isEmpty()) {
            loop.quit();
            return;
        }
        if (!resetSent) {
            resetSent = true;
            resetSentMs = now;
        }
        if (host.resetAcknowledged || now - resetSentMs >= ResetWaitMs) loop.quit();
    });
    SignalWatcher stopOnSignal([&] {
        result = QStringLiteral("Cancelled");
        leftInBoot = download.CurrentState() >= TFlashDownload::EraseRequested;
        download.Abandon();
        loop.quit();
    });

    output.startMs = Clock().Milliseconds();
    download.Start(0, file.Image);
    watch.start(50);
    loop.exec();
    watch.stop();

    if (!output.failure.isEmpty()) {
        const TFlashDisplay& d = download.Display();
        out << output.failure << " (after " << download.RecordsSent() << " of " << download.RecordCount()
            << " records; address " << d.HexAddress << ")\n";
    } else if (!result.isEmpty()) {
        out << result << " after " << download.RecordsSent() << " of " << download.RecordCount()
            << " records.\n";
        if (leftInBoot)
            err << "x714ctl flash: the bench may be left in its boot program with its flash erased or "
                   "partly written; download the firmware again.\n";
    } else {
        rc = ExitOk;
        out << "Success!!! " << download.RecordCount() << " records, " << file.Image.DataBytes
            << " bytes, range " << download.Display().Range << "\n";
        if (!host.resetAcknowledged)
            err << "x714ctl flash: the bench did not acknowledge the reset; it may need a power cycle.\n";
    }
    out.flush();
    if (port.Open()) {
        // Let the last request (the end or the reset) leave before the port closes.
        port.SetOpen(false);
    }
    return rc;
}

const CliCommandRegistration registration({"flash", Usage, runFlash});

} // namespace
