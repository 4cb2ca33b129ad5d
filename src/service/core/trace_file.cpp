#include "trace_file.h"

#include <QFileInfo>

TTraceFile::TTraceFile(QString path) : m_path(std::move(path)) {}

TTraceFile::~TTraceFile() {
    Close();
}

bool TTraceFile::Open(QString* error) {
    Close();
    m_file.setFileName(m_path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) return true;
    if (error)
        *error = QStringLiteral("The trace file %1 cannot be created: %2")
                     .arg(QFileInfo(m_path).fileName(), m_file.errorString());
    return false;
}

bool TTraceFile::WriteLine(const QString& line, QString* error) {
    QByteArray bytes = line.toLatin1();
    bytes.append("\r\n");
    if (m_file.isOpen() && m_file.write(bytes) == bytes.size()) return true;
    if (error)
        *error = QStringLiteral("The trace file %1 cannot be written: %2")
                     .arg(QFileInfo(m_path).fileName(),
                          m_file.isOpen() ? m_file.errorString() : QStringLiteral("it is not open"));
    return false;
}

void TTraceFile::Close() {
    if (m_file.isOpen()) m_file.close();
}
