// The control pages: data streaming, pump, device control outputs, leak check, gas channel switches,
// standby, filters, demodulation, and the commands without arguments.
#include "page_parts.h"

using namespace pages;

namespace {

QStringList items(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts)
        list << QLatin1String(t);
    return list;
}

// ---- $01 and $44 data status ----

void dataLayout(TPageControls& page, const TRememberedEntries& r) {
    Radio(page, 2, {CaptionX, Top, GroupWidth, GroupHeight(3)}, QStringLiteral("Data Rate"),
          items({"Stop Continuous", "One Packet", "Continuous"}), 1, r.LastDataRate);
    // The ethanol mode is kept but not offered: its group stays hidden.
    Radio(page, 1, {CaptionX, Top + GroupHeight(3) + 8, GroupWidth, GroupHeight(1)},
          QStringLiteral("Ethanol Mode"), items({"Ethanol", "Ethanol"}), 2, r.LastEthanolMode);
    page.RadioGroup(1).visible = false;
}

void dataSend(TPageSend& s) {
    const uint8_t rate = uint8_t(ItemIndex(s.controls.RadioGroup(2)));
    const uint8_t ethanol = s.controls.RadioGroup(1).itemIndex == 1 ? 1 : 0;
    s.remembered.LastDataRate = rate;
    s.remembered.LastEthanolMode = ethanol;
    s.params.DataRate = rate;
    s.params.EthanolMode = ethanol;
}

// ---- $07 and $52 pump ----

void pumpLayout(TPageControls& page, const TRememberedEntries& r) {
    const int height = GroupHeight(2);
    Radio(page, 1, {CaptionX, Top, GroupWidth, height}, QStringLiteral("Pump"),
          items({"Off", "On", "No Change"}), 2, r.LastPump);
    const int y = Top + height + 10;
    LabelAt(page, 1, {CaptionX, y, CaptionWidth, LabelHeight}, QStringLiteral("Current Pump State"));
    EntryAt(page, 1, {EntryX, y - 2, EntryWidth, BoxHeight}, QString(), true);
}

void pumpSend(TPageSend& s) {
    s.controls.Edit(1).text.clear();
    const uint8_t pump = uint8_t(ItemIndex(s.controls.RadioGroup(1)));
    s.remembered.LastPump = pump;
    s.params.PumpControl = pump;
}

void pumpResult(TPageControls& page, const TBench& b) {
    if (b.PumpState == 0) page.Edit(1).text = QStringLiteral("Pump Off");
    if (b.PumpState == 1) page.Edit(1).text = QStringLiteral("Pump On");
}

// ---- $08 device control ----

// Row N (1..8) is for bit 8 - N: its check box selects the bit for the mask, its group the value.
constexpr int DeviceRowTop = Top + 22;
constexpr int DevicePitch = 30;
constexpr int DeviceGroupX = 76;
constexpr int DeviceGroupWidth = 150;
constexpr int DeviceResultX = 240;

void deviceLayout(TPageControls& page, const TRememberedEntries& r) {
    LabelAt(page, 1, {CaptionX, Top, 50, LabelHeight}, QStringLiteral("DCM"));
    LabelAt(page, 2, {DeviceGroupX + 6, Top, 60, LabelHeight}, QStringLiteral("DC"));
    LabelAt(page, 3, {DeviceResultX, Top, 60, LabelHeight}, QStringLiteral("DCLC"));
    for (int n = 1; n <= 8; ++n) {
        const int bit = 8 - n;
        const int y = DeviceRowTop + DevicePitch * (n - 1);
        Check(page, n, {CaptionX, y + 5, 50, 19}, QString::number(bit), true);
        Radio(page, n, {DeviceGroupX, y, DeviceGroupWidth, GroupHeight(1, false) + 3}, QString(),
              items({"Clear", "Set"}), 2, BitItem(r.LastDeviceValue, bit));
        EntryAt(page, n, {DeviceResultX, y + 4, 80, BoxHeight}, QString(), true);
    }
}

void deviceSend(TPageSend& s) {
    ClearEdits(s.controls, 1, 8);
    uint8_t mask = 0, value = 0;
    for (int n = 1; n <= 8; ++n) {
        const uint8_t bit = uint8_t(1 << (8 - n));
        if (s.controls.CheckBox(n).checked) mask |= bit;
        if (s.controls.RadioGroup(n).itemIndex == 1) value |= bit;
    }
    s.remembered.LastDeviceMask = mask;
    s.remembered.LastDeviceValue = value;
    s.params.DeviceMask = mask;
    s.params.DeviceValue = value;
}

