// x714ctl params: the parameter transfer screen's upload and download for one bench, without a window,
// and a comparison of a bench's parameters with a file. The same reader, writer and state machine as
// the screen; progress on standard error, the result on standard output.
#include "bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "clock.h"
#include "form_timer.h"
#include "param_list.h"
#include "param_transfer.h"
#include "signal_watcher.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <map>
#include <memory>

namespace {

const char* const Usage =
    "params upload|download|diff PORT FILE [--last N] [--pace MS] [--force] [--baud B]\n"
    "      upload: loads every parameter 0..N (default 500) of the bench on PORT from flash, reads it and\n"
    "      writes the pairs \"// NUMBER NAME\" / \"  VALUE\" to FILE (names from ParamLst.c in the working\n"
    "      directory; parameters the bench refuses to load with code 2 or 4 are left out); an existing\n"
    "      FILE needs --force. download: writes every\n"
    "      parameter of FILE, reads it back until it matches (ten rewrites at most) and stores it to\n"
    "      flash; FILE is checked whole first. diff: reads the bench's parameters of FILE's numbers and\n"
    "      lists those that differ (number, name, file value, bench value). --pace: pause between steps\n"
    "      (default 100 ms). Progress on standard error. Exit 0 on success (diff: nothing differs), 1 on\n"
    "      a bench failure, ten time-outs or refusals, or differences, 2 on bad arguments, a bad FILE or\n"
    "      a port that cannot be opened.";

// The transfer screen is "visible". A load's acknowledgement is answered by reading the parameter
// back, as the parameter screen does.
class ParamsHost : public CliBenchHost {
public:
    TParamTransfer* transfer = nullptr;
    TFormTimer* timer = nullptr;
    int currentParam = 0;

    bool ParamTransferVisible() const override { return true; }
    int ParamTransferState() const override { return transfer->State(); }
    void ParamTransferStopTimer() override { timer->Stop(); }
    void ParamTransferReply(int bench, const TRxPacket& packet) override { transfer->Reply(bench, packet); }
    void ParamTransferNak(int bench, uint8_t code, uint8_t error) override {
        transfer->Refused(bench, code, error);
    }
    void ParamTransferTimeout(int bench, uint8_t code) override { transfer->TimedOut(bench, code); }
    void SetCurrentParam(int, int parameter) override { currentParam = parameter; }
    void ParamLoadAck(int) override {
        if (transfer->State() > 0) Link().Bench().SendReadFlashParameter(uint16_t(currentParam));
    }
};

class ParamsOutput : public IParamTransferOutput {
public:
    ParamsOutput(TBenchSet& benches, TFormTimer& timer) : m_benches(benches), m_timer(timer) {}
    TParamTransfer* transfer = nullptr;
    bool quiet = false;
    qint64 startMs = 0;
    QString lastState;

    void LoadParameter(int b, uint16_t n) override { m_benches[b].SendLoadFlashParameter(n); }
    void ReadParameter(int b, uint16_t n) override { m_benches[b].SendReadFlashParameter(n); }
    bool WriteParameter(int b, uint16_t n, const QByteArray& v) override {
        return m_benches[b].SendWriteFlashParameter(n, v);
    }
    void StoreParameter(int b, uint16_t n) override { m_benches[b].SendStoreFlashParameter(n); }
    void StartTimer(int ms) override {
        m_timer.SetInterval(ms);
        m_timer.Start();
    }
    void StopTimer() override { m_timer.Stop(); }
    void ShowState(const QString& text) override { lastState = text; }
    void ShowParam(const QString& text) override {
        if (quiet || text.isEmpty()) return;
        const qint64 now = Clock().Milliseconds();
        if (now - m_lastReportMs < 1000) return;
        m_lastReportMs = now;
        const bool upload = transfer->CurrentMode() == TParamTransfer::Mode::Upload;
        const int total = upload ? transfer->MaxParameters() + 1 : transfer->EntryCount();
        const int done = upload ? transfer->ParamIndex() : transfer->EntryIndex() - 1;
        const qint64 elapsed = now - startMs;
        std::fprintf(stderr, "Parameter %s: %d/%d, %s\n", qPrintable(text), done, total,
                     qPrintable(ProgressFigures(done, total, elapsed, elapsed)));
        std::fflush(stderr);
    }
    void SetStartEnabled(bool) override {}
    // The tool never asks: an existing file was refused (or --force given) before the start.
    bool ConfirmOverwrite(const QString&) override { return true; }
    QString ParameterName(int number) const override {
        const TParameterItem* item = names.Item(number);
        return item ? item->Name : QString();
    }
    TParameterList names;

private:
    TBenchSet& m_benches;
    TFormTimer& m_timer;
    qint64 m_lastReportMs = 0;
};

// How a run of the transfer ended.
enum class RunEnd { Rested, Stopped, Lost };

struct Session {
    ParamsHost host;
    CliBench link;
    TFormTimer timer{TParamTransfer::StepIntervalMs};
    ParamsOutput output{link.Benches(), timer};
    TParamTransfer transfer{output};

