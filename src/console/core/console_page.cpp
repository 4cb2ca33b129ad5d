#include "console_page.h"

#include "operator_entry.h"
#include "page_parts.h"

#include <cmath>
#include <limits>

namespace pages {

int GroupHeight(int itemRows, bool titled) {
    // A titled group needs room for its caption above the first row of buttons.
    return (titled ? 22 : 6) + 20 * itemRows;
}

void Caption(TPageControls& page, int label, int row, const QString& text) {
    LabelAt(page, label, {CaptionX, RowY(row), CaptionWidth, LabelHeight}, text);
}

void LabelAt(TPageControls& page, int label, TPlace place, const QString& text) {
    TLabelControl& l = page.Label(label);
    l.visible = true;
    l.caption = text;
    l.place = place;
}

void Entry(TPageControls& page, int edit, int row, const QString& text, bool readOnly) {
    EntryAt(page, edit, {EntryX, RowY(row) - 2, EntryWidth, BoxHeight}, text, readOnly);
}

void EntryAt(TPageControls& page, int edit, TPlace place, const QString& text, bool readOnly) {
    TEditControl& e = page.Edit(edit);
    e.visible = true;
    e.text = text;
    e.readOnly = readOnly;
    e.place = place;
}

void BytePair(TPageControls& page, int first, int row, const QString& a, const QString& b, bool readOnly) {
    const int y = RowY(row) - 2;
    EntryAt(page, first, {EntryX, y, PairWidth, BoxHeight}, a, readOnly);
    EntryAt(page, first + 1, {PairSecondX, y, PairWidth, BoxHeight}, b, readOnly);
}

void Check(TPageControls& page, int box, TPlace place, const QString& caption, bool checked) {
    TCheckControl& c = page.CheckBox(box);
    c.visible = true;
    c.caption = caption;
    c.checked = checked;
    c.place = place;
}

void Radio(TPageControls& page, int group, TPlace place, const QString& caption, const QStringList& items,
           int columns, int itemIndex) {
    TRadioControl& r = page.RadioGroup(group);
    r.visible = true;
    r.caption = caption;
    r.items = items;
    r.columns = columns;
    r.itemIndex = itemIndex;
    r.place = place;
}

void ProcessState(TPageControls& page) {
    page.InProg.visible = true;
    page.InProg.text.clear();
}

void ClearEdits(TPageControls& page, int first, int last) {
    for (int n = first; n <= last; ++n)
        page.Edit(n).text.clear();
}

void Fail(TPageSend& step, const QString& text, bool errorIcon) {
    step.messages.append({text, errorIcon});
}

std::optional<int32_t> Integer(const TEditControl& edit) {
    return ParseIntegerEntry(edit.text);
}

std::optional<int16_t> ScaledReal(const TEditControl& edit, double half, double scale) {
    const std::optional<double> entry = ParseRealEntry(edit.text);
    // Beyond single precision's range the entry cannot be held at all.
    if (!entry || !(std::fabs(*entry) <= double(std::numeric_limits<float>::max()))) return std::nullopt;
    const float single = static_cast<float>(*entry);
    const double wire = std::trunc((double(single) + half) * scale);
    // A value that does not fit the request's 16 bits would reach the bench as a different number.
    if (!(wire >= -32768.0 && wire <= 32767.0)) return std::nullopt;
    return static_cast<int16_t>(wire);
}

std::optional<int16_t> Integer16(const TEditControl& edit) {
    const std::optional<int32_t> v = Integer(edit);
    if (!v || *v < -32768 || *v > 32767) return std::nullopt;
    return static_cast<int16_t>(*v);
}

QString Scaled(int value, double scale, int decimals) {
    return FormatRealEntry(value * scale, decimals);
}

QString ByteText(uint8_t value) {
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

int ItemIndex(const TRadioControl& group) {
    return group.itemIndex < 0 ? 0 : group.itemIndex;
}

} // namespace pages

namespace {
template <typename F> const TConsolePage* findIn(std::span<const TConsolePage> pages, F match) {
    for (const TConsolePage& p : pages)
        if (match(p)) return &p;
    return nullptr;
}

constexpr const char* KindNames[] = {"Label", "Edit", "CheckBox", "RadioGroup"};
constexpr int KindCounts[] = {TPageControls::LabelCount, TPageControls::EditCount,
                              TPageControls::CheckBoxCount, TPageControls::RadioGroupCount};
} // namespace

const TConsolePage* FindConsolePage(uint8_t code) {
    const auto match = [code](const TConsolePage& p) { return p.code == code; };
    for (std::span<const TConsolePage> set :
         {pages::CalibrationPages(), pages::ControlPages(), pages::ReadoutPages()})
        if (const TConsolePage* p = findIn(set, match)) return p;
    return nullptr;
}

QList<const TConsolePage*> ConsolePages() {
    QList<const TConsolePage*> all;
    for (std::span<const TConsolePage> set :
         {pages::CalibrationPages(), pages::ControlPages(), pages::ReadoutPages()})
        for (const TConsolePage& p : set)
            all.append(&p);
    return all;
}

TPageControls LayoutPage(uint8_t code, const TRememberedEntries& remembered) {
    TPageControls page;
    if (const TConsolePage* p = FindConsolePage(code)) p->layout(page, remembered);
    return page;
}

TPageSend SendPage(uint8_t code, const TPageControls& entries, const TRememberedEntries& remembered) {
    TPageSend step;
    step.controls = entries;
    step.remembered = remembered;
    const TConsolePage* p = FindConsolePage(code);
    if (!p) return step;
    p->send(step);
    if (!step.Accepted()) {
        // A step that showed a message changes neither the remembered entries nor the record.
        step.remembered = remembered;
        step.params = TCmdParams{};
    }
    return step;
}

void ShowPageResult(uint8_t code, const TBench& bench, TPageControls& page) {
    const TConsolePage* p = FindConsolePage(code);
    if (p && p->result) p->result(page, bench);
}

bool HasResultDisplay(uint8_t code) {
    const TConsolePage* p = FindConsolePage(code);
    return p && p->result;
}

QString ControlName(TControlKind kind, int number) {
    return QLatin1String(KindNames[int(kind)]) + QString::number(number);
}

std::optional<TControlRef> ParseControlName(const QString& name) {
    for (int k = 0; k < 4; ++k) {
        const QLatin1String kind(KindNames[k]);
        if (!name.startsWith(kind)) continue;
        const QString digits = name.mid(kind.size());
        if (digits.isEmpty() || digits.startsWith(QLatin1Char('0'))) return std::nullopt;
        for (QChar c : digits)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        const int number = digits.toInt();
        if (number < 1 || number > KindCounts[k]) return std::nullopt;
        return TControlRef{TControlKind(k), number};
    }
    return std::nullopt;
}