void deviceResult(TPageControls& page, const TBench& b) {
    for (int n = 1; n <= 8; ++n)
        page.Edit(n).text =
            (b.DeviceControlState >> (8 - n)) & 1 ? QStringLiteral("Set") : QStringLiteral("Clear");
}

// ---- $0B leak check ----

void leakLayout(TPageControls& page, const TRememberedEntries& r) {
    Caption(page, 1, 1, QStringLiteral("Times and Tolerance"));
    Caption(page, 2, 2, QStringLiteral("Vacuum Time (secs.)"));
    Entry(page, 2, 2, QString::number(r.LastVacuumTime));
    Caption(page, 3, 3, QStringLiteral("Leak Check Time (secs.)"));
    Entry(page, 3, 3, QString::number(r.LastLeakTime));
    Caption(page, 4, 4, QStringLiteral("Tolerance (10ths PSI/min)"));
    Entry(page, 4, 4, QString::number(r.LastTolerance));
    ProcessState(page);
}

void leakSend(TPageSend& s) {
    // Each time and the tolerance go to the bench as one byte; a value that does not fit is refused
    // with the entry's message rather than sent as its low eight bits.
    const char* const messages[] = {"Check Vacuum setting", "Check Leak Time setting",
                                    "Check Tolerance setting"};
    uint8_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::optional<int32_t> v = Integer(s.controls.Edit(i + 2));
        if (!v || *v < 0 || *v > 255)
            Fail(s, QLatin1String(messages[i]));
        else
            values[i] = uint8_t(*v);
    }
    if (!s.Accepted()) return;
    s.remembered.LastVacuumTime = values[0];
    s.remembered.LastLeakTime = values[1];
    s.remembered.LastTolerance = values[2];
    s.params.VacuumTime = values[0];
    s.params.LeakCheckTime = values[1];
    s.params.LeakTolerance = values[2];
}

// ---- $13 gas switch ----

constexpr uint8_t SwitchWrite = 0x80;
constexpr int SwitchCheckX = 110;

void switchLayout(TPageControls& page, const TRememberedEntries& r) {
    const char* const names[] = {"CO2", "CO", "Ethanol", "NO", "O2"};
    for (int i = 0; i < 5; ++i) {
        const int n = i + 1;
        LabelAt(page, n, {CaptionX, RowY(n), SwitchCheckX - CaptionX - 4, LabelHeight},
                QLatin1String(names[i]));
        Check(page, n, {SwitchCheckX, RowY(n) - 1, 20, 19}, QString(), (r.LastSwitch >> i) & 1);
    }
    Radio(page, 1, {CaptionX, RowY(6) + 4, GroupWidth, GroupHeight(1)}, QStringLiteral("Channel Mask"),
          items({"Read", "Write"}), 2, BitItem(r.LastSwitch, 7));
}

void switchSend(TPageSend& s) {
    uint8_t byte = s.controls.RadioGroup(1).itemIndex == 1 ? SwitchWrite : 0;
    for (int i = 0; i < 5; ++i)
        if (s.controls.CheckBox(i + 1).checked) byte |= uint8_t(1 << i);
    s.remembered.LastSwitch = byte;
    s.params.SwitchControl = byte;
    // The boxes now wait for the bench's answer, which checks the channels that are on.
    for (int i = 0; i < 5; ++i)
        s.controls.CheckBox(i + 1).checked = false;
}

void switchResult(TPageControls& page, const TBench& b) {
    for (int i = 0; i < 5; ++i)
        if ((b.ChannelSwitch >> i) & 1) page.CheckBox(i + 1).checked = true;
}

// ---- $17 standby ----

void standbyLayout(TPageControls& page, const TRememberedEntries&) {
    const int actionHeight = GroupHeight(3);
    Radio(page, 1, {CaptionX, Top, 150, actionHeight}, QStringLiteral("Standby"),
          items({"Read", "Disable", "Enable"}), 1, 0);
    Radio(page, 2, {CaptionX + 160, Top, 150, GroupHeight(2)}, QStringLiteral("Standby"),
          items({"Temporary", "Permanent"}), 1, 0);
    const int y = Top + actionHeight + 10;
    LabelAt(page, 1, {CaptionX, y, CaptionWidth, LabelHeight}, QStringLiteral("Standby Mode State"));
    EntryAt(page, 1, {EntryX, y - 2, EntryWidth, BoxHeight}, QString(), true);
}

void standbySend(TPageSend& s) {
    s.controls.Edit(1).text.clear();
    constexpr uint8_t actions[] = {0x00, 0x40, 0x80}; // Read, Disable, Enable
    const int action = s.controls.RadioGroup(1).itemIndex;
    uint8_t byte = action >= 0 && action < 3 ? actions[action] : 0;
    if (s.controls.RadioGroup(2).itemIndex == 1) byte |= 0x20; // Permanent
    s.remembered.LastStandby = byte;
    s.params.StandbyControl = byte;
}

