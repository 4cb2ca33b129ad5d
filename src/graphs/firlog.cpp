#include "firlog.h"

#include "dialogs.h"
#include "ir_cycle.h"
#include "screen_hook.h"

#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QVBoxLayout>

namespace {
const QString InfoCaption = QStringLiteral("Information");
const QString RawIrDataCaption = QStringLiteral("Raw IR Data");
} // namespace

TIRLog::TIRLog(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("IRLog"));
    setWindowTitle(QStringLiteral("IR Data Log"));
    resize(320, 110);
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    Open1 = file->addAction(QStringLiteral("&Open"));
    Open1->setObjectName(QStringLiteral("Open1"));
    Close1 = file->addAction(QStringLiteral("&Close"));
    Close1->setObjectName(QStringLiteral("Close1"));
    connect(Open1, &QAction::triggered, this, &TIRLog::Open1Click);
    connect(Close1, &QAction::triggered, this, &TIRLog::Close1Click);
    LoggingOnChk = new QCheckBox(QStringLiteral("Data Logging Enabled"), this);
    LoggingOnChk->setObjectName(QStringLiteral("LoggingOnChk"));
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(LoggingOnChk);
    layout->addStretch(1);
}

bool TIRLog::LoggingEnabled() const {
    return LoggingOnChk->isChecked();
}

void TIRLog::Open1Click() {
    IDialogs::FileRequest request;
    request.caption = QStringLiteral("Raw Data Log File");
    request.filter = QStringLiteral("Log Files|*.LOG");
    request.defaultExt = QStringLiteral("LOG");
    request.initialName = QStringLiteral("RAWDATA.LOG");
    const QString path = Dialogs().SaveFileName(request);
    if (path.isEmpty()) return;
    Close1Click();
    if (!m_log.Open(path)) {
        Dialogs().Message(QStringLiteral("Problem with log file!"), InfoCaption, IDialogs::Icon::Error);
        return;
    }
    // The caption names the file only once it is open.
    emit RawIrCaption(RawIrDataCaption + QStringLiteral(" - ") + path);
    if (m_list) {
        m_list->ClearLines();
        m_list->AddLines({m_log.Header()});
    }
}

void TIRLog::Close1Click() {
    m_log.Close();
    LoggingOnChk->setChecked(false);
    emit RawIrCaption(RawIrDataCaption);
}

void TIRLog::LogCycle(const TIrCycle& cycle) {
    if (!LoggingEnabled() || !m_log.IsOpen()) return;
    QStringList lines;
    const int samples = cycle.SamplesPerCycle();
    lines.reserve(samples);
    bool full = false;
    bool failed = false;
    for (int s = 0; s < samples && !failed; ++s) {
        const QString line = TIrLog::FormatLine(
            {cycle.Sample(0, s), cycle.Sample(1, s), cycle.Sample(2, s), cycle.Sample(3, s)});
        switch (m_log.WriteLine(line)) {
        case TIrLog::LineResult::FullNow:
            full = true;
            break;
        case TIrLog::LineResult::Failed:
            failed = true;
            continue;
        default:
            break;
        }
        lines << line;
    }
    if (!failed && !m_log.Flush()) failed = true;
    addToList(lines);
    // The boxes come last: while one is open further replies are handled, and they find the log as it
    // is now.
    if (failed) {
        const QString error = m_log.Error();
        const QString name = m_log.FileName();
        Close1Click();
        Dialogs().Message(QStringLiteral("The IR log file %1 could not be written (%2). Logging has stopped.")
                              .arg(name, error),
                          InfoCaption, IDialogs::Icon::Error);
    }
    if (full) Dialogs().Message(QStringLiteral("Log File is full"), InfoCaption, IDialogs::Icon::Information);
}

void TIRLog::addToList(const QStringList& lines) {
    if (!m_list || lines.isEmpty()) return;
    const int drop = CollectedIrLinesToDrop(m_list->LineCount(), int(lines.size()));
    m_list->AddLines(lines);
    if (drop > 0) m_list->RemoveLines(2, drop);
}
