#pragma once

#include <QFile>
#include <QString>
#include <array>
#include <cstdint>

// The IR data log: a text file created anew, a header line, then one line per sample point of the
// four channels. Lines end as in every text file of the program (carriage return and line feed). At
// most LineLimit lines are written, the header included; further lines are counted and dropped. The
// raw IR view's log screen and x714ctl rawir both write it. Widget-free: it shows no box.
class TIrLog {
public:
    static constexpr int64_t LineLimit = 99999;
    enum class LineResult {
        Written,
        Full,    // the limit was passed: the line was dropped
        FullNow, // the first dropped line: the moment to say the file is full
        Failed,  // the file did not take the line (Error() says why); the log is closed
    };

    TIrLog() = default;
    ~TIrLog();
    TIrLog(const TIrLog&) = delete;
    TIrLog& operator=(const TIrLog&) = delete;

    // Creates the file (emptied if it exists) and writes the header line; false, with the log closed
    // and Error() set, when the file cannot be created or written.
    bool Open(const QString& path);
    // Flushes and closes; nothing when not open.
    void Close();
    bool IsOpen() const { return m_file.isOpen(); }
    QString FileName() const { return m_file.fileName(); }
    QString Header() const { return m_header; }
    // Lines counted so far, the header included (1 after Open).
    int64_t LineCount() const { return m_lines; }
    QString Error() const { return m_error; }

    LineResult WriteLine(const QString& line);
    // Hands the written lines to the file system, so that a killed program loses nothing already
    // counted as written; false (log closed, Error() set) when they did not reach the file, which then
    // ends with the lines of the last flush that succeeded.
    bool Flush();

    // "DataLogfile <full path> created <short date> <long time>"
    static QString HeaderLine(const QString& fullPath);
    // "%+4d  %+4d  %+4d  %+4d ": the four channels of one sample point.
    static QString FormatLine(const std::array<int, 4>& samples);

private:
    void fail();

    QFile m_file;
    QString m_header;
    QString m_error;
    int64_t m_lines = 0;
    // The file's size after the last flush that succeeded.
    qint64 m_goodSize = 0;
};

// The "Collected IR data" list keeps every line the log receives; before each line is added, a list
// holding more than CollectedIrKeep lines drops its third line (the header and the first sample stay).
inline constexpr int CollectedIrKeep = 150;
// How many lines, counted from the third, a list of `count` lines drops when `adding` lines arrive
// at once: the same list as adding them one by one.
int CollectedIrLinesToDrop(int count, int adding);
