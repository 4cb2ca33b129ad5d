#pragma once

// What the page files share: the console's grid and small helpers that place and fill the generic
// controls, check entries and add messages. Internal to the console core.
#include "console_page.h"

#include <cstdint>
#include <optional>

namespace pages {

// The grid: row captions at the left, entries to their right, rows 24 pixels apart. The caption column
// is wide enough for the longest row caption in the console's font.
inline constexpr int Top = 16;
inline constexpr int Pitch = 24;
inline constexpr int CaptionX = 16;
inline constexpr int CaptionWidth = 186;
inline constexpr int EntryX = 208;
inline constexpr int EntryWidth = 121;
inline constexpr int BoxHeight = 21;
inline constexpr int LabelHeight = 17;
// Pairs of byte boxes.
inline constexpr int PairWidth = 50;
inline constexpr int PairSecondX = EntryX + PairWidth + 10;
// Group boxes of radio buttons: the width of the caption column, and heights by rows of items.
inline constexpr int GroupWidth = CaptionWidth;
int GroupHeight(int itemRows, bool titled = true);

// The top of row n (1 = first), for a label; boxes sit two pixels higher so that their texts line up.
constexpr int RowY(int row) {
    return Top + Pitch * (row - 1);
}

void Caption(TPageControls& page, int label, int row, const QString& text);
// A label at an arbitrary place (headings, captions beside groups).
void LabelAt(TPageControls& page, int label, TPlace place, const QString& text);
void Entry(TPageControls& page, int edit, int row, const QString& text, bool readOnly = false);
void EntryAt(TPageControls& page, int edit, TPlace place, const QString& text, bool readOnly = false);
// The two byte boxes of a row: edits `first` and `first + 1`.
void BytePair(TPageControls& page, int first, int row, const QString& a, const QString& b, bool readOnly);
void Check(TPageControls& page, int box, TPlace place, const QString& caption, bool checked);
void Radio(TPageControls& page, int group, TPlace place, const QString& caption, const QStringList& items,
           int columns, int itemIndex);
// The "Process State" box, empty.
void ProcessState(TPageControls& page);

// Empties edits first..last.
void ClearEdits(TPageControls& page, int first, int last);

void Fail(TPageSend& step, const QString& text, bool errorIcon = false);

// A whole number entry, or nullopt when it cannot be converted.
std::optional<int32_t> Integer(const TEditControl& edit);

// (entry + half) * scale truncated toward zero, the entry first held in single precision: a real entry
// in wire units. nullopt when the entry is no number or the result does not fit 16 bits.
std::optional<int16_t> ScaledReal(const TEditControl& edit, double half, double scale);
// A whole number entry that must fit 16 bits signed.
std::optional<int16_t> Integer16(const TEditControl& edit);

// A remembered value shown as a real: value * scale with `decimals` decimals.
QString Scaled(int value, double scale, int decimals);
// A byte shown as "0x" and two upper-case hex digits.
QString ByteText(uint8_t value);

// Selected item of a radio group, 0 when none is.
int ItemIndex(const TRadioControl& group);
// A remembered bit shown on a two-item group: the second item when it is set.
inline int BitItem(uint8_t value, int bit) {
    return (value >> bit) & 1;
}

// The pages, by the kind of command: calibration, control, and identification, memory and mode.
std::span<const TConsolePage> CalibrationPages();
std::span<const TConsolePage> ControlPages();
std::span<const TConsolePage> ReadoutPages();

} // namespace pages
