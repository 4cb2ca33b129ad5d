// The data table: column layout and headers, row areas and scrolling, values, scalings and formats,
// means and standard deviations, offsets, and layouts wider than 64 columns.
#include "bench.h"
#include "clock.h"
#include "data_table.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {
// A grid height giving the row count wanted (height / 16 - 1).
int heightFor(int rows) {
    return (rows + 1) * TDataTable::RowHeight;
}
} // namespace

class TestDataTable : public QObject {
    Q_OBJECT

    std::unique_ptr<ManualClockScope> clock;
    std::unique_ptr<std::array<TBench, 4>> benches;
    std::unique_ptr<TDataTable> table;
    TWindowState state;
    TAveraging averaging;

    TBench& b(int i) { return (*benches)[i]; }
    void open(std::initializer_list<int> ports) {
        state.PortOpen.fill(false);
        for (int p : ports)
            state.PortOpen[p] = true;
    }
    void rebuild() { table->RebuildTable(state, averaging); }
    bool row() { return table->BuildRow(*benches, state, averaging); }
    // Only the named group shown (no single columns), for value tests.
    void only(bool TSettingsPanel::*box) {
        TSettingsPanel s;
        s.TimeStamp = s.GasConcentration = false;
        s.*box = true;
        state.Settings = s;
    }
    QString cell(int r, int c) const { return table->Cell(r, c); }

private slots:
    void init() {
        clock = std::make_unique<ManualClockScope>();
        benches = std::make_unique<std::array<TBench, 4>>();
        table = std::make_unique<TDataTable>();
        state = TWindowState{};
        state.GridHeight = heightFor(16);
        averaging = TAveraging{};
    }
    void cleanup() {
        table.reset();
        benches.reset();
        clock.reset();
    }

    void twoBenchesTimeAndGas() {
        open({0, 1});
        rebuild();
        QCOMPARE(table->ColumnCount, 11);
        QCOMPARE(table->FirstActive, 0);
        QCOMPARE(table->LastActive, 1);
        QCOMPARE(table->ActiveCount, 2);
        QCOMPARE(table->TimeColumn, 0);
        QCOMPARE(table->AcceptColumn, -1);
        QCOMPARE(table->GroupStart[GroupGasConcentration][0], 1);
        QCOMPARE(table->GroupStart[GroupGasConcentration][1], 6);
        QCOMPARE(table->GroupStart[GroupDemodulatedIR][0], -1);
        QCOMPARE(table->RowText(0),
                 QStringLiteral("    Time     ") +
                     QStringLiteral("  CO2 [%]  CO [%]  Ethanol [ppm]  O2 [%]  NO [ppm]").repeated(2));
        const QStringList row1 = {"", "  Bn 1", "", "  [ppm]", "", "", "  Bn 2", "", "  [ppm]", "", ""};
        for (int c = 0; c < 11; ++c)
            QCOMPARE(cell(1, c), row1.at(c));
    }

    void groupsFollowLayoutOrderBenchesSideBySide() {
        // Benches 2 and 4 active: bench 4 is the second of each group. Raw NO/O2 adjacent per bench.
        open({1, 3});
        state.Settings.AcceptCountChk = true;
        state.Settings.RelativeTime = true;
        state.Settings.RawNoxO2 = true;
        state.Settings.Offset = true;
        rebuild();
        QCOMPARE(table->FirstActive, 1);
        QCOMPARE(table->LastActive, 3);
        QCOMPARE(table->AcceptColumn, 0);
        QCOMPARE(table->TimeColumn, 1);
        QCOMPARE(table->RelTimeColumn, 2);
        QCOMPARE(table->GroupStart[GroupOffset][1], 3);
        QCOMPARE(table->GroupStart[GroupOffset][3], 7);
        QCOMPARE(table->GroupStart[GroupGasConcentration][1], 11);
        QCOMPARE(table->GroupStart[GroupGasConcentration][3], 16);
        QCOMPARE(table->GroupStart[GroupRawNoxO2][1], 21);
        QCOMPARE(table->GroupStart[GroupRawNoxO2][3], 23);
        QCOMPARE(table->GroupStart[GroupRawNoxO2][0], -1);
        QCOMPARE(table->ColumnCount, 25);
        QCOMPARE(cell(0, 0), QStringLiteral("Accept"));
        QCOMPARE(cell(0, 2), QStringLiteral("  RTime   "));
        QCOMPARE(cell(1, 23), QStringLiteral("  Bn 4"));
        QCOMPARE(cell(0, 24), QStringLiteral("Raw O2 "));
    }

