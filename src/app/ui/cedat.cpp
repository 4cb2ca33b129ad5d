#include "cedat.h"

#include "about.h"
#include "bench.h"
#include "bench_tables.h"
#include "captions.h"
#include "clock.h"
#include "commdlg.h"
#include "commnt.h"
#include "comport.h"
#include "console_commands.h"
#include "dialogs.h"
#include "fhistory.h"
#include "grid_model.h"
#include "hist_ir.h"
#include "locale_setup.h"
#include "message.h"
#include "paths.h"
#include "radio_group.h"
#include "serial_comport.h"
#include "status_light.h"
#include "title.h"
#include "ui_util.h"
#include "util.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
constexpr int WindowWidth = 890;
constexpr int WindowHeight = 592;
constexpr int PanelHeight = 272;
constexpr int TimerIntervalMs = 1000;
const char* const StartHint = "To enable Start Btn, press OK Btn first";

// Menu items that open a screen of another subsystem, by the slot the screen joins. They stay
// disabled until that screen exists. Items that also set a mode on their screen (raw or filtered IR,
// load or check) are connected by the joining screen itself; the others just show it.
struct ScreenItem {
    const char* name;
    TScreenSlot slot;
    bool showsScreen;
};
constexpr ScreenItem ScreenItems[] = {
    {"Status", TScreenSlot::Status, true},
    {"Graphics1", TScreenSlot::Graph1, true},
    {"Graphics2", TScreenSlot::Graph2, true},
    {"N40RAWADIRChannelData1", TScreenSlot::RawIR, false},
    {"N41EngineeringStatus1", TScreenSlot::EStatus, true},
    {"N42FilteredRAWADIRChannelData1", TScreenSlot::RawIR, false},
    {"Parameters1", TScreenSlot::Parameters, true},
    {"RawIR1", TScreenSlot::RawIR, false},
    {"EngineeringStatus1", TScreenSlot::EStatus, true},
    {"BenchUpgrade1", TScreenSlot::Upgrade, true},
    {"LoadcalConstants1", TScreenSlot::CalLoad, false},
    {"CheckCalConstants1", TScreenSlot::CalLoad, false},
    {"NewCalLoad1", TScreenSlot::CalLoad1, true},
};

// Screens that have close handling of their own at shutdown, in the order it runs.
constexpr TScreenSlot ClosedAtShutdown[] = {TScreenSlot::RawIR,  TScreenSlot::Upgrade, TScreenSlot::Graph1,
                                            TScreenSlot::Graph2, TScreenSlot::Status,  TScreenSlot::EStatus};

QString helpTopicText(int topic) {
    if (topic != 1) return QStringLiteral("<p>No help is available for this topic.</p>");
    return QStringLiteral(
        "<h3>X714 Host: the main window</h3>"
        "<p><b>Benches.</b> Tick a box under <i>Active X714</i> to open that bench's port. A box that "
        "cannot be ticked names the reason in its tooltip (no such device, permission denied, or busy). "
        "The line next to each box shows the bench's last acknowledgement: black for a plain reply, "
        "red for a refusal, a time-out or an unexpected reply.</p>"
        "<p><b>Acquisition.</b> Choose the columns and the averaging under <i>Settings</i>, press "
        "<i>OK</i>, then <i>Start</i>. Every active bench streams its data; one row is built each time "
        "the highest-numbered active bench replies. <i>Stop</i> ends the stream; <i>Clear</i> empties "
        "the table; <i>Zero</i> zeroes every active bench.</p>"
        "<p><b>Logging.</b> Open a log file with <i>File, New File</i> or <i>Append to file</i>, then "
        "switch <i>File Log</i> to <i>On</i> and start. <i>Comment</i> adds a dated comment to the "
        "file.</p>"
        "<p><b>Commands.</b> The <i>Bench Commands</i> menu opens the command console for one "
        "command; <i>Options, Comms</i> sets the line speed and bench 1's port.</p>");
}
} // namespace

std::unique_ptr<TApdComPort> TApp::MakeSerialPort(int comNumber) {
    return std::make_unique<SerialComPort>(comNumber);
}

