#include "shell.h"

#include "bench.h"
#include "calload.h"
#include "calload1.h"
#include "cmds.h"
#include "cstatus.h"
#include "estatwnd.h"
#include "firgraph.h"
#include "firlog.h"
#include "fparams.h"
#include "graph1.h"
#include "graph2.h"
#include "hist_ir.h"
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
    m_irLog = new TIRLog(m_app.get());
    m_app->CreateHistory();
    m_status = new TFCStatus(*m_benches, *m_app, m_app.get());
    m_router.SetStatus(m_status);
    m_app->JoinScreen(TScreenSlot::Status, m_status, m_status);
    m_engineeringStatus = new TEStatus(*m_benches, *m_app, m_app.get());
    m_router.SetEngineeringStatus(m_engineeringStatus);
    m_app->JoinScreen(TScreenSlot::EStatus, m_engineeringStatus, m_engineeringStatus);
    m_rawIr = new TRawIR(*m_benches, *m_app, *m_app, *m_irLog, m_app.get());
    m_router.SetRawIr(m_rawIr);
    m_app->JoinScreen(TScreenSlot::RawIR, m_rawIr, m_rawIr);
    // The three raw IR items choose raw or filtered data and show the view.
    for (const auto& [item, filtered] :
         {std::pair{"N40RAWADIRChannelData1", false}, std::pair{"N42FilteredRAWADIRChannelData1", true},
          std::pair{"RawIR1", false}}) {
        TRawIR* view = m_rawIr;
        QObject::connect(m_app->MenuItem(QLatin1String(item)), &QAction::triggered, view,
                         [view, mode = filtered] {
                             view->SetFilteredMode(mode);
                             view->show();
                             view->raise();
                         });
    }
    m_graph2 = new TFGraph2(*m_benches, *m_app, *m_app, m_app.get());
    m_router.SetGraph2(m_graph2);
    m_app->JoinScreen(TScreenSlot::Graph2, m_graph2, m_graph2);
    m_graph1 = new TFGraph1(*m_benches, *m_app, *m_app, m_app.get());
    m_router.SetGraph1(m_graph1);
    m_app->JoinScreen(TScreenSlot::Graph1, m_graph1, m_graph1);
    m_upgrade = new TFUpgrade(*m_benches, *m_app, m_app.get());
    m_router.SetFirmware(m_upgrade);
    m_app->JoinScreen(TScreenSlot::Upgrade, m_upgrade, m_upgrade);
    // While the firmware screen shows, the one-second timer rests: no time-out, zero or console send.
    QObject::connect(
        m_upgrade, &TFUpgrade::VisibilityChanged, m_app.get(),
        [app = m_app.get()](bool visible) { app->Acquisition().State.FirmwareScreenVisible = visible; });
    m_app->CreateHistIr();
    m_irLog->SetCollectedIrData(m_app->fHist_ir);
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
    m_router.SetRawIr(nullptr);
    m_router.SetGraph2(nullptr);
    m_router.SetGraph1(nullptr);
    m_app.reset();
    m_router.SetMainWindow(nullptr);
}
