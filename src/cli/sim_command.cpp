// x714ctl sim: simulated benches on pseudo-terminals, linked as <drive C>/dev/COM1..COMn, until
// SIGINT or SIGTERM.
#include "cli_command.h"
#include "signal_watcher.h"
#include "sim_params.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char* const Usage =
    "sim [--benches N] [--rate HZ] [--time-scale F] [--ready] [--seed S] [--param-list FILE]\n"
    "      [--refuse B:CODE:NAK] [--silence B[:CODE]] [--corrupt B:N] [--noise B:N[:any]]\n"
    "      [--short B:N] [--delay B:MS] [--status B:BYTE:VALUE] [--refuse-param B:NUMBER[:NAK]]\n"
    "      [--corrupt-param B:NUMBER] [--flash-dump B:FILE] [--stats]\n"
    "      N (1-4, default 4) simulated benches on pseudo-terminals, linked as <drive C>/dev/COM1..COMn;\n"
    "      prints \"COMn DEVICE\" per bench and serves until SIGINT or SIGTERM, then removes the links.\n"
    "      --rate: stream packets per second, 0.1 to 1000 (default 5); --time-scale: model time\n"
    "      factor, 0.001 to 100000 (default 1); --ready: skip the start-up phase and the zero request;\n"
    "      --seed: seed of the random generators, 1 to 2147483647 (bench n gets S+n-1; default a\n"
    "      fixed seed per bench); --param-list: also write the simulator's parameter list file.\n"
    "      Faults (B = bench 1-N or all, CODE = hex code or all, NAK = hex refusal code): refuse CODE\n"
    "      with NAK; answer nothing (for CODE); a wrong checksum on the next N replies; N random noise\n"
    "      bytes before every reply (never 06 or 15 hex; with :any, any byte value); every reply N data\n"
    "      bytes short; every reply MS milliseconds late; the bits of VALUE (hex) set in status byte\n"
    "      BYTE (0-15) of every report, e.g. 1:0:C0 a system fault; refuse every command for parameter\n"
    "      NUMBER (0-400, NAK default 01); store parameter NUMBER wrong whenever it is written.\n"
    "      --flash-dump: at exit, writes what firmware downloads put into bench B's flash since its last\n"
    "      erase to FILE as S3 records. --stats: at the end, print \"COMn sent N dropped D\" per\n"
    "      bench: the replies it sent, and those of them its line dropped because the host did not read\n"
    "      them in time.";

struct Fault {
    QString kind;
    int bench = -1; // -1: every bench
    int code = -1;  // -1: every code
    int value = 0;
    SimNoiseBytes noiseBytes = SimNoiseBytes::NoKindBytes;
};

// A finite number from lo to hi ("nan", "inf" and text are not).
bool parseNumber(const QString& text, double lo, double hi, double* out) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool parseHexCode(const QString& text, int* out) {
    QString t = text.trimmed();
    if (t.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        *out = -1;
        return true;
    }
    if (t.startsWith(QLatin1Char('$')))
        t.remove(0, 1);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t.remove(0, 2);
    bool ok = false;
    const int v = t.toInt(&ok, 16);
    if (!ok || v < 0 || v > 0xFF || t.isEmpty()) return false;
    *out = v;
    return true;
}

bool parseBench(const QString& text, int benches, int* out) {
    if (text.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        *out = -1;
        return true;
    }
    bool ok = false;
    const int b = text.toInt(&ok);
    if (!ok || b < 1 || b > benches) return false;
    *out = b - 1;
    return true;
}

