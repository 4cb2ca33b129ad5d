#pragma once

#include "read_error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <variant>
#include <vector>

// A factory calibration file: the bench's serial number, four temperature points (cell temperature,
// detector temperature and pressure) each followed by nine span interpolation blocks, the zero
// temperature coefficients and two CO polynomial blocks.
//
// Plain text, read strictly in order. Blank lines, lines starting with ";" and lines whose first
// non-blank character is "/" or "[" are ignored; in a value line a "/" ends the values. The first line
// left carries the serial number (its first token). Values are separated by blanks; a value line must
// carry at least its number of values (more are ignored). Only a block cut short by the end of the
// file may have fewer values.

// One value line's worth or one block of values: the texts to send and the numbers to compare.
struct TCalValues {
    QList<QByteArray> Tokens; // as written, after the zero replacement of coefficient blocks
    std::vector<float> Values;
    int Line = 0; // line of the first value

    // The tokens joined by single commas: the value text a parameter write carries.
    QByteArray Text() const;
};

struct TCalFile {
    static constexpr int Points = 4;
    static constexpr int SpanBlocksPerPoint = 9;
    static constexpr int SpanBlocks = Points * SpanBlocksPerPoint;
    static constexpr int MaxSerialLength = 31;

    QByteArray Serial;
    // Per point: cell temperature, detector temperature, pressure.
    std::array<TCalValues, Points> Temperatures;
    // In file order: point 1 blocks 1 to 9, then point 2, ...
    std::array<TCalValues, SpanBlocks> Span;
    TCalValues ZeroTemp;
    std::array<TCalValues, 2> Co;
};

// Value lines and values per line of each kind of entry.
inline constexpr int CalSpanLines = 4, CalSpanValuesPerLine = 5;
inline constexpr int CalZeroLines = 4, CalZeroValuesPerLine = 3;
inline constexpr int CalCoLines = 2, CalCoValuesPerLine = 10;
// Longest line, and longest value token.
inline constexpr int CalMaxLineLength = 4050;
inline constexpr int CalMaxTokenLength = 19;

// Parses the text of a calibration file; `fileName` names it in an error.
std::variant<TCalFile, TReadError> ParseCalFile(const QByteArray& text, const QString& fileName);
// Reads and parses the file at `path`.
std::variant<TCalFile, TReadError> ReadCalFile(const QString& path);
