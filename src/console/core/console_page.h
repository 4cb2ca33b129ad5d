#pragma once

#include "bench.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The command console's pages without widgets. The console has one fixed set of generic controls
// (Label1..15, Edit1..21, CheckBox1..8, RadioGroup1..8, Memo1 and the "Process State" box); a page is
// a layout of them for one command code, a send step that checks the operator's entries and turns them
// into a CmdParams record, and, for codes whose reply carries values, a result display. The dialog
// binds TPageControls to its widgets; x714ctl page and the tests use the same functions without one.

// Where a control sits inside the console, in pixels.
struct TPlace {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const TPlace&) const = default;
};

struct TLabelControl {
    bool visible = false;
    QString caption;
    TPlace place;
};

struct TEditControl {
    bool visible = false;
    QString text;
    // A box that only shows the bench's reply.
    bool readOnly = false;
    TPlace place;
};

struct TCheckControl {
    bool visible = false;
    QString caption;
    bool checked = false;
    TPlace place;
};

struct TRadioControl {
    bool visible = false;
    QString caption;
    QStringList items;
    int columns = 1;
    int itemIndex = -1; // -1: no item selected
    TPlace place;
};

struct TMemoControl {
    bool visible = false;
    QStringList lines;
    TPlace place;
};

// The "Process State" label and its read-only box; they always sit in the same place.
struct TProcessStateControl {
    bool visible = false;
    QString text;
};

// The generic controls as a page sees them. Numbers are those of the control names (Edit(1) is Edit1).
struct TPageControls {
    static constexpr int LabelCount = 15, EditCount = 21, CheckBoxCount = 8, RadioGroupCount = 8;
    std::array<TLabelControl, LabelCount> Labels;
    std::array<TEditControl, EditCount> Edits;
    std::array<TCheckControl, CheckBoxCount> CheckBoxes;
    std::array<TRadioControl, RadioGroupCount> RadioGroups;
    TMemoControl Memo1;
    TProcessStateControl InProg;

    TLabelControl& Label(int n) { return Labels[size_t(n - 1)]; }
    TEditControl& Edit(int n) { return Edits[size_t(n - 1)]; }
    TCheckControl& CheckBox(int n) { return CheckBoxes[size_t(n - 1)]; }
    TRadioControl& RadioGroup(int n) { return RadioGroups[size_t(n - 1)]; }
    const TLabelControl& Label(int n) const { return Labels[size_t(n - 1)]; }
    const TEditControl& Edit(int n) const { return Edits[size_t(n - 1)]; }
    const TCheckControl& CheckBox(int n) const { return CheckBoxes[size_t(n - 1)]; }
    const TRadioControl& RadioGroup(int n) const { return RadioGroups[size_t(n - 1)]; }
};

// The values Send last accepted, shown again when a page is laid out. They live as long as the
// console and are never saved. Several pages share an entry (see the pages).
struct TRememberedEntries {
    uint8_t LastPurgeTime = 0;
    uint8_t LastTagMask = 0; // span channels, reset-span channels and the pressure span selector
    std::array<int16_t, 5> LastSpanValues{}; // CO2, CO, Ethanol, NO, O2 in wire units
    int16_t LastTagValue = 0;                // tenths
    uint8_t LastPump = 0;
    uint8_t LastDeviceMask = 0, LastDeviceValue = 0;
    uint8_t LastDataRate = 2; // "Continuous"
    uint8_t LastEthanolMode = 0;
    uint8_t LastFilter = 0;
    uint8_t LastDemod = 0;
    std::array<uint8_t, 3> LastCommandSet{};
    uint8_t LastCommandSetPermanent = 0;
    uint8_t LastSwitch = 0;
    uint8_t LastLocation = 0;
    std::array<uint8_t, 20> LastMemoryData{};
    uint8_t LastVacuumTime = 0, LastLeakTime = 0, LastTolerance = 0;
    uint8_t LastModeAction = 0, LastNewMode = 0;
    uint8_t LastStandby = 0;
    bool operator==(const TRememberedEntries&) const = default;
};

// One message box of a send step; every one has the caption "Information" and an OK button.
struct TPageMessage {
    QString text;
    bool errorIcon = false;
    bool operator==(const TPageMessage&) const = default;
};
inline constexpr const char* PageMessageCaption = "Information";

// What a send step did: the page after it (result boxes it emptied, boxes it unchecked), and either
// its messages, or the accepted values and the complete CmdParams record (every field the page does
// not use is 0). On failure the remembered entries are those it was given and the record is all 0.
struct TPageSend {
    TPageControls controls;
    QList<TPageMessage> messages;
    TRememberedEntries remembered;
    TCmdParams params;
    bool Accepted() const { return messages.isEmpty(); }
};

enum class TControlKind { Label, Edit, CheckBox, RadioGroup };

// Controls of one kind numbered first..last (none when last < first).
struct TControlRange {
    TControlKind kind = TControlKind::Edit;
    int first = 1, last = 0;
};

// One console page: the code it belongs to, its layout, its send step, its result display (nullptr
// for codes whose reply carries nothing the page shows) and the boxes that display writes.
struct TConsolePage {
    uint8_t code;
    void (*layout)(TPageControls& page, const TRememberedEntries& remembered);
    void (*send)(TPageSend& step);
    void (*result)(TPageControls& page, const TBench& bench);
    TControlRange resultBoxes;
};

// The page of a code, or nullptr for a code the console has no page for ($47, and codes it does not
// know): its layout hides every control and its send step hands the code over as it is.
const TConsolePage* FindConsolePage(uint8_t code);
// Every page, for tests and the tool's help.
QList<const TConsolePage*> ConsolePages();

// The page of `code` laid out afresh: every control hidden and emptied, then shown, placed and
// filled by the page from the remembered entries.
TPageControls LayoutPage(uint8_t code, const TRememberedEntries& remembered);
// Runs the page's send step on what the operator entered. A code without a page is accepted as it is
// (nothing to check, no record written: `params` stays all 0).
TPageSend SendPage(uint8_t code, const TPageControls& entries, const TRememberedEntries& remembered);
// Fills the page's result boxes from the bench's decoded reply. Does nothing for a page without a
// result display.
void ShowPageResult(uint8_t code, const TBench& bench, TPageControls& page);
// True for the codes whose pages display a reply.
bool HasResultDisplay(uint8_t code);

// Control names: "Edit1", "CheckBox3", "RadioGroup2", "Label15".
QString ControlName(TControlKind kind, int number);
struct TControlRef {
    TControlKind kind;
    int number;
};
std::optional<TControlRef> ParseControlName(const QString& name);
