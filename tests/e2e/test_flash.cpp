// x714ctl flash as a process over a pseudo-terminal against a simulated bench: a 256 KiB S3 image
// lands in the bench's flash byte for byte; a refused write, a bad file and a silent bench end as a
// script needs them to.
#include "simulator.h"
#include "srecord_writer.h"
#include "test_files.h"
#include "tool_process.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
constexpr int ImageBytes = 256 * 1024;
using Run = ToolResult;
} // namespace

class TestFlash : public QObject {
    Q_OBJECT

    std::unique_ptr<Simulator> sim;
    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& text) {
        return WriteTestFile(dir.filePath(name), text);
    }
    // Runs the tool while this process's event loop serves the simulator.
    Run flash(const QStringList& args, int timeoutMs = 120000) {
        return RunTool(QStringList{"flash"} + args, timeoutMs);
    }

private slots:
    void init() {
        sim = std::make_unique<Simulator>();
        sim->SetTimeScale(20); // a short erase
        QString error;
        QVERIFY2(sim->Start(1, &error), qPrintable(error));
        sim->Bench(0).SkipStartUp();
    }
    void cleanup() { sim.reset(); }

    void imageLandsByteForByte() {
        QByteArray data(ImageBytes, Qt::Uninitialized);
        QRandomGenerator rng(714);
        for (char& c : data)
            c = char(rng.bounded(256));
        const QString path = writeFile(QStringLiteral("fw.s19"), SRecordImage(data, 0x010000));
        const Run r = flash({sim->DevicePath(0), path});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(
            r.out.startsWith(QLatin1String("Success!!! 8192 records, 262144 bytes, range 00010000-0004FFFF")),
            qPrintable(r.out));
        QVERIFY(r.err.contains(QLatin1String("Erasing Program Sectors")));
        QVERIFY(r.err.contains(QLatin1String("Programming Flash: 8192/8192 records, 100 %")));
        const std::vector<SimBench::FlashSegment> flashed = sim->Bench(0).WrittenFlash();
        QCOMPARE(flashed.size(), size_t(1));
        QCOMPARE(flashed[0].Address, 0x010000u);
        QVERIFY(flashed[0].Bytes == data);
        QCOMPARE(sim->Bench(0).FlashBlocksWritten(), 8192);
        // The reset brought the bench out of its boot program.
        QTRY_VERIFY_WITH_TIMEOUT(!sim->Bench(0).InBootMode(), 5000);
    }

    void refusedWrite() {
        sim->Bench(0).RefuseCode(0x27, 0x01);
        const QString path = writeFile(QStringLiteral("r.s19"), SRecordImage(QByteArray(64, 'a')));
        const Run r = flash({sim->DevicePath(0), path});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.startsWith(QLatin1String("Flash Write Failure, NAK (after 1 of 2 records")),
                 qPrintable(r.out));
    }

    void badFileSendsNothing() {
        const QByteArray text =
            SRecord('3', 0, QByteArray(16, 'x')) + "\n" + SRecord('3', 16, QByteArray(16, 'y'), -1);
        const Run r = flash({sim->DevicePath(0), writeFile(QStringLiteral("b.s19"), text)});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QLatin1String("b.s19, line 2: the checksum is")), qPrintable(r.err));
        QCOMPARE(sim->Bench(0).FramesAnswered(), 0);
    }

    void silentBenchEndsTheRun() {
        sim->Bench(0).SilenceCode(0x26);
        const QString path = writeFile(QStringLiteral("s.s19"), SRecordImage(QByteArray(64, 'a')));
        const Run r = flash({sim->DevicePath(0), path}, 30000);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.startsWith(QLatin1String("The bench stayed silent for 10 s (Erase Requested)")),
                 qPrintable(r.out));
        QVERIFY(r.err.contains(QLatin1String("left in its boot program")));
    }
};

QTEST_GUILESS_MAIN(TestFlash)
#include "test_flash.moc"
