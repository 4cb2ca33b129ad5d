// The calibration pages: zero with purge time, span, reset span, new NO sensor and the two pressure
// spans. They show the bench's "Process State" (all but New NO Sensor) and no reply values.
#include "page_parts.h"

using namespace pages;

namespace {

// ---- $02 zero with purge time ----

void zeroLayout(TPageControls& page, const TRememberedEntries& r) {
    Caption(page, 1, 1, QStringLiteral("Purge Time (1 PT = 1000 msecs)"));
    Entry(page, 1, 1, QString::number(r.LastPurgeTime));
    ProcessState(page);
}

void zeroSend(TPageSend& s) {
    s.controls.InProg.text.clear();
    const std::optional<int32_t> v = Integer(s.controls.Edit(1));
    if (!v) return Fail(s, QStringLiteral("Check PT Values"));
    if (*v < 0 || *v > 255) return Fail(s, QStringLiteral("Illegal Purge Time"), true);
    s.remembered.LastPurgeTime = uint8_t(*v);
    s.params.PurgeTime = uint8_t(*v);
}

// ---- $03 span ----

// The five channels in mask bit order, with the unit of their wire value.
struct SpanRow {
    const char* caption;
    enum { Percent100, Percent1000, Whole } unit;
};
constexpr SpanRow SpanRows[] = {
    {"CO2 [%]", SpanRow::Percent100}, {"CO [%]", SpanRow::Percent1000}, {"Ethanol[ppm]", SpanRow::Whole},
    {"NO [ppm]", SpanRow::Whole},     {"O2 [%]", SpanRow::Percent100},
};
constexpr int SpanCheckX = 150;

void spanLayout(TPageControls& page, const TRememberedEntries& r) {
    for (int i = 0; i < 5; ++i) {
        const int n = i + 1;
        LabelAt(page, n, {CaptionX, RowY(n), SpanCheckX - CaptionX - 4, LabelHeight},
                QLatin1String(SpanRows[i].caption));
        Check(page, n, {SpanCheckX, RowY(n) - 1, 20, 19}, QString(), (r.LastTagMask >> i) & 1);
        const int v = r.LastSpanValues[size_t(i)];
        QString text;
        switch (SpanRows[i].unit) {
        case SpanRow::Percent100:
            text = Scaled(v, 0.01, 2);
            break;
        case SpanRow::Percent1000:
            text = Scaled(v, 0.001, 3);
            break;
        case SpanRow::Whole:
            text = QString::number(v);
            break;
        }
        Entry(page, n, n, text);
    }
    ProcessState(page);
}

void spanSend(TPageSend& s) {
    s.controls.InProg.text.clear();
    uint8_t mask = 0;
    std::array<int16_t, 5> values{};
    for (int i = 0; i < 5; ++i) {
        const int n = i + 1;
        if (!s.controls.CheckBox(n).checked) continue;
        mask |= uint8_t(1 << i);
        const TEditControl& e = s.controls.Edit(n);
        std::optional<int16_t> v;
        switch (SpanRows[i].unit) {
        case SpanRow::Percent100:
            v = ScaledReal(e, 0.005, 100);
            break;
        case SpanRow::Percent1000:
            v = ScaledReal(e, 0.0005, 1000);
            break;
        case SpanRow::Whole:
            v = Integer16(e);
            break;
        }
        if (!v)
            Fail(s, QStringLiteral("Check Tag Value"));
        else
            values[size_t(i)] = *v;
    }
    if (mask == 0) Fail(s, QStringLiteral("No Channels selected"));
    if (!s.Accepted()) return;
    s.remembered.LastSpanValues = values;
    s.remembered.LastTagMask = mask;
    s.params.TagMask = mask;
    s.params.SpanCo2 = values[0];
    s.params.SpanCo = values[1];
    s.params.SpanEthanol = values[2];
    s.params.SpanNO = values[3];
    s.params.SpanO2 = values[4];
}

// ---- $09 reset span ----

void resetSpanLayout(TPageControls& page, const TRememberedEntries& r) {
    Caption(page, 1, 1, QStringLiteral("Tag Mask"));
    const char* const names[] = {"CO2", "CO", "Ethanol"};
    for (int i = 0; i < 3; ++i)
        Check(page, i + 1, {CaptionX + 16, RowY(i + 2) - 1, 120, 19}, QLatin1String(names[i]),
              (r.LastTagMask >> i) & 1);
    ProcessState(page);
}

void resetSpanSend(TPageSend& s) {
    s.controls.InProg.text.clear();
    uint8_t mask = 0;
    for (int i = 0; i < 3; ++i)
        if (s.controls.CheckBox(i + 1).checked) mask |= uint8_t(1 << i);
    if (mask == 0) return Fail(s, QStringLiteral("No Channels selected"));
    s.remembered.LastTagMask = mask;
    s.params.TagMask = mask;
}

// ---- $0A new NO sensor ----

void newNoLayout(TPageControls& page, const TRememberedEntries&) {
    page.Memo1.visible = true;
    page.Memo1.lines = {QStringLiteral("WARNING!"),
                        QStringLiteral("Do not send the $0A New NO Sensor command unless "),
                        QStringLiteral("you have just installed a new NO sensor and have just "),
                        QStringLiteral("span calibrated the NO channel.")};
    page.Memo1.place = {CaptionX, Top, 386, 84};
}

// The warning is the only safeguard: the command goes out as it is.
void newNoSend(TPageSend&) {}

// ---- $11 and $50 pressure spans ----

// The selector codes of the two items of each page's group.
struct PressureSpan {
    const char* caption;
    const char* items[2];
    uint8_t codes[2];
};
constexpr PressureSpan OnePoint{"1 Point Pressure Span", {"Reset", "Span"}, {2, 1}};
constexpr PressureSpan TwoPoint{"2 Point Pressure Span", {"Low", "High"}, {8, 136}};

void pressureLayout(TPageControls& page, const TRememberedEntries& r, const PressureSpan& kind) {
    Caption(page, 1, 1, QStringLiteral("Tag Value"));
    Entry(page, 1, 1, Scaled(r.LastTagValue, 0.1, 1));
    Radio(page, 1, {CaptionX, RowY(2) + 6, GroupWidth, GroupHeight(1)}, QLatin1String(kind.caption),
          {QLatin1String(kind.items[0]), QLatin1String(kind.items[1])}, 2, 0);
    ProcessState(page);
}

void pressureSend(TPageSend& s, const PressureSpan& kind) {
    s.controls.InProg.text.clear();
    const int item = s.controls.RadioGroup(1).itemIndex;
    const uint8_t selector = item == 0 || item == 1 ? kind.codes[item] : 0;
    const std::optional<int16_t> value = ScaledReal(s.controls.Edit(1), 0.05, 10);
    if (!value) Fail(s, QStringLiteral("Check Tag Value"));
    if (selector == 0) Fail(s, QStringLiteral("No Channels selected"));
    if (!s.Accepted()) return;
    s.remembered.LastTagValue = *value;
    s.remembered.LastTagMask = selector;
    s.params.TagMask = selector;
    s.params.TagValue = *value;
}

constexpr TConsolePage Pages[] = {
    {0x02, zeroLayout, zeroSend, nullptr, {}},
    {0x03, spanLayout, spanSend, nullptr, {}},
    {0x09, resetSpanLayout, resetSpanSend, nullptr, {}},
    {0x0A, newNoLayout, newNoSend, nullptr, {}},
    {0x11,
     [](TPageControls& p, const TRememberedEntries& r) { pressureLayout(p, r, OnePoint); },
     [](TPageSend& s) { pressureSend(s, OnePoint); },
     nullptr,
     {}},
    {0x50,
     [](TPageControls& p, const TRememberedEntries& r) { pressureLayout(p, r, TwoPoint); },
     [](TPageSend& s) { pressureSend(s, TwoPoint); },
     nullptr,
     {}},
};

} // namespace

std::span<const TConsolePage> pages::CalibrationPages() {
    return Pages;
}
