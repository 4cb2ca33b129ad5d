// The acquisition cycle: settings, start and stop requests on the wire, the row trigger, and the
// one-second timer with its time-out scan, automatic zero and console send.
#include "acq_fixture.h"
#include "captions.h"

#include <QSignalSpy>

class TestAcquisition : public QObject {
    Q_OBJECT

private slots:
    void startSendsDataCommandOnceToEveryOpenPort() {
        AcqRig rig(2);
        rig.a().StartBtnClick();
        const QByteArray start = requestFrame(0x01, {2, 0});
        QCOMPARE(rig.port(0).TakeWritten(), start);
        QCOMPARE(rig.port(1).TakeWritten(), start);
        QVERIFY(rig.a().Running);
        QVERIFY(rig.a().State.Enabled.StopBtn);
        QVERIFY(!rig.a().State.Enabled.StartBtn);
        QCOMPARE(rig.a().LastActive(), 1);
        QCOMPARE(rig.a().ActiveCount(), 2);
        rig.a().StartBtnClick();
        QVERIFY(rig.port(0).TakeWritten().isEmpty());
        QVERIFY(rig.port(1).TakeWritten().isEmpty());
    }

    // Benches 2 and 4 only: start and stop reach both, and nothing goes to the closed ports.
    void startAndStopReachBenchesThatAreNotTheFirst() {
        AcqRig rig(0);
        for (int i : {1, 3}) {
            rig.port(i).SetOpen(true);
            rig.a().State.PortOpen[i] = rig.a().State.BoxEnabled[i] = rig.a().State.BoxChecked[i] = true;
        }
        rig.a().RebuildTable();
        rig.a().StartBtnClick();
        rig.clearWritten();
        rig.a().StopBtnClick();
        for (int i : {1, 3})
            QCOMPARE(rig.port(i).TakeWritten(), hexBytes("02 03 01 00 00 FA"));
        for (int i : {0, 2})
            QVERIFY(rig.port(i).TakeWritten().isEmpty());
    }

