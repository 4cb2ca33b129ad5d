// x714ctl acquire: the main window's acquisition between Start and Stop, without a window. Prints the
// lines the main log file receives; --log also writes that file.
#include "acquisition.h"
#include "bench.h"
#include "cli_bench.h"
#include "cli_command.h"
#include "command.h"
#include "dialogs.h"
#include "paths.h"
#include "serial_comport.h"
#include "signal_watcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

const char* const Usage =
    "acquire PORT... [--baud B] [--data 01|06|44] [--hc-mode hex|prop] [--hc-divisor 1|100]\n"
    "      [--columns LIST] [--offset] [--average none|mean|stdev] [--samples N] [--rows N]\n"
    "      [--log FILE [--append|--overwrite]]\n"
    "      acquisition from benches 1..n on the given ports (at most 4), as Start and Stop in the main\n"
    "      window: prints the header line, the data lines and the STDEV lines the main log file\n"
    "      receives, one per line. Stops after N logged rows (--rows) or on SIGINT/SIGTERM, sending the\n"
    "      stop request. LIST: comma list of accept,time,rtime,demod,offset,gas,minmax,temps,ambtemp,\n"
    "      press,ambpress,rawnoxo2,pef (default time,gas). --offset takes an offset reference (needs\n"
    "      offset in LIST, and demod for the reference). --samples: samples per mean (default 4).\n"
    "      --log: also writes FILE as a new log file with logging on; an existing FILE is refused\n"
    "      unless --append (adds to it after a reopening note) or --overwrite (replaces it). Time-outs,\n"
    "      lost devices and log write failures are reported on standard error. Exit 0 when stopped, 1\n"
    "      when bench n (which paces the rows) yields no row for 2 s, a device is lost or the log cannot\n"
    "      be written, 2 on bad arguments or a port or log file that cannot be opened.";

struct ColumnName {
    const char* name;
    bool TSettingsPanel::*box;
};
const ColumnName ColumnNames[] = {
    {"accept", &TSettingsPanel::AcceptCountChk},
    {"time", &TSettingsPanel::TimeStamp},
    {"rtime", &TSettingsPanel::RelativeTime},
    {"demod", &TSettingsPanel::DemodulatedIR},
    {"offset", &TSettingsPanel::Offset},
    {"gas", &TSettingsPanel::GasConcentration},
    {"minmax", &TSettingsPanel::MinMaxADC},
    {"temps", &TSettingsPanel::Temperatures},
    {"ambtemp", &TSettingsPanel::AmbTemp},
    {"press", &TSettingsPanel::Pressures},
    {"ambpress", &TSettingsPanel::AmbPressure},
    {"rawnoxo2", &TSettingsPanel::RawNoxO2},
    {"pef", &TSettingsPanel::Pef},
};

struct Options {
    QStringList ports;
    int baud = DefaultBaud;
    TSettingsPanel settings;
    bool offset = false;
    int rows = 0; // 0: until a signal
    QString logFile;
    bool append = false, overwrite = false;
};

// Sets the column boxes from LIST; returns an error text, empty on success.
QString applyColumns(TSettingsPanel& s, const QString& list) {
    for (const ColumnName& c : ColumnNames)
        s.*c.box = false;
    const QStringList names = list.split(QLatin1Char(','));
    for (const QString& raw : names) {
        const QString name = raw.trimmed().toLower();
        bool known = false;
        for (const ColumnName& c : ColumnNames)
            if (name == QLatin1String(c.name)) {
                s.*c.box = true;
                known = true;
            }
        if (!known) {
            QStringList all;
            for (const ColumnName& c : ColumnNames)
                all << QLatin1String(c.name);
            return QStringLiteral("--columns: unknown column '%1' (columns: %2)")
                .arg(raw, all.join(QLatin1Char(',')));
        }
    }
    return {};
}

