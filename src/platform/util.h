#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>

// Longest piece ReadTextLine returns; a longer line arrives in several pieces.
inline constexpr int MaxTextLinePiece = 498;

// The bytes of a text line: the text (a single blank when it is empty), carriage return, line feed.
QByteArray TextLineBytes(const QString& text);

// Writes the text (a single blank when it is empty) and a carriage return and line feed.
// Returns false when the device did not take every byte.
bool WriteTextLine(QIODevice& file, const QString& text);

// Writes every byte to the file, retrying after a partial write so that a failure carries the system's
// reason. False when a write failed: *written (if given) then tells how many bytes did reach the file,
// and *reason (if given) why the rest did not ("No space left on device").
bool WriteAllBytes(QFileDevice& file, const QByteArray& bytes, qint64* written = nullptr,
                   QString* reason = nullptr);

// Reads one line of at most MaxTextLinePiece characters into text, accepting LF or CR LF line ends.
// Returns the text's length; -1 (and an empty text) at the end of the file. A line holding a single
// blank, as WriteTextLine writes an empty text, comes back empty with result 0.
int ReadTextLine(QIODevice& file, QString& text);

// Waits without handling events until the clock's whole-second count has advanced by n.
void WaitSeconds(int n);