TApp::TApp(TBenchSet& benches, IBenchHost& host, PortFactory makePort, QWidget* parent)
    : QMainWindow(parent), m_benches(benches), m_host(host), m_acq(benches) {
    setObjectName(QStringLiteral("App"));
    ExecDialog = [](QDialog* dialog) { return dialog->exec(); };
    if (!makePort) makePort = MakeSerialPort;
    for (int i = 0; i < 4; ++i)
        m_ports[i] = makePort(i + 1);

    SetupLocale();
    m_engineeringAllowed = QFileInfo::exists(DriveCPath(QStringLiteral("eng.Ok")));

    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies(
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setBold(true);
    setFont(font);
    resize(WindowWidth, WindowHeight);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    buildGrid();
    buildPanel();
    layout->addWidget(Grid, 1);
    layout->addWidget(Panel1);
    buildMenus();

    setWindowTitle(m_acq.State.Caption);
    applyMenuVisibility();

    bindPorts();
    probePorts();
    // The table's height decides its rows: lay the window out before the first rebuild.
    centralWidget()->layout()->activate();
    updateGridHeight();
    ActiveBench1Click();
    ShowAckLines();
    stateToControls();

    connect(&m_acq, &TAcquisition::StateChanged, this, &TApp::stateToControls);
    Timer6.setObjectName(QStringLiteral("Timer6"));
    Timer6.setInterval(TimerIntervalMs);
    connect(&Timer6, &QTimer::timeout, this, &TApp::Timer6Timer);
    Timer6.start();

    CentreOnScreen(this);
}

TApp::~TApp() {
    Timer6.stop();
    for (int i = 0; i < 4; ++i) {
        if (m_ports[i]) m_ports[i]->disconnect(this);
        if (m_ports[i] && m_ports[i]->Open()) m_ports[i]->SetOpen(false);
    }
    // The bench connections outlive the window: leave them without a host or port that is going away.
    for (TBench& bench : m_benches)
        bench.Init(nullptr, nullptr, bench.Index());
}

// ---- construction ----

void TApp::buildGrid() {
    m_model = new TDataTableModel(m_acq.Table(), this);
    Grid = new TDataGrid(TDataTableModel::HeaderRows, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(m_model);
    QFont cellFont(QStringLiteral("Courier New"), 8);
    cellFont.setStyleHint(QFont::Monospace);
    cellFont.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                          QStringLiteral("DejaVu Sans Mono")});
    cellFont.setBold(true);
    Grid->setFont(cellFont);
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setMinimumSectionSize(TDataTable::RowHeight);
    Grid->verticalHeader()->setDefaultSectionSize(TDataTable::RowHeight);
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->horizontalHeader()->setDefaultSectionSize(80);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid->installEventFilter(this);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TApp::fitColumns);
    connect(&m_acq.Table(), &TDataTable::Reset, this, [this] { m_tableWritten = false; });
    connect(&m_acq.Table(), &TDataTable::RowsChanged, this, [this] { m_tableWritten = true; });
    Grid->setShowGrid(true);
    Grid->setWordWrap(false);
    Grid->setTextElideMode(Qt::ElideNone);
    Grid->setSelectionMode(QAbstractItemView::NoSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setFocusPolicy(Qt::NoFocus);
    Grid->setMinimumHeight(TDataTable::RowHeight * 4);
}

