// "x714ctl sim" for real: it prints one "COMn DEVICE" line per bench, links them, answers a frame
// written to a link, and on SIGINT or SIGTERM removes its links and exits 0. A second simulator on
// the same drive C leaves a running one's links alone. Bad arguments exit 2.
#include "paths.h"
#include "sim_params.h"
#include "sim_peer.h"
#include "tool_process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class TestSimCli : public QObject {
    Q_OBJECT

    static QString comLink(int n) { return DriveCDir() + QStringLiteral("/dev/COM%1").arg(n); }

    // Starts the simulator and reads its device lines.
    static QStringList start(QProcess& p, const QStringList& args, int benches) {
        return StartSimulatorProcess(p, args, benches);
    }

    // Signals the simulator, never pid 0 (this whole process group) when it has already ended.
    static void signal(QProcess& p, int sig) {
        if (p.processId() > 0) ::kill(pid_t(p.processId()), sig);
    }

    static QByteArray exchange(const QString& device, const QByteArray& frame, int expectBytes) {
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return {};
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
        [[maybe_unused]] const ssize_t w = ::write(fd, frame.constData(), size_t(frame.size()));
        QByteArray got;
        (void)QTest::qWaitFor(
            [&] {
                char buf[512];
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n > 0) got.append(buf, int(n));
                return got.size() >= expectBytes;
            },
            5000);
        ::close(fd);
        return got;
    }

