// The main log file and the history file: file menu, logging switch, captions, the lines of a logged
// run, manual accept, comments, the line limit, and the history copy with its failures.
#include "acq_fixture.h"
#include "captions.h"
#include "file_size_limit.h"
#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <cerrno>

namespace {
const QString Title = QStringLiteral("KT2093 Application Program for Type X714");
}

class TestMainLog : public QObject {
    Q_OBJECT

    // One bench streaming $01 into a log with logging on; n replies of CO2 counts.
    static void feed(AcqRig& rig, std::initializer_list<int> co2) {
        for (int c : co2)
            rig.reply01(0, Gas{c});
    }

private slots:
    void newFileHoldsExactlyTheCreationNote() {
        AcqRig rig(1);
        const QString path = rig.path(QStringLiteral("a.LOG"));
        rig.dialogs.dialogs.QueueFileName(path);
        rig.a().NewFileClick();
        QCOMPARE(rig.fileBytes(QStringLiteral("a.LOG")),
                 ("MainLogfile " + path + " created 01/02/2026\r\n").toLocal8Bit());
        QVERIFY(rig.a().Log().LogOpen());
        QCOMPARE(rig.a().Log().LogLineCount, 1);
        QVERIFY(rig.a().State.Enabled.Logging);
        QVERIFY(rig.a().State.Enabled.CommentBtn);
        QCOMPARE(rig.a().State.Caption, TitleCaption());
        QCOMPARE(rig.dialogs.dialogs.shown.first().kind, QStringLiteral("save"));
        // Start and stop with logging off leave only the empty line of the stop.
        rig.a().StartBtnClick();
        feed(rig, {1, 2});
        rig.a().StopBtnClick();
        QCOMPARE(rig.fileBytes(QStringLiteral("a.LOG")),
                 ("MainLogfile " + path + " created 01/02/2026\r\n\r\n").toLocal8Bit());
    }

    void cancelledOrFailingNewFile() {
        AcqRig rig(1);
        rig.a().NewFileClick(); // no name queued: cancelled
        QVERIFY(!rig.a().Log().LogOpen());
        QVERIFY(!rig.a().State.Enabled.CommentBtn);
        QVERIFY(rig.dialogs.dialogs.Messages().isEmpty());
        rig.dialogs.dialogs.QueueFileName(rig.path(QStringLiteral("missing/dir/b.LOG")));
        rig.a().NewFileClick();
        QCOMPARE(rig.dialogs.dialogs.Messages(), QStringList{QStringLiteral("Problem with log file!")});
        QVERIFY(!rig.a().Log().LogOpen());
        QVERIFY(!rig.a().State.Enabled.Logging);
    }