void TApp::buildPanel() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setFixedHeight(PanelHeight);

    // Bench rows: port label, transmit and receive lights, activation box, acknowledgement line.
    GroupBox1 = new QGroupBox(QStringLiteral("Active X714"), Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* benches = new QGridLayout(GroupBox1);
    benches->setContentsMargins(6, 4, 6, 4);
    benches->setVerticalSpacing(4);
    auto* tx = new QLabel(QStringLiteral("Tx"), GroupBox1);
    tx->setObjectName(QStringLiteral("TxCaption"));
    auto* rx = new QLabel(QStringLiteral("Rx"), GroupBox1);
    rx->setObjectName(QStringLiteral("RxCaption"));
    auto* ackHead = new QLabel(QStringLiteral("ACK or  NAK"), GroupBox1);
    ackHead->setObjectName(QStringLiteral("AckNakCaption"));
    benches->addWidget(tx, 0, 1, Qt::AlignHCenter);
    benches->addWidget(rx, 0, 2, Qt::AlignHCenter);
    benches->addWidget(ackHead, 0, 4);
    const char* const labelNames[4] = {"Label2", "Label3", "Label4", "Label7"};
    for (int i = 0; i < 4; ++i) {
        ComLabel[i] = new QLabel(QStringLiteral("Com %1").arg(i + 1), GroupBox1);
        ComLabel[i]->setObjectName(QLatin1String(labelNames[i]));
        ApdStatusLight[2 * i] =
            new TStatusLight(QStringLiteral("ApdStatusLight%1").arg(2 * i + 1), GroupBox1);
        ApdStatusLight[2 * i + 1] =
            new TStatusLight(QStringLiteral("ApdStatusLight%1").arg(2 * i + 2), GroupBox1);
        ActiveBench[i] = new QCheckBox(QString::number(i + 1), GroupBox1);
        ActiveBench[i]->setObjectName(QStringLiteral("ActiveBench%1").arg(i + 1));
        AckNakEdit[i] = new QLineEdit(GroupBox1);
        AckNakEdit[i]->setObjectName(QStringLiteral("AckNakEdit%1").arg(i + 1));
        AckNakEdit[i]->setReadOnly(true);
        AckNakEdit[i]->setMinimumWidth(150);
        AckNakEdit[i]->setFocusPolicy(Qt::NoFocus);
        benches->addWidget(ComLabel[i], i + 1, 0);
        benches->addWidget(ApdStatusLight[2 * i], i + 1, 1, Qt::AlignCenter);
        benches->addWidget(ApdStatusLight[2 * i + 1], i + 1, 2, Qt::AlignCenter);
        benches->addWidget(ActiveBench[i], i + 1, 3);
        benches->addWidget(AckNakEdit[i], i + 1, 4);
        connect(ActiveBench[i], &QCheckBox::clicked, this, &TApp::ActiveBench1Click);
    }
    benches->setColumnStretch(4, 1);

    // Switches under the bench rows, items side by side, in two rows; only "File Log" and "Zero" are
    // shown to operators.
    const TSettingsPanel& s = m_acq.State.Settings;
    auto makeSwitch = [this](const char* name, const char* title, const QStringList& items, int index) {
        return new TRadioGroup(QLatin1String(name), QString::fromLatin1(title), items, index, Panel1,
                               int(items.size()));
    };
    Logging = makeSwitch("Logging", "File &Log", {QStringLiteral("On"), QStringLiteral("Off")}, s.Logging);
    ZeroRG = makeSwitch("ZeroRG", "Zero", {QStringLiteral("Auto"), QStringLiteral("Manual")}, s.ZeroRG);
    DataRadio = makeSwitch("DataRadio", "Data Collect", {QStringLiteral("Auto"), QStringLiteral("Manual")},
                           s.DataRadio);
    HCMode = makeSwitch("HCMode", "HC Mode", {QStringLiteral("Hex"), QStringLiteral("Prop")}, s.HCMode);
    HCDivisorRadioGroup = makeSwitch("HCDivisorRadioGroup", "HC Divisor",
                                     {QStringLiteral("1"), QStringLiteral("100")}, s.HCDivisorRadioGroup);
    CompDataRG =
        makeSwitch("CompDataRG", "Data",
                   {QStringLiteral("$01"), QStringLiteral("$06"), QStringLiteral("$44")}, s.CompDataRG);
    auto* switches = new QGridLayout;
    switches->setSpacing(2);
    const TRadioGroup* const switchOrder[] = {Logging,   ZeroRG, DataRadio, HCMode, HCDivisorRadioGroup,
                                              CompDataRG};
    for (int i = 0; i < 6; ++i)
        switches->addWidget(const_cast<TRadioGroup*>(switchOrder[i]), i / 3, i % 3,
                            Qt::AlignLeft | Qt::AlignTop);
    switches->setColumnStretch(3, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    left->addWidget(GroupBox1);
    left->addLayout(switches);
    left->addStretch(1);

    // Settings: table columns, averaging and the number of samples per mean.
    GroupBox2 = new QGroupBox(QStringLiteral("Settings"), Panel1);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto makeBox = [this](const char* name, const char* caption, bool ticked) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), GroupBox2);
        box->setObjectName(QLatin1String(name));
        box->setChecked(ticked);
        return box;
    };
    TimeStamp = makeBox("TimeStamp", "Time Stamp", s.TimeStamp);
    RelativeTime = makeBox("RelativeTime", "Relative Time", s.RelativeTime);
    GasConcentration = makeBox("GasConcentration", "Gas Conc", s.GasConcentration);
    AcceptCountChk = makeBox("AcceptCountChk", "Accept Count", s.AcceptCountChk);
    DemodulatedIR = makeBox("DemodulatedIR", "Demodulated IR", s.DemodulatedIR);
    Offset = makeBox("Offset", "Offset", s.Offset);
    MinMaxADC = makeBox("MinMaxADC", "Min Max ADC", s.MinMaxADC);
    Temperatures = makeBox("Temperatures", "Temperatures", s.Temperatures);
    AmbTemp = makeBox("AmbTemp", "Amb Temp", s.AmbTemp);
    Pressures = makeBox("Pressures", "Pressures", s.Pressures);
    AmbPressure = makeBox("AmbPressure", "Amb Pressure", s.AmbPressure);
    RawNoxO2 = makeBox("RawNoxO2", "Raw NO, O2", s.RawNoxO2);
    Pef = makeBox("Pef", "PEF", s.Pef);
    const std::pair<QCheckBox*, bool TSettingsPanel::*> boxes[] = {
        {TimeStamp, &TSettingsPanel::TimeStamp},
        {RelativeTime, &TSettingsPanel::RelativeTime},
        {GasConcentration, &TSettingsPanel::GasConcentration},
        {AcceptCountChk, &TSettingsPanel::AcceptCountChk},
        {DemodulatedIR, &TSettingsPanel::DemodulatedIR},
        {Offset, &TSettingsPanel::Offset},
        {MinMaxADC, &TSettingsPanel::MinMaxADC},
        {Temperatures, &TSettingsPanel::Temperatures},
        {AmbTemp, &TSettingsPanel::AmbTemp},
        {Pressures, &TSettingsPanel::Pressures},
        {AmbPressure, &TSettingsPanel::AmbPressure},
        {RawNoxO2, &TSettingsPanel::RawNoxO2},
        {Pef, &TSettingsPanel::Pef},
    };
    auto* settings = new QGridLayout(GroupBox2);
    settings->setContentsMargins(6, 4, 6, 4);
    settings->setVerticalSpacing(1);
    int n = 0;
    for (const auto& [box, field] : boxes) {
        settings->addWidget(box, n % 7, n / 7);
        connect(box, &QCheckBox::clicked, this,
                [this, f = field](bool ticked) { settingsBoxClicked(f, ticked); });
        ++n;
    }
    AveragingRadioGroup =
        new TRadioGroup(QStringLiteral("AveragingRadioGroup"), QStringLiteral("Averaging"),
                        {QStringLiteral("None"), QStringLiteral("Mean"), QStringLiteral("Mean+STDEV")},
                        s.AveragingRadioGroup, GroupBox2);
    Label8 = new QLabel(QStringLiteral("Number of samples"), GroupBox2);
    Label8->setObjectName(QStringLiteral("Label8"));
    AverageEdit = new QLineEdit(s.AverageEdit, GroupBox2);
    AverageEdit->setObjectName(QStringLiteral("AverageEdit"));
    AverageEdit->setMaxLength(5);
    AverageEdit->setMaximumWidth(60);
    AverageEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,5}")), AverageEdit));
    settings->addWidget(AveragingRadioGroup, 0, 2, 4, 1, Qt::AlignTop);
    settings->addWidget(Label8, 4, 2);
    settings->addWidget(AverageEdit, 5, 2, Qt::AlignLeft);
    settings->setRowStretch(7, 1);

    // Buttons.
    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), Panel1);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    OKBtn = makeButton("OKBtn", "OK");
    OKBtn->setDefault(true);
    OKBtn->setToolTip(QString::fromLatin1(StartHint));
    StartBtn = makeButton("StartBtn", "&Start");
    StartBtn->setToolTip(QString::fromLatin1(StartHint));
    StopBtn = makeButton("StopBtn", "&Stop");
    ZeroBtn = makeButton("ZeroBtn", "&Zero");
    ClearBtn = makeButton("ClearBtn", "Clea&r");
    CommentBtn = makeButton("CommentBtn", "&Comment");
    HistoryBtn = makeButton("HistoryBtn", "&History");
    TitleBtn = makeButton("TitleBtn", "Title");
    AcceptBtn = makeButton("AcceptBtn", "&Accept");
    OffsetBtn = makeButton("OffsetBtn", "Offset");
    ExitBtn = makeButton("ExitBtn", "E&xit");
    ExitBtn->setToolTip(QStringLiteral("Exit"));
    auto* buttons = new QGridLayout;
    buttons->setVerticalSpacing(3);
    // Two columns: the acquisition buttons, then the log and service buttons with Exit at the bottom.
    QPushButton* const columns[2][6] = {{OKBtn, StartBtn, StopBtn, ZeroBtn, ClearBtn, CommentBtn},
                                        {HistoryBtn, TitleBtn, AcceptBtn, OffsetBtn, nullptr, ExitBtn}};
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 6; ++r)
            if (columns[c][r]) buttons->addWidget(columns[c][r], r, c);
    buttons->setRowStretch(6, 1);

    connect(OKBtn, &QPushButton::clicked, this, &TApp::OKBtnClick);
    connect(StartBtn, &QPushButton::clicked, this, &TApp::StartBtnClick);
    connect(StopBtn, &QPushButton::clicked, this, &TApp::StopBtnClick);
    connect(ZeroBtn, &QPushButton::clicked, this, &TApp::ZeroBtnClick);
    connect(ClearBtn, &QPushButton::clicked, this, &TApp::ClearBtnClick);
    connect(CommentBtn, &QPushButton::clicked, this, &TApp::CommentBtnClick);
    connect(HistoryBtn, &QPushButton::clicked, this, &TApp::HistoryBtnClick);
    connect(TitleBtn, &QPushButton::clicked, this, &TApp::TitleBtnClick);
    connect(AcceptBtn, &QPushButton::clicked, this, &TApp::AcceptBtnClick);
    connect(OffsetBtn, &QPushButton::clicked, this, &TApp::OffsetBtnClick);
    connect(ExitBtn, &QPushButton::clicked, this, &TApp::ExitBtnClick);
    connect(Logging, &TRadioGroup::Clicked, this, &TApp::LoggingClick);
    connect(DataRadio, &TRadioGroup::Clicked, this, &TApp::DataRadioClick);
    connect(ZeroRG, &TRadioGroup::Clicked, this, [this](int i) { m_acq.State.Settings.ZeroRG = i; });
    connect(AveragingRadioGroup, &TRadioGroup::Clicked, this,
            [this](int i) { m_acq.State.Settings.AveragingRadioGroup = i; });
    connect(CompDataRG, &TRadioGroup::Clicked, this, [this](int i) { m_acq.State.Settings.CompDataRG = i; });
    connect(HCMode, &TRadioGroup::Clicked, this, [this](int i) {
        m_acq.State.Settings.HCMode = i;
        m_acq.SettingsClick();
    });
    connect(HCDivisorRadioGroup, &TRadioGroup::Clicked, this, [this](int i) {
        m_acq.State.Settings.HCDivisorRadioGroup = i;
        m_acq.SettingsClick();
    });
    connect(AverageEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_acq.State.Settings.AverageEdit = text; });
    // Enter in the number of samples applies the settings, as the default button OK does.
    connect(AverageEdit, &QLineEdit::returnPressed, this, &TApp::OKBtnClick);

    auto* panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(4, 2, 4, 2);
    panel->addLayout(left, 1);
    panel->addWidget(GroupBox2, 0, Qt::AlignTop);
    panel->addLayout(buttons);

    // Controls an operator never sees: they keep their defaults unless the service mode shows them.
    m_hiddenControls = {AcceptCountChk, DemodulatedIR, Offset,   MinMaxADC, Temperatures, AmbTemp,
                        Pressures,      AmbPressure,   RawNoxO2, Pef,       HCMode,       HCDivisorRadioGroup,
                        CompDataRG,     HistoryBtn,    TitleBtn, AcceptBtn, OffsetBtn,    DataRadio};
    for (QWidget* w : m_hiddenControls)
        w->setVisible(false);
}