// Parses the command line; false after the message.
bool parseOptions(const QStringList& args, Options* o, const CliMessages& messages) {
    // An option with a value, which its handler gets without the blanks around it.
    auto valued = [](const char* name, std::function<QString(const QString& value)> take) {
        return CliOption{QLatin1String(name), QStringLiteral("%1 needs a value").arg(QLatin1String(name)),
                         [take = std::move(take)](const QString& value) { return take(value.trimmed()); }};
    };
    TSettingsPanel& settings = o->settings;
    const std::vector<CliOption> options = {
        FlagOption(QStringLiteral("--offset"), &o->offset),
        FlagOption(QStringLiteral("--append"), &o->append),
        FlagOption(QStringLiteral("--overwrite"), &o->overwrite),
        BaudOption(&o->baud),
        valued("--data",
               [&settings](const QString& value) {
                   QString code = value;
                   if (code.startsWith(QLatin1Char('$'))) code.remove(0, 1);
                   const QStringList codes = {"01", "06", "44"};
                   if (!codes.contains(code))
                       return QStringLiteral("--data must be 01, 06 or 44, not '%1'").arg(value);
                   settings.CompDataRG = int(codes.indexOf(code));
                   return QString();
               }),
        valued("--hc-mode",
               [&settings](const QString& value) {
                   const QString m = value.toLower();
                   if (m != QLatin1String("hex") && m != QLatin1String("prop"))
                       return QStringLiteral("--hc-mode must be hex or prop, not '%1'").arg(value);
                   settings.HCMode = m == QLatin1String("hex") ? Items::HCModeHex : Items::HCModeProp;
                   return QString();
               }),
        valued("--hc-divisor",
               [&settings](const QString& value) {
                   if (value != QLatin1String("1") && value != QLatin1String("100"))
                       return QStringLiteral("--hc-divisor must be 1 or 100, not '%1'").arg(value);
                   settings.HCDivisorRadioGroup =
                       value == QLatin1String("1") ? Items::HCDivisor1 : Items::HCDivisor100;
                   return QString();
               }),
        valued("--columns", [&settings](const QString& value) { return applyColumns(settings, value); }),
        valued("--average",
               [&settings](const QString& value) {
                   const QStringList modes = {"none", "mean", "stdev"};
                   const int m = int(modes.indexOf(value.toLower()));
                   if (m < 0)
                       return QStringLiteral("--average must be none, mean or stdev, not '%1'").arg(value);
                   settings.AveragingRadioGroup = m;
                   return QString();
               }),
        valued("--samples",
               [&settings](const QString& value) {
                   // The window's entry takes one to five digits.
                   bool ok = false;
                   const int n = value.toInt(&ok);
                   if (!ok || n < 0 || n > 99999 || value.startsWith(QLatin1Char('+')))
                       return QStringLiteral("--samples must be a whole number from 0 to 99999, not '%1'")
                           .arg(value);
                   settings.AverageEdit = QString::number(n);
                   return QString();
               }),
        valued(
            "--rows",
            [o](const QString& value) {
                bool ok = false;
                o->rows = value.toInt(&ok);
                if (!ok || o->rows < 1)
                    return QStringLiteral("--rows must be a whole number of at least 1, not '%1'").arg(value);
                return QString();
            }),
        // The file name as given, blanks and all; only a blank one is refused.
        CliOption{QStringLiteral("--log"), QStringLiteral("--log needs a value"),
                  [o](const QString& value) {
                      if (value.trimmed().isEmpty()) return QStringLiteral("--log needs a file name");
                      o->logFile = value;
                      return QString();
                  }},
    };
    const std::optional<QStringList> ports = ParseCliArguments(args, options, messages);
    if (!ports) return false;
    o->ports = *ports;
    if (o->ports.isEmpty()) {
        messages.UsageError(QStringLiteral("at least one PORT is required"));
        return false;
    }
    QString problem;
    // As the window's New File asks before it empties a file, and its Append takes only an existing one.
    const bool exists = !o->logFile.isEmpty() && QFileInfo::exists(o->logFile);
    if (o->ports.size() > 4)
        problem = QStringLiteral("at most 4 ports (benches 1 to 4), not %1").arg(o->ports.size());
    else if (o->offset && !o->settings.Offset)
        problem = QStringLiteral("--offset needs the offset columns (add offset to --columns)");
    else if ((o->append || o->overwrite) && o->logFile.isEmpty())
        problem = QStringLiteral("--append and --overwrite need --log FILE");
    else if (o->append && o->overwrite)
        problem = QStringLiteral("give either --append or --overwrite, not both");
    else if (exists && !o->append && !o->overwrite)
        problem = QStringLiteral("log file %1 exists: add --append to add to it or --overwrite to replace it")
                      .arg(o->logFile);
    else if (!exists && o->append)
        problem = QStringLiteral("--append: log file %1 does not exist").arg(o->logFile);
    if (problem.isEmpty()) return true;
    messages.ValueError(problem);
    return false;
}

// Message boxes (log file problems) go to standard error.
class StderrDialogs : public IDialogs {
public:
    void Message(const QString& text, const QString& caption, Icon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(QString(text).replace('\n', ' ')));
        std::fflush(stderr);
    }
    bool Confirm(const QString&, const QString&) override { return false; }
    QString OpenFileName(const FileRequest&) override { return {}; }
    QString SaveFileName(const FileRequest&) override { return {}; }
};

