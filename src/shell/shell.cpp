#include "shell.h"

#include "bench.h"
#include "cmds.h"
#include "cstatus.h"
#include "estatwnd.h"

TShell::TShell(TApp::PortFactory makePort) : m_benches(std::make_unique<TBenchSet>()) {
    // The creation order of the program. A screen that is not built yet has no widget and no menu item
    // of its own enabled; its routes end in the router's stub.
    m_app = std::make_unique<TApp>(*m_benches, m_router, std::move(makePort));
    m_router.SetMainWindow(m_app.get());
    m_app->CreateAboutBox();
    m_app->CreateCommDlg();
    m_app->CreateCommentDlg();
    // TParameters (parameter editor): not built yet.
    // TIRLog (IR data log): not built yet.
    m_app->CreateHistory();
    m_status = new TFCStatus(*m_benches, *m_app, m_app.get());
    m_router.SetStatus(m_status);
    m_app->JoinScreen(TScreenSlot::Status, m_status, m_status);
    m_engineeringStatus = new TEStatus(*m_benches, *m_app, m_app.get());
    m_router.SetEngineeringStatus(m_engineeringStatus);
    m_app->JoinScreen(TScreenSlot::EStatus, m_engineeringStatus, m_engineeringStatus);
    // TRawIR (raw IR view): not built yet.
    // TFGraph2 (second gas graph): not built yet.
    // TFGraph1 (first gas graph): not built yet.
    // TFUpgrade (firmware download): not built yet.
    m_app->CreateHistIr();
    m_app->CreateTitle();
    m_cmds = new TFCmds(*m_benches, *m_app, m_app.get());
    m_router.SetConsole(m_cmds);
    m_app->JoinScreen(TScreenSlot::Cmds, m_cmds, m_cmds);
    m_app->CreateMessage();
    // TFCalLoad (calibration load and check): not built yet.
    // TFCalLoad1 (parameter download and upload): not built yet.
}

TShell::~TShell() {
    // The screens are the main window's children and go with it; their routes end in the stub first.
    m_router.SetConsole(nullptr);
    m_router.SetStatus(nullptr);
    m_router.SetEngineeringStatus(nullptr);
    m_app.reset();
    m_router.SetMainWindow(nullptr);
}