QAction* TApp::addItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void TApp::addConsoleItems(QMenu* menu, int menuKind) {
    // Each item stores its code as the console's command; the items stay disabled until the console
    // joins.
    for (const TConsoleCommand& c : ConsoleCommands) {
        if (int(c.menu) != menuKind) continue;
        QAction* action =
            addItem(menu, QString::fromLatin1(c.menuEntry.data(), qsizetype(c.menuEntry.size())),
                    QString::fromLatin1(c.menuCaption.data(), qsizetype(c.menuCaption.size())));
        action->setVisible(c.visible);
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, code = c.code] { ConsoleItemClick(code); });
    }
}

void TApp::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    connect(addItem(file, QStringLiteral("NewFile"), QStringLiteral("&New File...")), &QAction::triggered,
            this, &TApp::NewFileClick);
    connect(addItem(file, QStringLiteral("Appendtofile1"), QStringLiteral("&Append to file")),
            &QAction::triggered, this, &TApp::Appendtofile1Click);
    file->addSeparator();
    connect(addItem(file, QStringLiteral("CloseFile1"), QStringLiteral("&Close File")), &QAction::triggered,
            this, &TApp::CloseFile1Click);
    file->addSeparator();
    connect(addItem(file, QStringLiteral("PrintForm1"), QStringLiteral("Print &Window")), &QAction::triggered,
            this, &TApp::PrintForm1Click);
    connect(addItem(file, QStringLiteral("PrinterSetup1"), QStringLiteral("Printer &Setup...")),
            &QAction::triggered, this, &TApp::PrinterSetup1Click);
    file->addSeparator();
    connect(addItem(file, QStringLiteral("Exit1"), QStringLiteral("Exit")), &QAction::triggered, this,
            &TApp::ExitBtnClick);

    QMenu* screens = bar->addMenu(QStringLiteral("Scree&ns"));
    screens->setObjectName(QStringLiteral("Screens1"));
    addItem(screens, QStringLiteral("Status"), QStringLiteral("Status"));
    addItem(screens, QStringLiteral("Graphics1"), QStringLiteral("Graphics&1"));
    addItem(screens, QStringLiteral("Graphics2"), QStringLiteral("Graphics&2"));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("Options1"));
    connect(addItem(options, QStringLiteral("Comm1"), QStringLiteral("Comms...")), &QAction::triggered, this,
            &TApp::Comm1Click);

    QMenu* bench = bar->addMenu(QStringLiteral("Bench Commands"));
    bench->setObjectName(QStringLiteral("CustomerCommands"));
    addConsoleItems(bench, int(TConsoleCommand::Menu::Bench));

    m_engineeringMenu = bar->addMenu(QStringLiteral("Engineering Bench  Commands"));
    m_engineeringMenu->setObjectName(QStringLiteral("CustomerServiceCommands"));
    addItem(m_engineeringMenu, QStringLiteral("N40RAWADIRChannelData1"),
            QStringLiteral("$40 RAW AD IR Channel Data"));
    addItem(m_engineeringMenu, QStringLiteral("N41EngineeringStatus1"),
            QStringLiteral("$41 Engineering Status"));
    addItem(m_engineeringMenu, QStringLiteral("N42FilteredRAWADIRChannelData1"),
            QStringLiteral("$42 Filtered RAW AD IR Channel Data"));
    addConsoleItems(m_engineeringMenu, int(TConsoleCommand::Menu::Engineering));

    m_serviceMenu = bar->addMenu(QStringLiteral("Service Screens"));
    m_serviceMenu->setObjectName(QStringLiteral("VelmarServiceScreens1"));
    addItem(m_serviceMenu, QStringLiteral("Parameters1"), QStringLiteral("Parameters..."));
    addItem(m_serviceMenu, QStringLiteral("RawIR1"), QStringLiteral("Raw IR..."));
    addItem(m_serviceMenu, QStringLiteral("EngineeringStatus1"), QStringLiteral("Engineering Status"));
    addItem(m_serviceMenu, QStringLiteral("BenchUpgrade1"), QStringLiteral("Bench Upgrade"));
    addItem(m_serviceMenu, QStringLiteral("LoadcalConstants1"), QStringLiteral("Load Cal Constants"));
    addItem(m_serviceMenu, QStringLiteral("CheckCalConstants1"), QStringLiteral("Check Cal Constants"));
    addItem(m_serviceMenu, QStringLiteral("NewCalLoad1"), QStringLiteral("New Cal Load"));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    connect(addItem(help, QStringLiteral("About2"), QStringLiteral("&About...")), &QAction::triggered, this,
            &TApp::About2Click);
    QAction* generalHelp = addItem(help, QStringLiteral("GeneralHelp2"), QStringLiteral("General Help"));
    generalHelp->setVisible(false);
    connect(generalHelp, &QAction::triggered, this, &TApp::GeneralHelp2Click);

    for (const ScreenItem& item : ScreenItems) {
        QAction* action = MenuItem(QLatin1String(item.name));
        action->setEnabled(false);
        if (!item.showsScreen) continue;
        const TScreenSlot slot = item.slot;
        connect(action, &QAction::triggered, this, [this, slot] {
            QWidget* screen = Screen(slot);
            if (!screen) return;
            // The graphs settle their bench selection before they are shown.
            if ((slot == TScreenSlot::Graph1 || slot == TScreenSlot::Graph2) &&
                m_screens[size_t(slot)].selector)
                m_screens[size_t(slot)].selector->RefreshBenchSelector();
            screen->show();
            screen->raise();
        });
    }
}

