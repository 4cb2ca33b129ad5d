// x714ctl flash: the firmware download of the firmware screen for one bench, without a window. The
// file is read and checked whole first; the download then runs on the bench's acknowledgements, with
// progress on standard error and the result on standard output.
#include "bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "clock.h"
#include "flash_download.h"
#include "signal_watcher.h"
#include "srecord.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

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

// The firmware screen is "visible" throughout, so the bench connection hands every reply to the
// download while it is busy. The reset that ends a download restarts the bench: that is expected, and
// no warning is given.
class FlashHost : public CliBenchHost {
public:
    TFlashDownload* download = nullptr;
    std::function<void()> onReply;
    bool resetAcknowledged = false;

    bool FirmwareScreenVisible() const override { return true; }
    bool FirmwareDownloadInProgress() const override { return download && download->Busy(); }
    void FirmwareReply(int bench, const TRxPacket& packet) override {
        if (onReply) onReply();
        download->Reply(bench, packet);
    }
    void UntickAllBenches() override {
        resetAcknowledged = true;
        if (onReply) onReply();
        CliBenchHost::UntickAllBenches();
    }
    void BenchDisconnected(int) override {}
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
        progress(QStringLiteral("Programming Flash: %1/%2 records, %3")
                     .arg(done)
                     .arg(total)
                     .arg(ProgressFigures(done, total, elapsed, programming)));
    }

    std::function<void()> m_onSend;
    qint64 m_lastReportMs = 0;
    qint64 m_programmingStartMs = 0;
};

int runFlash(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CliMessages messages("flash", Usage);
    int baud = DefaultBaud;
    const std::optional<QStringList> parsed = ParseCliArguments(args, {BaudOption(&baud)}, messages);
    if (!parsed) return ExitUsage;
    const QStringList& positional = *parsed;
    if (positional.size() != 2) return messages.UsageError(QStringLiteral("PORT and FILE are required"));

    const TFirmwareReadResult file = ReadFirmwareFile(positional.at(1), RecordFormatS2);
    if (!file.Ok()) {
        messages.Error(file.Error.Text() + QStringLiteral("\nNothing was sent to the bench."));
        return ExitUsage;
    }

    FlashHost host;
    CliBench link(messages, host);
    if (!link.Open(positional.at(0), baud)) return ExitUsage;

    qint64 lastActivityMs = Clock().Milliseconds();
    auto active = [&] { lastActivityMs = Clock().Milliseconds(); };
    FlashOutput output(link.Benches(), active);
    TFlashDownload download(output);
    output.download = &download;
    host.download = &download;
    host.onReply = active;

    QEventLoop loop;
    QString result;
    int rc = ExitBenchFailure;
    bool resetSent = false;
    // The bench was asked to erase: stopping now leaves it without complete firmware.
    bool leftInBoot = false;
    qint64 resetSentMs = 0;
    // Ends a download that is still going on: once the bench was asked to erase, it is left without
    // complete firmware.
    auto abandon = [&](const QString& why) {
        result = why;
        leftInBoot = download.CurrentState() >= TFlashDownload::EraseRequested;
        download.Abandon();
        loop.quit();
    };
    const auto stateName = [&] {
        return QLatin1String(download.StateName().data(), qsizetype(download.StateName().size()));
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = Clock().Milliseconds();
        if (download.Busy()) {
            if (now - lastActivityMs >= SilenceLimitMs)
                abandon(QStringLiteral("The bench stayed silent for %1 s (%2); the download is abandoned")
                            .arg(SilenceLimitMs / 1000)
                            .arg(stateName()));
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
    SignalWatcher stopOnSignal([&] { abandon(QStringLiteral("Cancelled")); });
    // A device that goes away ends the download at once, rather than after the silence limit.
    link.OnLost = [&] {
        if (download.Busy())
            abandon(QStringLiteral("The device was lost (%1); the download is abandoned").arg(stateName()));
        else
            loop.quit();
    };

    output.startMs = Clock().Milliseconds();
    download.Start(0, file.Image);
    watch.start(50);
    loop.exec();
    watch.stop();
    link.OnLost = nullptr;

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
    return rc;
}

const CliCommandRegistration registration({"flash", Usage, runFlash});

} // namespace