    void appendAndCloseCaptions() {
        AcqRig rig(1);
        const QString path = rig.path(QStringLiteral("old.LOG"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier\r\n");
        }
        rig.clock.clock.SetTexts(QStringLiteral("03/04/2026"), QStringLiteral("08:09:10"));
        rig.dialogs.dialogs.QueueFileName(path);
        rig.a().Appendtofile1Click();
        QCOMPARE(rig.dialogs.dialogs.shown.first().kind, QStringLiteral("open"));
        QCOMPARE(rig.a().State.Caption, Title + ", Rev 1.01 - " + path);
        QCOMPARE(rig.fileLines(QStringLiteral("old.LOG")),
                 (QStringList{"earlier", "Logfile " + path + " opened for appending 08:09:10"}));
        QVERIFY(rig.a().State.Enabled.CommentBtn);
        rig.a().CloseFile1Click();
        QCOMPARE(rig.a().State.Caption, QStringLiteral("KT2093 Application Program for Type X714, Rev 1.01"));
        QVERIFY(!rig.a().State.Enabled.CommentBtn);
        QVERIFY(!rig.a().State.Enabled.Logging);
        QCOMPARE(rig.a().Log().File(), nullptr);
    }

    void loggingSwitchCaptionsEmptyLinesAndEnabling() {
        AcqRig rig(1);
        rig.a().State.UserTitle = QStringLiteral(", Computer:");
        const QString path = rig.path(QStringLiteral("run.LOG"));
        // "On" without a file: refused, nothing else happens.
        rig.a().State.Settings.Logging = Items::LoggingOn;
        rig.a().LoggingClick();
        QCOMPARE(rig.dialogs.dialogs.Messages(), QStringList{QStringLiteral("You must open a LogFile!")});
        QCOMPARE(rig.a().State.Caption, TitleCaption());

        rig.a().NewFile(path);
        rig.a().State.Settings.DataRadio = Items::DataManual;
        rig.a().LoggingClick();
        QCOMPARE(rig.a().State.Caption, TitleCaption() + " - " + path + ", Computer:");
        QVERIFY(rig.a().State.Enabled.DataRadio);
        QVERIFY(rig.a().State.Enabled.AcceptBtn);
        rig.a().State.Settings.Logging = Items::LoggingOff;
        rig.a().LoggingClick();
        QCOMPARE(rig.a().State.Caption, TitleCaption() + ", Computer:");
        QVERIFY(!rig.a().State.Enabled.DataRadio);
        QVERIFY(!rig.a().State.Enabled.AcceptBtn);
        // Each switch stopped acquisition, which leaves an empty line.
        QCOMPARE(rig.fileLines().mid(1), (QStringList{"", ""}));
        QCOMPARE(TitleDialogCaption(true, path, "Computer:"), TitleCaption() + " - " + path + ", Computer:");
        QCOMPARE(TitleDialogCaption(false, path, "Computer:"), TitleCaption() + ", Computer:");
    }

    void loggedRunWithDeviations() {
        AcqRig rig(1);
        rig.a().State.Settings.TimeStamp = false;
        rig.a().State.Settings.AveragingRadioGroup = Items::AverageStdev;
        rig.a().State.Settings.AverageEdit = QStringLiteral("2");
        rig.a().ApplySettings();
        rig.openLogAndLog();
        rig.a().StartBtnClick();
        feed(rig, {100, 300, 200, 200, 500});
        rig.a().StopBtnClick();
        const QStringList lines = rig.fileLines();
        QCOMPARE(lines.mid(1), (QStringList{
                                   "", // the switch to "On" stopped acquisition
                                   "  CO2 [%]  CO [%]  Ethanol [ppm]  O2 [%]  NO [ppm]",
                                   "   2.00  0.000        0  20.90   0.00",
                                   "    1.4142    0.0000    0.0000    0.0000    0.0000    STDEV",
                                   "   2.00  0.000        0  20.90   0.00",
                                   "    0.0000    0.0000    0.0000    0.0000    0.0000    STDEV",
                                   "",
                               }));
        QVERIFY(rig.fileBytes().endsWith("STDEV\r\n\r\n"));
        QCOMPARE(rig.a().Log().LogLineCount, 5);
        QCOMPARE(rig.a().Table().AcceptCounter, 3);
    }

    void manualAcceptLogsOnlyAcceptedBlocks() {
        AcqRig rig(1);
        rig.a().State.Settings.TimeStamp = false;
        rig.a().State.Settings.AcceptCountChk = true;
        rig.a().State.Settings.GasConcentration = false;
        rig.a().State.Settings.DemodulatedIR = true;
        rig.a().State.Settings.AveragingRadioGroup = Items::AverageMean;
        rig.a().State.Settings.AverageEdit = QStringLiteral("1");
        rig.a().ApplySettings();
        rig.openLogAndLog();
        rig.a().State.Settings.DataRadio = Items::DataManual;
        rig.a().DataRadioClick();
        QVERIFY(rig.a().State.Enabled.AcceptBtn);
        rig.a().StartBtnClick();
        feed(rig, {1, 2});
        QCOMPARE(rig.a().Table().AcceptCounter, 1);
        rig.a().AcceptBtnClick();
        rig.bench(0).Status[0] = 0;
        QByteArray d = data01(Gas{});
        rig.reply(0, 0x01, d);
        QCOMPARE(rig.a().Table().AcceptCounter, 2);
        QVERIFY(!rig.a().AcceptPressed);
        feed(rig, {3});
        QCOMPARE(rig.a().Table().AcceptCounter, 2);
        const QStringList lines = rig.fileLines();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(2), QStringLiteral("AcceptDem CO2     CO  Ethanol     Ref "));
        QCOMPARE(lines.at(3), QStringLiteral("     1       0       0       0       0"));
        // The row last logged stays in StatRow while later blocks are not accepted.
        QCOMPARE(rig.a().Table().RowText(rig.a().Table().StatRow), lines.at(3));
    }