void TApp::applyMenuVisibility() {
    MenuItem(QStringLiteral("F0SoftReset1"))->setVisible(true);
    if (!m_engineeringAllowed) {
        for (const char* name :
             {"N41EngineeringStatus1", "N56StoreDefaults1", "N57ResetToDefaults1", "EngineeringStatus1"})
            MenuItem(QLatin1String(name))->setVisible(false);
    }
    m_engineeringMenu->menuAction()->setVisible(m_serviceMode);
    m_serviceMenu->menuAction()->setVisible(m_serviceMode);
    MenuItem(QStringLiteral("GeneralHelp2"))->setVisible(m_serviceMode);
}

void TApp::bindPorts() {
    for (int i = 0; i < 4; ++i) {
        m_acq.State.PortOpen[i] = false;
        TApdComPort* port = m_ports[i].get();
        m_benches[i].Init(port, &m_host, i);
        connect(port, &TApdComPort::TriggerAvail, this, [this, i] { ApdComPortTriggerAvail(i); });
        connect(port, &TApdComPort::Activity, this,
                [this, i](bool transmit) { ApdStatusLight[2 * i + (transmit ? 0 : 1)]->Flash(); });
        // Queued: the loss may be seen inside a write, in the middle of a handler that sends.
        connect(
            port, &TApdComPort::DeviceLost, this, [this, i](const QString& reason) { deviceLost(i, reason); },
            Qt::QueuedConnection);
    }
}

