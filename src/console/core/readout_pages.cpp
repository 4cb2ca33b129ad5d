// The identification, memory and mode pages: system identity, miscellaneous, raw O2/NO and pressure
// data, software checksum, user memory read and write, operating mode and command set.
#include "operator_entry.h"
#include "page_parts.h"

#include <cstdio>

using namespace pages;

namespace {

// ---- pages that only read: one caption and result box per value ----

void readRows(TPageControls& page, std::initializer_list<const char*> captions) {
    int n = 0;
    for (const char* c : captions) {
        ++n;
        Caption(page, n, n, QString::fromUtf8(c));
        Entry(page, n, n, QString(), true);
    }
}

// Their send step empties the result boxes; the request carries no arguments.
template <int Boxes> void readSend(TPageSend& s) {
    ClearEdits(s.controls, 1, Boxes);
}

constexpr const char* IdCaptions[] = {"Serial Number    ",      "Model Number     ",  "HW Part Number  ",
                                      "HW Revision Level",      "SW Part Number   ",  "SW Revision Level",
                                      "Cal Part Number  ",      "Cal Revision Level", "Cal Calc part Number",
                                      "Cal Calc Revision Level"};

void idLayout(TPageControls& page, int rows) {
    for (int n = 1; n <= rows; ++n) {
        Caption(page, n, n, QLatin1String(IdCaptions[n - 1]));
        Entry(page, n, n, QString(), true);
    }
}

void idResult(TPageControls& page, const TBench& b, int rows) {
    const TSystemID& id = b.SystemId;
    const QString* const texts[] = {
        &id.SerialNumber, &id.ModelNumber,   &id.HwPartNumber, &id.HwRevision,        &id.SwPartNumber,
        &id.SwRevision,   &id.CalPartNumber, &id.CalRevision,  &id.CalCalcPartNumber, &id.CalCalcRevision};
    for (int n = 1; n <= rows; ++n)
        page.Edit(n).text = *texts[n - 1];
}

// A raw reading scaled as the bench reports it: converted to single precision, then multiplied.
QString scaledSingle(double raw, double scale, int decimals) {
    const float single = static_cast<float>(raw);
    return FormatRealEntry(static_cast<float>(single * scale), decimals);
}

void miscLayout(TPageControls& page, const TRememberedEntries&) {
    readRows(page, {"Ambient Temperature [\u00B0C]", "PEF                ", "ADCA [mV]          ",
                    "ADCB [mV]          ", "Pulses Per Minute  "});
}

void miscResult(TPageControls& page, const TBench& b) {
    page.Edit(1).text = FormatRealEntry(b.AmbientTemp, 1);
    page.Edit(2).text = FormatRealEntry(b.Pef, 3);
    page.Edit(3).text = QString::number(b.AdcA);
    page.Edit(4).text = QString::number(b.AdcB);
    page.Edit(5).text = QString::number(uint16_t(b.PulsesPerMinute));
}

void rawLayout(TPageControls& page, const TRememberedEntries&) {
    readRows(page, {"Raw O2             ", "Raw NO             "});
}

void rawResult(TPageControls& page, const TBench& b) {
    page.Edit(1).text = QString::number(b.RawO2);
    page.Edit(2).text = QString::number(int32_t(b.RawNO));
}

void pressureLayout(TPageControls& page, const TRememberedEntries&) {
    readRows(page, {"Gage pressure [x1000 psi]", "Absolute pressure [1/10th torr]",
                    "Ambient pressure [1/10th torr]"});
}

void pressureResult(TPageControls& page, const TBench& b) {
    page.Edit(1).text = scaledSingle(b.GagePressure, 0.1, 1);
    page.Edit(2).text = scaledSingle(b.AbsPressure, 0.1, 3);
    page.Edit(3).text = scaledSingle(b.AmbPressure, 0.1, 3);
}

void checksumLayout(TPageControls& page, const TRememberedEntries&) {
    Caption(page, 1, 1, QStringLiteral("SW Checksum  "));
    Caption(page, 2, 2, QStringLiteral("Bytes 1,2 (eg. 0x0A)"));
    BytePair(page, 2, 2, QString(), QString(), true);
    Caption(page, 3, 3, QStringLiteral("Bytes 3,4 (eg. 0x0A)"));
    BytePair(page, 4, 3, QString(), QString(), true);
}

void checksumSend(TPageSend& s) {
    ClearEdits(s.controls, 2, 5);
}

void checksumResult(TPageControls& page, const TBench& b) {
    for (int i = 0; i < 4; ++i)
        page.Edit(i + 2).text = ByteText(b.SwChecksum[size_t(i)]);
}

// ---- $14 and $15 user memory ----

constexpr const char* ReadMemoryCaptions[] = {
    "Bytes 1,2 (eg. 0x0A)",   "Bytes 3,4 (eg. 0x0A)",   "Bytes 5,6 (eg. 0x0A)",   "Bytes 7,8 (eg. 0x0A)",
    "Bytes 9, 10 (eg. 0x0A)", "Bytes 11,12 (eg. 0x0A)", "Bytes 13,14 (eg. 0x0A)", "Bytes 15,16 (eg. 0x0A)",
    "Bytes 17,18 (eg. 0x0A)", "Bytes 19,20 (eg. 0x0A)"};
constexpr const char* WriteMemoryCaptions[] = {
    "Bytes 1,2      ", "Bytes 3,4      ", "Bytes 5,6      ", "Bytes 7,8      ", "Bytes 9,10     ",
    "Bytes 11,12    ", "Bytes 13,14    ", "Bytes 15,16    ", "Bytes 17,18  ",   "Bytes 19,20   "};

constexpr int FirstByteBox = 2; // Edit2 holds byte 1, Edit21 byte 20

// The memory location row, then ten rows of two byte boxes.
void memoryLayout(TPageControls& page, const char* const (&captions)[10], const QString& location,
                  const std::array<QString, 20>& bytes, bool readOnly) {
    Caption(page, 1, 1, QStringLiteral("Memory Location  "));
    Entry(page, 1, 1, location);
    for (int row = 0; row < 10; ++row) {
        Caption(page, row + 2, row + 2, QLatin1String(captions[row]));
        BytePair(page, FirstByteBox + 2 * row, row + 2, bytes[size_t(2 * row)], bytes[size_t(2 * row + 1)],
                 readOnly);
    }
}

// The location both memory pages check: a failed conversion counts as out of range too.
std::optional<uint8_t> memoryLocation(TPageSend& s) {
    const std::optional<int32_t> v = Integer(s.controls.Edit(1));
    if (!v) Fail(s, QStringLiteral("Check Location"));
    if (!v || *v < 1 || *v > 20) {
        Fail(s, QStringLiteral("Invalid location"));
        return std::nullopt;
    }
    return uint8_t(*v);
}

void readMemoryLayout(TPageControls& page, const TRememberedEntries&) {
    memoryLayout(page, ReadMemoryCaptions, QString(), {}, true);
}

void readMemorySend(TPageSend& s) {
    ClearEdits(s.controls, FirstByteBox, FirstByteBox + 19);
    const std::optional<uint8_t> location = memoryLocation(s);
    if (!location) return;
    s.remembered.LastLocation = *location;
    s.params.MemoryLocation = *location;
}

void readMemoryResult(TPageControls& page, const TBench& b) {
    for (int i = 0; i < 20; ++i)
        page.Edit(FirstByteBox + i).text = ByteText(b.UserMemory[size_t(i)]);
}

void writeMemoryLayout(TPageControls& page, const TRememberedEntries& r) {
    std::array<QString, 20> bytes;
    for (int i = 0; i < 20; ++i)
        bytes[size_t(i)] = QString::number(r.LastMemoryData[size_t(i)]);
    memoryLayout(page, WriteMemoryCaptions, QString::number(r.LastLocation), bytes, false);
}

void writeMemorySend(TPageSend& s) {
    const std::optional<uint8_t> location = memoryLocation(s);
    std::array<uint8_t, 20> data{};
    bool outOfRange = false;
    for (int i = 0; i < 20; ++i) {
        const std::optional<int32_t> v = Integer(s.controls.Edit(FirstByteBox + i));
        if (!v) {
            Fail(s, QStringLiteral("Check Byte %1").arg(i + 1));
            continue;
        }
        // A negative entry is a signed byte (-1 is 0xFF); anything that is not a byte either way is
        // refused rather than cut to its low eight bits.
        if (*v > 255 || *v < -128) outOfRange = true;
        data[size_t(i)] = uint8_t(*v & 0xFF);
    }
    if (outOfRange) Fail(s, QStringLiteral("Invalid Byte"));
    if (!s.Accepted()) return;
    s.remembered.LastLocation = *location;
    s.remembered.LastMemoryData = data;
    s.params.MemoryLocation = *location;
    s.params.MemoryData = data;
}

// ---- $F1 mode select ----

constexpr const char* ModeNames[] = {"VX42, Old",
                                     "VX42, New",
                                     "VX43, Old",
                                     "VX43, New",
                                     "VX75, Single-Sol, Old",
                                     "VX75, Single-Sol, New",
                                     "VX75, Multi-Sol, Old",
                                     "VX75, Multi-Sol, New"};

void modeLayout(TPageControls& page, const TRememberedEntries&) {
    Radio(page, 1, {CaptionX, Top, 170, GroupHeight(3)}, QStringLiteral("Action"),
          {QStringLiteral("Report Mode"), QStringLiteral("Temporary Change"),
           QStringLiteral("Permanent Change")},
          1, 0);
    QStringList modes;
    for (int i = 0; i < 8; ++i)
        modes << QStringLiteral("%1 - %2").arg(i).arg(QLatin1String(ModeNames[i]));
    const int modeHeight = GroupHeight(8);
    Radio(page, 2, {CaptionX + 180, Top, 206, modeHeight}, QStringLiteral("New Mode"), modes, 1, 0);
    const int y = Top + modeHeight + 12;
    LabelAt(page, 12, {CaptionX, y, CaptionWidth, LabelHeight}, QStringLiteral("Reported Mode"));
    EntryAt(page, 12, {EntryX, y - 2, 190, BoxHeight}, QString(), true);
}

void modeSend(TPageSend& s) {
    s.controls.Edit(12).text.clear();
    const uint8_t action = uint8_t(ItemIndex(s.controls.RadioGroup(1)));
    const uint8_t mode = uint8_t(ItemIndex(s.controls.RadioGroup(2)));
    s.remembered.LastModeAction = action;
    s.remembered.LastNewMode = mode;
    s.params.ModeAction = action;
    s.params.NewMode = mode;
}

void modeResult(TPageControls& page, const TBench& b) {
    if (b.ReportedMode < 8) page.Edit(12).text = QLatin1String(ModeNames[b.ReportedMode]);
}

// ---- $D4 command set ----

struct CommandSetItem {
    const char* text;
    std::array<uint8_t, 3> designation;
    uint8_t permanent;
};
constexpr CommandSetItem CommandSetItems[] = {
    {"Current Command Set", {0, 0, 0}, 0},           {"VX42 Command Set, Temporary", {42, 0, 0}, 0},
    {"VR57 Command Set, Temporary", {71, 57, 0}, 0}, {"VR58 Command Set, Temporary", {71, 58, 0}, 0},
    {"VX42 Command Set, Permanent", {42, 0, 0}, 1},  {"VR57 Command Set, Permanent", {71, 57, 0}, 1},
    {"VR58 Command Set, Permanent", {71, 58, 0}, 1},
};

void commandSetLayout(TPageControls& page, const TRememberedEntries&) {
    QStringList texts;
    for (const CommandSetItem& item : CommandSetItems)
        texts << QLatin1String(item.text);
    const int height = GroupHeight(int(texts.size()), false);
    Radio(page, 1, {CaptionX, Top, 230, height}, QString(), texts, 1, 0);
    const int y = Top + height + 12;
    LabelAt(page, 1, {CaptionX, y, CaptionWidth, LabelHeight}, QStringLiteral("Current Command Set"));
    EntryAt(page, 1, {EntryX, y - 2, EntryWidth, BoxHeight}, QString(), true);
}

void commandSetSend(TPageSend& s) {
    const int item = ItemIndex(s.controls.RadioGroup(1));
    const CommandSetItem& chosen = CommandSetItems[item < int(std::size(CommandSetItems)) ? item : 0];
    s.remembered.LastCommandSet = chosen.designation;
    s.remembered.LastCommandSetPermanent = chosen.permanent;
    s.params.CommandSetId = chosen.designation;
    s.params.CommandSetPermanent = chosen.permanent;
}

void commandSetResult(TPageControls& page, const TBench& b) {
    const std::array<uint8_t, 3>& set = b.CommandSet;
    char text[32];
    if (set[2] == 0)
        std::snprintf(text, sizeof text, "%2d%2d", set[0], set[1]);
    else
        std::snprintf(text, sizeof text, "%2d%2d%c", set[0], set[1], char(set[2]));
    page.Edit(1).text = QString::fromLatin1(text);
}

constexpr TControlRange edits(int first, int last) {
    return {TControlKind::Edit, first, last};
}

constexpr TConsolePage Pages[] = {
    {0x04, [](TPageControls& p, const TRememberedEntries&) { idLayout(p, 6); }, readSend<6>,
     [](TPageControls& p, const TBench& b) { idResult(p, b, 6); }, edits(1, 6)},
    {0x51, [](TPageControls& p, const TRememberedEntries&) { idLayout(p, 10); }, readSend<10>,
     [](TPageControls& p, const TBench& b) { idResult(p, b, 10); }, edits(1, 10)},
    {0x05, miscLayout, readSend<5>, miscResult, edits(1, 5)},
    {0x12, rawLayout, readSend<2>, rawResult, edits(1, 2)},
    {0x16, pressureLayout, readSend<3>, pressureResult, edits(1, 3)},
    {0x18, checksumLayout, checksumSend, checksumResult, edits(2, 5)},
    {0x14, readMemoryLayout, readMemorySend, readMemoryResult, edits(2, 21)},
    {0x15, writeMemoryLayout, writeMemorySend, nullptr, {}},
    {0xF1, modeLayout, modeSend, modeResult, edits(12, 12)},
    {0xD4, commandSetLayout, commandSetSend, commandSetResult, edits(1, 1)},
};

} // namespace

std::span<const TConsolePage> pages::ReadoutPages() {
    return Pages;
}
