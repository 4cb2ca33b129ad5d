// x714: the desktop program.
//
//   x714 [--demo] [--service] [--start [--log FILE]] [--port COMn=DEVICE]...
//
// --demo     four simulated benches on pseudo-terminals as COM1..COM4, ticked and streaming at once
// --service  shows the engineering and service menus and the hidden settings controls
// --start    once the window is shown, ticks every bench box whose port opens, presses OK and Start
// --log      with --start: New File (Append when FILE exists) and File Log On before Start
// --port     maps COMn to a serial device for this run (repeatable)
//
// SIGTERM and SIGINT close the main window as its Exit button does (stop requests, log closed).
#include "desktop_dialogs.h"
#include "dialogs.h"
#include "paths.h"
#include "radio_group.h"
#include "shell.h"
#include "sim_params.h"
#include "simulator.h"
#include "x714_application.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

const char* const Usage =
    "usage: x714 [--demo] [--service] [--start [--log FILE]] [--port COMn=DEVICE]...\n"
    "  --demo              four simulated benches as COM1..COM4, acquisition started\n"
    "  --service           show the engineering and service menus and hidden settings\n"
    "  --start             tick every bench whose port opens, then OK and Start (unattended stands)\n"
    "  --log FILE          with --start: New File (Append when FILE exists) and File Log On first\n"
    "  --port COMn=DEVICE  use DEVICE for COMn (e.g. --port COM1=/dev/ttyUSB0)\n";

void showError(const QString& text) {
    TX714Application::ShowError(text);
}

struct Options {
    bool demo = false;
    bool service = false;
    bool start = false;
    QString log;
};

// Returns false (with a message) for an argument that is not understood.
bool parseArguments(const QStringList& args, Options* options, QString* error) {
    bool logGiven = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--demo")) {
            options->demo = true;
        } else if (a == QLatin1String("--service")) {
            options->service = true;
        } else if (a == QLatin1String("--start")) {
            options->start = true;
        } else if (a == QLatin1String("--log") || a.startsWith(QLatin1String("--log="))) {
            if (a == QLatin1String("--log")) {
                if (++i >= args.size()) {
                    *error = QStringLiteral("--log needs a file name");
                    return false;
                }
                options->log = args[i];
            } else {
                options->log = a.mid(6);
            }
            if (options->log.isEmpty()) {
                *error = QStringLiteral("--log needs a file name");
                return false;
            }
            logGiven = true;
        } else if (a == QLatin1String("--port") || a.startsWith(QLatin1String("--port="))) {
            QString mapping;
            if (a == QLatin1String("--port")) {
                if (++i >= args.size()) {
                    *error = QStringLiteral("--port needs COMn=DEVICE");
                    return false;
                }
                mapping = args[i];
            } else {
                mapping = a.mid(7);
            }
            if (!ParsePortOption(mapping, error)) return false;
        } else {
            *error = QStringLiteral("unknown argument '%1'").arg(a);
            return false;
        }
    }
    if (logGiven && !options->start) {
        *error = QStringLiteral("--log is only used with --start");
        return false;
    }
    if (options->start && options->demo) {
        *error = QStringLiteral("--start and --demo cannot be combined (the demo starts by itself)");
        return false;
    }
    return true;
}