void TApp::deviceLost(int bench, const QString& reason) {
    if (!m_acq.State.PortOpen[bench]) return;
    // The line says so in red while the port is still shown open; then the box is unticked, which
    // closes the port. It stays enabled: ticking it again opens the device afresh once it is back.
    m_acq.DeviceLost(bench, reason);
    ActiveBench[bench]->setChecked(false);
    ActiveBench1Click();
}

void TApp::probePorts() {
    for (int i = 0; i < 4; ++i) {
        QString reason;
        const bool present = m_ports[i]->ProbeComNumber(i + 1, &reason);
        ActiveBench[i]->setEnabled(present);
        m_probeReason[i] = present ? QString() : reason;
        ActiveBench[i]->setToolTip(present ? QStringLiteral("COM%1: %2").arg(i + 1).arg(ComDevicePath(i + 1))
                                           : reason);
    }
}

void TApp::CreateAboutBox() {
    if (!AboutBox) AboutBox = new TAboutBox(this);
}

void TApp::CreateCommDlg() {
    if (CommDlg) return;
    CommDlg = new TCommDlg({m_ports[0].get(), m_ports[1].get(), m_ports[2].get(), m_ports[3].get()}, this);
    CommDlg->ShowBenchOnePort = [this](const QString& label) {
        ComLabel[0]->setText(label);
        // Renumbering reopens an open port on the new device; if that failed the bench is no longer
        // active and its box says why, as when ticking it fails.
        TApdComPort* port = m_ports[0].get();
        if (port->Open()) m_benches[0].ResetReceiveState();
        if (m_acq.State.PortOpen[0] && !port->Open()) {
            m_acq.State.PortOpen[0] = false;
            ActiveBench[0]->setChecked(false);
            ActiveBench[0]->setEnabled(false);
            ActiveBench[0]->setToolTip(port->OpenError());
            setLights(0, false);
            boxesToState();
            m_acq.RebuildTable();
            RefreshBenchSelectors();
        }
    };
}

void TApp::CreateCommentDlg() {
    if (!CommentDlg) CommentDlg = new TCommentDlg(this);
}

void TApp::CreateHistory() {
    if (!History) History = new THistory(this);
}

void TApp::CreateHistIr() {
    if (!fHist_ir) fHist_ir = new TfHist_ir(this);
}

void TApp::CreateTitle() {
    if (FTitle) return;
    FTitle = new TFTitle(this);
    FTitle->ApplyTitle = [this](const QString& title) { applyTitle(title); };
}

void TApp::CreateMessage() {
    if (!FMessage) FMessage = new TFMessage(this);
}

void TApp::CreateOwnDialogs() {
    CreateAboutBox();
    CreateCommDlg();
    CreateCommentDlg();
    CreateHistory();
    CreateHistIr();
    CreateTitle();
    CreateMessage();
}

// ---- screens of other subsystems ----

void TApp::JoinScreen(TScreenSlot slot, QWidget* screen, IBenchSelectorScreen* selector) {
    m_screens[size_t(slot)] = {screen, selector};
    // A screen that joins after the start-up refresh settles its selection now.
    if (selector) selector->RefreshBenchSelector();
    for (const ScreenItem& item : ScreenItems)
        if (item.slot == slot) MenuItem(QLatin1String(item.name))->setEnabled(screen != nullptr);
    if (slot == TScreenSlot::Cmds)
        for (const TConsoleCommand& c : ConsoleCommands)
            MenuItem(QString::fromLatin1(c.menuEntry.data(), qsizetype(c.menuEntry.size())))
                ->setEnabled(screen != nullptr);
}

void TApp::RefreshBenchSelectors() {
    for (const JoinedScreen& s : m_screens)
        if (s.selector) s.selector->RefreshBenchSelector();
}

QAction* TApp::MenuItem(const QString& name) const {
    return findChild<QAction*>(name);
}

// ---- service mode and demo ----

void TApp::SetServiceMode(bool on) {
    m_serviceMode = on;
    for (QWidget* w : m_hiddenControls)
        w->setVisible(on);
    applyMenuVisibility();
}

void TApp::StartDemo() {
    for (QCheckBox* box : ActiveBench)
        if (box->isEnabled()) box->setChecked(true);
    ActiveBench1Click();
    StartBtnClick();
}

// ---- bench activation, serial input, acknowledgement lines ----

void TApp::setLights(int bench, bool on) {
    ApdStatusLight[2 * bench]->SetMonitoring(on);
    ApdStatusLight[2 * bench + 1]->SetMonitoring(on);
}

void TApp::closePort(int bench) {
    m_ports[bench]->SetOpen(false);
    m_acq.State.PortOpen[bench] = false;
    setLights(bench, false);
}

void TApp::boxesToState() {
    for (int i = 0; i < 4; ++i) {
        m_acq.State.BoxEnabled[i] = ActiveBench[i]->isEnabled();
        m_acq.State.BoxChecked[i] = ActiveBench[i]->isChecked();
    }
}