void standbyResult(TPageControls& page, const TBench& b) {
    if (b.StandbyState == 0x80) page.Edit(1).text = QStringLiteral("Enabled");
    if (b.StandbyState == 0x40) page.Edit(1).text = QStringLiteral("Disabled");
}

// ---- $45 filters ----

struct FilterRow {
    const char* caption;
    int bit;
};
constexpr FilterRow FilterRows[] = {{"Input Filter 1", 5}, {"Input Filter 2", 4}, {"Output Filter", 0}};
constexpr int FilterPitch = 52;

void filterLayout(TPageControls& page, const TRememberedEntries& r) {
    const int height = GroupHeight(1);
    for (int i = 0; i < 3; ++i) {
        const int y = Top + FilterPitch * i;
        Radio(page, i + 1, {CaptionX, y, GroupWidth, height}, QLatin1String(FilterRows[i].caption),
              items({"Off", "On"}), 2, BitItem(r.LastFilter, FilterRows[i].bit));
        EntryAt(page, i + 1, {EntryX, y + height - BoxHeight - 4, EntryWidth, BoxHeight}, QString(), true);
    }
}

void filterSend(TPageSend& s) {
    ClearEdits(s.controls, 1, 3);
    uint8_t byte = 0;
    for (int i = 0; i < 3; ++i)
        if (s.controls.RadioGroup(i + 1).itemIndex == 1) byte |= uint8_t(1 << FilterRows[i].bit);
    s.remembered.LastFilter = byte;
    s.params.FilterControl = byte;
}

void filterResult(TPageControls& page, const TBench& b) {
    for (int i = 0; i < 3; ++i)
        page.Edit(i + 1).text =
            (b.FilterState >> FilterRows[i].bit) & 1 ? QStringLiteral("Set") : QStringLiteral("Clear");
}

// ---- $46 demodulation ----

void demodLayout(TPageControls& page, const TRememberedEntries& r) {
    const int height = GroupHeight(1);
    Radio(page, 1, {CaptionX, Top, GroupWidth, height}, QStringLiteral("Demodulation"),
          items({"Orvo", "Lumex"}), 2, r.LastDemod);
    const int y = Top + height + 10;
    LabelAt(page, 1, {CaptionX, y, CaptionWidth, LabelHeight}, QStringLiteral("Current Setting"));
    EntryAt(page, 1, {EntryX, y - 2, EntryWidth, BoxHeight}, QString(), true);
}

void demodSend(TPageSend& s) {
    s.controls.Edit(1).text.clear();
    const uint8_t value = s.controls.RadioGroup(1).itemIndex == 1 ? 1 : 0;
    s.remembered.LastDemod = value;
    s.params.DemodSelect = value;
}

void demodResult(TPageControls& page, const TBench& b) {
    if (b.DemodState == 0) page.Edit(1).text = QStringLiteral("Orvo");
    if (b.DemodState == 1) page.Edit(1).text = QStringLiteral("Lumex");
}

// ---- $56, $57, $58, $F0: no arguments ----

void bareLayout(TPageControls& page, const TRememberedEntries&) {
    ProcessState(page);
}

void bareSend(TPageSend& s) {
    s.controls.InProg.text.clear();
}

constexpr TControlRange edits(int first, int last) {
    return {TControlKind::Edit, first, last};
}

constexpr TConsolePage Pages[] = {
    {0x01, dataLayout, dataSend, nullptr, {}},
    {0x44, dataLayout, dataSend, nullptr, {}},
    {0x07, pumpLayout, pumpSend, pumpResult, edits(1, 1)},
    {0x52, pumpLayout, pumpSend, pumpResult, edits(1, 1)},
    {0x08, deviceLayout, deviceSend, deviceResult, edits(1, 8)},
    {0x0B, leakLayout, leakSend, nullptr, {}},
    {0x13, switchLayout, switchSend, switchResult, {TControlKind::CheckBox, 1, 5}},
    {0x17, standbyLayout, standbySend, standbyResult, edits(1, 1)},
    {0x45, filterLayout, filterSend, filterResult, edits(1, 3)},
    {0x46, demodLayout, demodSend, demodResult, edits(1, 1)},
    {0x56, bareLayout, bareSend, nullptr, {}},
    {0x57, bareLayout, bareSend, nullptr, {}},
    {0x58, bareLayout, bareSend, nullptr, {}},
    {0xF0, bareLayout, bareSend, nullptr, {}},
};

} // namespace

std::span<const TConsolePage> pages::ControlPages() {
    return Pages;
}
