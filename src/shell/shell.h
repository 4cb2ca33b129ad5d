#pragma once

#include "bench_router.h"
#include "cedat.h"
#include "param_list.h"

#include <memory>

class TBenchSet;
class TEStatus;
class TFCalLoad;
class TFCStatus;
class TFCmds;
class TParameters;
class TFCalLoad1;
class TFUpgrade;
class TFGraph1;
class TFGraph2;
class TIRLog;
class TRawIR;

// The desktop program: the four bench connections, the router that answers their calls, and every
// screen, created once at start in the program's order and kept for the whole run. Only the main
// window is shown; the other screens are its children, shown and hidden from its menus.
class TShell {
public:
    // The parameter screen reads its names from `parameterList` ("ParamLst.c" in the working
    // directory unless told otherwise).
    explicit TShell(TApp::PortFactory makePort = TApp::MakeSerialPort,
                    const QString& parameterList = QString::fromLatin1(ParameterListFileName));
    ~TShell();
    TShell(const TShell&) = delete;
    TShell& operator=(const TShell&) = delete;

    TApp& MainWindow() { return *m_app; }
    TBenchSet& Benches() { return *m_benches; }
    TBenchRouter& Router() { return m_router; }
    TFCmds& Console() { return *m_cmds; }
    TFCStatus& Status() { return *m_status; }
    TEStatus& EngineeringStatus() { return *m_engineeringStatus; }
    // The service screens (children of the main window).
    TParameters& Parameters() { return *m_parameters; }
    TFCalLoad& CalLoad() { return *m_calLoad; }
    TFCalLoad1& CalLoad1() { return *m_calLoad1; }
    TFUpgrade& Upgrade() { return *m_upgrade; }

    // The graph screens (children of the main window).
    TIRLog& IrLog() { return *m_irLog; }
    TRawIR& RawIr() { return *m_rawIr; }
    TFGraph1& Graph1() { return *m_graph1; }
    TFGraph2& Graph2() { return *m_graph2; }

private:
    std::unique_ptr<TBenchSet> m_benches;
    TBenchRouter m_router;
    // Last, so that it goes first: the window lets go of the bench connections before they go.
    std::unique_ptr<TApp> m_app;
    // The screens, children of the main window.
    TFCStatus* m_status = nullptr;
    TEStatus* m_engineeringStatus = nullptr;
    TFCmds* m_cmds = nullptr;
    TParameters* m_parameters = nullptr;
    TFCalLoad* m_calLoad = nullptr;
    TFCalLoad1* m_calLoad1 = nullptr;
    TFUpgrade* m_upgrade = nullptr;
    TIRLog* m_irLog = nullptr;
    TRawIR* m_rawIr = nullptr;
    TFGraph2* m_graph2 = nullptr;
    TFGraph1* m_graph1 = nullptr;
};
