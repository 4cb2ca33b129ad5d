#pragma once

#include <QIODevice>
#include <QString>

// Longest piece ReadTextLine returns; a longer line arrives in several pieces.
inline constexpr int MaxTextLinePiece = 498;

// Writes the text (a single blank when it is empty) and a carriage return and line feed.
// Returns false when the device did not take every byte.
bool WriteTextLine(QIODevice& file, const QString& text);

// Reads one line of at most MaxTextLinePiece characters into text, accepting LF or CR LF line ends.
// Returns the text's length; -1 (and an empty text) at the end of the file. A line holding a single
// blank, as WriteTextLine writes an empty text, comes back empty with result 0.
int ReadTextLine(QIODevice& file, QString& text);

// Waits without handling events until the clock's whole-second count has advanced by n.
void WaitSeconds(int n);
