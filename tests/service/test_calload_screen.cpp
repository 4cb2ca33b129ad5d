// The calibration load and check screen in the program (shell over ports in memory): the menu entries
// with their modes and captions, the bench boxes, the file dialogs, and whole runs against a simulated
// bench wired to bench 1's port, with the parameter screen's re-read in between.
#include "cal_fixture.h"
#include "calload.h"
#include "fparams.h"
#include "sim_bench.h"
#include "ui_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

class TestCalLoadScreen : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString calPath;

    static TFCalLoad& screen(UiFixture& f) { return f.shell->CalLoad(); }

    // A simulated bench behind bench 1's port: requests go to it, its replies come back on the port.
    struct Rig {
        UiFixture f;
        SimBench sim{0};
        Rig() {
            sim.SkipStartUp();
            sim.SetWriter([this](const QByteArray& bytes) { f.ports[0]->Inject(bytes); });
            f.Tick({0});
            f.ClearWritten();
        }
        TFCalLoad& cal() { return f.shell->CalLoad(); }
        // Runs until the run ends: requests reach the bench at once, time passes in small steps.
        void run() {
            TCalLoadMachine& m = cal().Machine();
            for (int i = 0; i < 100000 && m.Running(); ++i) {
                const QByteArray out = f.Written(0);
                if (!out.isEmpty()) {
                    sim.Receive(out);
                    continue;
                }
                f.clock.clock.Advance(50);
                sim.Tick();
                cal().Timer1->Poll();
            }
            QVERIFY(!m.Running());
        }
    };