    explicit Session(const CliMessages& messages) : link(messages, host) {
        output.transfer = &transfer;
        host.transfer = &transfer;
        host.timer = &timer;
        QObject::connect(&timer, &TFormTimer::Timeout, [this] { transfer.Tick(); });
        transfer.BenchWanted = {true, false, false, false};
    }

    // Runs until the transfer rests, a signal stops it or the device goes away; the time-out scan
    // runs every second as the main window's does.
    RunEnd run(TParamTransfer::Mode mode, QString* last) {
        output.startMs = Clock().Milliseconds();
        QEventLoop loop;
        RunEnd end = RunEnd::Rested;
        auto stop = [&](RunEnd why) {
            end = why;
            transfer.Cancel();
            loop.quit();
        };
        QTimer scan;
        QObject::connect(&scan, &QTimer::timeout, [this] { link.Benches().CheckTimeouts(); });
        QTimer done;
        QObject::connect(&done, &QTimer::timeout, [&] {
            if (!transfer.Running()) loop.quit();
        });
        SignalWatcher stopOnSignal([&] { stop(RunEnd::Stopped); });
        link.OnLost = [&] { stop(RunEnd::Lost); };
        transfer.Start(mode, last);
        if (transfer.Running()) {
            scan.start(1000);
            done.start(20);
            loop.exec();
        }
        link.OnLost = nullptr;
        return end;
    }
};

int runParams(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CliMessages messages("params", Usage);
    QString last = QStringLiteral("500");
    int pace = TParamTransfer::StepIntervalMs, baud = DefaultBaud;
    bool force = false;
    const CliOption lastOption{
        QStringLiteral("--last"), QStringLiteral("--last needs a number"), [&](const QString& value) {
            last = value;
            bool ok = false;
            const int n = value.toInt(&ok);
            if (!ok || n < 0 || n > 65535)
                return QStringLiteral("--last must be 0 to 65535, not '%1'").arg(value);
            return QString();
        }};
    const CliOption paceOption{
        QStringLiteral("--pace"), QStringLiteral("--pace needs milliseconds"), [&](const QString& value) {
            bool ok = false;
            pace = value.toInt(&ok);
            if (!ok || pace < 0 || pace > 10000)
                return QStringLiteral("--pace must be 0 to 10000 ms, not '%1'").arg(value);
            return QString();
        }};
    const std::optional<QStringList> parsed = ParseCliArguments(
        args, {FlagOption(QStringLiteral("--force"), &force), lastOption, paceOption, BaudOption(&baud)},
        messages);
    if (!parsed) return ExitUsage;
    const QStringList& positional = *parsed;
    if (positional.size() != 3)
        return messages.UsageError(QStringLiteral("an action, PORT and FILE are required"));
    const QString action = positional.at(0), file = positional.at(2);
    if (action != QLatin1String("upload") && action != QLatin1String("download") &&
        action != QLatin1String("diff"))
        return messages.UsageError(
            QStringLiteral("the action must be upload, download or diff, not '%1'").arg(action));

    TTransferRead wanted;
    if (action != QLatin1String("upload")) {
        wanted = ReadTransferFile(file);
        if (!wanted.Ok()) {
            messages.Error(wanted.Error.Text() + QStringLiteral("\nNothing was sent to the bench."));
            return ExitUsage;
        }
    } else if (QFileInfo::exists(file) && !force) {
        messages.Error(QStringLiteral("%1 exists; give --force to overwrite it").arg(file));
        return ExitUsage;
    }

    // The names of an upload come from the parameter list in the working directory, as the screen's.
    const TParameterListRead list = ReadParameterListFile(QString::fromLatin1(ParameterListFileName));
    if (list.Error) messages.Error(list.Error->Text() + QStringLiteral("; the parameters have no names"));

    Session s(messages);
    s.output.names = list.List;
    s.transfer.StepMs = pace;
    if (!s.link.Open(positional.at(1), baud)) return ExitUsage;

    int rc = ExitBenchFailure;
    if (action == QLatin1String("diff")) {
        // The bench's values come from an upload of the file's numbers into a scratch file.
        QTemporaryDir scratch;
        int highest = 0;
        for (const TTransferEntry& e : wanted.Entries)
            highest = std::max(highest, e.Number);
        QString upTo = QString::number(highest);
        s.transfer.ParamFilePath[0] = scratch.filePath(QStringLiteral("bench.CAL"));
        s.output.quiet = false;
        const RunEnd end = s.run(TParamTransfer::Mode::Upload, &upTo);
        if (end != RunEnd::Rested || !s.output.lastState.startsWith(QLatin1String(" Successful"))) {
            out << s.output.lastState.trimmed() << "\n";
        } else {
            const TTransferRead bench = ReadTransferFile(s.transfer.ParamFilePath[0]);
            std::map<int, QByteArray> values;
            for (const TTransferEntry& e : bench.Entries)
                values[e.Number] = e.Value;
            int differ = 0;
            for (const TTransferEntry& e : wanted.Entries) {
                const auto it = values.find(e.Number);
                const QByteArray benchValue = it == values.end() ? QByteArray("(not loaded)") : it->second;
                if (it != values.end() && benchValue == e.Value) continue;
                ++differ;
                out << e.Number << " " << (e.Name.isEmpty() ? QStringLiteral("-") : e.Name) << " "
                    << QString::fromLatin1(e.Value) << " " << QString::fromLatin1(benchValue) << "\n";
            }
            err << "x714ctl params: " << differ << " of " << wanted.Entries.size() << " parameters differ\n";
            rc = differ == 0 ? ExitOk : ExitBenchFailure;
        }
    } else {
        const bool upload = action == QLatin1String("upload");
        s.transfer.ParamFilePath[0] = file;
        const RunEnd end =
            s.run(upload ? TParamTransfer::Mode::Upload : TParamTransfer::Mode::Download, &last);
        const QString state = s.output.lastState.trimmed();
        if (end == RunEnd::Rested && s.output.lastState.startsWith(QLatin1String(" Successful"))) {
            rc = ExitOk;
            out << state << ": " << s.transfer.Transferred() << " parameters "
                << (upload ? QStringLiteral("written to %1").arg(file)
                           : QStringLiteral("written, read back and stored"))
                << "\n";
        } else {
            out << (end == RunEnd::Rested    ? state
                    : end == RunEnd::Stopped ? QStringLiteral("Cancelled")
                                             : QStringLiteral("Device lost"))
                << "\n";
            if (!s.transfer.FileErrorDetail().isEmpty())
                err << "x714ctl params: " << s.transfer.FileErrorDetail() << "\n";
        }
    }
    out.flush();
    return rc;
}

const CliCommandRegistration registration({"params", Usage, runParams});

} // namespace
