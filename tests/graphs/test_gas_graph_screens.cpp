// The two gas graph screens in the whole program (TShell over ports in memory): data replies of the
// selected bench become chart points, what stops them, the channel boxes and limits, the second
// chart's stacked axes and clamping, the settings files, and the chart's image and data export.
#include "bench_selector.h"
#include "chart.h"
#include "gas_graphs.h"
#include "graph1.h"
#include "graph2.h"
#include "paths.h"
#include "radio_group.h"
#include "ui_fixture.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cmath>

namespace {

// The program with bench 1 (and 2) ticked and acquisition running, so that data replies are decoded.
struct GraphFixture : UiFixture {
    explicit GraphFixture(std::initializer_list<int> benches = {0}) {
        Tick(benches);
        app->OKBtnClick();
        app->StartBtnClick();
        ClearWritten();
    }
    TFGraph1& g1() { return shell->Graph1(); }
    TFGraph2& g2() { return shell->Graph2(); }
    void open(const char* item) { app->MenuItem(QLatin1String(item))->trigger(); }
    void reply(int bench, int16_t co2, int16_t co, uint32_t hc, int16_t o2, int16_t no) {
        ports[bench]->Inject(DataReply(co2, co, hc, o2, no));
    }
    void advanceSeconds(int s) { clock.clock.Advance(qint64(s) * 1000); }
};

// The newest point of each subset of a chart.
QList<double> newest(const TChart& chart) {
    QList<double> v;
    for (int s = 0; s < chart.Data().Subsets(); ++s)
        v << chart.Data().YData(s, chart.Data().Points() - 1);
    return v;
}
QString newestLabel(const TChart& chart) {
    return chart.Data().PointLabel(chart.Data().Points() - 1);
}
int nonNullPoints(const TChart& chart) {
    int n = 0;
    for (int p = 0; p < chart.Data().Points(); ++p)
        n += chart.Data().IsNull(0, p) ? 0 : 1;
    return n;
}

} // namespace

class TestGasGraphScreens : public QObject {
    Q_OBJECT

    static void removeSettings() {
        QFile::remove(DriveCPath(QLatin1String(Graph1SettingsFile)));
        QFile::remove(DriveCPath(QLatin1String(Graph2SettingsFile)));
        QDir(DriveCPath(QLatin1String(Graph1SettingsFile))).removeRecursively();
    }

private slots:
    void init() { removeSettings(); }
    void cleanup() { removeSettings(); }

    void firstGraphPlotsTheSelectedBenchsReplies() {
        GraphFixture f;
        f.open("Graphics1");
        QVERIFY(f.g1().isVisible());
        QCOMPARE(f.g1().SelectedBench(), 0);
        f.advanceSeconds(12);
        f.reply(0, 1234, 1500, 250, 2090, -7);
        const TChart& chart = *f.g1().PEGraph1;
        // Subsets CO2, CO, O2, Ethanol, NO; the last two on the right axis.
        QCOMPARE(newest(chart), (QList<double>{12.34, 1.5, 20.9, 250, -7}));
        QVERIFY(chart.OnRightAxis(3) && chart.OnRightAxis(4) && !chart.OnRightAxis(2));
        QCOMPARE(newestLabel(chart), QStringLiteral("        12"));
        QCOMPARE(chart.Data().Appended(), uint64_t(1));

        // Labels count from the program's start, not from Clear or Start; the main window's HC
        // divisor shows Ethanol in hundreds.
        f.g1().ClearBtn->click();
        f.g1().Start->click();
        f.app->HCDivisorRadioGroup->ClickItem(1);
        f.advanceSeconds(3);
        f.reply(0, 1234, 1500, 250, 2090, -7);
        QCOMPARE(newest(chart)[3], 2.5);
        QCOMPARE(newestLabel(chart), QStringLiteral("        15"));
        QCOMPARE(nonNullPoints(chart), 1);
    }