private slots:
    void initTestCase() {
        // The trace file is written to the working directory.
        QVERIFY(QDir::setCurrent(dir.path()));
        calPath = dir.filePath(QStringLiteral("X40417.CAL"));
        QVERIFY(calfixture::write(calPath, calfixture::text()));
    }

    void menuEntriesSetModeAndCaption() {
        UiFixture f;
        TFCalLoad& s = screen(f);
        QCOMPARE(s.windowTitle(), QStringLiteral("Cal Load"));
        QVERIFY(!s.isVisible());
        s.Edit1->setText(QStringLiteral("old"));
        f.app->MenuItem(QStringLiteral("CheckCalConstants1"))->trigger();
        QVERIFY(s.isVisible());
        QVERIFY(!s.LoadMode());
        QCOMPARE(s.windowTitle(), QStringLiteral("Check Calibration Parameters"));
        QVERIFY(s.Edit1->text().isEmpty());
        f.app->MenuItem(QStringLiteral("LoadcalConstants1"))->trigger();
        QVERIFY(s.LoadMode());
        QCOMPARE(s.windowTitle(), QStringLiteral("Load Calibration Parameters"));
        // Cancel hides the screen.
        s.CancelBtn->click();
        QVERIFY(!s.isVisible());
    }

    void benchBoxesFollowTheActiveBenches() {
        UiFixture f;
        TFCalLoad& s = screen(f);
        for (QCheckBox* box : s.BB)
            QVERIFY(!box->isEnabled());
        f.Tick({0, 2});
        QVERIFY(s.BB[0]->isEnabled() && s.BB[0]->isChecked());
        QVERIFY(s.BB[2]->isEnabled() && s.BB[2]->isChecked());
        QVERIFY(!s.BB[1]->isEnabled() && !s.BB[1]->isChecked());
        s.BB[0]->setChecked(false);
        f.Click(2); // bench 3 off: its box is disabled and keeps its mark; bench 1's is checked again
        QVERIFY(!s.BB[2]->isEnabled());
        QVERIFY(s.BB[2]->isChecked());
        QVERIFY(s.BB[0]->isChecked());
    }

    void openFileShowsTheName() {
        UiFixture f;
        TFCalLoad& s = screen(f);
        f.dialogs.dialogs.QueueFileName(calPath);
        s.OpenButton[1]->click();
        QCOMPARE(s.FileEdit[1]->text(), QStringLiteral("X40417.CAL"));
        QCOMPARE(s.Machine().CalFilePath(1), calPath);
        const ScriptedDialogs::Shown& shown = f.dialogs.dialogs.shown.last();
        QCOMPARE(shown.kind, QStringLiteral("open"));
        QCOMPARE(shown.caption, QStringLiteral("Select Cal File"));
        QCOMPARE(shown.text, QStringLiteral("VX30 Cal Files|*.CAL"));
        // A cancelled dialog keeps the file.
        s.OpenButton[1]->click();
        QCOMPARE(s.FileEdit[1]->text(), QStringLiteral("X40417.CAL"));
    }

    void loadThenCheckAgainstTheSimulatedBench() {
        Rig r;
        TFCalLoad& s = r.cal();
        r.f.dialogs.dialogs.QueueFileName(calPath);
        s.OpenButton[0]->click();
        r.f.app->MenuItem(QStringLiteral("LoadcalConstants1"))->trigger();
        s.OKBtn->click();
        QVERIFY(!s.OKBtn->isEnabled());
        r.run();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Download Successful, X714 1"));
        QVERIFY(s.OKBtn->isEnabled());
        QCOMPARE(r.sim.FlashParam(117), calfixture::spanText(0).toLatin1());
        QCOMPARE(r.sim.FlashParam(274), calfixture::coText(1).toLatin1());
        QCOMPARE(r.sim.FlashParam(154), calfixture::columnText(2).toLatin1());
        QFile trace(QStringLiteral("tryfile.txt"));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray bytes = trace.readAll();
        QVERIFY(bytes.startsWith("Started Download \r\neReadFileSerialNum \r\n"));
        QVERIFY(bytes.endsWith(
            "Store COPolyCoeff \r\n" + calfixture::coText(1).toLatin1() + "Store \r\n" +
            "CheckValues: numVals=20, fltVals[0]= 80.00, strngVals=" + calfixture::coText(1).toLatin1() +
            " \r\n" + calfixture::coText(1).toLatin1() + " Check 0 \r\n"));
        // The parameter screen showed every value read back.
        QVERIFY(r.f.shell->Parameters().Memo1->toPlainText().contains(QLatin1String("80.0,")));

        r.f.app->MenuItem(QStringLiteral("CheckCalConstants1"))->trigger();
        s.OKBtn->click();
        r.run();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Check Successful, X714 1"));

        // A parameter changed in flash fails the check.
        r.sim.SetRamParam(133, "1,2,3");
        TCommand store;
        store.Begin(0x54);
        store.Push16(0x7E51);
        store.Push16(133);
        r.sim.Receive(store.Frame());
        QCOMPARE(r.sim.FlashParam(133), QByteArray("1,2,3"));
        s.OKBtn->click();
        r.run();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Error, Bench 1"));
        QVERIFY(r.f.dialogs.dialogs.Messages().isEmpty());
    }

    void aRefusingBenchEndsInError() {
        Rig r;
        TFCalLoad& s = r.cal();
        r.sim.RefuseParam(117, 0x46);
        s.Machine().SetCalFilePath(0, calPath);
        r.f.app->MenuItem(QStringLiteral("LoadcalConstants1"))->trigger();
        s.OKBtn->click();
        r.run();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Error, Bench 1"));
        QVERIFY(r.f.app->AckNakEdit[0]->text().contains(QLatin1String("Invalid Parameter Number")));
    }

    void aFileProblemIsShownAfterTheStep() {
        Rig r;
        TFCalLoad& s = r.cal();
        s.Machine().SetCalFilePath(0, dir.filePath(QStringLiteral("missing.CAL")));
        r.f.app->MenuItem(QStringLiteral("LoadcalConstants1"))->trigger();
        s.OKBtn->click();
        QVERIFY(r.f.dialogs.dialogs.Messages().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(r.f.dialogs.dialogs.Messages(), QStringList{"missing.CAL: does not exist"});
        r.run();
        QCOMPARE(s.Edit1->text(), QStringLiteral("Error, Bench 1"));
    }

    void cancelEndsTheRunAtTheNextTimerEvent() {
        Rig r;
        TFCalLoad& s = r.cal();
        s.Machine().SetCalFilePath(0, calPath);
        r.f.app->MenuItem(QStringLiteral("LoadcalConstants1"))->trigger();
        s.OKBtn->click();
        QVERIFY(s.Machine().TraceOpen());
        s.CancelBtn->click();
        QVERIFY(!s.isVisible());
        QVERIFY(s.Machine().Running());
        r.f.clock.clock.Advance(500);
        s.Timer1->Poll();
        QVERIFY(!s.Machine().Running());
        QVERIFY(!s.Machine().TraceOpen());
        QCOMPARE(s.Edit1->text(), QStringLiteral("eCalLoadEnd"));
        QCOMPARE(s.Machine().LastResult(), TCalLoadResult::Cancelled);
    }
};

QTEST_MAIN(TestCalLoadScreen)
#include "test_calload_screen.moc"