// The window's part of the bench connections' host: acknowledgement lines that turn to an error go
// to standard error; an acknowledged Soft Reset unticks every bench.
class AcquireHost : public TAcquisitionHost {
public:
    QStringList portNames;
    std::vector<SerialComPort*> ports;
    std::function<void()> onBenchesLost;

    void ShowAckLines() override {
        TAcquisition* acq = Acquisition();
        if (!acq) return;
        for (int i = 0; i < int(ports.size()); ++i) {
            const TBench& b = acq->Benches()[i];
            if (b.AckError != 1) {
                m_reported[i].clear();
                continue;
            }
            if (b.AckText == m_reported[i]) continue;
            m_reported[i] = b.AckText;
            std::fprintf(stderr, "bench %d (%s): %s\n", i + 1, qPrintable(portNames.value(i)),
                         qPrintable(b.AckText));
            std::fflush(stderr);
        }
    }
    void UntickAllBenches() override {
        TAcquisition* acq = Acquisition();
        for (int i = 0; i < int(ports.size()); ++i) {
            ports[i]->SetOpen(false);
            if (acq) acq->State.BoxChecked[i] = acq->State.PortOpen[i] = false;
        }
        if (onBenchesLost) onBenchesLost();
    }
    void BenchDisconnected(int) override { PrintBenchDisconnected(); }

private:
    std::array<QString, 4> m_reported;
};