    // A negative O2 from the wire, in a $01 or a $06 reply, is shown negative in the table.
    void negativeO2ReachesTheTable_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("$01") << int(Items::Data01) << data01(Gas{.o2 = -10});
        QTest::newRow("$06") << int(Items::Data06) << data01(Gas{.o2 = -10}) + QByteArray(14, '\0');
    }
    void negativeO2ReachesTheTable() {
        QFETCH(int, command);
        QFETCH(QByteArray, data);
        AcqRig rig(1);
        rig.a().State.Settings.CompDataRG = command;
        rig.a().OKBtnClick();
        rig.a().StartBtnClick();
        rig.reply(0, rig.a().DataCommandCode(), data);
        QCOMPARE(rig.bench(0).O2, -10);
        QCOMPARE(rig.a().Table().Cell(2, 4), QStringLiteral("  -0.10"));
    }

    void okTakesSettingsAfterStoppingWithTheOldCommand() {
        AcqRig rig(1);
        rig.a().State.Settings.CompDataRG = Items::Data44;
        rig.a().State.Settings.HCMode = Items::HCModeProp;
        rig.a().State.Settings.AveragingRadioGroup = Items::AverageStdev;
        rig.a().State.Settings.AverageEdit = QStringLiteral("6");
        rig.a().OKBtnClick();
        // The stop goes out with the command in use until now, and the HC flag read afresh.
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x01, {0, 1}));
        QCOMPARE(rig.a().DataCommandCode(), uint8_t(0x44));
        QCOMPARE(rig.a().AveragingMode(), Items::AverageStdev);
        QCOMPARE(rig.a().SamplesPerMean(), 6);
        rig.a().StartBtnClick();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x44, {2, 1}));
        rig.a().StopBtnClick();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x44, {0, 1}));
        QVERIFY(!rig.a().Running);
    }

    void okWithBlankOrBadSampleCount_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("samples");
        QTest::newRow("leading blank") << QStringLiteral(" 5") << true << 0;
        QTest::newRow("trailing blanks") << QStringLiteral("12   ") << true << 12;
        QTest::newRow("letters") << QStringLiteral("x1") << false << 4;
        QTest::newRow("empty") << QString() << false << 4;
    }
    void okWithBlankOrBadSampleCount() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, samples);
        AcqRig rig(1);
        rig.a().State.Settings.AverageEdit = text;
        rig.a().OKBtnClick();
        QCOMPARE(rig.a().SamplesPerMean(), samples);
        QCOMPARE(rig.dialogs.dialogs.Messages().size(), accepted ? 0 : 1);
        // A refused text changes nothing and sends nothing.
        QCOMPARE(rig.port(0).TakeWritten().isEmpty(), !accepted);
        if (text.startsWith(QLatin1Char(' ')))
            QCOMPARE(rig.a().State.Settings.AverageEdit, QStringLiteral("0"));
    }

    void startWithLoggingOnAndNoFile() {
        AcqRig rig(1);
        rig.a().State.Settings.Logging = Items::LoggingOn;
        rig.a().StartBtnClick();
        QCOMPARE(rig.dialogs.dialogs.Messages(), QStringList{QStringLiteral("You must open a LogFile!")});
        QCOMPARE(rig.dialogs.dialogs.shown.first().caption, QStringLiteral("Information"));
        QVERIFY(!rig.a().Running);
        QVERIFY(rig.port(0).TakeWritten().isEmpty());
    }

    void rowsArePacedByTheHighestActiveBench() {
        AcqRig rig(2);
        rig.a().StartBtnClick();
        TDataTable& t = rig.a().Table();
        rig.reply01(0, Gas{100});
        QCOMPARE(t.MeanRow, 1);
        rig.reply01(1, Gas{300});
        QCOMPARE(t.MeanRow, 2);
        QCOMPARE(t.Cell(2, 1), QStringLiteral("   1.00"));
        QCOMPARE(t.Cell(2, 6), QStringLiteral("   3.00"));
        rig.reply01(0, Gas{150});
        rig.reply01(0, Gas{170});
        QCOMPARE(t.MeanRow, 2);
        rig.reply01(1, Gas{310});
        QCOMPARE(t.MeanRow, 3);
        QCOMPARE(t.Cell(3, 1), QStringLiteral("   1.70"));
        for (int i = 0; i < 4; ++i)
            QVERIFY(!rig.bench(i).NewMainData);
    }

    void settingsClickStopsRowsWithoutStopRequest() {
        AcqRig rig(1);
        rig.a().StartBtnClick();
        rig.clearWritten();
        rig.reply01(0, Gas{});
        QCOMPARE(rig.a().Table().MeanRow, 2);
        rig.a().State.Settings.RelativeTime = true;
        rig.a().SettingsClick();
        QVERIFY(!rig.a().Running);
        QVERIFY(!rig.a().State.Enabled.StopBtn);
        QVERIFY(rig.port(0).TakeWritten().isEmpty());
        QCOMPARE(rig.a().Table().ColumnCount, 7);
        rig.reply01(0, Gas{}); // the bench goes on streaming; no row
        QCOMPARE(rig.a().Table().MeanRow, 1);
        rig.a().StartBtnClick();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x01, {2, 0}));
    }

    void benchTickedWhileRunningPacesOnlyAfterNextStart() {
        AcqRig rig(1);
        rig.a().StartBtnClick();
        rig.port(1).SetOpen(true);
        rig.a().State.PortOpen[1] = rig.a().State.BoxEnabled[1] = rig.a().State.BoxChecked[1] = true;
        rig.a().RebuildTable();
        QVERIFY(rig.a().Running);
        QCOMPARE(rig.a().LastActive(), 1);
        QVERIFY(rig.port(1).TakeWritten().isEmpty());
        rig.reply01(0, Gas{});
        QCOMPARE(rig.a().Table().MeanRow, 1);
    }

    void zeroButtonZeroesEveryOpenBench() {
        AcqRig rig(2);
        rig.a().State.Settings.ZeroRG = Items::ZeroManual;
        rig.a().ZeroBtnClick();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x02, {0}));
        QCOMPARE(rig.port(1).TakeWritten(), requestFrame(0x02, {0}));
    }

    void automaticZero_data() {
        QTest::addColumn<int>("status0");
        QTest::addColumn<int>("zeroRG");
        QTest::addColumn<bool>("sent");
        QTest::newRow("zero required") << 0x20 << Items::ZeroAuto << true;
        QTest::newRow("pump on, zero required") << 0x22 << Items::ZeroAuto << true;
        QTest::newRow("manual zero") << 0x20 << Items::ZeroManual << false;
        QTest::newRow("process running") << 0x30 << Items::ZeroAuto << false;
        QTest::newRow("start-up mode") << 0x60 << Items::ZeroAuto << false;
        QTest::newRow("no request") << 0x02 << Items::ZeroAuto << false;
    }
    void automaticZero() {
        QFETCH(int, status0);
        QFETCH(int, zeroRG);
        QFETCH(bool, sent);
        AcqRig rig(1);
        rig.a().State.Settings.ZeroRG = zeroRG;
        // Runs on the last decoded status, acquisition running or not.
        rig.bench(0).Status[0] = uint8_t(status0);
        rig.a().Timer6Timer();
        QCOMPARE(rig.port(0).TakeWritten(), sent ? requestFrame(0x02, {0}) : QByteArray());
    }

    void automaticZeroWaitsForThePreviousZero() {
        AcqRig rig(1);
        rig.bench(0).Status[0] = 0x20;
        rig.a().Timer6Timer();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x02, {0}));
        rig.clock.clock.Advance(1000);
        rig.a().Timer6Timer();
        QVERIFY(rig.port(0).TakeWritten().isEmpty());
        rig.reply(0, 0x02, QByteArray());
        QVERIFY(!rig.bench(0).Commands[0x02].Awaiting);
        rig.a().Timer6Timer();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x02, {0}));
        // A zero never answered times out, and the next tick asks again.
        rig.clock.clock.Advance(2100);
        rig.a().Timer6Timer();
        QCOMPARE(rig.bench(0).AckText, QStringLiteral("Zero O2 Span calibration  Timeout"));
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x02, {0}));
    }

    void automaticZeroOnlyOnTickedBoxes() {
        AcqRig rig(2);
        rig.a().State.BoxChecked[1] = false;
        rig.bench(0).Status[0] = rig.bench(1).Status[0] = 0x20;
        rig.a().Timer6Timer();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x02, {0}));
        QVERIFY(rig.port(1).TakeWritten().isEmpty());
    }

    void consoleSendGoesToTheSelectedBenchOnly() {
        AcqRig rig(2);
        QSignalSpy changed(&rig.a(), &TAcquisition::StateChanged);
        rig.bench(0).Status[0] = 0x20; // no automatic zero in a console tick
        rig.bench(1).CmdParams.PumpControl = 1;
        rig.a().State.ConsoleCommand = 0x07;
        rig.a().State.SelectedBench = 1;
        rig.a().State.ConsoleSendRequest = true;
        rig.a().Timer6Timer();
        QVERIFY(rig.port(0).TakeWritten().isEmpty());
        QCOMPARE(rig.port(1).TakeWritten(), requestFrame(0x07, {1}));
        QVERIFY(!rig.a().State.ConsoleSendRequest);
        QVERIFY(changed.count() >= 1);
    }

    void consoleCodeWithoutRequestIsNotSent() {
        AcqRig rig(1);
        rig.a().State.ConsoleCommand = 0x47;
        rig.a().State.SelectedBench = 0;
        rig.a().State.ConsoleSendRequest = true;
        rig.a().Timer6Timer();
        QVERIFY(rig.port(0).TakeWritten().isEmpty());
        QVERIFY(!rig.a().State.ConsoleSendRequest);
    }

    void softResetTimeoutHeldBackTenTicks() {
        AcqRig rig(1);
        rig.a().State.ConsoleCommand = 0xF0;
        rig.a().State.SelectedBench = 0;
        rig.a().State.ConsoleSendRequest = true;
        rig.a().Timer6Timer();
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0xF0));
        QCOMPARE(rig.benches->SoftResetGrace, 10);
        rig.bench(0).Status[0] = 0x20; // a held-back tick also skips the automatic zero
        rig.clock.clock.Advance(2100);
        for (int tick = 1; tick <= 10; ++tick) {
            rig.a().Timer6Timer();
            QVERIFY2(rig.bench(0).AckText.isEmpty(), qPrintable(QString::number(tick)));
            QVERIFY(rig.port(0).TakeWritten().isEmpty());
            rig.clock.clock.Advance(1000);
        }
        rig.a().Timer6Timer();
        QCOMPARE(rig.bench(0).AckText, QStringLiteral("Soft Reset  Timeout"));
        QCOMPARE(rig.bench(0).AckError, 1);
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x02, {0}));
    }

    void timerIdleWhileClosingOrFirmwareScreenShown() {
        for (bool closing : {true, false}) {
            AcqRig rig(1);
            rig.a().State.Closing = closing;
            rig.a().State.FirmwareScreenVisible = !closing;
            rig.bench(0).Status[0] = 0x20;
            rig.a().State.ConsoleCommand = 0x04;
            rig.a().State.SelectedBench = 0;
            rig.a().State.ConsoleSendRequest = true;
            rig.a().Timer6Timer();
            QVERIFY(rig.port(0).TakeWritten().isEmpty());
            QVERIFY(rig.a().State.ConsoleSendRequest);
        }
    }

    void hostAnswersFromTheWindowState() {
        AcqRig rig(2);
        rig.a().State.BoxChecked[1] = false;
        rig.a().State.ConsoleCommand = 0x05;
        QVERIFY(rig.host.BenchBoxActive(0));
        QVERIFY(!rig.host.BenchBoxActive(1));
        QCOMPARE(rig.host.ConsoleCommand(), uint8_t(0x05));
        QVERIFY(!rig.host.StopBtnEnabled());
        rig.a().StartBtnClick();
        QVERIFY(rig.host.StopBtnEnabled());
        QCOMPARE(rig.a().State.Caption, TitleCaption());
        QCOMPARE(TitleCaption(),
                 QStringLiteral("KT2093 Application Program for Type X714, Rev 1.01, 17/01/2013"));
    }

    void shutdownStopsEveryTickedBenchAndClosesTheLog() {
        AcqRig rig(2);
        rig.a().NewFile(rig.path(QStringLiteral("run.LOG")));
        rig.a().StartBtnClick();
        rig.clearWritten();
        const qint64 before = rig.clock.clock.Seconds();
        rig.a().Shutdown();
        QVERIFY(rig.a().State.Closing);
        QVERIFY(!rig.a().Log().LogOpen());
        QCOMPARE(rig.port(0).TakeWritten(), requestFrame(0x01, {0, 0}));
        QCOMPARE(rig.port(1).TakeWritten(), requestFrame(0x01, {0, 0}));
        QVERIFY(rig.clock.clock.Seconds() >= before + 2);
        // Bytes arriving now are not handled.
        rig.reply01(1, Gas{});
        QVERIFY(!rig.bench(1).NewMainData);
    }
};

QTEST_GUILESS_MAIN(TestAcquisition)
#include "test_acquisition.moc"
