// The parameter list reader: where the table starts, the five fields of an entry, symbolic and long
// element counts, unknown tokens, the terminating entry, the 401-entry limit, and the simulator's
// sample list read back as the table it was written from.
#include "param_list.h"
#include "sim_params.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(TParameterItem)

namespace {
TParameterItem item(const QString& name, int type, int bank, int elements, const QString& text = {}) {
    TParameterItem i;
    i.Name = name;
    i.Type = int8_t(type);
    i.Bank = int8_t(bank);
    i.Elements = int16_t(elements);
    i.ElementsText = text;
    return i;
}

const QByteArray Head = "/* { eInt, &NotAnEntry, eRAM, 2, 7 } */\n#define NUM_X 12\nTParameter List[] = {\n";
} // namespace

class TestParamList : public QObject {
    Q_OBJECT

private slots:
    void entries_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("number");
        QTest::addColumn<TParameterItem>("expected");

        QTest::newRow("scalar") << Head + "  { eFloat, &Gain, eFlash, sizeof(float), 0 },\n"
                                << 1 << 0 << item("Gain", 2, 0, 0);
        QTest::newRow("all types and banks")
            << Head + "{eChar,&a,eFlash,1,0},\n{eString12, Serial, eBoot, 12, 0 },\n"
            << 2 << 1 << item("Serial", 5, 2, 0);
        QTest::newRow("count 12") << Head + "\t{ eInt, Table, eRAM, 2, 12 },\n"
                                  << 1 << 0 << item("Table", 1, 1, 12);
        QTest::newRow("constant's name") << Head + "{ eFloat, Coeff, eFlash, 4, NUM_X},\n"
                                         << 1 << 0 << item("Coeff", 2, 0, -1, "NUM_X");
        QTest::newRow("five digits") << Head + "{ eFloat, Big, eFlash, 4, 12345 },\n"
                                     << 1 << 0 << item("Big", 2, 0, -1, "12345");
        QTest::newRow("expression") << Head + "{ eLong, Sum, eFlash, 4, NUM_X * 2 },\n"
                                    << 1 << 0 << item("Sum", 4, 0, -1, "NUM_X * 2");
        QTest::newRow("unknown tokens") << Head + "{ eWord, &Odd, eROM, 2, 0 },\n"
                                        << 1 << 0 << item("Odd", 0, 0, 0);
        QTest::newRow("missing commas") << Head + "{ eInt, &Cut\n{ eLong, &Next, eRAM, 4, 0 },\n"
                                        << 2 << 1 << item("Next", 4, 1, 0);
        QTest::newRow("entry with missing commas") << Head + "{ eInt, &Cut\n"
                                                   << 1 << 0 << item("Cut", 1, 0, 0);
        QTest::newRow("terminator stored") << Head + "{eInt,&A,eFlash,2,0},\n{ eLong, 0, eFlash, 0, 0 }\n"
                                           << 1 << 1 << item("0", 4, 0, 0);
        QTest::newRow("lines after terminator")
            << Head + "{eInt,&A,eFlash,2,0},\n{ eChar, 0, eFlash, 0, 0 },\n{ eInt, &Late, eRAM, 2, 0 },\n"
            << 1 << 2 << TParameterItem{};
        QTest::newRow("blanks before TParameter")
            << QByteArray("  TParameter List[] = {\n{ eInt, &A, eRAM, 2, 0 },\n") << 0 << 0
            << TParameterItem{};
        QTest::newRow("no table line")
            << QByteArray("{ eInt, &A, eRAM, 2, 0 },\n") << 0 << 0 << TParameterItem{};
        QTest::newRow("long name cut") << Head + "{ eInt, &" + QByteArray(150, 'n') + ", eRAM, 2, 0 },\n"
                                       << 1 << 0 << item(QString(99, QLatin1Char('n')), 1, 1, 0);
    }
    void entries() {
        QFETCH(QByteArray, text);
        QFETCH(int, entries);
        QFETCH(int, number);
        QFETCH(TParameterItem, expected);
        const TParameterListRead read = ParseParameterList(text);
        QVERIFY(!read.Error);
        QCOMPARE(read.Entries, entries);
        const TParameterItem& got = *read.List.Item(number);
        QCOMPARE(got.Name, expected.Name);
        QCOMPARE(got.Type, expected.Type);
        QCOMPARE(got.Bank, expected.Bank);
        QCOMPARE(got.Elements, expected.Elements);
        QCOMPARE(got.ElementsText, expected.ElementsText);
    }

    void atMost401EntriesAreTaken() {
        QByteArray text = Head;
        for (int n = 0; n < 450; ++n)
            text += "{ eInt, &P" + QByteArray::number(n) + ", eFlash, 2, 0 },\n";
        const TParameterListRead read = ParseParameterList(text);
        QCOMPARE(read.Entries, 401);
        QCOMPARE(read.List.Item(400)->Name, QStringLiteral("P400"));
        QVERIFY(!read.List.Item(401));
        QVERIFY(!read.List.Item(-1));
    }

    void theSampleListIsTheSimulatorsTable() {
        const TParameterListRead read = ReadParameterListFile(QStringLiteral(SAMPLE_PARAM_LIST));
        QVERIFY(!read.Error);
        QCOMPARE(read.Entries, 401);
        for (int n = 0; n <= 400; ++n) {
            const SimParamInfo& sim = SimParameter(n);
            const TParameterItem& got = *read.List.Item(n);
            QCOMPARE(got.Name, sim.Name);
            QCOMPARE(int(got.Type), int(sim.Type));
            QCOMPARE(int(got.Bank), int(sim.Bank));
            if (sim.ElementsSymbol.isEmpty()) {
                QCOMPARE(int(got.Elements), sim.Elements);
            } else {
                QCOMPARE(int(got.Elements), -1);
                QCOMPARE(got.ElementsText, sim.ElementsSymbol);
            }
        }
        QCOMPARE(ParamTypeName(read.List.Item(145)->Type), QStringLiteral("Float"));
        QCOMPARE(ParamBankName(read.List.Item(380)->Bank), QStringLiteral("RAM"));
    }

    void missingAndUnreadableFiles() {
        QTemporaryDir dir;
        const TParameterListRead missing = ReadParameterListFile(dir.filePath(QStringLiteral("ParamLst.c")));
        QVERIFY(!missing.Error);
        QCOMPARE(missing.Entries, 0);
        QCOMPARE(missing.List.Item(7)->Name, QString());
        QDir(dir.path()).mkdir(QStringLiteral("ParamLst.c"));
        const TParameterListRead unreadable =
            ReadParameterListFile(dir.filePath(QStringLiteral("ParamLst.c")));
        QVERIFY(unreadable.Error);
        QVERIFY(unreadable.Error->Text().startsWith(QLatin1String("ParamLst.c: ")));
    }
};

QTEST_GUILESS_MAIN(TestParamList)
#include "test_param_list.moc"
