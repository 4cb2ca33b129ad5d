// The communications dialog and the small dialogs of the main window, and the desktop dialogs' filter
// translation.
#include "about.h"
#include "commdlg.h"
#include "commnt.h"
#include "desktop_dialogs.h"
#include "fhistory.h"
#include "hist_ir.h"
#include "message.h"
#include "operator_entry.h"
#include "radio_group.h"
#include "title.h"
#include "ui_fixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void portNumberEntry_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("benchOneOpen");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("comNumber"); // bench 1's port afterwards
        const QStringList illegal{QStringLiteral("Illegal Com Port")};
        QTest::newRow("not a number")
            << "COM5" << false
            << QStringList{QStringLiteral("Check Com Port number"), QStringLiteral("Illegal Com Port")} << 1;
        QTest::newRow("empty") << "" << false
                               << QStringList{QStringLiteral("Check Com Port number"),
                                              QStringLiteral("Illegal Com Port")}
                               << 1;
        QTest::newRow("the port bench 1 holds") << "1" << true << illegal << 1;
        QTest::newRow("another bench's open port") << "2" << true << illegal << 1;
        QTest::newRow("no such device") << "7" << false << illegal << 1;
        QTest::newRow("100 names no device") << "100" << false << illegal << 1;
        QTest::newRow("zero") << "0" << false << illegal << 1;
        QTest::newRow("free port") << "5" << false << QStringList{} << 5;
        QTest::newRow("hexadecimal") << "$0C" << false << QStringList{} << 12;
        QTest::newRow("0x prefix") << "0x0b" << false << QStringList{} << 11;
        QTest::newRow("moves an open bench") << "6" << true << QStringList{} << 6;
    }
    void portNumberEntry() {
        QFETCH(QString, entry);
        QFETCH(bool, benchOneOpen);
        QFETCH(QStringList, boxes);
        QFETCH(int, comNumber);
        UiFixture f;
        MemoryComPort::SetDevice(7, MemoryComPort::Device::Absent);
        f.Tick({1});
        if (benchOneOpen) f.Tick({0});
        TCommDlg& dlg = *f.app->CommDlg;
        dlg.Edit1->setText(entry);
        dlg.OK1Btn->click();
        QCOMPARE(f.dialogs.dialogs.Messages(), boxes);
        for (const auto& shown : f.dialogs.dialogs.shown)
            QCOMPARE(shown.caption, QStringLiteral("Information"));
        if (!boxes.isEmpty()) QCOMPARE(f.dialogs.dialogs.shown.last().icon, IDialogs::Icon::Error);
        QCOMPARE(f.ports[0]->ComNumber(), comNumber);
        QCOMPARE(f.app->ComLabel[0]->text(),
                 boxes.isEmpty() ? QStringLiteral("Com %1").arg(comNumber) : QStringLiteral("Com 1"));
        QCOMPARE(f.ports[0]->Open(), benchOneOpen);
        // Benches 2 to 4 keep their ports.
        QCOMPARE(f.ports[1]->ComNumber(), 2);
        QVERIFY(f.ports[1]->Open());
    }

    void baudRateChangesOpenPortsOnly() {
        UiFixture f;
        f.Tick({1});
        f.app->CommDlg->Baud->ClickItem(0);
        QCOMPARE(f.ports[1]->Baud(), 9600);
        QCOMPARE(f.ports[0]->Baud(), 19200);
        f.Tick({0});
        QCOMPARE(f.ports[0]->Baud(), 19200);
        f.app->CommDlg->Baud->ClickItem(4);
        QCOMPARE(f.ports[0]->Baud(), 115200);
        QCOMPARE(f.ports[1]->Baud(), 115200);
        QCOMPARE(f.ports[2]->Baud(), 19200);
    }

    void traceDump() {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        {
            UiFixture f;
            TCommDlg& dlg = *f.app->CommDlg;
            dlg.TraceBtn->click();
            QCOMPARE(dlg.TraceBtn->text(), QStringLiteral("Trace Dump"));
            QCOMPARE(f.ports[0]->Tracing(), TApdComPort::TraceState::Off);

            f.Tick({0});
            dlg.TraceBtn->click();
            QCOMPARE(dlg.TraceBtn->text(), QStringLiteral("Trace Dump ON"));
            QCOMPARE(f.ports[0]->TraceName, QStringLiteral("TEST.TRC"));
            QCOMPARE(f.ports[0]->TraceSize, 10000);
            f.app->StartBtn->click();
            // Closing bench 1's port while tracing writes the trace.
            f.Click(0);
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("TEST.TRC"))));
            QVERIFY(QFile(dir.filePath(QStringLiteral("TEST.TRC"))).size() > 0);

            f.Click(0);
            dlg.TraceBtn->click();
            QCOMPARE(dlg.TraceBtn->text(), QStringLiteral("Trace Dump OFF"));
            QCOMPARE(f.ports[0]->Tracing(), TApdComPort::TraceState::Off);
        }
        QDir::setCurrent(old);
    }

    void operatorIntegers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "12" << true << 12;
        QTest::newRow("signed") << "-3" << true << -3;
        QTest::newRow("dollar hex") << "$1f" << true << 31;
        QTest::newRow("0X hex") << "0X10" << true << 16;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("two signs") << "--1" << false << 0;
        QTest::newRow("bare prefix") << "$" << false << 0;
        QTest::newRow("too big") << "99999999999" << false << 0;
    }
    void operatorIntegers() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const std::optional<int32_t> n = ParseIntegerEntry(text);
        QCOMPARE(n.has_value(), ok);
        if (ok) QCOMPARE(*n, value);
    }

    void commentDialog() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("C.LOG"));
        UiFixture f;
        f.clock.clock.SetTexts(QStringLiteral("03/04/2026"), QStringLiteral("08:09:10"));
        f.dialogs.dialogs.QueueFileName(path);
        f.app->NewFileClick();
        TCommentDlg& dlg = *f.app->CommentDlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Logfile Comment"));

        // Cancelled: nothing written, the memo keeps what was typed.
        f.onExec = [&dlg](QDialog*) {
            dlg.Memo1->setPlainText(QStringLiteral("first"));
            return int(QDialog::Rejected);
        };
        f.app->CommentBtn->click();
        QCOMPARE(f.executed, QList<QDialog*>{&dlg});
        QCOMPARE(dlg.Memo1->toPlainText(), QStringLiteral("first"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 1);
        file.close();

        f.onExec = [&dlg](QDialog*) {
            dlg.Memo1->setPlainText(QStringLiteral("line one\n\nline three"));
            return int(QDialog::Accepted);
        };
        f.app->CommentBtn->click();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.endsWith("\r\n\r\n\r\n03/04/2026 08:09:10\r\nline one\r\n \r\nline three\r\n"),
                 text.constData());

        dlg.Button1->click();
        QVERIFY(dlg.Memo1->toPlainText().isEmpty());
    }

    void titleAndSystemMessage() {
        UiFixture f;
        QCOMPARE(f.app->FTitle->windowTitle(), QStringLiteral("Corrin Title"));
        QCOMPARE(f.app->FTitle->Edit1->text(), QStringLiteral("Computer:"));
        f.app->FTitle->Edit1->setText(QStringLiteral("Line 3"));
        f.app->FTitle->OKBtnClick();
        QVERIFY(f.app->windowTitle().endsWith(QLatin1String(", Line 3")));
        QCOMPARE(f.app->Acquisition().State.UserTitle, QStringLiteral("Line 3"));

        TFMessage& msg = *f.app->FMessage;
        QCOMPARE(msg.windowTitle(), QStringLiteral("System Message"));
        msg.Memo1->setPlainText(QStringLiteral("old text"));
        // The text is on the screen when ShowText returns: its caller then waits without events.
        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) ++paints;
                return false;
            }
        } counter;
        msg.Memo1->viewport()->installEventFilter(&counter);
        msg.ShowText(QStringLiteral("Wait! Application is closing..."));
        QVERIFY(counter.paints > 0);
        QVERIFY(msg.windowHandle() && msg.windowHandle()->isExposed());
        QCOMPARE(msg.Memo1->toPlainText(), QStringLiteral("Wait! Application is closing..."));
        msg.close();
    }

    void aboutBox() {
        UiFixture f;
        f.app->MenuItem(QStringLiteral("About2"))->trigger();
        QCOMPARE(f.executed, QList<QDialog*>{f.app->AboutBox});
        TAboutBox& box = *f.app->AboutBox;
        QCOMPARE(box.windowTitle(), QStringLiteral("About"));
        QCOMPARE(box.ProductName->text(), QStringLiteral("KT2093 Application Program for Type X714"));
        QCOMPARE(box.Version->text(), QStringLiteral("Version Rev 1.01, 17/01/2013"));
        QCOMPARE(box.Comments->text(), QStringLiteral("Comments"));
        QCOMPARE(box.size(), QSize(327, 233));
    }

    void historyScreenShowsTheCopiedLog() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("H.LOG"));
        UiFixture f;
        f.app->SetServiceMode(true);
        f.dialogs.dialogs.QueueFileName(path);
        f.app->NewFileClick();
        f.app->HistoryBtn->click();
        QVERIFY(f.app->History->isVisible());
        QCOMPARE(f.app->History->windowTitle(), QStringLiteral("History Screen"));
        QCOMPARE(f.app->History->ListBox1->count(), 1);
        QVERIFY(f.app->History->ListBox1->item(0)->text().startsWith(QLatin1String("MainLogfile ")));
        // Shown again, the list is built afresh.
        f.app->HistoryBtn->click();
        QCOMPARE(f.app->History->ListBox1->count(), 1);
        // A long line is shown whole: no "...", a horizontal scroll bar reaches its end.
        QListWidget* list = f.app->History->ListBox1;
        list->addItem(QString(400, QLatin1Char('7')) + QStringLiteral("END"));
        QCoreApplication::processEvents();
        QCOMPARE(list->textElideMode(), Qt::ElideNone);
        QVERIFY(list->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(f.app->fHist_ir->windowTitle(), QStringLiteral("Collected IR data"));
    }

    void fileFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("log") << "Log Files|*.LOG"
                             << "Log Files (*.LOG)";
        QTest::newRow("two") << "VX30 Cal Files|*.CAL|All|*.*"
                             << "VX30 Cal Files (*.CAL);;All (*.*)";
        QTest::newRow("patterns") << "Text|*.txt;*.c"
                                  << "Text (*.txt *.c)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fileFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtFileFilter(filter), qt);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