    void onlyFreshReadingsOfTheSelectedBenchWhileRunningAndShown() {
        GraphFixture f({0, 1});
        f.open("Graphics1");
        QCOMPARE(f.g1().SelectedBench(), 0); // bench 1 was selected first and stays
        const TChart& chart = *f.g1().PEGraph1;
        auto points = [&] { return int(chart.Data().Appended()); };

        f.reply(0, 100, 0, 0, 0, 0);
        QCOMPARE(points(), 1);
        // Another bench's reply does not plot bench 1's reading again.
        f.reply(1, 200, 0, 0, 0, 0);
        QCOMPARE(points(), 1);

        f.g1().FreezeBtn->click();
        f.reply(0, 100, 0, 0, 0, 0);
        QCOMPARE(points(), 1);
        QVERIFY(chart.Zoomable()); // a frozen chart may be zoomed
        f.g1().FreezeBtn->click();
        QVERIFY(!chart.Zoomable());
        f.reply(0, 100, 0, 0, 0, 0);
        QCOMPARE(points(), 2);

        // A bench button clears the chart (a window of null points) and selects its bench.
        f.g1().GrpBench->Button(1)->click();
        QCOMPARE(f.g1().SelectedBench(), 1);
        QCOMPARE(nonNullPoints(chart), 0);
        f.reply(1, 300, 0, 0, 0, 0);
        QCOMPARE(newest(chart)[0], 3.0);
        f.reply(0, 400, 0, 0, 0, 0);
        QCOMPARE(newest(chart)[0], 3.0);
        f.g1().GrpBench->Button(0)->click();

        // Closed, the screen is stopped; shown again it plots only after Start.
        const int before = points();
        f.g1().close();
        QVERIFY(f.g1().Stopped());
        f.reply(0, 300, 0, 0, 0, 0);
        f.open("Graphics1");
        f.reply(0, 300, 0, 0, 0, 0);
        QCOMPARE(points(), before);
        QVERIFY(f.g1().Start->isEnabled() && !f.g1().Stop->isEnabled());
        f.g1().Start->click();
        f.reply(0, 300, 0, 0, 0, 0);
        QCOMPARE(points(), before + 1);

        // Hidden, it plots nothing.
        f.g1().hide();
        f.reply(0, 300, 0, 0, 0, 0);
        QCOMPARE(points(), before + 1);
    }

    void firstGraphChannelsAndLimits() {
        GraphFixture f;
        f.open("Graphics1");
        TFGraph1& g = f.g1();
        const TChart& chart = *g.PEGraph1;
        QCOMPARE(chart.SubsetsToShow(), (QList<int>{0, 1, 2, 3, 4}));
        QCOMPARE(chart.AxisRange(0), std::pair(0.0, 100.0));
        QCOMPARE(chart.RightAxisRange(), std::pair(0.0, 100.0));
        QCOMPARE(chart.SubsetColor(1), QColor(255, 0, 255));

        // An unchecked gas leaves the chart; with every box unchecked the chart shows no gas.
        g.CO->click();
        QCOMPARE(chart.SubsetsToShow(), (QList<int>{0, 2, 3, 4}));
        for (QCheckBox* box : {g.CO2, g.O2, g.HC, g.NO})
            box->click();
        QCOMPARE(chart.SubsetsToShow(), QList<int>{});

        g.CO2COO2MinEdit->setText(QStringLiteral("5"));
        g.CO2COO2MaxEdit->setText(QStringLiteral("50.5"));
        g.HCNOMinEdit->setText(QStringLiteral("not a number"));
        g.HCNOMaxEdit->setText(QStringLiteral("2000"));
        g.ApplyButton->click();
        QCOMPARE(chart.AxisRange(0), std::pair(5.0, 50.5));
        QCOMPARE(chart.RightAxisRange(), std::pair(0.0, 2000.0));
        QVERIFY(f.dialogs.dialogs.Messages().isEmpty());

        // Limits the wrong way round are refused; that axis keeps its range.
        g.CO2COO2MinEdit->setText(QStringLiteral("60"));
        g.ApplyButton->click();
        QCOMPARE(f.dialogs.dialogs.Messages(),
                 QStringList{"Check the limits of the % axis: Min must be less than Max."});
        QCOMPARE(chart.AxisRange(0), std::pair(5.0, 50.5));
    }