// Parses one fault option after the bench count is known; returns an error text or an empty one.
QString parseFault(const QString& option, const QString& value, int benches, Fault* f) {
    const QStringList parts = value.split(QLatin1Char(':'));
    f->kind = option;
    if (parts.isEmpty() || !parseBench(parts.at(0), benches, &f->bench))
        return QStringLiteral("%1: bench must be 1 to %2 or all in '%3'").arg(option).arg(benches).arg(value);
    bool ok = true;
    if (option == QLatin1String("--refuse")) {
        if (parts.size() != 3 || !parseHexCode(parts.at(1), &f->code) ||
            !parseHexCode(parts.at(2), &f->value) || f->value < 0)
            return QStringLiteral("--refuse needs B:CODE:NAK (hexadecimal codes), not '%1'").arg(value);
    } else if (option == QLatin1String("--status")) {
        if (parts.size() == 3) f->code = parts.at(1).toInt(&ok);
        if (parts.size() != 3 || !ok || f->code < 0 || f->code > 15 ||
            !parseHexCode(parts.at(2), &f->value) || f->value < 0)
            return QStringLiteral("--status needs B:BYTE:VALUE (byte 0 to 15, hexadecimal value), not '%1'")
                .arg(value);
    } else if (option == QLatin1String("--refuse-param") || option == QLatin1String("--corrupt-param")) {
        const bool refuse = option == QLatin1String("--refuse-param");
        f->code = parts.value(1).toInt(&ok);
        f->value = 0x01;
        if (!ok || f->code < 0 || f->code > 400 || parts.size() > (refuse ? 3 : 2) ||
            (parts.size() == 3 && (!parseHexCode(parts.at(2), &f->value) || f->value < 0)))
            return QStringLiteral("%1 needs B:NUMBER%2 with NUMBER 0 to 400, not '%3'")
                .arg(option, refuse ? QStringLiteral("[:NAK]") : QString(), value);
    } else if (option == QLatin1String("--silence")) {
        if (parts.size() > 2 || (parts.size() == 2 && !parseHexCode(parts.at(1), &f->code)))
            return QStringLiteral("--silence needs B or B:CODE (hexadecimal code), not '%1'").arg(value);
    } else if (option == QLatin1String("--noise")) {
        if (parts.size() != 2 && parts.size() != 3) ok = false;
        if (ok) f->value = parts.at(1).toInt(&ok);
        if (ok && parts.size() == 3) {
            ok = parts.at(2).compare(QLatin1String("any"), Qt::CaseInsensitive) == 0;
            f->noiseBytes = SimNoiseBytes::AnyByte;
        }
        if (!ok || f->value < 1 || f->value > 100000)
            return QStringLiteral("--noise needs B:N or B:N:any with N from 1 to 100000, not '%1'")
                .arg(value);
    } else {
        if (parts.size() != 2) ok = false;
        if (ok) f->value = parts.at(1).toInt(&ok);
        if (!ok || f->value < 1 || f->value > 100000)
            return QStringLiteral("%1 needs B:N with N from 1 to 100000, not '%2'").arg(option, value);
    }
    return {};
}

void applyFault(SimBench& b, const Fault& f) {
    if (f.kind == QLatin1String("--refuse"))
        b.RefuseCode(f.code, uint8_t(f.value));
    else if (f.kind == QLatin1String("--silence"))
        b.SilenceCode(f.code);
    else if (f.kind == QLatin1String("--corrupt"))
        b.CorruptNextReplies(f.value);
    else if (f.kind == QLatin1String("--noise"))
        b.InjectRandomNoise(f.value, 1 << 30, f.noiseBytes);
    else if (f.kind == QLatin1String("--short"))
        b.ShortenNextReplies(1 << 30, f.value);
    else if (f.kind == QLatin1String("--delay"))
        b.SetReplyDelayMs(f.value);
    else if (f.kind == QLatin1String("--status"))
        b.SetForcedStatusBits(f.code, uint8_t(f.value));
    else if (f.kind == QLatin1String("--refuse-param"))
        b.RefuseParam(f.code, uint8_t(f.value));
    else if (f.kind == QLatin1String("--corrupt-param"))
        b.CorruptParam(f.code);
}

