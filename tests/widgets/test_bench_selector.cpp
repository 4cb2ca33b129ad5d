// The single-bench selector: the selection rule as a table of cases, and the widget that shows it.
#include "bench_selector.h"
#include "screen_hook.h"

#include <QTest>

namespace {
using Flags = std::array<bool, 4>;

Flags flags(const char* bits) {
    Flags f{};
    for (int i = 0; i < 4; ++i)
        f[size_t(i)] = bits[i] == '1';
    return f;
}

struct Boxes : IActivationBoxes {
    Flags active{};
    bool BenchBoxActive(int bench) const override { return active[size_t(bench)]; }
};
} // namespace

class TestBenchSelector : public QObject {
    Q_OBJECT

private slots:
    // usable / checked before / selected before -> checked after / selected after (enabled = usable)
    void rule_data() {
        QTest::addColumn<QString>("usable");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("checkedAfter");
        QTest::addColumn<int>("selectedAfter");
        QTest::addRow("no bench usable") << "0000"
                                         << "0000" << -1 << "0000" << -1;
        QTest::addRow("bench 1 activated selects it") << "1000"
                                                      << "0000" << -1 << "1000" << 0;
        QTest::addRow("bench 3 activated keeps bench 1") << "1010"
                                                         << "1000" << 0 << "1000" << 0;
        QTest::addRow("bench 1 deactivated selects bench 3") << "0010"
                                                             << "1000" << 0 << "0010" << 2;
        QTest::addRow("1 and 3 usable, none checked: the highest") << "1010"
                                                                   << "0000" << -1 << "0010" << 2;
        QTest::addRow("all usable, none checked: bench 4") << "1111"
                                                           << "0000" << -1 << "0001" << 3;
        QTest::addRow("selected bench lost, none left") << "0000"
                                                        << "0100" << 1 << "0000" << -1;
        QTest::addRow("checked button wins over the highest") << "1111"
                                                              << "0100" << 1 << "0100" << 1;
        QTest::addRow("a checked button becomes the selection") << "1100"
                                                                << "0100" << -1 << "0100" << 1;
        QTest::addRow("a stale check on a disabled button is cleared") << "1000"
                                                                       << "0010" << -1 << "1000" << 0;
    }
    void rule() {
        QFETCH(QString, usable);
        QFETCH(QString, checked);
        QFETCH(int, selected);
        QFETCH(QString, checkedAfter);
        QFETCH(int, selectedAfter);
        TBenchSelection before;
        before.Checked = flags(qPrintable(checked));
        before.SelectedBench = selected;
        const TBenchSelection after = SettleBenchSelection(flags(qPrintable(usable)), before);
        QCOMPARE(after.Enabled, flags(qPrintable(usable)));
        QCOMPARE(after.Checked, flags(qPrintable(checkedAfter)));
        QCOMPARE(after.SelectedBench, selectedAfter);
    }

    void widgetFollowsTheRuleAndClicks() {
        TBenchSelector selector(QStringLiteral("X714"));
        QCOMPARE(selector.objectName(), QStringLiteral("GrpBench"));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(selector.Button(i)->objectName(), QStringLiteral("BB%1").arg(i + 1));
            QCOMPARE(selector.Button(i)->text(), QString::number(i + 1));
            QVERIFY(!selector.Button(i)->isEnabled());
        }
        QCOMPARE(selector.SelectedBench(), -1);

        Boxes boxes;
        boxes.active = flags("1010");
        selector.Refresh(boxes);
        QCOMPARE(selector.SelectedBench(), 2);
        QVERIFY(selector.Button(2)->isChecked());
        QVERIFY(!selector.Button(1)->isEnabled());

        QList<int> clicked;
        connect(&selector, &TBenchSelector::Clicked, this, [&](int b) { clicked << b; });
        selector.Button(0)->click();
        QCOMPARE(selector.SelectedBench(), 0);
        QCOMPARE(clicked, QList<int>{0});
        QVERIFY(!selector.Button(2)->isChecked());

        // The selected bench goes away: its button is unchecked (which an exclusive group alone
        // refuses) and the remaining bench is taken.
        boxes.active = flags("0010");
        selector.Refresh(boxes);
        QVERIFY(!selector.Button(0)->isChecked());
        QCOMPARE(selector.SelectedBench(), 2);
        boxes.active = flags("0000");
        selector.Refresh(boxes);
        QCOMPARE(selector.SelectedBench(), -1);
        for (int i = 0; i < 4; ++i)
            QVERIFY(!selector.Button(i)->isChecked());
    }
};

QTEST_MAIN(TestBenchSelector)
#include "test_bench_selector.moc"