void note(const QString& text) {
    std::fprintf(stderr, "x714: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// The dialogs while the start sequence runs: the file dialogs of New File and Append are answered
// with the log file of the command line, as an operator would choose it, and message boxes are held
// back (and noted on stderr at once), to be shown once acquisition runs: an unattended stand starts
// measuring with whatever works instead of waiting for someone to press OK.
class StartDialogs : public IDialogs {
public:
    struct Held {
        QString text, caption;
        Icon icon;
    };
    StartDialogs(IDialogs& desktop, QString logFile) : m_desktop(desktop), m_logFile(std::move(logFile)) {}

    void Message(const QString& text, const QString& caption, Icon icon) override {
        note(QStringLiteral("%1: %2").arg(caption, text));
        HeldMessages.append({text, caption, icon});
    }
    bool Confirm(const QString& text, const QString& caption) override {
        return m_desktop.Confirm(text, caption);
    }
    QString OpenFileName(const FileRequest&) override { return m_logFile; }
    QString SaveFileName(const FileRequest&) override { return m_logFile; }

    QList<Held> HeldMessages;

private:
    IDialogs& m_desktop;
    QString m_logFile;
};

// What an operator does at the stand, one step after another: tick every bench box that can be ticked
// (a port that does not open unticks its box again, as a click does) and press OK; with a log file,
// New File or Append and File Log On; then Start. The boxes the window would have shown come
// afterwards, while the benches stream.
class UnattendedStart : public QObject {
public:
    // A request framed for a bench discards what is still queued for it, so the steps that send are as
    // far apart as an operator's clicks: the stop requests of OK and File Log On leave before Start.
    static constexpr int StepGapMs = 300;

    UnattendedStart(TApp& window, const QString& logFile, IDialogs& desktop)
        : QObject(&window), m_window(window), m_logFile(logFile), m_desktop(desktop),
          m_dialogs(desktop, logFile.isEmpty() ? QString() : QFileInfo(logFile).absoluteFilePath()) {}
    ~UnattendedStart() override {
        if (&Dialogs() == &m_dialogs) SetDialogs(&m_desktop);
    }

    void Run() {
        SetDialogs(&m_dialogs);
        for (QCheckBox* box : m_window.ActiveBench)
            if (box->isEnabled()) box->setChecked(true);
        m_window.ActiveBench1Click();
        for (int i = 0; i < 4; ++i) {
            if (m_window.PortOpen(i))
                m_started << QStringLiteral("COM%1").arg(i + 1);
            else
                note(QStringLiteral("bench %1 not started: %2")
                         .arg(i + 1)
                         .arg(m_window.ActiveBench[i]->toolTip()));
        }
        m_window.OKBtn->click();
        next(m_logFile.isEmpty() ? &UnattendedStart::start : &UnattendedStart::openLog);
    }

private:
    void next(void (UnattendedStart::*step)()) {
        QTimer::singleShot(StepGapMs, this, [this, step] {
            if (!m_window.Closing() && m_window.isVisible()) (this->*step)();
        });
    }
    void openLog() {
        if (QFileInfo::exists(m_logFile))
            m_window.Appendtofile1Click();
        else
            m_window.NewFileClick();
        // A log that did not open leaves the switch disabled, as the operator would find it.
        if (m_window.Logging->isEnabled()) m_window.Logging->ClickItem(Items::LoggingOn);
        next(&UnattendedStart::start);
    }
    void start() {
        m_window.StartBtn->click();
        const TMainLog& log = m_window.Acquisition().Log();
        const bool logging = log.LogOpen() && m_window.Logging->ItemIndex() == Items::LoggingOn;
        note(QStringLiteral("acquisition started on %1; %2")
                 .arg(m_started.isEmpty() ? QStringLiteral("no bench") : m_started.join(QStringLiteral(", ")),
                      logging ? QStringLiteral("logging to %1").arg(log.LogFileName)
                              : QStringLiteral("not logging")));
        SetDialogs(&m_desktop);
        const QList<StartDialogs::Held> held = m_dialogs.HeldMessages;
        for (const StartDialogs::Held& m : held) {
            if (m_window.Closing() || !m_window.isVisible()) break;
            m_desktop.Message(m.text, m.caption, m.icon);
        }
    }

    TApp& m_window;
    QString m_logFile;
    IDialogs& m_desktop;
    StartDialogs m_dialogs;
    QStringList m_started;
};

// SIGTERM and SIGINT reach the event loop through a pipe.
int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void closeOnSignals(TApp& window, QObject* parent) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [&window] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        // Open boxes first, so that no modal loop outlives the window; then the window's own close.
        for (int i = 0; i < 16; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == &window) break;
            modal->close();
        }
        window.close();
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char** argv) {
    // Arguments are checked before the window system is touched, so --help and mistakes need no display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    Options options;
    QString error;
    if (!parseArguments(args, &options, &error)) {
        std::fprintf(stderr, "x714: %s\n%s", qPrintable(error), Usage);
        return 2;
    }

    TX714Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("x714"));
    DesktopDialogs dialogs;
    SetDialogs(&dialogs);

    // An exception while the screens are created is shown the same way and ends the run.
    try {
        std::unique_ptr<Simulator> simulator;
        // The demo's parameter screen shows the simulated benches' names when no list file is at hand.
        QTemporaryDir demoDir;
        QString parameterList = QString::fromLatin1(ParameterListFileName);
        if (options.demo && !QFileInfo::exists(parameterList) && demoDir.isValid() &&
            WriteSimParameterList(demoDir.filePath(parameterList)))
            parameterList = demoDir.filePath(parameterList);
        if (options.demo) {
            simulator = std::make_unique<Simulator>();
            if (!simulator->Start(4, &error)) {
                showError(QStringLiteral("The demo benches could not be started: %1").arg(error));
                return 1;
            }
            for (int i = 0; i < simulator->BenchCount(); ++i)
                SetComPortOverride(i + 1, simulator->DevicePath(i));
        }

        TShell shell(TApp::MakeSerialPort, parameterList);
        TApp& window = shell.MainWindow();
        window.SetServiceMode(options.service);
        closeOnSignals(window, &app);
        window.show();
        if (options.demo) window.StartDemo();
        // Once the window has been laid out, so the table has the rows of its height.
        if (options.start) {
            auto* start = new UnattendedStart(window, options.log, dialogs);
            QTimer::singleShot(0, start, [start] { start->Run(); });
        }
        const int result = QApplication::exec();
        SetDialogs(nullptr);
        return result;
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showError(QStringLiteral("Unexpected error"));
    }
    SetDialogs(nullptr);
    return 1;
}
