// The raw IR view and the IR data log in the whole program (TShell over ports in memory): the
// requests of Start and Stop, cycles on the chart, One Shot, the channel boxes, the cycle layout
// entries, the log file and the "Collected IR data" list, and closing while logging.
#include "bench_selector.h"
#include "chart.h"
#include "firgraph.h"
#include "firlog.h"
#include "hist_ir.h"
#include "ir_packets.h"
#include "radio_group.h"
#include "ui_fixture.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray rawIrFrame(uint8_t code, uint8_t rate) {
    TCommand cmd;
    cmd.Begin(code);
    cmd.Push(rate);
    return cmd.Frame();
}

// Samples that tell cycles apart: the packet number is part of every value.
int16_t cycleSample(int number, int point, int channel) {
    return int16_t(100 * (number / 4) + 4 * point + channel - 50);
}

struct RawIrFixture : UiFixture {
    int next = 0; // counts the replies; the packet number is its low byte

    RawIrFixture() {
        Tick({0});
        app->MenuItem(QStringLiteral("RawIR1"))->trigger();
        ClearWritten();
    }
    TRawIR& view() { return shell->RawIr(); }
    TIRLog& log() { return shell->IrLog(); }
    QListWidget* list() { return app->fHist_ir->ListBox1; }
    void start() {
        view().Start->click();
        ClearWritten();
    }
    // One reply of the raw IR stream from bench `bench`.
    void packet(int bench = 0, uint8_t code = 0x40) {
        const int number = next++;
        ports[bench]->Inject(irWirePacket(code, uint8_t(number), 25, 4,
                                          [number](int, int s, int c) { return cycleSample(number, s, c); }));
    }
    void cycles(int n) {
        for (int i = 0; i < 4 * n; ++i)
            packet();
    }
    QString openLog(const QString& path) {
        dialogs.dialogs.QueueFileName(path);
        log().Open1->trigger();
        log().LoggingOnChk->setChecked(true);
        return path;
    }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRawIrView : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void menuEntriesChooseTheData_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("filtered");
        QTest::newRow("$40") << "N40RAWADIRChannelData1" << false;
        QTest::newRow("$42") << "N42FilteredRAWADIRChannelData1" << true;
        QTest::newRow("Raw IR...") << "RawIR1" << false;
    }
    void menuEntriesChooseTheData() {
        QFETCH(QString, item);
        QFETCH(bool, filtered);
        UiFixture f;
        f.Tick({0});
        f.shell->RawIr().SetFilteredMode(!filtered);
        QVERIFY(f.app->MenuItem(item)->isEnabled());
        f.app->MenuItem(item)->trigger();
        TRawIR& view = f.shell->RawIr();
        QVERIFY(view.isVisible());
        QCOMPARE(view.windowTitle(), QStringLiteral("RawIR"));
        QCOMPARE(view.FilteredMode(), filtered);
        QCOMPARE(view.FilteredEdit->text(),
                 filtered ? QStringLiteral("Filtered") : QStringLiteral("Not Filtered"));
        f.ClearWritten();

        // Start streams the chosen data; Stop ends that same stream.
        const uint8_t code = filtered ? 0x42 : 0x40;
        view.Start->click();
        QCOMPARE(f.Written(0), rawIrFrame(code, 2));
        QVERIFY(!view.Start->isEnabled() && view.Stop->isEnabled());
        view.Stop->click();
        QCOMPARE(f.Written(0), rawIrFrame(code, 0));
        QVERIFY(view.Start->isEnabled() && !view.Stop->isEnabled());
    }

    void withoutABenchStartSendsNothing() {
        UiFixture f;
        f.app->MenuItem(QStringLiteral("RawIR1"))->trigger();
        f.shell->RawIr().Start->click();
        QVERIFY(f.shell->RawIr().Start->isEnabled());
        for (int b = 0; b < 4; ++b)
            QVERIFY(f.Written(b).isEmpty());
    }

    void cyclesFillTheChartAndScrollItByOne() {
        RawIrFixture f;
        f.start();
        TRawIR& view = f.view();
        const TChartData& data = view.PEGraph1->Data();
        QCOMPARE(data.Points(), 550);
        QCOMPARE(view.PEGraph1->AxisRange(0), std::pair(-32767.0, 32767.0));
        // Joined in mid-cycle: phases 1 to 3 are not plotted.
        f.next = 1;
        for (int i = 0; i < 3; ++i)
            f.packet();
        QCOMPARE(view.ChartPosition(), 0);
        QVERIFY(data.IsNull(1, 0));

        f.cycles(5);
        QCOMPARE(view.ChartPosition(), 500);
        QCOMPARE(data.YData(1, 0), double(cycleSample(4, 0, 1)));
        QCOMPARE(data.YData(3, 499), double(cycleSample(23, 24, 3)));
        QVERIFY(data.IsNull(0, 500));
        // The sixth cycle needs points 500 to 599: the chart scrolls left by 100 first.
        f.cycles(1);
        QCOMPARE(view.ChartPosition(), 500);
        QCOMPARE(data.YData(1, 0), double(cycleSample(8, 0, 1)));
        QCOMPARE(data.YData(2, 450), double(cycleSample(26, 0, 2)));
        QVERIFY(data.IsNull(0, 549));

        view.Clear->click();
        QCOMPARE(view.ChartPosition(), 0);
        for (int p = 0; p < 550; p += 50)
            QVERIFY(data.IsNull(1, p));
    }

    void oneShotStopsAfterACycle() {
        RawIrFixture f;
        f.view().RawMode->ClickItem(TRawIR::RawModeOneShot);
        f.start();
        f.cycles(1);
        QCOMPARE(f.Written(0), rawIrFrame(0x40, 0));
        QVERIFY(f.view().Start->isEnabled());
        QCOMPARE(f.view().ChartPosition(), 100);
    }

    void repliesOfOtherBenchesOrAHiddenViewAreIgnored() {
        RawIrFixture f;
        f.Tick({1});
        f.view().GrpBench->Button(0)->click();
        f.start();
        f.app->ActiveBench[1]->isChecked();
        // Bench 2 streams too (started elsewhere): its replies never fill bench 1's cycle.
        f.shell->Benches()[1].SendRawIr(2);
        for (int i = 0; i < 4; ++i)
            f.packet(1);
        QCOMPARE(f.view().ChartPosition(), 0);
        f.view().hide();
        f.next = 0;
        f.cycles(1);
        QCOMPARE(f.view().ChartPosition(), 0);
    }

    void channelBoxesAndMarkers() {
        RawIrFixture f;
        TRawIR& view = f.view();
        TChart& chart = *view.PEGraph1;
        QCOMPARE(chart.SubsetsToShow(), (QList<int>{1, 2, 3}));
        QCOMPARE(chart.SubsetLabel(2), QStringLiteral("Ethanol"));
        QCOMPARE(chart.SubsetColor(3), QColor(0, 255, 0));
        f.start();
        f.cycles(1);
        view.CO2Chk->click();
        QCOMPARE(chart.SubsetsToShow(), (QList<int>{0, 1, 2, 3}));
        // All four unchecked: the chart is cleared and shows nothing.
        for (QCheckBox* box : {view.CO2Chk, view.COChk, view.HCChk, view.RefChk})
            box->click();
        QCOMPARE(chart.SubsetsToShow(), QList<int>{});
        QCOMPARE(view.ChartPosition(), 0);
        QVERIFY(chart.Data().IsNull(1, 0));

        QVERIFY(!chart.MarkDataPoints());
        view.MarkDataPoints->ClickItem(TRawIR::MarkYes);
        QVERIFY(chart.MarkDataPoints());
        view.MarkDataPoints->ClickItem(TRawIR::MarkNo);
        QVERIFY(!chart.MarkDataPoints());
    }

    void cycleLayoutEntries_data() {
        QTest::addColumn<QString>("phases");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("numPhases");
        QTest::addColumn<int>("numPoints");
        const QString kept = QStringLiteral(" NumPhases stays 4 and NumPoints 25.");
        QTest::newRow("accepted") << "2"
                                  << "20" << QStringList{} << 2 << 20;
        QTest::newRow("hexadecimal") << "$2"
                                     << "0x14" << QStringList{} << 2 << 20;
        QTest::newRow("phases not an integer") << "four"
                                               << "20" << QStringList{"Check NumPhases"} << 4 << 20;
        QTest::newRow("points not an integer") << "2"
                                               << "2.5" << QStringList{"Check NumPoints"} << 2 << 25;
        QTest::newRow("product above 100") << "5"
                                           << "25"
                                           << QStringList{"NumPhases x NumPoints must not exceed 100: a "
                                                          "cycle holds 100 samples per channel." +
                                                          kept}
                                           << 4 << 25;
        QTest::newRow("no phases") << "0"
                                   << "25" << QStringList{"NumPhases must be at least 1." + kept} << 4 << 25;
        QTest::newRow("negative points")
            << "4"
            << "-25" << QStringList{"NumPoints must be at least 1." + kept} << 4 << 25;
        QTest::newRow("more points than a reply holds")
            << "1"
            << "50"
            << QStringList{"NumPoints must not exceed 31: a reply carries at most 31 sample points." + kept}
            << 4 << 25;
    }
    void cycleLayoutEntries() {
        QFETCH(QString, phases);
        QFETCH(QString, points);
        QFETCH(QStringList, messages);
        QFETCH(int, numPhases);
        QFETCH(int, numPoints);
        RawIrFixture f;
        f.view().Edit1->setText(phases);
        f.view().Edit2->setText(points);
        f.view().OKBtn->click();
        QCOMPARE(f.dialogs.dialogs.Messages(), messages);
        QCOMPARE(f.view().NumPhases(), numPhases);
        QCOMPARE(f.view().NumPoints(), numPoints);
    }

    void logFileAndCollectedList() {
        RawIrFixture f;
        f.clock.clock.SetTexts(QStringLiteral("24/03/2026"), QStringLiteral("09:15:00"));
        f.view().DataLogBtn->click();
        QVERIFY(f.log().isVisible());
        QCOMPARE(f.log().windowTitle(), QStringLiteral("IR Data Log"));
        const QString path = f.openLog(dir.filePath(QStringLiteral("RAWDATA.LOG")));
        QCOMPARE(f.dialogs.dialogs.shown.value(0).caption, QStringLiteral("Raw Data Log File"));
        QCOMPARE(f.view().windowTitle(), QStringLiteral("Raw IR Data - ") + path);
        const QString header = QStringLiteral("DataLogfile %1 created 24/03/2026 09:15:00").arg(path);
        QCOMPARE(f.list()->count(), 1);
        QCOMPARE(f.list()->item(0)->text(), header);

        f.start();
        f.cycles(1);
        QByteArray bytes = readFile(path);
        QCOMPARE(bytes.count("\r\n"), 101);
        QCOMPARE(bytes.count('\n'), 101);
        QVERIFY(bytes.startsWith(header.toLocal8Bit() + "\r\n" + " -50   -49   -48   -47 \r\n"));
        QCOMPARE(f.list()->count(), 101);
        QCOMPARE(f.list()->item(100)->text(), TIrLog::FormatLine({46, 47, 48, 49}));

        // The list keeps its header and first line and drops the next oldest above 150 lines.
        f.cycles(1);
        QCOMPARE(f.list()->count(), 151);
        QCOMPARE(f.list()->item(0)->text(), header);
        QCOMPARE(f.list()->item(1)->text(), TIrLog::FormatLine({-50, -49, -48, -47}));
        auto early = [](int c) { return int(cycleSample(2, 1, c)); };
        QCOMPARE(f.list()->item(2)->text(), TIrLog::FormatLine({early(0), early(1), early(2), early(3)}));

        // Without "Data Logging Enabled" nothing is written.
        f.log().LoggingOnChk->setChecked(false);
        f.cycles(1);
        QCOMPARE(readFile(path).count('\n'), 201);

        f.view().Button2->click();
        QVERIFY(f.app->fHist_ir->isVisible());

        f.log().Close1->trigger();
        QCOMPARE(f.view().windowTitle(), QStringLiteral("Raw IR Data"));
        QVERIFY(!f.log().LogOpen());
        QVERIFY(f.dialogs.dialogs.Messages().isEmpty());
    }

    void logProblems() {
        RawIrFixture f;
        f.openLog(dir.filePath(QStringLiteral("missing/RAWDATA.LOG")));
        QCOMPARE(f.dialogs.dialogs.Messages(), QStringList{"Problem with log file!"});
        QVERIFY(!f.log().LogOpen());
        QCOMPARE(f.view().windowTitle(), QStringLiteral("Raw IR Data"));

        // A file that fills up: one box, lines past the limit dropped, plotting and the list go on.
        f.dialogs.dialogs.Clear();
        const QString path = f.openLog(dir.filePath(QStringLiteral("full.LOG")));
        f.start();
        f.cycles(1001);
        QCOMPARE(f.dialogs.dialogs.Messages(), QStringList{"Log File is full"});
        QCOMPARE(readFile(path).count('\n'), 99999);
        QCOMPARE(f.list()->count(), 151);
        auto last = [](int c) { return int(cycleSample(4003, 24, c)); };
        QCOMPARE(f.list()->item(150)->text(), TIrLog::FormatLine({last(0), last(1), last(2), last(3)}));
        QCOMPARE(f.view().ChartPosition(), 500);
    }

    void aWriteFailureEndsLogging() {
        RawIrFixture f;
        const QString path = f.openLog(dir.filePath(QStringLiteral("limited.LOG")));
        f.start();
        f.cycles(1);
        const qint64 size = QFileInfo(path).size();
        // The file may not grow past what it holds now plus half a cycle: the next cycle's lines do not
        // reach the disk.
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit limited = before;
        limited.rlim_cur = rlim_t(size + 1200);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        f.cycles(1);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        const QStringList messages = f.dialogs.dialogs.Messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("The IR log file ") + path +
                                        QStringLiteral(" could not be written")),
                 qPrintable(messages[0]));
        QVERIFY(messages[0].endsWith(QStringLiteral("Logging has stopped.")));
        QVERIFY(!f.log().LogOpen());
        QVERIFY(!f.log().LoggingOnChk->isChecked());
        QCOMPARE(f.view().windowTitle(), QStringLiteral("Raw IR Data"));
        // The file ends with the last whole cycle that reached it.
        QCOMPARE(QFileInfo(path).size(), size);
        QVERIFY(readFile(path).endsWith("\r\n"));
        // Plotting goes on.
        f.cycles(1);
        QCOMPARE(f.view().ChartPosition(), 300);
    }

    void closingWhileLogging() {
        RawIrFixture f;
        f.openLog(dir.filePath(QStringLiteral("close.LOG")));
        f.start();
        // No: the view stays open and streaming.
        f.dialogs.dialogs.QueueConfirm(false);
        QVERIFY(!f.view().close());
        QCOMPARE(f.dialogs.dialogs.shown.last().text,
                 QStringLiteral("You are logging the data! Do you want to close?"));
        QVERIFY(f.view().isVisible());
        QVERIFY(f.Written(0).isEmpty());
        f.cycles(1);
        QCOMPARE(f.view().ChartPosition(), 100);
        // Yes: stopped, the log closed.
        f.dialogs.dialogs.QueueConfirm(true);
        QVERIFY(f.view().close());
        QCOMPARE(f.Written(0), rawIrFrame(0x40, 0));
        QVERIFY(!f.log().LogOpen());
        QVERIFY(!f.log().LoggingOnChk->isChecked());

        // At shutdown no question is asked.
        f.app->MenuItem(QStringLiteral("RawIR1"))->trigger();
        f.openLog(dir.filePath(QStringLiteral("shutdown.LOG")));
        const int questions = int(f.dialogs.dialogs.shown.size());
        f.app->close();
        QVERIFY(!f.view().isVisible());
        QVERIFY(!f.log().LogOpen());
        QCOMPARE(int(f.dialogs.dialogs.shown.size()), questions);
    }
};

QTEST_MAIN(TestRawIrView)
#include "test_raw_ir_view.moc"