int runSim(const QStringList& args) {
    QTextStream err(stderr);
    auto usageError = [&](const QString& message) {
        err << "x714ctl sim: " << message << "\nusage: x714ctl " << Usage << "\n";
        err.flush();
        return ExitUsage;
    };
    int benches = 4;
    double rate = 5.0, timeScale = 1.0;
    bool ready = false;
    bool stats = false;
    uint32_t seed = 0;
    QString paramList;
    QList<QPair<int, QString>> flashDumps; // bench (0-based), file
    QList<QPair<QString, QString>> faultOptions;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        auto value = [&] { return args.at(++i); };
        bool ok = false;
        if (a == QLatin1String("--ready")) {
            ready = true;
        } else if (a == QLatin1String("--stats")) {
            stats = true;
        } else if (a == QLatin1String("--benches")) {
            if (!hasValue) return usageError(QStringLiteral("--benches needs a number"));
            const QString v = value();
            benches = v.toInt(&ok);
            if (!ok || benches < 1 || benches > Simulator::MaxBenches)
                return usageError(QStringLiteral("--benches must be 1 to 4, not '%1'").arg(v));
        } else if (a == QLatin1String("--rate")) {
            if (!hasValue) return usageError(QStringLiteral("--rate needs a number"));
            const QString v = value();
            if (!parseNumber(v, 0.1, 1000, &rate))
                return usageError(
                    QStringLiteral("--rate must be 0.1 to 1000 packets per second, not '%1'").arg(v));
        } else if (a == QLatin1String("--time-scale")) {
            if (!hasValue) return usageError(QStringLiteral("--time-scale needs a number"));
            const QString v = value();
            if (!parseNumber(v, 0.001, 100000, &timeScale))
                return usageError(QStringLiteral("--time-scale must be 0.001 to 100000, not '%1'").arg(v));
        } else if (a == QLatin1String("--seed")) {
            if (!hasValue) return usageError(QStringLiteral("--seed needs a number"));
            const QString v = value();
            const int s = v.toInt(&ok);
            if (!ok || s < 1)
                return usageError(QStringLiteral("--seed must be 1 to 2147483647, not '%1'").arg(v));
            seed = uint32_t(s);
        } else if (a == QLatin1String("--baud")) {
            // Accepted like every command takes it; a pseudo-terminal has no line speed.
            if (!hasValue) return usageError(QStringLiteral("--baud needs a number"));
            value();
        } else if (a == QLatin1String("--param-list")) {
            if (!hasValue) return usageError(QStringLiteral("--param-list needs a file name"));
            paramList = value();
        } else if (a == QLatin1String("--flash-dump")) {
            if (!hasValue) return usageError(QStringLiteral("--flash-dump needs B:FILE"));
            const QString v = value();
            const qsizetype colon = v.indexOf(QLatin1Char(':'));
            const int b = colon > 0 ? v.left(colon).toInt(&ok) : 0;
            if (colon <= 0 || !ok || b < 1 || b > Simulator::MaxBenches || colon + 1 >= v.size())
                return usageError(QStringLiteral("--flash-dump needs B:FILE with B 1 to 4, not '%1'").arg(v));
            flashDumps.append({b - 1, v.mid(colon + 1)});
        } else if (a == QLatin1String("--refuse") || a == QLatin1String("--silence") ||
                   a == QLatin1String("--corrupt") || a == QLatin1String("--noise") ||
                   a == QLatin1String("--short") || a == QLatin1String("--delay") ||
                   a == QLatin1String("--status") || a == QLatin1String("--refuse-param") ||
                   a == QLatin1String("--corrupt-param")) {
            if (!hasValue) return usageError(QStringLiteral("%1 needs a value").arg(a));
            faultOptions.append({a, value()});
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(a));
        }
    }
    QList<Fault> faults;
    for (const auto& [option, v] : faultOptions) {
        Fault f;
        const QString problem = parseFault(option, v, benches, &f);
        if (!problem.isEmpty()) return usageError(problem);
        faults << f;
    }
    for (const auto& dump : flashDumps)
        if (dump.first >= benches)
            return usageError(QStringLiteral("--flash-dump: there is no bench %1").arg(dump.first + 1));
    if (!paramList.isEmpty()) {
        QString error;
        if (!WriteSimParameterList(paramList, &error)) {
            err << "x714ctl sim: " << error << "\n";
            return ExitUsage;
        }
    }

    SignalWatcher signalWatcher([] { QCoreApplication::quit(); });
    if (!signalWatcher.Ok()) {
        err << "x714ctl sim: cannot create the signal pipe\n";
        return ExitUsage;
    }

    Simulator sim;
    sim.SetStreamRate(rate);
    sim.SetTimeScale(timeScale);
    sim.SetSeed(seed);
    QString error;
    if (!sim.Start(benches, &error) || !sim.CreateComLinks(&error)) {
        // Like a port that cannot be opened.
        err << "x714ctl sim: " << error << "\n";
        return ExitUsage;
    }
    for (int i = 0; i < benches; ++i) {
        SimBench& b = sim.Bench(i);
        if (ready) b.SkipStartUp();
        for (const Fault& f : faults)
            if (f.bench < 0 || f.bench == i) applyFault(b, f);
    }
    for (int i = 0; i < benches; ++i)
        std::printf("COM%d %s\n", i + 1, qPrintable(sim.DevicePath(i)));
    std::fflush(stdout);

    int rc = QCoreApplication::exec() == 0 ? ExitOk : ExitBenchFailure;
    if (stats) {
        // Lets a benchmark or a test compare what the host decoded with what was sent.
        for (int i = 0; i < benches; ++i)
            std::printf("COM%d sent %d dropped %d\n", i + 1, sim.Bench(i).RepliesSent(),
                        sim.DroppedPackets(i));
        std::fflush(stdout);
    }
    // The host did not read some output in time (see the README): say so, as the host cannot tell
    // these losses from its own.
    for (int i = 0; i < benches; ++i)
        if (sim.DroppedPackets(i) > 0)
            err << "x714ctl sim: COM" << (i + 1) << ": " << sim.DroppedPackets(i)
                << " packets dropped: the host did not read them in time\n";
    for (const auto& [b, path] : flashDumps) {
        QSaveFile dump(path);
        const QByteArray text = sim.Bench(b).WrittenFlashSRecords();
        if (!dump.open(QIODevice::WriteOnly) || dump.write(text) != text.size() || !dump.commit()) {
            err << "x714ctl sim: cannot write " << path << ": " << dump.errorString() << "\n";
            rc = ExitBenchFailure;
        }
    }
    err.flush();
    sim.Stop();
    return rc;
}

const CliCommandRegistration registration({"sim", Usage, runSim});

} // namespace