    void secondGraphStacksTheCheckedGases_data() {
        QTest::addColumn<QStringList>("checked"); // boxes to be checked, CO2 and CO start checked
        QTest::addColumn<QStringList>("axes");
        QTest::addColumn<double>("proportion");
        QTest::newRow("default: CO2 and CO") << QStringList{"CO2", "CO"} << QStringList{"CO2", "CO"} << 0.5;
        QTest::newRow("CO2 alone") << QStringList{"CO2"} << QStringList{"CO2"} << 1.0;
        QTest::newRow("three, in chart order")
            << QStringList{"NO", "CO2", "HC"} << QStringList{"CO2", "Ethanol", "NO"} << 0.5;
        QTest::newRow("all five") << QStringList{"CO2", "CO", "HC", "O2", "NO"}
                                  << QStringList{"CO2", "CO", "Ethanol", "O2", "NO"} << 0.5;
    }
    void secondGraphStacksTheCheckedGases() {
        QFETCH(QStringList, checked);
        QFETCH(QStringList, axes);
        QFETCH(double, proportion);
        GraphFixture f;
        TFGraph2& g = f.g2();
        for (QCheckBox* box : {g.CO2, g.CO, g.HC, g.O2, g.NO})
            box->setChecked(checked.contains(box->objectName()));
        g.ApplyButton->click();
        const TChart& chart = *g.PEGraph1;
        QCOMPARE(chart.AxisCount(), int(axes.size()));
        for (int i = 0; i < axes.size(); ++i) {
            QCOMPARE(chart.AxisLabel(i), axes[i]);
            QCOMPARE(chart.SubsetLabel(i), axes[i]);
            QCOMPARE(chart.AxisProportion(i), proportion);
        }
        QCOMPARE(chart.Data().Subsets(), int(axes.size()));
    }

    void secondGraphClampsToItsLimits() {
        GraphFixture f;
        f.open("Graphics2");
        TFGraph2& g = f.g2();
        QCOMPARE(g.windowTitle(), QStringLiteral("Main Graph Screen"));
        const TChart& chart = *g.PEGraph1;
        QCOMPARE(chart.AxisRange(0), std::pair(0.0, 20.0));
        QCOMPARE(chart.AxisRange(1), std::pair(0.0, 25.0));
        // CO 30 % is above its limit of 25, CO2 -1 % below 0.
        f.reply(0, -100, 30000, 0, 2090, 0);
        QCOMPARE(newest(chart), (QList<double>{0.0, 25.0}));
        f.reply(0, 1234, -500, 0, 2090, 0);
        QCOMPARE(newest(chart), (QList<double>{12.34, 0.0}));

        // New limits apply to the axis and the clamping alike.
        g.COMaxEdit->setText(QStringLiteral("40"));
        g.ApplyButton->click();
        QCOMPARE(chart.AxisRange(1), std::pair(0.0, 40.0));
        f.reply(0, 1234, 30000, 0, 2090, 0);
        QCOMPARE(newest(chart), (QList<double>{12.34, 30.0}));

        // Unchecking every gas leaves the chart, and what it plots, as it was.
        g.CO2->setChecked(false);
        g.CO->click();
        QCOMPARE(chart.AxisCount(), 2);
        QCOMPARE(g.PlottedGases(), (QList<Gas>{Gas::Co2, Gas::Co}));
        f.reply(0, 500, 1000, 0, 2090, 0);
        QCOMPARE(newest(chart), (QList<double>{5.0, 1.0}));

        // Limits the wrong way round are refused; the chart stays.
        g.NOMinEdit->setText(QStringLiteral("25"));
        g.NO->click();
        QCOMPARE(f.dialogs.dialogs.Messages().value(0),
                 QStringLiteral("Check the limits of NO: Min must be less than Max."));
        QCOMPARE(chart.AxisCount(), 2);
    }

