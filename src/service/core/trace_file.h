#pragma once

#include <QFile>
#include <QString>

// A step-by-step trace of a service run ("tryfile.txt" in the working directory), created anew for
// each run. Every line is handed to the system at once and checked, so a line that could not be
// written is known at the step that wrote it.
class TTraceFile {
public:
    static constexpr const char* DefaultName = "tryfile.txt";

    explicit TTraceFile(QString path = QString::fromLatin1(DefaultName));
    ~TTraceFile();
    TTraceFile(const TTraceFile&) = delete;
    TTraceFile& operator=(const TTraceFile&) = delete;

    const QString& Path() const { return m_path; }
    // Creates the file (overwriting it); false, with the reason in `error`, when it cannot.
    bool Open(QString* error);
    // Writes the line and a carriage return and line feed; false, with the reason, when not all of it
    // was written.
    bool WriteLine(const QString& line, QString* error);
    void Close();
    bool IsOpen() const { return m_file.isOpen(); }

private:
    QString m_path;
    QFile m_file;
};