    void commentBlock() {
        AcqRig rig(1);
        rig.a().NewFile(rig.path(QStringLiteral("run.LOG")));
        rig.clock.clock.SetTexts(QStringLiteral("05/06/2026"), QStringLiteral("07:08:09"));
        rig.a().CommentBtnClick({QStringLiteral("first"), QString(), QStringLiteral("last")});
        QVERIFY(rig.fileBytes().endsWith("\r\n\r\n\r\n05/06/2026 07:08:09\r\nfirst\r\n \r\nlast\r\n"));
        QCOMPARE(rig.a().Log().LogLineCount, 1);
    }

    void lineLimit_data() {
        QTest::addColumn<int>("averaging");
        QTest::addColumn<int>("startCount");
        QTest::addColumn<int>("writtenRows");
        QTest::newRow("data lines") << int(Items::AverageNone) << TMainLog::LineLimit - 3 << 2;
        // Deviation lines step over the limit itself; the box still comes with the first lost row.
        QTest::newRow("with deviations") << int(Items::AverageStdev) << TMainLog::LineLimit - 4 << 2;
    }
    void lineLimit() {
        QFETCH(int, averaging);
        QFETCH(int, startCount);
        QFETCH(int, writtenRows);
        AcqRig rig(1);
        rig.a().State.Settings.AveragingRadioGroup = averaging;
        rig.a().State.Settings.AverageEdit = QStringLiteral("1");
        rig.a().ApplySettings();
        rig.openLogAndLog();
        rig.a().StartBtnClick();
        rig.a().Log().LogLineCount = startCount;
        const int before = rig.fileLines().size();
        feed(rig, {1, 2, 3, 4, 5});
        const int perRow = averaging == Items::AverageStdev ? 2 : 1;
        QCOMPARE(rig.fileLines().size(), before + writtenRows * perRow);
        QCOMPARE(rig.dialogs.dialogs.Messages(), QStringList{QStringLiteral("Log File is full")});
        QCOMPARE(rig.a().Table().AcceptCounter, 6);
        // Comments and the stop's empty line still go in.
        rig.a().CommentBtnClick({QStringLiteral("note")});
        rig.a().StopBtnClick();
        QVERIFY(rig.fileBytes().endsWith("note\r\n\r\n"));
    }

    // A file that takes nothing: the creation or reopening note fails, the file is closed again and one
    // box says why.
    void logOnAFullDevice_data() {
        QTest::addColumn<bool>("append");
        QTest::newRow("new file") << false;
        QTest::newRow("append to file") << true;
    }
    void logOnAFullDevice() {
        QFETCH(bool, append);
        AcqRig rig(1);
        const QString path = QStringLiteral("/dev/full");
        // Appending seeks to the end, which a device does not have.
        if (append)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot call seek")));
        QVERIFY(!(append ? rig.a().AppendToFile(path) : rig.a().NewFile(path)));
        QCOMPARE(rig.dialogs.dialogs.Messages(),
                 QStringList{"Cannot write to /dev/full: No space left on device. The log file was closed."});
        QCOMPARE(rig.dialogs.dialogs.shown.first().caption, QStringLiteral("Information"));
        QVERIFY(!rig.a().Log().LogOpen());
        QCOMPARE(rig.a().State.Caption, ClosedLogCaption());
        QVERIFY(!rig.a().State.Enabled.CommentBtn);
        QVERIFY(!rig.a().State.Enabled.Logging);
    }