    void noBenchNoColumns() {
        open({});
        rebuild();
        QCOMPARE(table->ColumnCount, 0);
        QCOMPARE(table->FirstActive, -1);
        QCOMPARE(table->LastActive, 0);
        QCOMPARE(table->RowText(0), QString());
    }

    void rowCountFromGridHeight_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("rows");
        QTest::newRow("16 rows") << 272 << 16;
        QTest::newRow("partial row dropped") << 287 << 16;
        QTest::newRow("small grid keeps 14") << 100 << 14;
    }
    void rowCountFromGridHeight() {
        QFETCH(int, height);
        QFETCH(int, rows);
        open({0});
        state.GridHeight = height;
        rebuild();
        QCOMPARE(table->RowCount, rows);
    }

    // RowCount 16, 4 samples per mean, Mean+STDEV: means in rows 2-8, deviations in row 10, samples
    // in rows 12-15; integer means truncate toward zero.
    void meanStdevRowAreas() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        averaging = {Items::AverageStdev, 4};
        rebuild();
        QCOMPARE(table->StatRow, 10);
        QCOMPARE(table->AreaTop, 11);
        const int co2[4] = {10, 20, 30, 41};
        for (int i = 0; i < 4; ++i) {
            b(0).DemodCo2 = uint32_t(co2[i]);
            b(0).DemodCo = uint32_t(-co2[i]);
            b(0).DemodHc = uint32_t(i == 3 ? 5 : 0);
            QCOMPARE(row(), i == 3);
            QCOMPARE(cell(12 + i, 0), QString::asprintf("%8d", co2[i]));
        }
        QCOMPARE(table->MeanRow, 2);
        QCOMPARE(cell(2, 0), QStringLiteral("      25"));
        QCOMPARE(cell(2, 1), QStringLiteral("     -25"));
        // 0, 0, 0, 5: a deviation of exactly 2.5.
        QCOMPARE(cell(10, 2), QStringLiteral("    2.5000"));
        for (int r : {3, 9, 11})
            QVERIFY2(table->RowText(r).isEmpty(), qPrintable(QString::number(r)));

        // Eight more blocks of 100 x k: the mean area fills rows 2-8, then scrolls twice, every row
        // moving up by one.
        for (int block = 1; block <= 8; ++block)
            for (int i = 0; i < 4; ++i) {
                b(0).DemodCo2 = uint32_t(100 * block);
                row();
            }
        QCOMPARE(table->MeanRow, 8);
        for (int r = 2; r <= 8; ++r)
            QCOMPARE(cell(r, 0), QString::asprintf("%8d", 100 * r));
        QVERIFY(table->RowText(9).isEmpty());
        // The sample area keeps the last four samples.
        for (int r = 12; r <= 15; ++r)
            QCOMPARE(cell(r, 0), QStringLiteral("     800"));
    }

    void deviationFormats() {
        // A deviation of 2.5: six decimals without width in the first demodulated column, "%10.4f" in
        // the others and in every other group.
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        state.Settings.GasConcentration = true;
        averaging = {Items::AverageStdev, 4};
        rebuild();
        for (int v : {0, 0, 0, 5}) {
            b(0).DemodCo2 = b(0).DemodCo = uint32_t(v);
            b(0).NO = v;
            row();
        }
        QCOMPARE(cell(table->StatRow, 0), QStringLiteral("2.500000"));
        QCOMPARE(cell(table->StatRow, 1), QStringLiteral("    2.5000"));
        QCOMPARE(cell(table->StatRow, 4 + 4), QStringLiteral("    2.5000"));
        // Mean of NO, whole-numbered samples, with two decimals.
        QCOMPARE(cell(table->MeanRow, 8), QStringLiteral("   1.25"));
    }

    // Steady readings: a large mean with a small spread. O2 alternating 20.90 / 20.91 % has a sample
    // deviation of 0.0058; demodulated counts near 2e9 and a 32-bit raw NO near 3e9 spread by
    // -2, -1, +1, +2 have 1.8257. The means stay those of the single-precision and integer sums.
    void deviationOfALargeMeanWithSmallSpread() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        state.Settings.GasConcentration = state.Settings.RawNoxO2 = true;
        averaging = {Items::AverageStdev, 4};
        rebuild();
        const int spread[4] = {0, 1, 3, 4};
        for (int i = 0; i < 4; ++i) {
            b(0).O2 = 2090 + i % 2;
            b(0).DemodCo2 = b(0).DemodCo = 2000000000u + uint32_t(spread[i]);
            b(0).RawNO = 3000000000u + uint32_t(spread[i]);
            QCOMPARE(row(), i == 3);
        }
        const int stat = table->StatRow, mean = table->MeanRow;
        QCOMPARE(cell(stat, 4 + 3), QStringLiteral("    0.0058"));
        QCOMPARE(cell(mean, 4 + 3), QStringLiteral("  20.90"));
        QCOMPARE(cell(stat, 0), QStringLiteral("1.825742"));
        QCOMPARE(cell(stat, 1), QStringLiteral("    1.8257"));
        QCOMPARE(cell(mean, 0), QStringLiteral("2000000002"));
        QCOMPARE(cell(stat, 9), QStringLiteral("    1.8257"));
        QCOMPARE(cell(mean, 9), QStringLiteral("3000000002"));
        // Constant columns have no spread at all.
        QCOMPARE(cell(stat, 2), QStringLiteral("    0.0000"));
        QCOMPARE(cell(stat, 4), QStringLiteral("    0.0000"));
    }

    void oneSampleBlockHasNoDeviation_data() {
        QTest::addColumn<int>("samples");
        QTest::newRow("1") << 1;
        QTest::newRow("0") << 0;
    }
    void oneSampleBlockHasNoDeviation() {
        QFETCH(int, samples);
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        averaging = {Items::AverageStdev, samples};
        rebuild();
        b(0).DemodCo2 = 1234;
        QVERIFY(row());
        QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("    1234"));
        QCOMPARE(cell(table->StatRow, 0), QStringLiteral("     n/a"));
        QCOMPARE(cell(table->StatRow, 1), QStringLiteral("       n/a"));
        QVERIFY(row());
        QCOMPARE(table->MeanRow, 3);
    }

    void moreThanEightSamplesPerMean() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        averaging = {Items::AverageMean, 10};
        rebuild();
        QCOMPARE(table->VisibleSamples, 8);
        for (int i = 1; i <= 10; ++i) {
            b(0).DemodCo2 = uint32_t(i);
            QCOMPARE(row(), i == 10);
        }
        // Sum 55 over all ten samples, but only the last eight on screen.
        QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("       5"));
        QCOMPARE(table->AreaTop, 16 - 8 - 1);
        QCOMPARE(cell(table->AreaTop + 1, 0), QStringLiteral("       3"));
        QCOMPARE(cell(15, 0), QStringLiteral("      10"));
        QVERIFY(table->RowText(table->AreaTop).isEmpty());
    }

    void withoutAveragingSamplesFillAndScroll() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        rebuild();
        for (int i = 1; i <= 14; ++i) {
            b(0).DemodCo2 = uint32_t(i);
            QVERIFY(row());
            QCOMPARE(table->StatRow, table->MeanRow);
        }
        QCOMPARE(table->MeanRow, 15);
        QCOMPARE(cell(2, 0), QStringLiteral("       1"));
        b(0).DemodCo2 = 15;
        row();
        QCOMPARE(cell(2, 0), QStringLiteral("       2"));
        QCOMPARE(cell(15, 0), QStringLiteral("      15"));
        QCOMPARE(table->MeanRow, 15);
    }

    void valuesScalingsAndFormats() {
        open({0});
        TSettingsPanel s;
        s.TimeStamp = false;
        s.MinMaxADC = s.Temperatures = s.AmbTemp = s.Pressures = s.AmbPressure = s.RawNoxO2 = s.Pef = true;
        state.Settings = s;
        averaging = {Items::AverageMean, 2};
        rebuild();
        TBench& x = b(0);
        x.Co2 = -200;
        x.Co = 1234;
        x.Hc = 100000;
        x.O2 = 2090;
        x.NO = 57;
        x.MinAdc = {-5, 1, 2, 3};
        x.MaxAdc = {30000, 11, 12, 13};
        x.DetCelTemp = -12.0f;
        x.DetSrcTemp = 350.0f;
        x.DetEthanolTemp = 41;
        x.AmbientTemp = 25.0f;
        x.AbsPressure = 7600.0f;
        x.GagePressure = -3.0f;
        x.AmbPressure = 7590.0f;
        x.RawNO = 3000000000u;
        x.RawO2 = -7;
        x.Pef = 0.5f;
        row();
        const QString samples = table->RowText(table->SampleRow);
        QCOMPARE(samples,
                 QStringLiteral("  -2.00  1.234   100000  20.90    57") +
                     QStringLiteral("      -5   30000       1      11       2      12       3      13") +
                     QStringLiteral("   -12   350    41  25.0  7600    -3  7590") +
                     QStringLiteral("3000000000    -7 0.500"));
        QVERIFY(row());
        QCOMPARE(table->RowText(table->MeanRow),
                 QStringLiteral("  -2.00  1.234   100000  20.90  57.00") +
                     QStringLiteral("      -5   30000       1      11       2      12       3      13") +
                     QStringLiteral("   -12   350    41  25.0  7600    -3  7590") +
                     QStringLiteral("3000000000    -7 0.500"));
    }

    void hcDivisor100() {
        open({0});
        only(&TSettingsPanel::GasConcentration);
        state.Settings.HCDivisorRadioGroup = Items::HCDivisor100;
        averaging = {Items::AverageMean, 1};
        rebuild();
        b(0).Hc = 100001;
        row();
        QCOMPARE(cell(table->SampleRow, 2), QStringLiteral("  1000.01"));
        QCOMPARE(cell(table->MeanRow, 2), QStringLiteral("  1000.01"));
    }

    void largeCountsDoNotWrapTheSum() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        averaging = {Items::AverageMean, 2};
        rebuild();
        b(0).DemodCo2 = 2000000000u;
        row();
        row();
        QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("2000000000"));
    }

    void singleCellsOnFirstActiveBenchOnly() {
        open({1, 2});
        state.Settings.AcceptCountChk = true;
        state.Settings.RelativeTime = true;
        averaging = {Items::AverageStdev, 2};
        clock->clock.SetTexts(QStringLiteral("01/02/2026"), QStringLiteral("10:00:01"));
        table = std::make_unique<TDataTable>(); // relative time counts from here
        rebuild();
        clock->clock.Advance(5000);
        row();
        QCOMPARE(cell(table->SampleRow, 0), QStringLiteral("     1"));
        QCOMPARE(cell(table->SampleRow, 1), QStringLiteral("10:00:01  "));
        QCOMPARE(cell(table->SampleRow, 2), QStringLiteral("         5"));
        clock->clock.Advance(1000);
        row();
        for (int r : {table->MeanRow, table->StatRow}) {
            QCOMPARE(cell(r, 1), QStringLiteral("10:00:01  "));
            QCOMPARE(cell(r, 2), QStringLiteral("         6"));
        }
    }

    void timeCellsAreFormattedOncePerSecond() {
        // Rows come hundreds of times a second: the time of day is formatted when the second changes,
        // and every row of one second shows the same texts.
        struct CountingClock : ManualClock {
            mutable int longTimes = 0;
            QString LongTime() const override {
                ++longTimes;
                return ManualClock::LongTime();
            }
        } counting;
        SetClock(&counting);
        counting.SetTexts(QStringLiteral("01/02/2026"), QStringLiteral("10:00:01"));
        open({0});
        state.Settings.RelativeTime = true;
        table = std::make_unique<TDataTable>();
        rebuild();
        for (int i = 0; i < 50; ++i) {
            row();
            QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("10:00:01  "));
            QCOMPARE(cell(table->MeanRow, 1), QStringLiteral("         0"));
        }
        QCOMPARE(counting.longTimes, 1);
        counting.Advance(1000);
        counting.SetTexts(QStringLiteral("01/02/2026"), QStringLiteral("10:00:02"));
        row();
        QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("10:00:02  "));
        QCOMPARE(cell(table->MeanRow, 1), QStringLiteral("         1"));
        // A clock put back is followed as well.
        counting.Advance(-1000);
        counting.SetTexts(QStringLiteral("01/02/2026"), QStringLiteral("10:00:01"));
        row();
        QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("10:00:01  "));
        QCOMPARE(cell(table->MeanRow, 1), QStringLiteral("         0"));
        QCOMPARE(counting.longTimes, 3);
        SetClock(&clock->clock);
    }

    void offsetsWithoutAveraging() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        state.Settings.Offset = true;
        rebuild();
        b(0).DemodCo2 = 1000;
        b(0).DemodCo = 0; // a zero reference keeps its column at 0
        row();
        QCOMPARE(cell(table->MeanRow, 4), QStringLiteral("      0"));
        table->OffsetBtnClick(true);
        row(); // reference taken from this sample, and applied to it
        QVERIFY(table->OffsetRefValid[0]);
        QVERIFY(!table->OffsetCapture[0]);
        QCOMPARE(cell(table->MeanRow, 4), QStringLiteral("      0"));
        b(0).DemodCo2 = 900;
        row();
        QCOMPARE(cell(table->MeanRow, 4), QStringLiteral("   1000"));
        b(0).DemodCo2 = 1100;
        b(0).DemodCo = 77;
        row();
        QCOMPARE(cell(table->MeanRow, 4), QStringLiteral("  -1000"));
        QCOMPARE(cell(table->MeanRow, 5), QStringLiteral("      0"));
        // References survive a rebuild; the button with the box unticked switches offsets off.
        rebuild();
        QVERIFY(table->OffsetRefValid[0]);
        table->OffsetBtnClick(false);
        row();
        QCOMPARE(cell(table->MeanRow, 4), QStringLiteral("      0"));
    }

    void offsetReferenceFromBlockMeans() {
        open({0});
        only(&TSettingsPanel::DemodulatedIR);
        state.Settings.Offset = true;
        averaging = {Items::AverageStdev, 2};
        rebuild();
        table->OffsetBtnClick(true);
        b(0).DemodCo2 = 1000;
        row();
        b(0).DemodCo2 = 1003;
        row();
        QCOMPARE(table->OffsetRef[0][0], 1001);
        // The block's own offset columns already use the new reference.
        QCOMPARE(cell(table->SampleRow, 4), QStringLiteral("    -19"));
        b(0).DemodCo2 = 901;
        row();
        QCOMPARE(cell(table->SampleRow, 4), QStringLiteral("    999"));
    }

    void offsetsStayZeroWithoutDemodulatedGroup() {
        open({0});
        only(&TSettingsPanel::Offset);
        rebuild();
        table->OffsetBtnClick(true);
        for (uint32_t v : {1000u, 500u}) {
            b(0).DemodCo2 = v;
            row();
            QCOMPARE(cell(table->MeanRow, 0), QStringLiteral("      0"));
        }
        QVERIFY(!table->OffsetRefValid[0]);
    }

    void moreThan64Columns() {
        open({0, 1, 2, 3});
        TSettingsPanel s;
        s.AcceptCountChk = s.RelativeTime = true;
        s.DemodulatedIR = s.Offset = s.MinMaxADC = s.Temperatures = s.AmbTemp = s.Pressures = s.AmbPressure =
            s.RawNoxO2 = s.Pef = true;
        state.Settings = s;
        QSignalSpy reset(table.get(), &TDataTable::Reset);
        rebuild();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(table->ColumnCount, 3 + 4 * 31);
        QVERIFY(table->GridColumns() >= table->ColumnCount);
        QCOMPARE(table->GroupStart[GroupPef][3], 126);
        QCOMPARE(cell(0, 126), QStringLiteral("  PEF "));
        QCOMPARE(cell(1, 126), QStringLiteral("  Bn 4"));
        b(3).Pef = 1.25f;
        QSignalSpy changed(table.get(), &TDataTable::RowsChanged);
        row();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(cell(2, 126), QStringLiteral(" 1.250"));
        QVERIFY(table->RowText(2).endsWith(QStringLiteral(" 1.250")));
        // A narrower layout goes back to 64 grid columns with nothing left over.
        state.Settings = TSettingsPanel{};
        rebuild();
        QCOMPARE(table->GridColumns(), TDataTable::DefaultGridColumns);
        QCOMPARE(cell(2, 126), QString());
    }
};

QTEST_GUILESS_MAIN(TestDataTable)
#include "test_data_table.moc"
