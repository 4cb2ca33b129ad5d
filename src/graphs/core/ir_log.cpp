#include "ir_log.h"

#include "clock.h"
#include "locale_setup.h"
#include "util.h"

#include <QFileInfo>

TIrLog::~TIrLog() {
    Close();
}

QString TIrLog::HeaderLine(const QString& fullPath) {
    return QStringLiteral("DataLogfile ") + fullPath + QStringLiteral(" created ") + Clock().ShortDate() +
           QLatin1Char(' ') + Clock().LongTime();
}

QString TIrLog::FormatLine(const std::array<int, 4>& s) {
    return Printf("%+4d  %+4d  %+4d  %+4d ", s[0], s[1], s[2], s[3]);
}

bool TIrLog::Open(const QString& path) {
    Close();
    m_error.clear();
    m_lines = 0;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = m_file.errorString();
        return false;
    }
    m_header = HeaderLine(QFileInfo(path).absoluteFilePath());
    m_goodSize = 0;
    if (!WriteTextLine(m_file, m_header) || !m_file.flush()) {
        fail();
        return false;
    }
    m_goodSize = m_file.size();
    m_lines = 1;
    return true;
}

void TIrLog::Close() {
    if (!m_file.isOpen()) return;
    m_file.flush();
    m_file.close();
}

void TIrLog::fail() {
    m_error = m_file.errorString();
    const QString name = m_file.fileName();
    m_file.close();
    // What reached the file after the last good flush may end in the middle of a line: the log ends
    // with the last lines that were handed on whole.
    QFile::resize(name, m_goodSize);
}

TIrLog::LineResult TIrLog::WriteLine(const QString& line) {
    ++m_lines;
    if (m_lines > LineLimit) return m_lines == LineLimit + 1 ? LineResult::FullNow : LineResult::Full;
    if (!m_file.isOpen() || !WriteTextLine(m_file, line)) {
        --m_lines;
        if (m_file.isOpen()) fail();
        return LineResult::Failed;
    }
    return LineResult::Written;
}

bool TIrLog::Flush() {
    if (!m_file.isOpen()) return false;
    if (m_file.flush()) {
        m_goodSize = m_file.size();
        return true;
    }
    fail();
    return false;
}

int CollectedIrLinesToDrop(int count, int adding) {
    // One by one, a list above the limit drops a line for each line it gains, and a list at or below
    // it only grows, up to one line over the limit.
    if (adding <= 0) return 0;
    if (count > CollectedIrKeep) return adding;
    const int room = CollectedIrKeep + 1 - count;
    return adding > room ? adding - room : 0;
}
