#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

// The main log file: notes, header, data and deviation lines, empty lines and comment blocks, written
// line by line with a carriage return and line feed, each handed to the system at once (the file is
// unbuffered) so that a killed program never loses a completed row. Also the copy to the history file
// and its reading. Widget-free; its only boxes are the history copy's failures, through Dialogs().
//
// Every write is checked. The first one that fails closes the log (LogOpen() turns false) and leaves
// a text for the operator in TakeWriteFailure(); the caller shows it and shows the log as closed.
class TMainLog {
public:
    // Counted lines at which the file is full.
    static constexpr int LineLimit = 2160000;
    static constexpr int CopyBlockSize = 4096;
    enum class LineKind { Header, Data, Deviation };
    enum class RowResult { Written, Busy, Full, Failed };

    TMainLog() = default;
    ~TMainLog();
    TMainLog(const TMainLog&) = delete;
    TMainLog& operator=(const TMainLog&) = delete;

    bool LogOpen() const { return m_open; }
    QString LogFileName;
    // Lines counted toward the limit; 1 after the creation or reopening note.
    int LogLineCount = 0;
    // The log is being copied to the history file; rows are not written meanwhile.
    bool HistoryBusy = false;

    // Every header, data and deviation line the log receives (also without a file, see
    // OpenWithoutFile), as it is written.
    std::function<void(LineKind, const QString&)> OnLine;

    // Creates (empties) the file and writes "MainLogfile <path> created <short date>". False when the
    // file cannot be created; the log is then closed. A note that cannot be written closes the log
    // too, with a write failure to take.
    bool Create(const QString& path);
    // Opens the file for appending and writes "Logfile <path> opened for appending <long time>".
    bool OpenForAppend(const QString& path);
    // A log without a file: its lines reach OnLine only (x714ctl acquire without --log).
    void OpenWithoutFile();
    // Flushes and closes; nothing when not open. A failed flush leaves a write failure to take.
    void Close();

    // The header line at a start of acquisition.
    void WriteHeader(const QString& text);
    // A data line, and the deviation line (text + "    STDEV") when one is given, counted toward the
    // limit. Busy while the history copy runs; Full (and nothing written) once the limit is passed,
    // with *fullNow true the first time, when the "Log File is full" box is due; Failed when a line
    // could not be written (the log is then closed).
    RowResult WriteRow(const QString& data, const QString* deviation, bool* fullNow);
    // The empty line at a stop of acquisition.
    void WriteEmptyLine();
    // An empty line written as a line (two empty lines in the file), the date and time, then every
    // comment line (an empty one as a single blank). Not counted toward the limit.
    void WriteComment(const QStringList& lines);

    // Copies the open log to the history file in 4096-byte blocks and reopens it for appending,
    // showing a box for every failure ("File Copy Failed!", "File Log Open Failed!",
    // "File History Open Failed!", caption "Information"). Returns false when the log could not be
    // reopened for appending: it is then closed.
    bool CopyToHistory(const QString& historyPath);
    // Reads the history file line by line (pieces of at most 498 characters); false, with the box
    // "File History Open Failed!", when it cannot be opened.
    static bool ReadHistory(const QString& historyPath, QStringList* lines);

    // The text for the operator about the first write that failed since the file was opened, e.g.
    // "Cannot write to /x/run.LOG: No space left on device. The log file was closed."; empty when none
    // failed. Taking it clears it, so that one failure is reported once.
    QString TakeWriteFailure();

    // The file's bytes go through this device (tests inspect the open file; nullptr without one).
    QFile* File() { return m_file.isOpen() ? &m_file : nullptr; }

private:
    bool openFile(const QString& path, QIODevice::OpenMode mode);
    bool writeLine(const QString& text);
    bool writeRaw(const QByteArray& bytes);
    void failed(qint64 written, const QString& reason);
    void notify(LineKind kind, const QString& text);

    QFile m_file;
    bool m_open = false;
    bool m_fullReported = false;
    QString m_writeFailure;
};