    // The disk fills while rows are logged. room: bytes the file may still grow by after the header.
    // The row that fails is not counted as written, the log is closed at once (later rows, the stop and
    // a comment add nothing and no second box), and a line cut short is owned up to.
    void writeFailureDuringARun_data() {
        QTest::addColumn<int>("averaging");
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("rowsWritten");
        QTest::addColumn<bool>("torn");
        // Data lines without time stamp, CR LF included: 38 bytes for samples, 39 for means.
        QTest::newRow("full at a line end") << int(Items::AverageNone) << 0 << 0 << false;
        QTest::newRow("first data line cut") << int(Items::AverageNone) << 5 << 0 << true;
        QTest::newRow("second data line cut") << int(Items::AverageNone) << 38 + 1 << 1 << true;
        QTest::newRow("deviation line cut") << int(Items::AverageStdev) << 39 + 12 << 0 << true;
    }
    void writeFailureDuringARun() {
        QFETCH(int, averaging);
        QFETCH(int, room);
        QFETCH(int, rowsWritten);
        QFETCH(bool, torn);
        AcqRig rig(1);
        rig.a().State.Settings.TimeStamp = false;
        rig.a().State.Settings.AveragingRadioGroup = averaging;
        rig.a().State.Settings.AverageEdit = QStringLiteral("2");
        rig.a().ApplySettings();
        rig.openLogAndLog();
        rig.a().StartBtnClick();
        const qint64 size = QFileInfo(rig.path(QStringLiteral("run.LOG"))).size();
        QSignalSpy rows(&rig.a(), &TAcquisition::RowAccepted);
        QSignalSpy failures(&rig.a(), &TAcquisition::LogWriteFailed);
        {
            FileSizeLimit limit(rlim_t(size + room));
            QVERIFY(limit.Ok());
            for (int i = 0; i < 8; ++i)
                rig.reply01(0, Gas{100 * i});
            rig.a().StopBtnClick();
            rig.a().CommentBtnClick({QStringLiteral("after")});
            rig.a().CloseFile1Click();
        }
        const QString expected =
            "Cannot write to " + rig.path(QStringLiteral("run.LOG")) + ": " + qt_error_string(EFBIG) + "." +
            (torn ? " The last line in the file is incomplete." : "") + " The log file was closed.";
        QCOMPARE(rig.dialogs.dialogs.Messages(), QStringList{expected});
        QCOMPARE(failures.count(), 1);
        QCOMPARE(rows.count(), rowsWritten + 1);
        for (int i = 0; i < rows.count(); ++i)
            QCOMPARE(rows.at(i).at(0).toBool(), i < rowsWritten);
        QCOMPARE(QFileInfo(rig.path(QStringLiteral("run.LOG"))).size(), size + room);
        QVERIFY(!rig.a().Log().LogOpen());
        QCOMPARE(rig.a().State.Caption, ClosedLogCaption());
        QVERIFY(!rig.a().State.Enabled.CommentBtn);
        QVERIFY(!rig.a().State.Enabled.Logging);
    }

    void historyCopyToAFileThatCannotBeWritten() {
        AcqRig rig(1);
        rig.a().NewFile(rig.path(QStringLiteral("run.LOG")));
        QVERIFY(rig.a().Log().CopyToHistory(QStringLiteral("/dev/full")));
        QCOMPARE(rig.dialogs.dialogs.Messages(),
                 QStringList{"File Copy Failed! Cannot write to /dev/full: No space left on device."});
        // The log itself is open for appending again.
        QVERIFY(rig.a().Log().LogOpen());
        rig.a().CommentBtnClick({QStringLiteral("after")});
        QVERIFY(rig.fileBytes().endsWith("after\r\n"));
        QCOMPARE(rig.dialogs.dialogs.Messages().size(), 1);
    }