void TApp::ActiveBench1Click() {
    for (int i = 0; i < 4; ++i) {
        QCheckBox* box = ActiveBench[i];
        const bool wanted = box->isEnabled() && box->isChecked();
        if (wanted && !m_acq.State.PortOpen[i]) {
            TApdComPort* port = m_ports[i].get();
            if (port->SetOpen(true)) {
                m_benches[i].ResetReceiveState();
                setLights(i, true);
                m_acq.State.PortOpen[i] = true;
            } else {
                // No box here: the reason stays on the disabled box for an operator who wonders.
                const QString reason = port->OpenError();
                port->SetOpen(false);
                box->setChecked(false);
                box->setEnabled(false);
                box->setToolTip(reason);
                setLights(i, false);
            }
        } else if (!wanted && m_acq.State.PortOpen[i]) {
            closePort(i);
        }
    }
    boxesToState();
    m_acq.RebuildTable();
    RefreshBenchSelectors();
}

void TApp::ApdComPortTriggerAvail(int bench) {
    if (Closing()) return;
    m_benches[bench].DrainPort();
}

void TApp::ShowAckLines() {
    for (int i = 0; i < 4; ++i) {
        if (!m_acq.State.PortOpen[i]) continue;
        QLineEdit* line = AckNakEdit[i];
        const TBench& bench = m_benches[i];
        QPalette palette = line->palette();
        const QColor colour = bench.AckError == 1 ? Qt::red : Qt::black;
        if (palette.color(QPalette::Text) != colour) {
            palette.setColor(QPalette::Text, colour);
            line->setPalette(palette);
        }
        if (line->text() != bench.AckText) line->setText(bench.AckText);
    }
}

void TApp::UntickAllBenches() {
    for (QCheckBox* box : ActiveBench)
        box->setChecked(false);
    ActiveBench1Click();
}

void TApp::BenchDisconnected(int /*bench*/) {
    QCoreApplication::processEvents();
    Dialogs().Message(
        QString::fromLatin1(BenchDisconnectedText.data(), qsizetype(BenchDisconnectedText.size())),
        QString::fromLatin1(BenchDisconnectedCaption.data(), qsizetype(BenchDisconnectedCaption.size())),
        IDialogs::Icon::Warning);
}

bool TApp::BenchBoxActive(int bench) const {
    return bench >= 0 && bench < 4 && m_acq.State.BoxActive(bench);
}

bool TApp::Closing() const {
    return m_acq.State.Closing;
}

bool TApp::HcDivisor100() const {
    return m_acq.State.Settings.HCDivisorRadioGroup == Items::HCDivisor100;
}

uint8_t TApp::ConsoleCommand() const {
    return m_acq.State.ConsoleCommand;
}

void TApp::RaiseConsoleSendRequest(int bench) {
    // The request goes to the bench whose CmdParams the console wrote, even if another bench button is
    // chosen before the tick.
    m_acq.State.SelectedBench = bench;
    m_acq.State.ConsoleSendRequest = true;
}

bool TApp::StopBtnEnabled() const {
    return m_acq.State.Enabled.StopBtn;
}

void TApp::DataStep(int bench) {
    m_acq.DataStep(bench);
}

void TApp::Timer6Timer() {
    m_acq.Timer6Timer();
}

// ---- acquisition ----

void TApp::settingsBoxClicked(bool TSettingsPanel::*field, bool ticked) {
    m_acq.State.Settings.*field = ticked;
    m_acq.SettingsClick();
}

void TApp::stateToControls() {
    const TWindowState& s = m_acq.State;
    if (windowTitle() != s.Caption) setWindowTitle(s.Caption);
    StartBtn->setEnabled(s.Enabled.StartBtn);
    StopBtn->setEnabled(s.Enabled.StopBtn);
    AcceptBtn->setEnabled(s.Enabled.AcceptBtn);
    DataRadio->setEnabled(s.Enabled.DataRadio);
    Logging->setEnabled(s.Enabled.Logging);
    CommentBtn->setEnabled(s.Enabled.CommentBtn);

    const TSettingsPanel& p = s.Settings;
    const std::pair<QCheckBox*, bool> boxes[] = {
        {TimeStamp, p.TimeStamp},
        {RelativeTime, p.RelativeTime},
        {GasConcentration, p.GasConcentration},
        {AcceptCountChk, p.AcceptCountChk},
        {DemodulatedIR, p.DemodulatedIR},
        {Offset, p.Offset},
        {MinMaxADC, p.MinMaxADC},
        {Temperatures, p.Temperatures},
        {AmbTemp, p.AmbTemp},
        {Pressures, p.Pressures},
        {AmbPressure, p.AmbPressure},
        {RawNoxO2, p.RawNoxO2},
        {Pef, p.Pef},
    };
    for (const auto& [box, ticked] : boxes)
        if (box->isChecked() != ticked) box->setChecked(ticked);
    const std::pair<TRadioGroup*, int> groups[] = {
        {HCMode, p.HCMode},         {HCDivisorRadioGroup, p.HCDivisorRadioGroup},
        {CompDataRG, p.CompDataRG}, {AveragingRadioGroup, p.AveragingRadioGroup},
        {DataRadio, p.DataRadio},   {ZeroRG, p.ZeroRG},
        {Logging, p.Logging},
    };
    for (const auto& [group, index] : groups)
        if (group->ItemIndex() != index) group->SetItemIndex(index);
    if (AverageEdit->text() != p.AverageEdit) AverageEdit->setText(p.AverageEdit);
}

void TApp::OKBtnClick() {
    m_acq.State.Settings.AverageEdit = AverageEdit->text();
    m_acq.OKBtnClick();
}

void TApp::StartBtnClick() {
    m_acq.StartBtnClick();
}

void TApp::StopBtnClick() {
    m_acq.StopBtnClick();
}

void TApp::ZeroBtnClick() {
    m_acq.ZeroBtnClick();
}

void TApp::ClearBtnClick() {
    m_acq.ClearBtnClick();
}

