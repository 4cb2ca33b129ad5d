#include "shell.h"

#include "bench.h"
#include "calload.h"
#include "calload1.h"
#include "cmds.h"
#include "cstatus.h"
#include "estatwnd.h"
#include "fparams.h"
#include "upgrade.h"

#include <QAction>

TShell::TShell(TApp::PortFactory makePort, const QString& parameterList)
    : m_benches(std::make_unique<TBenchSet>()) {
    // The creation order of the program. A screen that is not built yet has no widget and no menu item
    // of its own enabled; its routes end in the router's stub.
    m_app = std::make_unique<TApp>(*m_benches, m_router, std::move(makePort));
    m_router.SetMainWindow(m_app.get());
    m_app->CreateAboutBox();
    m_app->CreateCommDlg();
    m_app->CreateCommentDlg();
    m_parameters = new TParameters(*m_benches, *m_app, m_app.get(), parameterList);
    m_router.SetParameters(m_parameters);
    m_app->JoinScreen(TScreenSlot::Parameters, m_parameters, m_parameters);
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
    m_upgrade = new TFUpgrade(*m_benches, *m_app, m_app.get());
    m_router.SetFirmware(m_upgrade);
    m_app->JoinScreen(TScreenSlot::Upgrade, m_upgrade, m_upgrade);
    // While the firmware screen shows, the one-second timer rests: no time-out, zero or console send.
    QObject::connect(
        m_upgrade, &TFUpgrade::VisibilityChanged, m_app.get(),
        [app = m_app.get()](bool visible) { app->Acquisition().State.FirmwareScreenVisible = visible; });
    m_app->CreateHistIr();
    m_app->CreateTitle();
    m_cmds = new TFCmds(*m_benches, *m_app, m_app.get());
    m_router.SetConsole(m_cmds);
    m_app->JoinScreen(TScreenSlot::Cmds, m_cmds, m_cmds);
    m_app->CreateMessage();
    m_calLoad = new TFCalLoad(*m_benches, *m_app, m_app.get());
    m_router.SetCalLoad(m_calLoad);
    m_parameters->SetParamReadTextReceiver(m_calLoad);
    m_app->JoinScreen(TScreenSlot::CalLoad, m_calLoad, m_calLoad);
    QObject::connect(m_app->MenuItem(QStringLiteral("LoadcalConstants1")), &QAction::triggered, m_calLoad,
                     &TFCalLoad::LoadcalConstants1Click);
    QObject::connect(m_app->MenuItem(QStringLiteral("CheckCalConstants1")), &QAction::triggered, m_calLoad,
                     &TFCalLoad::CheckCalConstants1Click);
    m_calLoad1 = new TFCalLoad1(*m_benches, *m_app, m_app.get());
    // An upload names each parameter as the parameter screen's list does.
    m_calLoad1->ParameterName = [parameters = m_parameters](int number) {
        const TParameterItem* item = parameters->ParameterList().Item(number);
        return item ? item->Name : QString();
    };
    m_router.SetParamTransfer(m_calLoad1);
    m_app->JoinScreen(TScreenSlot::CalLoad1, m_calLoad1, m_calLoad1);
}

TShell::~TShell() {
    // The screens are the main window's children and go with it; their routes end in the stub first.
    m_router.SetConsole(nullptr);
    m_router.SetStatus(nullptr);
    m_router.SetEngineeringStatus(nullptr);
    m_router.SetParameters(nullptr);
    m_router.SetCalLoad(nullptr);
    m_router.SetFirmware(nullptr);
    m_router.SetParamTransfer(nullptr);
    m_app.reset();
    m_router.SetMainWindow(nullptr);
}
