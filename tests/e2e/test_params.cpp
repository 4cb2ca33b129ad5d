// x714ctl params as a process over pseudo-terminals against two simulated benches: the whole set
// uploaded from one, downloaded to the other (which then holds it in flash), a diff that finds nothing
// and one that finds the changed parameter, and a bad file that sends nothing.
#include "sim_params.h"
#include "simulator.h"
#include "test_files.h"
#include "tool_process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
using Run = ToolResult;
} // namespace

class TestParams : public QObject {
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
    QTemporaryDir dir;

    // Runs the tool while this process's event loop serves the simulator.
    Run params(const QStringList& args) {
        return RunTool(QStringList{"params"} + args + QStringList{"--pace", "1"}, 120000, dir.path());
    }

private slots:
    void init() {
        sim = std::make_unique<Simulator>();
        QString error;
        QVERIFY2(sim->Start(2, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
        sim->Bench(1).SkipStartUp();
        // The upload names the parameters from the list in the tool's working directory.
        QVERIFY(WriteSimParameterList(dir.filePath(QStringLiteral("ParamLst.c"))));
    }
    void cleanup() { sim.reset(); }

    void uploadDownloadDiff() {
        const QString file = dir.filePath(QStringLiteral("bench1.CAL"));
        QFile::remove(file);
        // Bench 1 carries a value of its own in working memory that only a load from flash replaces.
        sim->Bench(0).SetRamParam(300, "9.9");
        Run r = params({"upload", sim->DevicePath(0), file}); // parameters 0 to 500
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(r.out.startsWith(QLatin1String("Successful  Upload: 380 parameters written to")),
                 qPrintable(r.out));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("tryfile.txt"))));
        QFile uploaded(file);
        QVERIFY(uploaded.open(QIODevice::ReadOnly));
        QVERIFY(uploaded.readAll().contains("// 152 DetTempPoints \r\n  12.4,\t22.6,\t32.5,\t42.7 \r\n"));

        r = params({"download", sim->DevicePath(1), file});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(r.out.startsWith(
                     QLatin1String("Successful  Download: 380 parameters written, read back and stored")),
                 qPrintable(r.out));
        for (int n = 0; n <= 400; ++n) {
            if (sim->Bench(0).RamParam(n).isEmpty() || n >= 380) continue;
            QCOMPARE(sim->Bench(1).FlashParam(n), sim->Bench(0).FlashParam(n));
        }
        QCOMPARE(sim->Bench(1).FlashParam(1), sim->Bench(0).FlashParam(1)); // the serial number too

        r = params({"diff", sim->DevicePath(1), file});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(r.out, QString());

        // A changed parameter is listed with both values.
        sim->Bench(1).SetRamParam(17, "999");
        QVERIFY(params({"download", sim->DevicePath(1), writeFile("one.CAL", "// 17 WarmUpTime\n  999 \n")})
                    .exitCode == 0);
        r = params({"diff", sim->DevicePath(1), file});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QStringLiteral("17 WarmUpTime 480 999\n"));
    }

    void badFileSendsNothing() {
        const Run r = params({"download", sim->DevicePath(1), writeFile("bad.CAL", "// 5\n1\n/ 6\n2\n")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QLatin1String("bad.CAL, line 3: a parameter must begin with")),
                 qPrintable(r.err));
        QCOMPARE(sim->Bench(1).FramesAnswered(), 0);
    }

    void existingUploadFileNeedsForce() {
        const Run r = params({"upload", sim->DevicePath(0), writeFile("there.CAL", "x")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains(QLatin1String("--force")));
    }

private:
    QString writeFile(const char* name, const QByteArray& text) {
        return WriteTestFile(dir.filePath(QLatin1String(name)), text);
    }
};

QTEST_GUILESS_MAIN(TestParams)
#include "test_params.moc"