    void settingsFilesKeepTheControls() {
        {
            GraphFixture f;
            f.open("Graphics1");
            f.open("Graphics2");
            f.g1().O2->click();
            f.g1().HCNOMaxEdit->setText(QStringLiteral("500"));
            f.g2().HC->click();
            f.g2().HCMaxEdit->setText(QStringLiteral("300.5"));
            f.g2().CO2->click();
            f.g1().close();
            f.g2().close();
        }
        QFile file(DriveCPath(QLatin1String(Graph2SettingsFile)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("1\r\n0\r\n0\r\n20\r\n1\r\n0\r\n25\r\n1\r\n0\r\n300.5\r\n"
                                            "0\r\n0\r\n25\r\n0\r\n0\r\n25\r\n"));
        file.close();

        GraphFixture f;
        QVERIFY(!f.g1().O2->isChecked() && f.g1().CO->isChecked());
        QCOMPARE(f.g1().HCNOMaxEdit->text(), QStringLiteral("500"));
        QCOMPARE(f.g1().PEGraph1->RightAxisRange(), std::pair(0.0, 500.0));
        QCOMPARE(f.g1().PEGraph1->SubsetsToShow(), (QList<int>{0, 1, 3, 4}));
        QCOMPARE(f.g2().PlottedGases(), (QList<Gas>{Gas::Co, Gas::Ethanol}));
        QCOMPARE(f.g2().PEGraph1->AxisRange(1), std::pair(0.0, 300.5));
    }

    void foreignOrUnwritableSettingsFiles() {
        // Written under a decimal comma: read under a point it is ignored.
        QFile file(DriveCPath(QLatin1String(Graph2SettingsFile)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("0\r\n0\r\n0\r\n20\r\n0\r\n0\r\n25\r\n1\r\n0\r\n2,5\r\n0\r\n0\r\n25\r\n0\r\n0\r\n25\r\n");
        file.close();
        // The first graph's file cannot be written: a directory stands in its place.
        QVERIFY(QDir().mkpath(DriveCPath(QLatin1String(Graph1SettingsFile))));

        GraphFixture f;
        QCOMPARE(f.g2().PlottedGases(), (QList<Gas>{Gas::Co2, Gas::Co}));
        QCOMPARE(f.g2().HCMaxEdit->text(), QStringLiteral("25"));
        f.open("Graphics1");
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("settings of the first gas graph could not be written"));
        QVERIFY(f.g1().close());
        QVERIFY(f.g1().Stopped());
        QVERIFY(f.dialogs.dialogs.shown.isEmpty());
    }

    void chartImageAndData() {
        GraphFixture f;
        f.open("Graphics1");
        f.advanceSeconds(4);
        f.reply(0, 1234, 1500, 250, 2090, -7);
        TChart& chart = *f.g1().PEGraph1;
        QTemporaryDir dir;
        f.dialogs.dialogs.QueueFileName(dir.filePath(QStringLiteral("chart.png")));
        chart.SaveImageClick();
        QFile png(dir.filePath(QStringLiteral("chart.png")));
        QVERIFY(png.open(QIODevice::ReadOnly));
        QVERIFY(png.read(8).startsWith("\x89PNG"));

        f.dialogs.dialogs.QueueFileName(dir.filePath(QStringLiteral("chart.csv")));
        chart.ExportDataClick();
        QFile csv(dir.filePath(QStringLiteral("chart.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = csv.readAll().split('\n');
        QCOMPARE(rows.first(), QByteArray("Point,Label,CO2,CO,O2,Ethanol,NO\r"));
        QCOMPARE(rows.size(), 130 + 2);
        QCOMPARE(rows.at(130), QByteArray("129,4,12.34,1.5,20.9,250,-7\r"));
        QCOMPARE(rows.at(1), QByteArray("0,,,,,,\r"));
        QVERIFY(f.dialogs.dialogs.Messages().isEmpty());

        // A file that cannot be written is said so.
        f.dialogs.dialogs.QueueFileName(dir.filePath(QStringLiteral("missing/chart.csv")));
        chart.ExportDataClick();
        f.dialogs.dialogs.QueueFileName(dir.filePath(QStringLiteral("missing/chart.png")));
        chart.SaveImageClick();
        const QStringList messages = f.dialogs.dialogs.Messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].startsWith(QStringLiteral("The data could not be written to ")));
        QVERIFY(messages[1].startsWith(QStringLiteral("The image could not be written to ")));
    }
    // New data redraw only the chart's data layer (lines and scrolling x axis); what that draws must
    // be what a whole redraw draws, for a single axis with a right axis and for stacked axes.
    void dataOnlyRedrawMatchesWholeRedraw_data() {
        QTest::addColumn<bool>("stacked");
        QTest::newRow("left and right axis") << false;
        QTest::newRow("stacked axes") << true;
    }
    void dataOnlyRedrawMatchesWholeRedraw() {
        QFETCH(bool, stacked);
        TChart chart(QStringLiteral("chart"));
        chart.resize(600, 400);
        chart.SetSize(2, 130);
        chart.SetMainTitle(QStringLiteral("Title"));
        chart.SetXAxisLabel(QStringLiteral("Time"));
        chart.SetPointLabelsOnAxis(true);
        chart.SetLongTicks(true);
        chart.SetSubsetColor(0, Qt::blue);
        chart.SetSubsetColor(1, Qt::red);
        if (stacked) {
            chart.SetStackedAxes({{0.5, QStringLiteral("A"), 0, 100}, {0.5, QStringLiteral("B"), 0, 100}});
        } else {
            chart.SetRightAxisSubsets(1);
            chart.SetManualY(0, 100);
            chart.SetManualRY(0, 100);
        }
        chart.Reinitialize();
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        auto append = [&](int from, int n) {
            for (int i = from; i < from + n; ++i) {
                const double v[2] = {50 + 40 * std::sin(i / 5.0), i % 3 == 0 ? std::nan("") : double(i % 90)};
                chart.Data().AppendPoint(v, 2, QString::number(i / 7));
            }
        };
        append(0, 130);
        chart.Redraw();
        const QImage before = chart.grab().toImage();
        append(130, 12); // the lines move and the x labels scroll
        const int redraws = chart.Redraws();
        chart.Redraw();
        QCOMPARE(chart.Redraws(), redraws + 1);
        const QImage dataOnly = chart.grab().toImage();
        QVERIFY(dataOnly != before);
        chart.SetMarkDataPoints(false); // a style change: the next drawing is a whole one
        chart.Redraw();
        QCOMPARE(dataOnly, chart.grab().toImage());
    }

    // A hidden chart does not draw what arrives; shown again it draws once.
    void hiddenChartDrawsOnlyWhenShown() {
        TChart chart(QStringLiteral("chart"));
        chart.SetSize(1, 130);
        chart.Reinitialize();
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.hide();
        const int redraws = chart.Redraws();
        const double v = 1;
        for (int i = 0; i < 50; ++i)
            chart.Data().AppendPoint(&v, 1, QString());
        QTest::qWait(3 * 1000 / TChart::MaxRedrawHz);
        QCOMPARE(chart.Redraws(), redraws);
        chart.show();
        QTest::qWait(3 * 1000 / TChart::MaxRedrawHz);
        QCOMPARE(chart.Redraws(), redraws + 1);
    }
};

QTEST_MAIN(TestGasGraphScreens)
#include "test_gas_graph_screens.moc"
