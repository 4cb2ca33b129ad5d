// x714: the desktop program.
//
//   x714 [--demo] [--service] [--port COMn=DEVICE]...
//
// --demo     four simulated benches on pseudo-terminals as COM1..COM4, ticked and streaming at once
// --service  shows the engineering and service menus and the hidden settings controls
// --port     maps COMn to a serial device for this run (repeatable)
#include "desktop_dialogs.h"
#include "dialogs.h"
#include "paths.h"
#include "shell.h"
#include "sim_params.h"
#include "simulator.h"
#include "x714_application.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

const char* const Usage = "usage: x714 [--demo] [--service] [--port COMn=DEVICE]...\n"
                          "  --demo              four simulated benches as COM1..COM4, acquisition started\n"
                          "  --service           show the engineering and service menus and hidden settings\n"
                          "  --port COMn=DEVICE  use DEVICE for COMn (e.g. --port COM1=/dev/ttyUSB0)\n";

void showError(const QString& text) {
    TX714Application::ShowError(text);
}

struct Options {
    bool demo = false;
    bool service = false;
};

// Returns false (with a message) for an argument that is not understood.
bool parseArguments(const QStringList& args, Options* options, QString* error) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--demo")) {
            options->demo = true;
        } else if (a == QLatin1String("--service")) {
            options->service = true;
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
    return true;
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
        window.show();
        if (options.demo) window.StartDemo();
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