    void historyCopyAndLongLines() {
        AcqRig rig(1);
        rig.a().NewFile(rig.path(QStringLiteral("run.LOG")));
        const QString longLine = QString(QStringLiteral("0123456789")).repeated(60);
        rig.a().CommentBtnClick({longLine, QString()});
        QStringList lines;
        QVERIFY(rig.a().HistoryBtnClick(&lines));
        QVERIFY(rig.dialogs.dialogs.Messages().isEmpty());
        QFile history(TAcquisition::HistoryPath());
        QVERIFY(history.open(QIODevice::ReadOnly));
        QCOMPARE(history.readAll(), rig.fileBytes());
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(4), longLine.left(498));
        QCOMPARE(lines.at(5), longLine.mid(498));
        QCOMPARE(lines.at(6), QString());
        // The log is open for appending again.
        QVERIFY(rig.a().Log().LogOpen());
        rig.a().CommentBtnClick({QStringLiteral("after")});
        QVERIFY(rig.fileBytes().endsWith("after\r\n"));
        QVERIFY(!rig.a().Log().HistoryBusy);
    }

    // A log of many copy blocks is copied whole, and every line of it is listed.
    void historyCopyLargerThanOneBlock() {
        AcqRig rig(1);
        rig.a().NewFile(rig.path(QStringLiteral("run.LOG")));
        QStringList comment;
        for (int i = 0; i < 100; ++i)
            comment << QStringLiteral("%1 ").arg(i, 3) + QString(96, QChar(u'a' + i % 26));
        rig.a().CommentBtnClick(comment);
        QVERIFY(rig.fileBytes().size() > 10000);
        QStringList lines;
        QVERIFY(rig.a().HistoryBtnClick(&lines));
        QFile history(TAcquisition::HistoryPath());
        QVERIFY(history.open(QIODevice::ReadOnly));
        QCOMPARE(history.readAll(), rig.fileBytes());
        // The creation note, two empty lines and the date before the comment.
        QCOMPARE(lines.size(), 4 + 100);
        QCOMPARE(lines.mid(1, 2), (QStringList{QString(), QString()}));
        QCOMPARE(lines.mid(4), comment);
    }

    void historyWithoutLogShowsTheOldCopyOrFails() {
        AcqRig rig(1);
        QFile::remove(TAcquisition::HistoryPath());
        QStringList lines;
        QVERIFY(!rig.a().HistoryBtnClick(&lines));
        QCOMPARE(rig.dialogs.dialogs.Messages(), QStringList{QStringLiteral("File History Open Failed!")});
        QFile f(TAcquisition::HistoryPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("kept\r\n \r\n");
        f.close();
        QVERIFY(rig.a().HistoryBtnClick(&lines));
        QCOMPARE(lines, (QStringList{"kept", ""}));
    }

    // The history file cannot be created; while its box is open a block completes (counted, not
    // written), and the log's folder disappears so that it cannot be reopened: the log is then shown
    // as closed.
    void historyFailuresAndRowsDuringTheBox() {
        AcqRig rig(1);
        QFile::remove(TAcquisition::HistoryPath());
        QVERIFY(QDir().mkpath(TAcquisition::HistoryPath())); // a folder in the way
        QDir sub(rig.path(QStringLiteral("sub")));
        QVERIFY(sub.mkpath(QStringLiteral(".")));
        const QString path = sub.filePath(QStringLiteral("run.LOG"));
        rig.a().NewFile(path);
        rig.a().State.Settings.Logging = Items::LoggingOn;
        rig.a().LoggingClick();
        rig.a().StartBtnClick();
        bool once = true;
        rig.dialogs.dialogs.SetOnMessage([&] {
            if (!once) return;
            once = false;
            rig.reply01(0, Gas{});
            QVERIFY(sub.removeRecursively());
        });
        QStringList lines;
        QVERIFY(!rig.a().HistoryBtnClick(&lines));
        QCOMPARE(
            rig.dialogs.dialogs.Messages(),
            (QStringList{"File History Open Failed!", "File Log Open Failed!", "File History Open Failed!"}));
        QCOMPARE(rig.a().Table().AcceptCounter, 2);
        QVERIFY(!rig.a().Log().LogOpen());
        QVERIFY(!rig.a().Log().HistoryBusy);
        QCOMPARE(rig.a().State.Caption, QStringLiteral("KT2093 Application Program for Type X714, Rev 1.01"));
        QVERIFY(!rig.a().State.Enabled.CommentBtn);
        QVERIFY(!rig.a().State.Enabled.Logging);
        QDir().rmdir(TAcquisition::HistoryPath());
    }

    void historyOfTheHistoryFileItselfKeepsIt() {
        AcqRig rig(1);
        QFile::remove(TAcquisition::HistoryPath());
        rig.a().NewFile(TAcquisition::HistoryPath());
        rig.a().CommentBtnClick({QStringLiteral("kept")});
        QStringList lines;
        QVERIFY(rig.a().HistoryBtnClick(&lines));
        QCOMPARE(lines.last(), QStringLiteral("kept"));
        QVERIFY(rig.a().Log().LogOpen());
        rig.a().CloseFile1Click();
        QFile::remove(TAcquisition::HistoryPath());
    }

    void logWithoutFileFeedsItsObserver() {
        AcqRig rig(1);
        QStringList seen;
        rig.a().Log().OnLine = [&](TMainLog::LineKind, const QString& line) { seen << line; };
        rig.a().Log().OpenWithoutFile();
        rig.a().State.Settings.Logging = Items::LoggingOn;
        rig.a().State.Settings.TimeStamp = false;
        rig.a().ApplySettings();
        rig.a().StartBtnClick();
        feed(rig, {123});
        rig.a().StopBtnClick();
        QCOMPARE(seen, (QStringList{"  CO2 [%]  CO [%]  Ethanol [ppm]  O2 [%]  NO [ppm]",
                                    "   1.23  0.000        0  20.90     0"}));
    }
};

QTEST_GUILESS_MAIN(TestMainLog)
#include "test_main_log.moc"
