// The chart data window: appending scrolls it, null points, labels that travel with their points, and
// the CSV export of the points on show.
#include "chart_data.h"

#include <QTest>
#include <cmath>

class TestChartData : public QObject {
    Q_OBJECT

    // Subset s's values left to right, "-" for a null point.
    static QStringList row(const TChartData& d, int s) {
        QStringList out;
        for (int p = 0; p < d.Points(); ++p)
            out << (d.IsNull(s, p) ? QStringLiteral("-") : QString::number(d.YData(s, p)));
        return out;
    }
    static QStringList labels(const TChartData& d) {
        QStringList out;
        for (int p = 0; p < d.Points(); ++p)
            out << d.PointLabel(p);
        return out;
    }

private slots:
    void appendingScrollsTheWindowLeft() {
        TChartData d(2, 4);
        QCOMPARE(row(d, 0), (QStringList{"-", "-", "-", "-"}));
        // Wraps the ring more than once: the window always ends with the newest point.
        for (int i = 1; i <= 6; ++i) {
            const double v[2] = {double(i), double(-i)};
            d.AppendPoint(v, 2, QString::number(i));
        }
        QCOMPARE(row(d, 0), (QStringList{"3", "4", "5", "6"}));
        QCOMPARE(row(d, 1), (QStringList{"-3", "-4", "-5", "-6"}));
        QCOMPARE(labels(d), (QStringList{"3", "4", "5", "6"}));
        QCOMPARE(d.Appended(), uint64_t(6));

        // Null points enter at the right with empty labels; a whole window of them empties it.
        d.AppendNull(1);
        QCOMPARE(row(d, 0), (QStringList{"4", "5", "6", "-"}));
        QCOMPARE(labels(d), (QStringList{"4", "5", "6", ""}));
        d.AppendNull(9);
        QCOMPARE(row(d, 1), (QStringList{"-", "-", "-", "-"}));
        QCOMPARE(labels(d), (QStringList{"", "", "", ""}));
    }

    void theNullValueMarksSetPointsOnly() {
        TChartData d(2, 3);
        d.SetNullDataValue(-11);
        d.SetYData(0, 1, 7.5);
        d.SetYData(1, 1, -11);
        QCOMPARE(d.YData(0, 1), 7.5);
        QVERIFY(d.IsNull(1, 1));
        // A reading that equals the null value is still a reading; fewer values than subsets leave
        // the others null.
        const double reading[1] = {-11};
        d.AppendPoint(reading, 1, QString());
        QCOMPARE(d.YData(0, 2), -11.0);
        QVERIFY(d.IsNull(1, 2));
        // Indexes outside the window change nothing and read as null.
        const uint64_t revision = d.Revision();
        d.SetYData(2, 0, 1);
        d.SetYData(0, 3, 1);
        QCOMPARE(d.Revision(), revision);
        QVERIFY(d.IsNull(-1, 0));
        QVERIFY(std::isnan(d.YData(0, 99)));
    }

    void labelTicks_data() {
        QTest::addColumn<int>("pointsPerLabel"); // how many points share a label
        QTest::addColumn<int>("appended");
        QTest::addColumn<QList<int>>("ticks");
        QTest::addColumn<QStringList>("labels");
        // Five replies a second: a tick every fifth second, at the first point of that second.
        QTest::newRow("5 points a second")
            << 5 << 200 << QList<int>{5, 30, 55, 80, 105} << QStringList{"15", "20", "25", "30", "35"};
        // Scrolled by two points: the same seconds, two points further left.
        QTest::newRow("scrolled") << 5 << 202 << QList<int>{3, 28, 53, 78, 103, 128}
                                  << QStringList{"15", "20", "25", "30", "35", "40"};
        // The line rate: one new second in the window.
        QTest::newRow("126 points a second") << 126 << 200 << QList<int>{56} << QStringList{"1"};
        // The smallest round step that keeps 13 points between ticks.
        QTest::newRow("a label per point") << 1 << 130 << QList<int>{15, 30, 45, 60, 75, 90, 105, 120}
                                           << QStringList{"15", "30", "45", "60", "75", "90", "105", "120"};
    }
    void labelTicks() {
        QFETCH(int, pointsPerLabel);
        QFETCH(int, appended);
        QFETCH(QList<int>, ticks);
        QFETCH(QStringList, labels);
        TChartData d(1, 130);
        const double v[1] = {1};
        for (int i = 0; i < appended; ++i)
            d.AppendPoint(v, 1, QStringLiteral("%1").arg(i / pointsPerLabel, 10));
        const QList<int> got = LabelTicks(d, 13);
        QCOMPARE(got, ticks);
        QStringList texts;
        for (int p : got)
            texts << d.PointLabel(p).trimmed();
        QCOMPARE(texts, labels);
    }

    void labelTicksOfOtherLabels() {
        // Labels that are no numbers are thinned from the left; empty ones (a cleared part) carry none.
        TChartData d(1, 40);
        const double v[1] = {1};
        for (int i = 0; i < 30; ++i)
            d.AppendPoint(v, 1, QStringLiteral("t%1").arg(i / 2));
        d.AppendNull(10);
        QCOMPARE(LabelTicks(d, 5), (QList<int>{2, 8, 14, 20, 26}));
    }

    void csv_data() {
        QTest::addColumn<bool>("dot");
        QTest::addColumn<QString>("expected");
        QTest::newRow("decimal point") << true
                                       << "Point,Label,CO2,Ethanol\r\n"
                                          "1,12,1.25,\r\n"
                                          "2,\"1,3\",2.5,300\r\n";
        QTest::newRow("decimal comma") << false
                                       << "Point;Label;CO2;Ethanol\r\n"
                                          "1;12;1,25;\r\n"
                                          "2;1,3;2,5;300\r\n";
    }
    void csv() {
        QFETCH(bool, dot);
        QFETCH(QString, expected);
        TChartData d(3, 3);
        const double a[3] = {1.25, 7, std::nan("")};
        const double b[3] = {2.5, 8, 300};
        d.AppendPoint(a, 3, QStringLiteral("        12"));
        d.AppendPoint(b, 3, QStringLiteral("1,3"));
        // Subsets 0 and 2 on show, points 1 and 2 (a range past the window is cut to it).
        QCOMPARE(ChartDataCsv(d, {0, 2}, {"CO2", "CO", "Ethanol"}, 1, 7, dot), expected);
    }
};

QTEST_APPLESS_MAIN(TestChartData)
#include "test_chart_data.moc"
