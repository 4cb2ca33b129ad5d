#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

// The main log file: notes, header, data and deviation lines, empty lines and comment blocks, written
// line by line with a carriage return and line feed, and flushed after every write so that a killed
// program never loses a completed row. Also the copy to the history file and its reading.
// Widget-free; its only boxes are the history copy's failures, through Dialogs().
class TMainLog {
public:
    // Counted lines at which the file is full.
    static constexpr int LineLimit = 2160000;
    static constexpr int CopyBlockSize = 4096;
    enum class LineKind { Header, Data, Deviation };
    enum class RowResult { Written, Busy, Full };

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
    // file cannot be created; the log is then closed.
    bool Create(const QString& path);
    // Opens the file for appending and writes "Logfile <path> opened for appending <long time>".
    bool OpenForAppend(const QString& path);
    // A log without a file: its lines reach OnLine only (x714ctl acquire without --log).
    void OpenWithoutFile();
    // Flushes and closes; nothing when not open.
    void Close();

    // The header line at a start of acquisition.
    void WriteHeader(const QString& text);
    // A data line, and the deviation line (text + "    STDEV") when one is given, counted toward the
    // limit. Busy while the history copy runs; Full (and nothing written) once the limit is passed,
    // with *fullNow true the first time, when the "Log File is full" box is due.
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

    // The file's bytes go through this device (tests inspect the open file; nullptr without one).
    QFile* File() { return m_file.isOpen() ? &m_file : nullptr; }

private:
    bool writeLine(const QString& text);
    void writeRaw(const QByteArray& bytes);
    void notify(LineKind kind, const QString& text);

    QFile m_file;
    bool m_open = false;
    bool m_fullReported = false;
};
