// The simulator's parameter table and its list file: the shipped src/sim/ParamLst.c is the table's
// text, and every entry reads back (type, bank, element count) by the list format's rules.
#include "sim_params.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestSimParams : public QObject {
    Q_OBJECT

private slots:
    void shippedFileIsTheTable() {
        QFile file(QStringLiteral(X714_SIM_SOURCE_DIR "/ParamLst.c"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(file.readAll()), SimParameterListText());
    }

    void entriesFollowTheListFormat() {
        const QStringList lines = SimParameterListText().split('\n');
        const int table = int(lines.indexOf(QRegularExpression("^TParameter.*")));
        QVERIFY(table > 0);
        // { type, name, bank, skipped, elements } with the element count closed by the brace.
        static const QRegularExpression entry(
            "^\\s*\\{\\s*(e\\w+),\\s*&?(\\w+),\\s*(e\\w+),[^,]*,\\s*([^ }]+)\\s*\\}");
        static const QStringList types = {"eChar", "eInt", "eFloat", "eDouble", "eLong", "eString12"};
        static const QStringList banks = {"eFlash", "eRAM", "eBoot"};
        int n = 0;
        for (int i = table + 1; i < lines.size(); ++i) {
            const auto m = entry.match(lines.at(i));
            if (!m.hasMatch()) continue;
            if (m.captured(2) == "0") break;
            const SimParamInfo& p = SimParameter(n);
            QCOMPARE(m.captured(2), p.Name);
            QCOMPARE(types.indexOf(m.captured(1)), int(p.Type));
            QCOMPARE(banks.indexOf(m.captured(3)), int(p.Bank));
            const QString count = m.captured(4);
            QCOMPARE(count, p.ElementsSymbol.isEmpty() ? QString::number(p.Elements) : p.ElementsSymbol);
            QVERIFY(!p.DefaultValue.isEmpty());
            QVERIFY(p.DefaultValue.count(',') < std::max(1, p.Elements));
            ++n;
        }
        QCOMPARE(n, 401);
    }

    // The calibration blocks that the service screens write have room for their values.
    void calibrationParametersHoldTheirBlocks_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("elements");
        for (int n : {117, 126, 131, 141, 257, 272})
            QTest::addRow("span %d", n) << n << 20;
        QTest::newRow("zero temperature coefficients") << 145 << 12;
        QTest::newRow("detector temperatures") << 152 << 4;
        QTest::newRow("cell temperatures") << 153 << 4;
        QTest::newRow("pressures") << 154 << 4;
        QTest::newRow("CO polynomial 1") << 273 << 20;
        QTest::newRow("CO polynomial 2") << 274 << 20;
    }
    void calibrationParametersHoldTheirBlocks() {
        QFETCH(int, number);
        QFETCH(int, elements);
        QCOMPARE(SimParameter(number).Elements, elements);
        QCOMPARE(SimParameter(number).Bank, SimParamBank::Flash);
    }

    void writesTheFile() {
        QTemporaryDir dir;
        QVERIFY(WriteSimParameterList(dir.filePath("ParamLst.c")));
        QString error;
        QVERIFY(!WriteSimParameterList(dir.filePath("missing/ParamLst.c"), &error));
        QVERIFY(error.contains("missing"));
    }
};

QTEST_GUILESS_MAIN(TestSimParams)
#include "test_sim_params.moc"