void TApp::CommentBtnClick() {
    if (ExecDialog(CommentDlg) == QDialog::Accepted) m_acq.CommentBtnClick(CommentDlg->Lines());
}

void TApp::HistoryBtnClick() {
    QStringList lines;
    if (!m_acq.HistoryBtnClick(&lines)) return;
    History->ListBox1->clear();
    History->ListBox1->addItems(lines);
    History->show();
    History->raise();
}

void TApp::TitleBtnClick() {
    FTitle->show();
    FTitle->raise();
}

void TApp::applyTitle(const QString& title) {
    TWindowState& s = m_acq.State;
    s.UserTitle = title;
    s.Caption = TitleDialogCaption(s.Settings.Logging == Items::LoggingOn, m_acq.Log().LogFileName, title);
    // The name the desktop knows the running program by. The display name is left alone: the window
    // system would append it to every caption.
    QCoreApplication::setApplicationName(title);
    stateToControls();
}

void TApp::AcceptBtnClick() {
    m_acq.AcceptBtnClick();
}

void TApp::OffsetBtnClick() {
    m_acq.OffsetBtnClick();
}

void TApp::ExitBtnClick() {
    close();
}

void TApp::LoggingClick(int index) {
    m_acq.State.Settings.Logging = index;
    m_acq.LoggingClick();
}

void TApp::DataRadioClick(int index) {
    m_acq.State.Settings.DataRadio = index;
    m_acq.DataRadioClick();
}

// ---- menus ----

void TApp::NewFileClick() {
    m_acq.NewFileClick();
}

void TApp::Appendtofile1Click() {
    m_acq.Appendtofile1Click();
}

void TApp::CloseFile1Click() {
    m_acq.CloseFile1Click();
}

void TApp::PrintForm1Click() {
    QPrintDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Print Window"));
    if (ExecDialog(&dialog) != QDialog::Accepted) return;
    const QPixmap image = grab();
    QPainter painter(&m_printer);
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
}

void TApp::PrinterSetup1Click() {
    QPageSetupDialog dialog(&m_printer, this);
    ExecDialog(&dialog);
}

void TApp::Comm1Click() {
    ExecDialog(CommDlg);
}

void TApp::About2Click() {
    ExecDialog(AboutBox);
}

void TApp::GeneralHelp2Click() {
    showHelpTopic(1);
}

void TApp::showHelpTopic(int topic) {
    if (!m_help) {
        m_help = new QTextBrowser(this);
        m_help->setWindowFlag(Qt::Window);
        m_help->setObjectName(QStringLiteral("HelpWindow"));
        m_help->setWindowTitle(QStringLiteral("Help"));
        m_help->resize(520, 420);
    }
    m_help->setHtml(helpTopicText(topic));
    m_help->show();
    m_help->raise();
}

void TApp::ConsoleItemClick(uint8_t code) {
    m_acq.State.ConsoleCommand = code;
    // The console lays itself out for its command when it is shown, so it is closed and shown again.
    if (QWidget* console = Screen(TScreenSlot::Cmds)) {
        console->close();
        console->show();
    }
}

// ---- window events and shutdown ----

void TApp::showEvent(QShowEvent* event) {
    m_acq.State.Closing = false;
    QMainWindow::showEvent(event);
}

bool TApp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Grid && event->type() == QEvent::Resize) {
        updateGridHeight();
        // A table with no row yet (the window was only just shown, or resized before the first row)
        // takes as many rows as the grid now holds, so no blank band stays under it.
        if (!m_tableWritten && !m_acq.Running) m_acq.RebuildTable();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TApp::fitColumns() {
    // Columns in use are at least as wide as their header texts, so that no header is cut off; the
    // others keep the grid's default widths.
    const TDataTable& table = m_acq.Table();
    const QFontMetrics metrics(Grid->font());
    for (int c = 0; c < table.GridColumns(); ++c) {
        int width = c == 3 ? 70 : c == 4 ? 71 : 80;
        if (c < table.ColumnCount)
            for (int r = 0; r < TDataTableModel::HeaderRows; ++r)
                width = std::max(width, metrics.horizontalAdvance(table.Cell(r, c)) + 8);
        Grid->setColumnWidth(c, width);
    }
}

void TApp::updateGridHeight() {
    // The next rebuild of the table takes as many rows as the grid's height holds.
    if (Grid) m_acq.State.GridHeight = Grid->height();
}

void TApp::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TApp::drainOutput() {
    // Bytes the serial driver could not take at once leave from the event loop; give them a moment (at
    // most one second) before the ports are closed, so that the stop requests reach the benches.
    for (int round = 0; round < 50; ++round) {
        bool pending = false;
        for (const auto& port : m_ports)
            if (port->Open() && port->GetOutBuffFree() < TApdComPort::BufferSize) pending = true;
        if (!pending) return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        Clock().Sleep(20);
    }
}

void TApp::FormClose() {
    if (m_closed) return;
    m_closed = true;
    FMessage->ShowText(QStringLiteral("Wait! Application is closing..."));
    // Closing flag, log file closed, stop request to every ticked bench with a second's wait after each.
    m_acq.Shutdown();
    for (TScreenSlot slot : ClosedAtShutdown)
        if (QWidget* screen = Screen(slot); screen && screen->isVisible()) screen->close();
    drainOutput();
    FMessage->close();
    for (int i = 0; i < 4; ++i) {
        setLights(i, false);
        if (m_ports[i]->Open()) m_ports[i]->SetOpen(false);
        m_acq.State.PortOpen[i] = false;
    }
    Timer6.stop();
}