private slots:
    // Links a failed test left behind (a killed simulator does not remove its own) must not fail the next.
    void cleanup() {
        for (int n = 1; n <= 4; ++n)
            if (QFileInfo(comLink(n)).isSymLink()) QFile::remove(comLink(n));
    }

    void servesUntilSignalled_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void servesUntilSignalled() {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString list = dir.filePath("ParamLst.c");
        QProcess p;
        const QStringList lines =
            start(p, {"--benches", "2", "--rate", "10", "--refuse", "2:05:03", "--param-list", list}, 2);
        QCOMPARE(lines.size(), 2);
        QFile listFile(list);
        QVERIFY(listFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(listFile.readAll()), SimParameterListText());
        for (int n = 1; n <= 2; ++n) {
            const QStringList parts = lines.at(n - 1).split(' ');
            QCOMPARE(parts.size(), 2);
            QCOMPARE(parts.at(0), QStringLiteral("COM%1").arg(n));
            QVERIFY(parts.at(1).startsWith("/dev/pts/"));
            QCOMPARE(QFileInfo(comLink(n)).symLinkTarget(), parts.at(1));
        }
        QVERIFY(!QFileInfo::exists(comLink(3)));

        const QList<Reply> id = SplitReplies(exchange(comLink(1), Bytes({0x02, 0x01, 0x04, 0xF9}), 38));
        QCOMPARE(id.size(), 1);
        QCOMPARE(id.first().kind, uint8_t(0x06));
        QCOMPARE(id.first().code, uint8_t(0x04));
        QCOMPARE(id.first().data.size(), 34);
        // The fault option: bench 2 refuses $05 with code 03.
        const QList<Reply> refused = SplitReplies(exchange(comLink(2), Frame(0x05), 5));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().kind, uint8_t(0x15));
        QCOMPARE(refused.first().at(0), uint8_t(0x03));

        TestSimCli::signal(p, signal);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QFileInfo(comLink(1)).isSymLink());
        QVERIFY(!QFileInfo(comLink(2)).isSymLink());
    }

    // A second simulator refuses the links of one that is running (exit 2, the links untouched and
    // still served); once that one is gone (killed, its links left behind) the links are replaced.
    void secondSimulatorLeavesLiveLinks() {
        QProcess first;
        const QStringList lines = start(first, {"--benches", "2"}, 2);
        QCOMPARE(lines.size(), 2);
        const QString device1 = lines.at(0).section(' ', 1);
        const QString device2 = lines.at(1).section(' ', 1);

        QProcess second;
        second.start(QStringLiteral(X714CTL_PATH), {"sim", "--benches", "2"});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(second.readAllStandardError());
        QVERIFY2(err.contains(comLink(1) + " points at " + device1 +
                              ", the device of another simulator that is running; stop that one first"),
                 qPrintable(err));
        QVERIFY(second.readAllStandardOutput().isEmpty());
        QCOMPARE(QFileInfo(comLink(1)).symLinkTarget(), device1);
        QCOMPARE(QFileInfo(comLink(2)).symLinkTarget(), device2);
        QCOMPARE(SplitReplies(exchange(comLink(2), Frame(0x04), 38)).size(), 1);

        signal(first, SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        QVERIFY(QFileInfo(comLink(1)).isSymLink());
        QProcess third;
        const QStringList again = start(third, {"--benches", "2"}, 2);
        QCOMPARE(again.size(), 2);
        QCOMPARE(QFileInfo(comLink(1)).symLinkTarget(), again.at(0).section(' ', 1));
        QCOMPARE(QFileInfo(comLink(2)).symLinkTarget(), again.at(1).section(' ', 1));
        QCOMPARE(SplitReplies(exchange(comLink(1), Frame(0x04), 38)).size(), 1);
        signal(third, SIGTERM);
        QVERIFY(third.waitForFinished(5000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(!QFileInfo(comLink(1)).isSymLink());
    }

    // --noise B:N:any puts N bytes of any value (kind bytes included) before every reply; with the
    // same --seed two runs send the same bytes, with another seed others.
    void anyByteNoiseFollowsTheSeed() {
        auto noisyIdentity = [&](const QString& seed) {
            QProcess p;
            const QStringList lines = start(p, {"--benches", "1", "--noise", "1:300:any", "--seed", seed}, 1);
            const QByteArray got =
                lines.size() == 1 ? exchange(comLink(1), Frame(0x04), 300 + 38) : QByteArray();
            signal(p, SIGTERM);
            p.waitForFinished(5000);
            return got;
        };
        const QByteArray got = noisyIdentity("9");
        QCOMPARE(got.size(), 300 + 38);
        const QList<Reply> reply = SplitReplies(got.right(38));
        QCOMPARE(reply.size(), 1);
        QCOMPARE(reply.first().code, uint8_t(0x04));
        QVERIFY(reply.first().checksumOk);
        QVERIFY(got.left(300).contains(char(0x06)) || got.left(300).contains(char(0x15)));
        QCOMPARE(noisyIdentity("9"), got);
        QVERIFY(noisyIdentity("10") != got);
    }

    // A file that is not a link stands where a link should go: nothing is served, exit 2.
    void fileInTheWay() {
        QDir().mkpath(DriveCDir() + "/dev");
        QFile file(comLink(2));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QProcess p;
        p.start(QStringLiteral(X714CTL_PATH), {"sim", "--benches", "2"});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains("COM2 exists and is not a link"));
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QVERIFY(!QFileInfo(comLink(1)).isSymLink());
        QVERIFY(QFile::remove(comLink(2)));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("five benches") << QStringList{"--benches", "5"} << "--benches must be 1 to 4";
        QTest::newRow("no bench count") << QStringList{"--benches"} << "--benches needs a number";
        QTest::newRow("rate text") << QStringList{"--rate", "fast"} << "--rate must be";
        QTest::newRow("rate nan") << QStringList{"--rate", "nan"} << "--rate must be 0.1 to 1000";
        QTest::newRow("rate inf") << QStringList{"--rate", "inf"} << "--rate must be 0.1 to 1000";
        QTest::newRow("rate negative") << QStringList{"--rate", "-5"} << "--rate must be 0.1 to 1000";
        QTest::newRow("rate above 1000") << QStringList{"--rate", "1000.5"} << "--rate must be 0.1 to 1000";
        QTest::newRow("time-scale nan") << QStringList{"--time-scale", "nan"} << "--time-scale must be";
        QTest::newRow("time-scale inf") << QStringList{"--time-scale", "-inf"} << "--time-scale must be";
        QTest::newRow("time-scale text") << QStringList{"--time-scale", "2x"} << "--time-scale must be";
        QTest::newRow("noise mode") << QStringList{"--noise", "1:5:all"} << "--noise needs B:N or B:N:any";
        QTest::newRow("seed 0") << QStringList{"--seed", "0"} << "--seed must be 1 to 2147483647";
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << "unknown argument '--frobnicate'";
        QTest::newRow("refuse code") << QStringList{"--refuse", "1:zz:01"} << "--refuse needs B:CODE:NAK";
        QTest::newRow("status byte 16")
            << QStringList{"--status", "1:16:01"} << "--status needs B:BYTE:VALUE";
        QTest::newRow("status value") << QStringList{"--status", "1:3:1FF"} << "--status needs B:BYTE:VALUE";
        QTest::newRow("fault on bench 3 of 2")
            << QStringList{"--benches", "2", "--corrupt", "3:1"} << "bench must be 1 to 2";
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess p;
        p.start(QStringLiteral(X714CTL_PATH), QStringList{"sim"} + args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(err.contains("usage: x714ctl sim"));
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QVERIFY(!QFileInfo(comLink(1)).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSimCli)
#include "test_sim_cli.moc"
