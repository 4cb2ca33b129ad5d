#include "main_log.h"

#include "clock.h"
#include "dialogs.h"
#include "util.h"

#include <QFileInfo>
#include <utility>

namespace {
const QString InfoCaption = QStringLiteral("Information");

void info(const QString& text) {
    Dialogs().Message(text, InfoCaption, IDialogs::Icon::Information);
}

// Two paths naming the same file (the history copy must never truncate its own source).
bool sameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}
} // namespace

TMainLog::~TMainLog() {
    Close();
}

bool TMainLog::openFile(const QString& path, QIODevice::OpenMode mode) {
    m_file.setFileName(path);
    // Unbuffered: every line reaches the system when it is written, and a failure shows at that line.
    if (!m_file.open(mode | QIODevice::Unbuffered)) return false;
    m_open = true;
    return true;
}

bool TMainLog::Create(const QString& path) {
    Close();
    LogFileName = path;
    if (!openFile(path, QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    m_fullReported = false;
    writeLine(QStringLiteral("MainLogfile ") + path + QStringLiteral(" created ") + Clock().ShortDate());
    LogLineCount = 1;
    return true;
}

bool TMainLog::OpenForAppend(const QString& path) {
    Close();
    LogFileName = path;
    if (!openFile(path, QIODevice::WriteOnly | QIODevice::Append)) return false;
    m_fullReported = false;
    writeLine(QStringLiteral("Logfile ") + path + QStringLiteral(" opened for appending ") +
              Clock().LongTime());
    LogLineCount = 1;
    return true;
}

void TMainLog::OpenWithoutFile() {
    Close();
    LogFileName.clear();
    m_open = true;
    m_fullReported = false;
    LogLineCount = 1;
}

void TMainLog::Close() {
    if (m_file.isOpen()) {
        if (!m_file.flush()) failed(0, m_file.errorString());
        m_file.close();
    }
    m_open = false;
}

QString TMainLog::TakeWriteFailure() {
    return std::exchange(m_writeFailure, QString());
}

void TMainLog::failed(qint64 written, const QString& reason) {
    if (m_writeFailure.isEmpty()) {
        m_writeFailure = QStringLiteral("Cannot write to %1: %2.").arg(LogFileName, reason);
        // Part of the line may be in the file: say so rather than leave a torn line unexplained.
        if (written > 0) m_writeFailure += QStringLiteral(" The last line in the file is incomplete.");
        m_writeFailure += QStringLiteral(" The log file was closed.");
    }
    m_file.close();
    m_open = false;
}

bool TMainLog::writeLine(const QString& text) {
    return writeRaw(TextLineBytes(text));
}

bool TMainLog::writeRaw(const QByteArray& bytes) {
    // A log without a file takes every line.
    if (!m_file.isOpen()) return m_open;
    qint64 written = 0;
    QString reason;
    if (WriteAllBytes(m_file, bytes, &written, &reason)) return true;
    failed(written, reason);
    return false;
}

void TMainLog::notify(LineKind kind, const QString& text) {
    if (OnLine) OnLine(kind, text);
}

void TMainLog::WriteHeader(const QString& text) {
    if (!m_open) return;
    if (writeLine(text)) notify(LineKind::Header, text);
}

TMainLog::RowResult TMainLog::WriteRow(const QString& data, const QString* deviation, bool* fullNow) {
    if (fullNow) *fullNow = false;
    if (HistoryBusy) return RowResult::Busy;
    ++LogLineCount;
    if (LogLineCount > LineLimit - 1) {
        // The box comes with the first line dropped, also when deviation lines made the count step
        // over the limit itself.
        if (!m_fullReported) {
            m_fullReported = true;
            if (fullNow) *fullNow = true;
        }
        return RowResult::Full;
    }
    if (!writeLine(data)) return RowResult::Failed;
    notify(LineKind::Data, data);
    if (deviation) {
        const QString line = *deviation + QStringLiteral("    ") + QStringLiteral("STDEV");
        if (!writeLine(line)) return RowResult::Failed;
        notify(LineKind::Deviation, line);
        ++LogLineCount;
    }
    return RowResult::Written;
}

void TMainLog::WriteEmptyLine() {
    // A bare line end: the file shows an empty line and every line still ends in CR LF.
    writeRaw(QByteArrayLiteral("\r\n"));
}

void TMainLog::WriteComment(const QStringList& lines) {
    // A line feed written as a line gives two empty lines before the comment.
    if (!writeRaw(QByteArrayLiteral("\r\n\r\n"))) return;
    if (!writeLine(Clock().ShortDate() + QLatin1Char(' ') + Clock().LongTime())) return;
    for (const QString& line : lines)
        if (!writeLine(line)) return;
}

bool TMainLog::CopyToHistory(const QString& historyPath) {
    if (!m_open || !m_file.isOpen()) return m_open;
    HistoryBusy = true;
    const bool flushed = m_file.flush();
    if (!flushed || m_file.pos() < 0) {
        info(QStringLiteral("File Copy Failed!"));
        HistoryBusy = false;
        return true;
    }
    if (sameFile(LogFileName, historyPath)) {
        // The log is the history file itself: it is up to date once flushed.
        HistoryBusy = false;
        return true;
    }
    m_file.close();
    QFile source(LogFileName);
    if (!source.open(QIODevice::ReadOnly)) {
        info(QStringLiteral("File Log Open Failed!"));
    } else {
        QFile history(historyPath);
        if (!history.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            info(QStringLiteral("File History Open Failed!"));
        } else {
            QByteArray block;
            QString reason;
            bool written = true;
            while (written && !(block = source.read(CopyBlockSize)).isEmpty())
                written = WriteAllBytes(history, block, nullptr, &reason);
            history.close();
            if (!written)
                info(QStringLiteral("File Copy Failed! Cannot write to %1: %2.").arg(historyPath, reason));
            else if (source.error() != QFileDevice::NoError)
                info(QStringLiteral("File Copy Failed!"));
        }
        source.close();
    }
    if (!openFile(LogFileName, QIODevice::WriteOnly | QIODevice::Append)) {
        m_open = false;
        info(QStringLiteral("File Log Open Failed!"));
        HistoryBusy = false;
        return false;
    }
    HistoryBusy = false;
    return true;
}

bool TMainLog::ReadHistory(const QString& historyPath, QStringList* lines) {
    QFile file(historyPath);
    if (!file.open(QIODevice::ReadOnly)) {
        info(QStringLiteral("File History Open Failed!"));
        return false;
    }
    lines->clear();
    QString text;
    while (ReadTextLine(file, text) >= 0)
        lines->append(text);
    return true;
}
