// What the gas graphs plot: scaling of a bench's readings, clamping, point labels and limit texts;
// and their two settings files, read and written.
#include "gas_graphs.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray lines(const QStringList& l) {
    return (l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}
QStringList with(QStringList l, int index, const QString& text) {
    l[index] = text;
    return l;
}
template <typename T>
TSettingsRead<T> readBytes(const QByteArray& bytes, bool dot, TSettingsRead<T> (*read)(QIODevice&, bool)) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer, dot);
}
} // namespace

class TestGasGraphs : public QObject {
    Q_OBJECT

private slots:
    void scaling_data() {
        QTest::addColumn<int>("co2");
        QTest::addColumn<int>("co");
        QTest::addColumn<uint>("hc");
        QTest::addColumn<bool>("divisor100");
        QTest::addColumn<QList<double>>("plotted"); // CO2, CO, O2, Ethanol, NO
        QTest::newRow("CO2 in 0.01 %, CO in 0.001 %, HC as is")
            << 1234 << 1500 << 250u << false << QList<double>{12.34, 1.5, 20.9, 250, -3};
        QTest::newRow("HC divisor 100")
            << 1234 << 1500 << 250u << true << QList<double>{12.34, 1.5, 20.9, 2.5, -3};
        QTest::newRow("negative readings")
            << -200 << -1 << 100000u << false << QList<double>{-2.0, -0.001, 20.9, 100000, -3};
    }
    void scaling() {
        QFETCH(int, co2);
        QFETCH(int, co);
        QFETCH(uint, hc);
        QFETCH(bool, divisor100);
        QFETCH(QList<double>, plotted);
        const auto v = ScaleReadings({co2, co, hc, 2090, -3}, divisor100);
        const QList<double> got{v[size_t(Gas::Co2)], v[size_t(Gas::Co)], v[size_t(Gas::O2)],
                                v[size_t(Gas::Ethanol)], v[size_t(Gas::NO)]};
        QCOMPARE(got, plotted);
    }

    void clamping_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("plotted");
        QTest::newRow("above the maximum") << 30.0 << 25.0;
        QTest::newRow("negative") << -0.5 << 0.0;
        QTest::newRow("within") << 12.5 << 12.5;
        QTest::newRow("at the maximum") << 25.0 << 25.0;
    }
    void clamping() {
        QFETCH(double, value);
        QFETCH(double, plotted);
        QCOMPARE(ClampToLimits(value, 0, 25), plotted);
    }

    void labelsAndLimits() {
        QCOMPARE(PointLabelText(42), QStringLiteral("        42"));
        QCOMPARE(PointLabelText(0), QStringLiteral("         0"));
        // The locale of the tests writes a decimal point; what is no number reads as 0.
        QCOMPARE(ParseLimit(QStringLiteral(" 12.5 ")), 12.5);
        QCOMPARE(ParseLimit(QStringLiteral("-3")), -3.0);
        QCOMPARE(ParseLimit(QStringLiteral("12,5")), 0.0);
        QCOMPARE(ParseLimit(QStringLiteral("abc")), 0.0);
        QCOMPARE(ParseLimit(QString()), 0.0);
    }

    void settingsRoundTrip() {
        QTemporaryDir dir;
        TGraph1Settings one;
        one.Channels = {true, false, true, false, true};
        one.LeftMin = QStringLiteral("-1.5");
        one.RightMax = QString(); // an empty text comes back empty
        TGraph2Settings two;
        two.Gases[2] = {true, QStringLiteral("1"), QStringLiteral("250")};
        two.Gases[0].Checked = false;
        QString error;
        QVERIFY(SaveGraph1Settings(dir.filePath("GrSVX421.txt"), one, true, &error));
        QVERIFY(SaveGraph2Settings(dir.filePath("GrSVX422.txt"), two, true, &error));
        QCOMPARE(LoadGraph1Settings(dir.filePath("GrSVX421.txt"), true).Settings, std::optional(one));
        QCOMPARE(LoadGraph2Settings(dir.filePath("GrSVX422.txt"), true).Settings, std::optional(two));

        QFile file(dir.filePath("GrSVX421.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), lines({"1", "1", "0", "1", "0", "1", "-1.5", "100", "0", " "}));

        // A file that cannot be written is reported; nothing is left behind.
        QVERIFY(!SaveGraph1Settings(dir.filePath("missing/GrSVX421.txt"), one, true, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("missing")));
        QVERIFY(!LoadGraph1Settings(dir.filePath("absent.txt"), true).Settings);
    }

    void foreignFilesAreIgnored_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("dot");
        QTest::addColumn<int>("line");
        const QStringList whole = {"1", "1", "1", "1", "1", "1", "0", "5", "0", "50"};
        QTest::newRow("written under a comma, read under a point") << lines(with(whole, 0, "0")) << true << 1;
        QTest::newRow("written under a point, read under a comma") << lines(whole) << false << 1;
        QTest::newRow("ends early") << lines(whole.mid(0, 9)) << true << 10;
        QTest::newRow("empty") << QByteArray() << true << 1;
        QTest::newRow("a line too long for a value")
            << lines(with(whole, 7, QString(600, QLatin1Char('9')))) << true << 8;
    }
    void foreignFilesAreIgnored() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, dot);
        QFETCH(int, line);
        const auto read = readBytes<TGraph1Settings>(bytes, dot, &ReadGraph1Settings);
        QVERIFY(!read.Settings);
        QCOMPARE(read.Line, line);
        QVERIFY(!read.Error.isEmpty());
    }

    void secondFileLayout() {
        // Flag, minimum and maximum per gas in the order CO2, CO, Ethanol, O2, NO; a flag other than
        // "1" is unchecked.
        const QByteArray bytes =
            lines({"1", "1", "0", "20", "yes", "0", "25", "1", "5", "500", "0", "0", "25", "1", "-5", "25"});
        const auto read = readBytes<TGraph2Settings>(bytes, true, &ReadGraph2Settings);
        QVERIFY(read.Settings);
        const auto& g = read.Settings->Gases;
        QCOMPARE((QList<bool>{g[0].Checked, g[1].Checked, g[2].Checked, g[3].Checked, g[4].Checked}),
                 (QList<bool>{true, false, true, false, true}));
        QCOMPARE(g[2].Max, QStringLiteral("500"));
        QCOMPARE(g[4].Min, QStringLiteral("-5"));
        QVERIFY(
            !readBytes<TGraph2Settings>(bytes.left(bytes.size() - 4), true, &ReadGraph2Settings).Settings);
    }
};

QTEST_APPLESS_MAIN(TestGasGraphs)
#include "test_gas_graphs.moc"
