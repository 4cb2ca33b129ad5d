// The main window over ports in memory: start-up probe and menus, bench activation and its failure,
// captions, acquisition buttons bound to the core, acknowledgement lines, serial input and shutdown.
#include "captions.h"
#include "commnt.h"
#include "file_size_limit.h"
#include "message.h"
#include "paths.h"
#include "radio_group.h"
#include "status_light.h"
#include "title.h"
#include "ui_fixture.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {
const QString StartCaption = QStringLiteral("KT2093 Application Program for Type X714, Rev 1.01, 17/01/2013");

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool visibleInMenu(QAction* action) {
    return action && action->isVisible();
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(DriveCPath(QStringLiteral("eng.Ok"))); }

    void withoutComDevicesEveryBoxIsDisabledAndTheTableEmpty() {
        UiFixture f({1, 2, 3, 4});
        for (QCheckBox* box : f.app->ActiveBench) {
            QVERIFY(!box->isEnabled());
            QVERIFY(!box->isChecked());
            QVERIFY2(box->toolTip().contains(QLatin1String("no such device")), qPrintable(box->toolTip()));
        }
        QCOMPARE(f.app->Acquisition().Table().ColumnCount, 0);
        for (int c = 0; c < f.app->Grid->model()->columnCount(); ++c)
            QVERIFY(f.Cell(0, c).isEmpty());
        QVERIFY(f.dialogs.dialogs.shown.isEmpty());
    }

    void startState() {
        UiFixture f({3});
        TApp& app = *f.app;
        QCOMPARE(app.windowTitle(), StartCaption);
        QVERIFY(app.ActiveBench[0]->isEnabled());
        QVERIFY(!app.ActiveBench[2]->isEnabled());
        for (int i = 0; i < 4; ++i) {
            QVERIFY(!app.PortOpen(i));
            QVERIFY(!app.ApdStatusLight[2 * i]->Monitoring());
        }
        QVERIFY(app.StartBtn->isEnabled());
        QVERIFY(!app.StopBtn->isEnabled());
        QVERIFY(!app.CommentBtn->isEnabled());
        QVERIFY(!app.Logging->isEnabled());
        QCOMPARE(app.Logging->ItemIndex(), Items::LoggingOff);
        QVERIFY(!app.DataRadio->isEnabled());
        QVERIFY(!app.AcceptBtn->isEnabled());
        QCOMPARE(app.AverageEdit->text(), QStringLiteral("4"));
        QVERIFY(app.TimeStamp->isChecked());
        QVERIFY(app.GasConcentration->isChecked());
        QVERIFY(!app.RelativeTime->isChecked());
        QVERIFY(app.StartBtn->toolTip() == QLatin1String("To enable Start Btn, press OK Btn first"));
        // Operators see neither the hidden settings nor the engineering and service menus.
        QVERIFY(app.HistoryBtn->isHidden());
        QVERIFY(app.CompDataRG->isHidden());
        QVERIFY(app.Offset->isHidden());
        QVERIFY(!app.findChild<QMenu*>(QStringLiteral("CustomerServiceCommands"))->menuAction()->isVisible());
        QVERIFY(!app.findChild<QMenu*>(QStringLiteral("VelmarServiceScreens1"))->menuAction()->isVisible());
        QVERIFY(app.findChild<QMenu*>(QStringLiteral("CustomerServiceCommands"))->title() ==
                QLatin1String("Engineering Bench  Commands"));
        QVERIFY(visibleInMenu(app.MenuItem(QStringLiteral("F0SoftReset1"))));
        QVERIFY(!visibleInMenu(app.MenuItem(QStringLiteral("N0BLeakCheck1"))));
        QVERIFY(!visibleInMenu(app.MenuItem(QStringLiteral("GeneralHelp2"))));
        QCOMPARE(app.MenuItem(QStringLiteral("N02ZeroO2SpanCalibration1"))->text(),
                 QStringLiteral("Zero / O2 Span Calibration "));
        QVERIFY(app.Grid->model()->columnCount() >= 64);
    }

    void engineeringMarkerShowsTheEngineeringItems_data() {
        QTest::addColumn<bool>("marker");
        QTest::newRow("no marker") << false;
        QTest::newRow("eng.Ok") << true;
    }
    void engineeringMarkerShowsTheEngineeringItems() {
        QFETCH(bool, marker);
        if (marker) {
            QFile f(DriveCPath(QStringLiteral("eng.Ok")));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        UiFixture f;
        QCOMPARE(f.app->EngineeringAllowed(), marker);
        for (const char* name :
             {"N41EngineeringStatus1", "N56StoreDefaults1", "N57ResetToDefaults1", "EngineeringStatus1"})
            QCOMPARE(visibleInMenu(f.app->MenuItem(QLatin1String(name))), marker);
        QVERIFY(visibleInMenu(f.app->MenuItem(QStringLiteral("N44EngineeringDataStatus1"))));
    }

    void serviceModeShowsHiddenMenusAndControls() {
        UiFixture f;
        f.app->SetServiceMode(true);
        QVERIFY(
            f.app->findChild<QMenu*>(QStringLiteral("CustomerServiceCommands"))->menuAction()->isVisible());
        QVERIFY(f.app->findChild<QMenu*>(QStringLiteral("VelmarServiceScreens1"))->menuAction()->isVisible());
        for (QWidget* w : {static_cast<QWidget*>(f.app->HistoryBtn), static_cast<QWidget*>(f.app->TitleBtn),
                           static_cast<QWidget*>(f.app->CompDataRG), static_cast<QWidget*>(f.app->Pef)})
            QVERIFY(!w->isHidden());
        // The marker still decides the engineering-only items.
        QVERIFY(!visibleInMenu(f.app->MenuItem(QStringLiteral("N56StoreDefaults1"))));
    }

    void tickingOpensPortsAndLaysOutTheirColumns() {
        UiFixture f;
        f.Tick({0, 1});
        QVERIFY(f.ports[0]->Open());
        QVERIFY(f.ports[1]->Open());
        QVERIFY(!f.ports[2]->Open());
        QVERIFY(f.app->ApdStatusLight[0]->Monitoring());
        QVERIFY(f.app->ApdStatusLight[3]->Monitoring());
        QVERIFY(!f.app->ApdStatusLight[4]->Monitoring());
        // Time stamp and five gas columns per bench.
        QCOMPARE(f.app->Acquisition().Table().ColumnCount, 11);
        QCOMPARE(f.Cell(0, 0), QStringLiteral("    Time     "));
        f.Click(1);
        QVERIFY(!f.ports[1]->Open());
        QVERIFY(!f.app->ApdStatusLight[3]->Monitoring());
        QCOMPARE(f.app->Acquisition().Table().ColumnCount, 6);
    }

    void tickingADeviceHeldElsewhereDisablesTheBoxSilently() {
        UiFixture f;
        MemoryComPort::SetDevice(2, MemoryComPort::Device::Busy);
        f.Click(1);
        QCheckBox* box = f.app->ActiveBench[1];
        QVERIFY(!box->isChecked());
        QVERIFY(!box->isEnabled());
        QVERIFY2(box->toolTip().contains(QLatin1String("busy")), qPrintable(box->toolTip()));
        QVERIFY(!f.app->PortOpen(1));
        QVERIFY(!f.ports[1]->Open());
        QVERIFY(!f.app->ApdStatusLight[2]->Monitoring());
        QVERIFY(f.dialogs.dialogs.shown.isEmpty());
        // The timer and time-out scan no longer count the bench.
        QVERIFY(!f.app->BenchBoxActive(1));
        // Another bench is not affected.
        f.Click(0);
        QVERIFY(f.app->PortOpen(0));
    }

    void captions_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected"); // %1 = the log file's path
        QTest::newRow("new file keeps the caption") << "new" << StartCaption;
        QTest::newRow("append") << "append"
                                << "KT2093 Application Program for Type X714, Rev 1.01 - %1";
        QTest::newRow("close") << "new close"
                               << "KT2093 Application Program for Type X714, Rev 1.01";
        QTest::newRow("logging on") << "new on" << StartCaption + " - %1";
        QTest::newRow("logging off") << "new on off" << StartCaption;
        QTest::newRow("title") << "title" << StartCaption + ", Computer:";
        QTest::newRow("title with logging on") << "new on title" << StartCaption + " - %1, Computer:";
        QTest::newRow("logging after title") << "title new on" << StartCaption + " - %1Computer:";
    }
    void captions() {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("RUN.LOG"));
        UiFixture f;
        TApp& app = *f.app;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("new")) {
                f.dialogs.dialogs.QueueFileName(path);
                app.MenuItem(QStringLiteral("NewFile"))->trigger();
            } else if (step == QLatin1String("append")) {
                QFile(path).open(QIODevice::WriteOnly);
                f.dialogs.dialogs.QueueFileName(path);
                app.MenuItem(QStringLiteral("Appendtofile1"))->trigger();
            } else if (step == QLatin1String("close")) {
                app.MenuItem(QStringLiteral("CloseFile1"))->trigger();
            } else if (step == QLatin1String("on")) {
                app.Logging->ClickItem(Items::LoggingOn);
            } else if (step == QLatin1String("off")) {
                app.Logging->ClickItem(Items::LoggingOff);
            } else if (step == QLatin1String("title")) {
                app.TitleBtnClick();
                QVERIFY(app.FTitle->isVisible());
                app.FTitle->OKBtn->click();
                QVERIFY(!app.FTitle->isVisible());
            }
        }
        QCOMPARE(app.windowTitle(), expected.contains(QLatin1String("%1")) ? expected.arg(path) : expected);
        if (steps.contains(QLatin1String("title")))
            QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Computer:"));
        QVERIFY(f.dialogs.dialogs.Messages().isEmpty());
    }

    void logMenuEnablesCommentAndLogging() {
        QTemporaryDir dir;
        UiFixture f;
        f.dialogs.dialogs.QueueFileName(dir.filePath(QStringLiteral("A.LOG")));
        f.app->MenuItem(QStringLiteral("NewFile"))->trigger();
        QVERIFY(f.app->CommentBtn->isEnabled());
        QVERIFY(f.app->Logging->isEnabled());
        QCOMPARE(f.dialogs.dialogs.shown.first().text, QStringLiteral("Log Files|*.LOG"));
        f.app->Logging->ClickItem(Items::LoggingOn);
        QVERIFY(f.app->DataRadio->isEnabled());
        f.app->DataRadio->ClickItem(Items::DataManual);
        QVERIFY(f.app->AcceptBtn->isEnabled());
        f.app->MenuItem(QStringLiteral("CloseFile1"))->trigger();
        QVERIFY(!f.app->CommentBtn->isEnabled());
        QVERIFY(!f.app->Logging->isEnabled());
        QCOMPARE(f.app->Logging->ItemIndex(), Items::LoggingOn);
        // A file left with logging on makes the next start fail until a file is opened.
        f.app->StartBtn->click();
        QCOMPARE(f.dialogs.dialogs.Messages(), QStringList{QStringLiteral("You must open a LogFile!")});
        QVERIFY(f.app->StartBtn->isEnabled());
    }

    void startTwiceSendsOnce() {
        UiFixture f;
        f.Tick({0});
        f.ClearWritten();
        f.app->StartBtn->click();
        QVERIFY(!f.app->StartBtn->isEnabled());
        QVERIFY(f.app->StopBtn->isEnabled());
        // A second start (the button is disabled; the handler is called as a second event would).
        f.app->StartBtnClick();
        QCOMPARE(f.Written(0), UiFixture::DataFrame(0x01, 2));
    }

    void settingsAndDataCommandReachTheBench() {
        UiFixture f;
        f.app->SetServiceMode(true);
        f.Tick({0});
        f.app->CompDataRG->ClickItem(Items::Data44);
        f.app->HCMode->ClickItem(Items::HCModeProp);
        f.app->AveragingRadioGroup->ClickItem(Items::AverageMean);
        f.app->AverageEdit->setText(QStringLiteral("2"));
        f.ClearWritten();
        f.app->OKBtn->click();
        // "OK" stops the old stream first, with the HC flag the box shows now.
        QCOMPARE(f.Written(0), UiFixture::DataFrame(0x01, 0, true));
        QCOMPARE(f.app->Acquisition().SamplesPerMean(), 2);
        QCOMPARE(f.app->Acquisition().AveragingMode(), Items::AverageMean);
        f.app->StartBtn->click();
        QCOMPARE(f.Written(0), UiFixture::DataFrame(0x44, 2, true));
        // A column box stops row building without a stop request.
        f.app->RelativeTime->click();
        QVERIFY(f.app->StartBtn->isEnabled());
        QVERIFY(!f.app->StopBtn->isEnabled());
        QVERIFY(f.Written(0).isEmpty());
        QCOMPARE(f.app->Acquisition().Table().RelTimeColumn, 1);
    }

    void stopWritesAnEmptyLineWithLoggingOff() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("STOP.LOG"));
        UiFixture f;
        f.Tick({0});
        f.dialogs.dialogs.QueueFileName(path);
        f.app->NewFileClick();
        f.app->StartBtn->click();
        f.ClearWritten();
        f.app->StopBtn->click();
        QCOMPARE(f.Written(0), UiFixture::DataFrame(0x01, 0));
        const QList<QByteArray> lines = readFile(path).split('\n');
        // Creation note, the empty line, and nothing after the last line end.
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("MainLogfile " + path.toLocal8Bit() + " created "));
        QCOMPARE(lines[1], QByteArray("\r"));
    }

    void dataRepliesBuildRowsAndAcknowledgementLines() {
        UiFixture f;
        f.clock.clock.SetTexts(QStringLiteral("01/02/2026"), QStringLiteral("10:20:30"));
        f.Tick({0});
        f.app->StartBtn->click();
        f.ports[0]->Inject(UiFixture::DataReply(1234, 567, 89, 2090, 12));
        QCOMPARE(f.Cell(2, 0), QStringLiteral("10:20:30  "));
        QCOMPARE(f.Cell(2, 1), QStringLiteral("  12.34"));
        QCOMPARE(f.app->AckNakEdit[0]->text(), QStringLiteral("Data Status  ACK"));
        QCOMPARE(f.app->AckNakEdit[0]->palette().color(QPalette::Text), QColor(Qt::black));
        f.ports[0]->Inject(UiFixture::DataReply(1300, 567, 89, 2090, 12));
        QCOMPARE(f.Cell(3, 1), QStringLiteral("  13.00"));

        // A refusal turns the line red; another bench's line stays as it was.
        f.app->ZeroBtn->click();
        f.ports[0]->Inject(UiFixture::Packet(0x15, 0x02, QByteArray(1, '\x01')));
        QCOMPARE(f.app->AckNakEdit[0]->text(),
                 QStringLiteral("Zero O2 Span calibration  NAK  : Illegal data value"));
        QCOMPARE(f.app->AckNakEdit[0]->palette().color(QPalette::Text), QColor(Qt::red));
        QVERIFY(f.app->AckNakEdit[1]->text().isEmpty());

        // A bench that falls silent is reported by the one-second timer.
        f.clock.clock.Advance(2100);
        f.app->Timer6Timer();
        QCOMPARE(f.app->AckNakEdit[0]->text(), QStringLiteral("Data Status  Timeout"));
        QCOMPARE(f.app->AckNakEdit[0]->palette().color(QPalette::Text), QColor(Qt::red));
    }

    void automaticZeroFollowsTheZeroSwitch() {
        UiFixture f;
        f.Tick({0});
        f.app->StartBtn->click();
        f.ports[0]->Inject(UiFixture::DataReply(0, 0, 0, 2090, 0, 0x20)); // zero required
        f.ClearWritten();
        f.app->ZeroRG->ClickItem(Items::ZeroManual);
        f.app->Timer6Timer();
        QVERIFY(f.Written(0).isEmpty());
        f.app->ZeroRG->ClickItem(Items::ZeroAuto);
        f.app->Timer6Timer();
        QCOMPARE(f.Written(0).at(2), char(0x02));
    }

    void untickingABenchWhileRunning() {
        UiFixture f;
        f.Tick({0, 1});
        f.app->StartBtn->click();
        f.ClearWritten();
        f.Click(1);
        QVERIFY(!f.ports[1]->Open());
        QVERIFY(!f.app->PortOpen(1));
        // The table is rebuilt for bench 1 alone; acquisition goes on, and no request is sent.
        QCOMPARE(f.app->Acquisition().Table().ColumnCount, 6);
        QCOMPARE(f.app->Acquisition().Table().LastActive, 0);
        QVERIFY(f.app->StopBtn->isEnabled());
        QVERIFY(f.app->Acquisition().Running);
        QVERIFY(f.Written(0).isEmpty());
        f.ports[0]->Inject(UiFixture::DataReply(500, 0, 0, 2090, 0));
        QCOMPARE(f.Cell(2, 1), QStringLiteral("   5.00"));
    }

    void aReopenedPortStartsFramingAfresh() {
        // Half a packet from before the port was closed is not framed together with the new bytes.
        UiFixture f;
        f.Tick({0});
        f.app->Benches()[0].SendSystemIdRequest();
        f.ports[0]->Inject(UiFixture::Packet(0x06, 0x04, QByteArray(34, 'A')).left(20));
        f.Click(0);
        f.Click(0);
        f.app->Benches()[0].SendPressureData();
        f.ports[0]->Inject(UiFixture::Packet(0x06, 0x16, QByteArray::fromHex("000100020003")));
        QCOMPARE(f.app->AckNakEdit[0]->text(), QStringLiteral("Pressure Data  ACK"));
        QCOMPARE(f.app->Benches()[0].AmbPressure, 3.0f);
    }

    // The disk fills while logging: one box names the file and the reason, and the window looks as
    // after "Close File" while acquisition goes on.
    void logWriteFailureClosesTheLog() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("RUN.LOG"));
        UiFixture f;
        f.Tick({0});
        f.dialogs.dialogs.QueueFileName(path);
        f.app->NewFileClick();
        f.app->Logging->ClickItem(Items::LoggingOn);
        f.app->StartBtn->click();
        QCOMPARE(f.app->windowTitle(), StartCaption + " - " + path);
        {
            FileSizeLimit limit(rlim_t(QFileInfo(path).size()));
            QVERIFY(limit.Ok());
            f.ports[0]->Inject(UiFixture::DataReply(500, 0, 0, 2090, 0));
            f.ports[0]->Inject(UiFixture::DataReply(600, 0, 0, 2090, 0));
        }
        QCOMPARE(f.dialogs.dialogs.Messages(),
                 QStringList{"Cannot write to " + path + ": " + qt_error_string(EFBIG) +
                             ". The log file was closed."});
        QCOMPARE(f.dialogs.dialogs.shown.last().caption, QStringLiteral("Information"));
        QCOMPARE(f.app->windowTitle(), QStringLiteral("KT2093 Application Program for Type X714, Rev 1.01"));
        QVERIFY(!f.app->CommentBtn->isEnabled());
        QVERIFY(!f.app->Logging->isEnabled());
        QVERIFY(f.app->StopBtn->isEnabled());
        QCOMPARE(f.Cell(3, 1), QStringLiteral("   6.00"));
    }

    // A device that goes away is reported on its line at once, and its box is unticked, which closes
    // the port; the other bench streams on and can be ticked again later.
    void lostDeviceIsShownAndItsBoxUnticked() {
        UiFixture f;
        f.Tick({0, 1});
        f.app->StartBtn->click();
        f.ports[1]->LoseDevice(QStringLiteral("Input/output error"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(f.app->AckNakEdit[1]->text(), QStringLiteral("Device lost: Input/output error"));
        QCOMPARE(f.app->AckNakEdit[1]->palette().color(QPalette::Text), QColor(Qt::red));
        QVERIFY(!f.app->ActiveBench[1]->isChecked());
        QVERIFY(f.app->ActiveBench[1]->isEnabled());
        QVERIFY(!f.ports[1]->Open());
        QVERIFY(!f.app->PortOpen(1));
        QCOMPARE(f.app->Acquisition().Table().LastActive, 0);
        f.ports[0]->Inject(UiFixture::DataReply(500, 0, 0, 2090, 0));
        QCOMPARE(f.Cell(2, 1), QStringLiteral("   5.00"));
        QVERIFY(f.dialogs.dialogs.Messages().isEmpty());
        f.Click(1);
        QVERIFY(f.ports[1]->Open());
    }

    void acknowledgedSoftResetUnticksEveryBench() {
        UiFixture f;
        f.Tick({0, 1});
        bool portsClosedWhenShown = false;
        f.dialogs.dialogs.SetOnMessage(
            [&] { portsClosedWhenShown = !f.ports[0]->Open() && !f.ports[1]->Open(); });
        f.app->Benches()[0].SendSoftReset();
        f.ports[0]->Inject(UiFixture::Packet(0x06, 0xF0, {}));
        for (int i = 0; i < 4; ++i) {
            QVERIFY(!f.app->ActiveBench[i]->isChecked());
            QVERIFY(!f.ports[i]->Open());
        }
        QCOMPARE(f.dialogs.dialogs.shown.size(), 1);
        const ScriptedDialogs::Shown& box = f.dialogs.dialogs.shown[0];
        QCOMPARE(
            box.text,
            QStringLiteral(
                "Multi Gas Monitor X714 has been disconnected\nPlease reselect a COM port for the X714"));
        QCOMPARE(box.caption, QStringLiteral("Warning"));
        QCOMPARE(box.icon, IDialogs::Icon::Warning);
        QVERIFY(portsClosedWhenShown);
        // The boxes can be ticked again.
        f.Click(0);
        QVERIFY(f.ports[0]->Open());
    }

    void bytesAreLeftUnreadOnceClosingHasBegun() {
        UiFixture f;
        f.Tick({0});
        f.app->Acquisition().State.Closing = true;
        f.ports[0]->Inject(UiFixture::Packet(0x06, 0x04, {}));
        QVERIFY(f.ports[0]->GetInBuffUsed() > 0);
        QVERIFY(f.app->AckNakEdit[0]->text().isEmpty());
    }

    void shutdownStopsEveryActiveBench() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("END.LOG"));
        UiFixture f({4});
        f.Tick({0, 1, 2});
        f.dialogs.dialogs.QueueFileName(path);
        f.app->NewFileClick();
        f.app->StartBtn->click();
        f.ClearWritten();
        const qint64 before = f.clock.clock.Seconds();
        QCOMPARE(f.app->ExitBtn->text(), QStringLiteral("E&xit"));
        f.app->ExitBtn->click();
        QVERIFY(f.app->Closing());
        QCOMPARE(f.app->FMessage->Memo1->toPlainText(), QStringLiteral("Wait! Application is closing..."));
        QVERIFY(!f.app->FMessage->isVisible());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(f.Written(i), UiFixture::DataFrame(0x01, 0));
            QVERIFY(!f.ports[i]->Open());
            QVERIFY(!f.app->ApdStatusLight[2 * i]->Monitoring());
        }
        // One second's wait after each stop request.
        QVERIFY(f.clock.clock.Seconds() - before >= 3);
        QVERIFY(!f.app->Acquisition().Log().LogOpen());
        // Logging was off: the file keeps its creation note alone.
        const QByteArray log = readFile(path);
        QVERIFY(log.startsWith("MainLogfile "));
        QCOMPARE(log.count('\n'), 1);
        QVERIFY(f.dialogs.dialogs.shown.size() == 1); // the save dialog, no box
    }

    void consoleItemsStoreTheirCommand() {
        UiFixture f;
        // Screens that do not exist yet leave their items disabled; the console's are enabled once it
        // joins, and disabled again when it leaves.
        QCOMPARE(f.app->MenuItem(QStringLiteral("BenchUpgrade1"))->isEnabled(),
                 f.app->Screen(TScreenSlot::Upgrade) != nullptr);
        QVERIFY(f.app->MenuItem(QStringLiteral("N04SystemId1"))->isEnabled());
        f.app->JoinScreen(TScreenSlot::Cmds, nullptr, nullptr);
        QVERIFY(!f.app->MenuItem(QStringLiteral("N04SystemId1"))->isEnabled());
        QVERIFY(!f.app->MenuItem(QStringLiteral("D4ChangeCommandSet1"))->isEnabled());

        QWidget console;
        int shows = 0;
        struct ShowCounter : QObject {
            int* shows;
            explicit ShowCounter(int* s) : shows(s) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Show) ++*shows;
                return false;
            }
        } counter(&shows);
        console.installEventFilter(&counter);
        f.app->JoinScreen(TScreenSlot::Cmds, &console, nullptr);
        f.app->MenuItem(QStringLiteral("N04SystemId1"))->trigger();
        QCOMPARE(f.app->ConsoleCommand(), uint8_t(0x04));
        QCOMPARE(shows, 1);
        f.app->MenuItem(QStringLiteral("D4ChangeCommandSet1"))->trigger();
        QCOMPARE(f.app->ConsoleCommand(), uint8_t(0xD4));
        // Closed and shown again, so that it lays itself out for the new command.
        QCOMPARE(shows, 2);
        f.app->JoinScreen(TScreenSlot::Cmds, nullptr, nullptr);
    }

    void joinedScreensAreRefreshedInOrder() {
        struct Probe : IBenchSelectorScreen {
            Probe(QStringList* log, QString name) : log(log), name(std::move(name)) {}
            QStringList* log;
            QString name;
            void RefreshBenchSelector() override { log->append(name); }
        };
        UiFixture f;
        QStringList log;
        QWidget console, graph;
        Probe cmds(&log, QStringLiteral("cmds")), graph1(&log, QStringLiteral("graph1"));
        f.app->JoinScreen(TScreenSlot::Cmds, &console, &cmds);
        f.app->JoinScreen(TScreenSlot::Graph1, &graph, &graph1);
        QCOMPARE(log, (QStringList{QStringLiteral("cmds"), QStringLiteral("graph1")}));
        log.clear();
        f.Click(0);
        QCOMPARE(log, (QStringList{QStringLiteral("graph1"), QStringLiteral("cmds")}));
        QVERIFY(f.app->MenuItem(QStringLiteral("Graphics1"))->isEnabled());
        log.clear();
        f.app->MenuItem(QStringLiteral("Graphics1"))->trigger();
        QCOMPARE(log, QStringList{QStringLiteral("graph1")});
        QVERIFY(graph.isVisible());
        f.app->MenuItem(QStringLiteral("N07PumpOnOff1"))->trigger();
        QVERIFY(console.isVisible());
        f.app->JoinScreen(TScreenSlot::Cmds, nullptr, nullptr);
        f.app->JoinScreen(TScreenSlot::Graph1, nullptr, nullptr);
    }

    void tableHeightDecidesTheRows() {
        UiFixture f;
        f.app->resize(890, 592);
        f.app->show();
        f.app->ClearBtn->click();
        const int expected = std::max(f.app->Grid->height() / 16 - 1, 14);
        QCOMPARE(f.app->Acquisition().Table().RowCount, expected);
        QCOMPARE(f.app->Grid->model()->rowCount(), expected);
        f.app->resize(890, 900);
        f.app->ClearBtn->click();
        QVERIFY(f.app->Acquisition().Table().RowCount > expected);
    }

    void anEmptyTableFillsTheGridWithoutARebuild() {
        // Shown or resized before the first row, the table takes the grid's rows at once: no blank
        // band under it until something rebuilds it.
        UiFixture f;
        f.app->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.app));
        f.app->resize(890, 900);
        QCoreApplication::processEvents();
        QCOMPARE(f.app->Acquisition().Table().RowCount, std::max(f.app->Grid->height() / 16 - 1, 14));
        // Once rows are written, a resize leaves them alone.
        f.Tick({0});
        f.app->StartBtn->click();
        f.app->StopBtn->click();
        f.app->StartBtn->click();
        f.ports[0]->Inject(UiFixture::DataReply(500, 0, 0, 2090, 0));
        const int rows = f.app->Acquisition().Table().RowCount;
        f.app->StopBtn->click();
        f.app->resize(890, 700);
        QCoreApplication::processEvents();
        QCOMPARE(f.app->Acquisition().Table().RowCount, rows);
        QCOMPARE(f.Cell(2, 1), QStringLiteral("   5.00"));
    }

    void enterInTheNumberOfSamplesAppliesTheSettings() {
        UiFixture f;
        f.Tick({0});
        f.app->AveragingRadioGroup->ClickItem(1);
        f.app->AverageEdit->setText(QString());
        QTest::keyClicks(f.app->AverageEdit, QStringLiteral("2"));
        f.ClearWritten();
        QTest::keyClick(f.app->AverageEdit, Qt::Key_Return);
        QCOMPARE(f.app->Acquisition().SamplesPerMean(), 2);
        QCOMPARE(f.app->Acquisition().AveragingMode(), 1);
        // As OK: the stop request went to the active bench.
        QCOMPARE(f.Written(0), UiFixture::DataFrame(0x01, 0));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