void printLine(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int runAcquire(const QStringList& args) {
    QTextStream err(stderr);
    const CliMessages messages("acquire", Usage);
    Options o;
    if (!parseOptions(args, &o, messages)) return ExitUsage;

    // Benches 1..n are COM1..COMn of this run, whatever the arguments name; resolve every argument
    // before mapping, so that a COMn argument means the device it named on the command line.
    QStringList devices;
    for (const QString& p : o.ports)
        devices << ResolvePortArgument(p);
    std::vector<std::unique_ptr<SerialComPort>> ports;
    for (int i = 0; i < devices.size(); ++i) {
        SetComPortOverride(i + 1, devices.at(i));
        auto port = std::make_unique<SerialComPort>(i + 1);
        if (!OpenCliPort(*port, o.ports.at(i), o.baud, messages)) return ExitUsage;
        ports.push_back(std::move(port));
    }

    StderrDialogs dialogs;
    SetDialogs(&dialogs);
    struct DialogsReset {
        ~DialogsReset() { SetDialogs(nullptr); }
    } dialogsReset;
    AcquireHost host;
    host.portNames = o.ports;
    for (auto& p : ports)
        host.ports.push_back(p.get());
    auto benches = std::make_unique<TBenchSet>();
    for (int i = 0; i < 4; ++i)
        (*benches)[i].Init(i < int(ports.size()) ? ports[i].get() : nullptr, &host, i);

    TAcquisition acq(*benches);
    host.SetAcquisition(&acq);
    for (int i = 0; i < int(ports.size()); ++i) {
        acq.State.PortOpen[i] = acq.State.BoxEnabled[i] = acq.State.BoxChecked[i] = true;
        TBench& bench = (*benches)[i];
        QObject::connect(ports[i].get(), &TApdComPort::TriggerAvail, [&acq, &bench] {
            if (!acq.State.Closing) bench.DrainPort();
        });
    }
    acq.State.Settings = o.settings;
    acq.State.Settings.Logging = Items::LoggingOn;
    acq.State.Settings.DataRadio = Items::DataAuto;
    if (!acq.ApplySettings()) return ExitUsage;
    if (o.offset) acq.OffsetBtnClick();

    int exitCode = ExitOk;
    int logged = 0;
    bool finishing = false;
    QEventLoop loop;
    auto finish = [&](int code) {
        if (finishing) return;
        finishing = true;
        exitCode = code;
        // Rows stop here; the stop request goes out and the log gets its empty line.
        acq.StopBtnClick();
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    };
    host.onBenchesLost = [&] {
        err << "x714ctl acquire: the benches were disconnected\n";
        err.flush();
        finish(ExitBenchFailure);
    };
    for (int i = 0; i < int(ports.size()); ++i) {
        // Queued: the loss may be seen inside a write, in the middle of a handler that sends.
        QObject::connect(
            ports[i].get(), &TApdComPort::DeviceLost, &loop,
            [&, i](const QString& reason) {
                if (!ports[i]->Open()) return;
                acq.DeviceLost(i, reason); // "Device lost: <reason>" on the bench's line, so on stderr
                ports[i]->SetOpen(false);
                acq.State.PortOpen[i] = acq.State.BoxChecked[i] = false;
                finish(ExitBenchFailure);
            },
            Qt::QueuedConnection);
    }

    acq.Log().OnLine = [](TMainLog::LineKind, const QString& line) { printLine(line); };
    QObject::connect(&acq, &TAcquisition::RowAccepted, [&](bool written) {
        if (written && o.rows > 0 && ++logged >= o.rows) finish(ExitOk);
    });
    // The box with the file and the reason has gone to standard error.
    QObject::connect(&acq, &TAcquisition::LogWriteFailed, [&] { finish(ExitBenchFailure); });
    if (!o.logFile.isEmpty()) {
        const bool opened = o.append ? acq.AppendToFile(o.logFile) : acq.NewFile(o.logFile);
        if (!opened) {
            // Opened but not writable: the reason is out already, as it is for a later failure.
            if (finishing) return ExitBenchFailure;
            err << "x714ctl acquire: cannot open log file " << o.logFile << "\n";
            return ExitUsage;
        }
    } else {
        acq.Log().OpenWithoutFile();
    }
    acq.State.Enabled.Logging = true;
    acq.State.Enabled.DataRadio = true;

    SignalWatcher signalWatcher([&] { finish(ExitOk); });
    if (!signalWatcher.Ok()) {
        err << "x714ctl acquire: cannot create the signal pipe\n";
        return ExitUsage;
    }

    // Rows are paced by the highest bench: a run that builds none for a reply time-out ends. The row
    // timer runs as a reply timer does and is armed no earlier than the data command's, so a bench
    // that sends nothing at all is reported by its own time-out first.
    constexpr int NoRowLimitMs = ReplyTimeoutTicks * TApdComPort::TickMs;
    qint64 rowsSeen = 0;
    EventTimer rowTimer;
    // Benches that stopped answering: the stop request goes to them too, but their reply is not waited for.
    std::array<bool, 4> silent{};
    QTimer timer6;
    QObject::connect(&timer6, &QTimer::timeout, [&] {
        acq.Timer6Timer();
        if (finishing || !acq.Running) return;
        const int pacing = acq.LastActive();
        const TBench& bench = (*benches)[pacing];
        const QString who = QStringLiteral("bench %1 (%2)").arg(pacing + 1).arg(o.ports.value(pacing));
        if (acq.RowsBuilt != rowsSeen) {
            rowsSeen = acq.RowsBuilt;
            TApdComPort::NewTimer(rowTimer, ReplyTimeoutTicks);
        }
        // While the bench streams, every packet re-arms its data command; once that command is no
        // longer awaited (its reply timed out or was refused) no further row can be counted on.
        if (!bench.Commands[acq.DataCommandCode()].Awaiting) {
            err << "x714ctl acquire: " << who << " sends no data\n";
            err.flush();
            silent[pacing] = true;
            finish(ExitBenchFailure);
        } else if (TApdComPort::TimerExpired(rowTimer)) {
            // Packets arrive, so the command stays awaited, but none of them made a row.
            const QString why = bench.LastReplyShort ? QStringLiteral("replies too short to decode")
                                                     : QStringLiteral("no data reply decoded");
            err << "x714ctl acquire: " << who << ": no row for " << NoRowLimitMs << " ms: " << why << "\n";
            err.flush();
            finish(ExitBenchFailure);
        }
    });
    // Precise: a coarse timer may tick early and leave the no-row check a whole second late.
    timer6.setTimerType(Qt::PreciseTimer);
    timer6.start(1000);

    acq.StartBtnClick();
    rowsSeen = acq.RowsBuilt;
    TApdComPort::NewTimer(rowTimer, ReplyTimeoutTicks);
    if (!finishing) loop.exec();
    timer6.stop();

    // Let the stop requests leave and their replies end the streams: wait on the ports' events (and a
    // coarse check for output drained to the driver) for at most two seconds.
    auto settled = [&] {
        for (int i = 0; i < int(ports.size()); ++i) {
            if (!ports[i]->Open()) continue;
            if (ports[i]->GetOutBuffFree() < TApdComPort::BufferSize) return false;
            if (!silent[i] && (*benches)[i].Commands[acq.DataCommandCode()].Awaiting) return false;
        }
        return true;
    };
    if (!settled()) {
        QEventLoop settle;
        auto check = [&] {
            if (settled()) settle.quit();
        };
        for (auto& p : ports)
            QObject::connect(p.get(), &TApdComPort::TriggerAvail, &settle, check);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &settle, check);
        poll.start(20);
        QTimer::singleShot(2000, &settle, &QEventLoop::quit);
        settle.exec();
    }

    acq.State.Closing = true;
    acq.CloseFile1Click();
    for (auto& p : ports)
        if (p->Open()) p->SetOpen(false);
    return exitCode;
}

const CliCommandRegistration registration({"acquire", Usage, runAcquire});

} // namespace
