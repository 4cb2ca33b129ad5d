#include "data_table.h"

#include "bench.h"
#include "clock.h"
#include "locale_setup.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// How a column's values are summed: whole counts exactly (64-bit, so that long blocks of large counts
// cannot wrap), gas readings in single precision, ambient temperature and PEF in double precision.
enum class SumKind { Integer, Single, Double };

// One sample of one column: the value as summed and the text written into the sample cell.
struct Sample {
    SumKind kind = SumKind::Integer;
    qint64 integer = 0;
    float single = 0;
    double real = 0;
    QString text;
    double AsDouble() const {
        switch (kind) {
        case SumKind::Integer:
            return double(integer);
        case SumKind::Single:
            return double(single);
        case SumKind::Double:
            return real;
        }
        return 0;
    }
};

// Width and decimals of a cell: whole counts are written without decimals (Precision unused).
struct Format {
    int width;
    int precision;
};

struct ColumnFormats {
    Format mean;  // the mean cell, as its column's samples are written
    Format stdev; // the standard deviation cell, always with decimals
    int naWidth;  // width of the cell shown when a one-sample block has no deviation
};

Sample integerSample(qint64 value, int width) {
    Sample s;
    s.kind = SumKind::Integer;
    s.integer = value;
    s.text = FormatInteger(value, width);
    return s;
}

Sample singleSample(float value, const QString& text) {
    Sample s;
    s.kind = SumKind::Single;
    s.single = value;
    s.text = text;
    return s;
}

Sample doubleSample(double value, Format format) {
    Sample s;
    s.kind = SumKind::Double;
    s.real = value;
    s.text = FormatFixed(value, format.width, format.precision);
    return s;
}

// A count the bench record keeps as a floating-point copy of a signed 16-bit value, truncated toward
// zero and narrowed back to 16 bits.
int16_t narrow16(float value) {
    const double t = std::trunc(double(value));
    if (!(t >= -2147483648.0 && t <= 2147483647.0)) return 0;
    return static_cast<int16_t>(static_cast<int32_t>(t));
}

// A gas value scaled in single precision.
float scaled(double count, double factor) {
    return static_cast<float>(count * factor);
}

const char* const HeaderTexts[ColumnGroupCount][8] = {
    {"Dem CO2 ", "    CO  ", "Ethanol ", "    Ref "},
    {"Offset1", "Offset2", "Offset3", "Offset4"},
    {"  CO2 [%]", "  CO [%]", "  Ethanol [ppm]", "  O2 [%]", "  NO [ppm]"},
    {" Min CO2", " Max CO2", " Min CO ", " Max CO ", " Min Ethanol ", " Max Ethanol ", " Min Ref",
     " Max Ref"},
    {"DetCel", "DetSrc", "Det Ethanol"},
    {"AmbTemp"},
    {" Abs p", " Dif p"},
    {" Amb p"},
    {"Raw NO", "Raw O2 "},
    {"  PEF "},
};
constexpr int GroupWidths[ColumnGroupCount] = {4, 4, 5, 8, 3, 1, 2, 1, 2, 1};

const QString AcceptHeader = QStringLiteral("Accept");
const QString TimeHeader = QStringLiteral("    Time     ");
const QString RelTimeHeader = QStringLiteral("  RTime   ");
const QString BenchLabel = QStringLiteral("  Bn ");
const QString PpmLabel = QStringLiteral("  [ppm]");

constexpr Format StdevFormat{10, 4};
constexpr int StdevWidth = 10;

// Formats of the mean and deviation cells of one column of a group.
ColumnFormats formatsOf(TColumnGroup group, int column, bool hcDivided) {
    switch (group) {
    case GroupDemodulatedIR:
        // The first channel's deviation is written without a width, as the counts are large.
        return {{8, 0}, column == 0 ? Format{0, 6} : StdevFormat, column == 0 ? 8 : StdevWidth};
    case GroupOffset:
        return {{7, 0}, StdevFormat, StdevWidth};
    case GroupGasConcentration: {
        static constexpr Format means[5] = {{7, 2}, {7, 3}, {9, 0}, {7, 2}, {7, 2}};
        return {column == 2 && hcDivided ? Format{9, 2} : means[column], StdevFormat, StdevWidth};
    }
    case GroupMinMaxADC:
        return {{8, 0}, StdevFormat, StdevWidth};
    case GroupAmbTemp:
        return {{6, 1}, StdevFormat, StdevWidth};
    case GroupPef:
        return {{6, 3}, StdevFormat, StdevWidth};
    default: // temperatures, pressures, ambient pressure, raw NO and O2
        return {{6, 0}, StdevFormat, StdevWidth};
    }
}

int32_t demodValue(const TBench& b, int channel) {
    const uint32_t values[4] = {b.DemodCo2, b.DemodCo, b.DemodHc, b.DemodRef};
    return static_cast<int32_t>(values[channel]);
}

} // namespace

TDataTable::TDataTable(QObject* parent) : QObject(parent) {
    StartTime = Clock().Seconds();
    for (auto& g : GroupStart)
        g.fill(-1);
    m_cells = QVector<QStringList>(RowCount, QStringList(QVector<QString>(m_columns)));
}

QString TDataTable::Cell(int row, int column) const {
    if (row < 0 || row >= m_cells.size() || column < 0 || column >= m_columns) return {};
    return m_cells[row][column];
}

void TDataTable::SetCell(int row, int column, const QString& text) {
    if (row < 0 || row >= m_cells.size() || column < 0) return;
    ensureColumns(column + 1);
    m_cells[row][column] = text;
    m_touchedFirst = std::min(m_touchedFirst, row);
    m_touchedLast = std::max(m_touchedLast, row);
}

QString TDataTable::RowText(int row) const {
    QString line;
    for (int c = 0; c < ColumnCount; ++c)
        line += Cell(row, c);
    return line;
}

void TDataTable::CopyRowForLog(int from, int to) {
    if (from == to) return;
    for (int c = 0; c < ColumnCount; ++c)
        SetCell(to, c, Cell(from, c));
    emit RowsChanged(to, to);
}

QStringList TDataTable::GroupHeaders(TColumnGroup group) {
    QStringList headers;
    for (int c = 0; c < GroupWidths[group]; ++c)
        headers << QString::fromLatin1(HeaderTexts[group][c]);
    return headers;
}

int TDataTable::GroupWidth(TColumnGroup group) {
    return GroupWidths[group];
}

bool TDataTable::GroupTicked(const TSettingsPanel& s, TColumnGroup group) {
    switch (group) {
    case GroupDemodulatedIR:
        return s.DemodulatedIR;
    case GroupOffset:
        return s.Offset;
    case GroupGasConcentration:
        return s.GasConcentration;
    case GroupMinMaxADC:
        return s.MinMaxADC;
    case GroupTemperatures:
        return s.Temperatures;
    case GroupAmbTemp:
        return s.AmbTemp;
    case GroupPressures:
        return s.Pressures;
    case GroupAmbPressure:
        return s.AmbPressure;
    case GroupRawNoxO2:
        return s.RawNoxO2;
    case GroupPef:
        return s.Pef;
    case ColumnGroupCount:
        break;
    }
    return false;
}

void TDataTable::ensureColumns(int columns) {
    if (columns <= m_columns) return;
    for (QStringList& row : m_cells)
        while (row.size() < columns)
            row.append(QString());
    m_columns = columns;
}

void TDataTable::clearAll() {
    m_cells = QVector<QStringList>(RowCount, QStringList(QVector<QString>(m_columns)));
}

void TDataTable::clearRow(int row) {
    if (row < 0 || row >= m_cells.size()) return;
    for (QString& cell : m_cells[row])
        cell.clear();
    m_touchedFirst = std::min(m_touchedFirst, row);
    m_touchedLast = std::max(m_touchedLast, row);
}

void TDataTable::scrollUp(int first, int last) {
    // Each row's cells move one row up by swapping them along; what row first-1 held ends in row
    // last, which is then cleared. Cells beyond the columns in use stay where they are.
    for (int r = first; r <= last; ++r) {
        QString* above = m_cells[r - 1].data();
        QString* below = m_cells[r].data();
        for (int c = 0; c < ColumnCount; ++c)
            above[c].swap(below[c]);
        markTouched(r - 1);
    }
    clearRow(last);
}

void TDataTable::clearSums(int bench) {
    for (auto& group : m_sums)
        group[bench].fill(ColumnSums{});
}

void TDataTable::RebuildTable(const TWindowState& state, const TAveraging& averaging) {
    ColumnCount = 0;
    FirstActive = -1;
    LastActive = 0;
    ActiveCount = 0;
    for (int i = 0; i < 4; ++i) {
        if (!state.PortOpen[i]) continue;
        if (FirstActive == -1) FirstActive = i;
        LastActive = i;
        ++ActiveCount;
    }
    RowCount = std::max(state.GridHeight / RowHeight - 1, MinRowCount);
    m_columns = DefaultGridColumns;
    clearAll();

    const int samplesPerMean = averaging.SamplesPerMean;
    VisibleSamples = samplesPerMean < 9 ? std::max(samplesPerMean, 0) : MaxVisibleSamples;
    AreaTop = RowCount - VisibleSamples - 1;
    if (state.Enabled.AcceptBtn || averaging.Mode == Items::AverageStdev)
        StatRow = RowCount - VisibleSamples - 2;
    else
        StatRow = AreaTop + 1;
    SampleRow = AreaTop;
    MeanRow = 1;
    SampleCount = 0;

    AcceptColumn = TimeColumn = RelTimeColumn = -1;
    int k = 0;
    for (int p = 0; p < 4; ++p) {
        if (!state.PortOpen[p]) {
            for (auto& g : GroupStart)
                g[p] = -1;
            continue;
        }
        if (p == FirstActive) {
            const struct {
                bool ticked;
                int* column;
                const QString& header;
            } singles[] = {{state.Settings.AcceptCountChk, &AcceptColumn, AcceptHeader},
                           {state.Settings.TimeStamp, &TimeColumn, TimeHeader},
                           {state.Settings.RelativeTime, &RelTimeColumn, RelTimeHeader}};
            for (const auto& single : singles) {
                if (!single.ticked) continue;
                *single.column = ColumnCount;
                SetCell(0, ColumnCount, single.header);
                ++ColumnCount;
            }
        }
        for (int g = 0; g < ColumnGroupCount; ++g) {
            const auto group = static_cast<TColumnGroup>(g);
            m_sums[g][p].fill(ColumnSums{});
            if (!GroupTicked(state.Settings, group)) {
                GroupStart[g][p] = -1;
                continue;
            }
            const int width = GroupWidths[g];
            int start;
            if (p == FirstActive) {
                start = ColumnCount;
                ColumnCount += ActiveCount * width;
                ensureColumns(ColumnCount);
            } else {
                start = GroupStart[g][FirstActive] + k * width;
            }
            GroupStart[g][p] = start;
            for (int c = 0; c < width; ++c)
                SetCell(0, start + c, QString::fromLatin1(HeaderTexts[g][c]));
            SetCell(1, start, BenchLabel + QString::number(p + 1));
            if (group == GroupGasConcentration) SetCell(1, start + 2, PpmLabel);
        }
        ++k;
    }
    emit Reset();
}

void TDataTable::OffsetBtnClick(bool offsetTicked) {
    OffsetEnabled = offsetTicked;
    OffsetCapture.fill(offsetTicked);
}

bool TDataTable::BuildRow(const std::array<TBench, 4>& benches, const TWindowState& state,
                          const TAveraging& averaging) {
    m_touchedFirst = std::numeric_limits<int>::max();
    m_touchedLast = -1;
    const int mode = averaging.Mode;
    const bool averaged = mode != Items::AverageNone;
    bool complete = false;
    int h;
    if (averaged) {
        if (SampleRow >= RowCount - 1) {
            // Scroll the sample area: the oldest sample row is lost.
            scrollUp(AreaTop + 2, SampleRow);
        } else {
            ++SampleRow;
        }
        h = SampleRow;
        ++SampleCount;
        complete = SampleCount >= averaging.SamplesPerMean;
        if (complete) {
            if (MeanRow < StatRow - 2) {
                ++MeanRow;
            } else {
                scrollUp(3, MeanRow);
            }
        }
    } else {
        if (MeanRow >= RowCount - 1) {
            scrollUp(3, MeanRow);
        } else {
            ++MeanRow;
        }
        h = MeanRow;
        StatRow = MeanRow;
    }
    const int n = SampleCount;

    for (int f = 0; f < 4; ++f) {
        if (f == FirstActive) {
            if (AcceptColumn >= 0) SetCell(h, AcceptColumn, FormatInteger(AcceptCounter, 6));
            if (TimeColumn >= 0) SetCell(h, TimeColumn, timeStampText());
            if (RelTimeColumn >= 0) SetCell(h, RelTimeColumn, relativeTimeText());
            if (complete) {
                for (int column : {AcceptColumn, TimeColumn, RelTimeColumn}) {
                    if (column < 0) continue;
                    SetCell(MeanRow, column, Cell(h, column));
                    if (mode == Items::AverageStdev) SetCell(StatRow, column, Cell(h, column));
                }
            }
        }
        for (int g = 0; g < ColumnGroupCount; ++g)
            if (GroupStart[g][f] >= 0)
                writeGroup(static_cast<TColumnGroup>(g), f, benches[f], state, h, complete, mode, n);
    }

    if (m_touchedLast >= 0) emit RowsChanged(m_touchedFirst, m_touchedLast);
    if (complete || !averaged) {
        SampleCount = 0;
        return true;
    }
    return false;
}

const QString& TDataTable::timeStampText() {
    // The time of day changes once a second, while rows come up to a few hundred times a second, and
    // the locale's time format (with its time zone lookup) costs more than the rest of a row.
    const qint64 now = Clock().Seconds();
    if (m_timeStampText.isNull() || now != m_timeStampSecond) {
        m_timeStampSecond = now;
        m_timeStampText = Clock().LongTime() + QStringLiteral("  ");
    }
    return m_timeStampText;
}

const QString& TDataTable::relativeTimeText() {
    const qint64 elapsed = Clock().Seconds() - StartTime;
    if (m_relativeTimeText.isNull() || elapsed != m_relativeSeconds) {
        m_relativeSeconds = elapsed;
        m_relativeTimeText = FormatInteger(elapsed, 10);
    }
    return m_relativeTimeText;
}

void TDataTable::writeGroup(TColumnGroup group, int f, const TBench& b, const TWindowState& state, int h,
                            bool complete, int mode, int n) {
    const int start = GroupStart[group][f];
    const int width = GroupWidths[group];
    const auto inTable = [this](int row) { return row >= 0 && row < m_cells.size(); };
    if (!inTable(h) || (complete && (!inTable(MeanRow) || !inTable(StatRow)))) return;
    const bool hcDivided = state.Settings.HCDivisorRadioGroup == Items::HCDivisor100;
    auto& sums = m_sums[group][f];

    // The sample values of the group, in column order.
    Sample samples[8];
    switch (group) {
    case GroupDemodulatedIR:
        for (int c = 0; c < 4; ++c)
            samples[c] = integerSample(demodValue(b, c), 8);
        // A new offset reference: without averaging the current values.
        if (mode == Items::AverageNone && OffsetCapture[f]) {
            for (int c = 0; c < 4; ++c)
                OffsetRef[f][c] = demodValue(b, c);
            OffsetCapture[f] = false;
            OffsetRefValid[f] = true;
        }
        break;
    case GroupOffset:
        for (int c = 0; c < 4; ++c) {
            qint64 value = 0;
            const int32_t r = OffsetRef[f][c];
            if (OffsetEnabled && OffsetRefValid[f] && r != 0) {
                const auto ratio = static_cast<float>(double(demodValue(b, c)) / double(r));
                value = static_cast<qint64>(std::trunc((1.0 - double(ratio)) * 10000.0));
            }
            samples[c] = integerSample(value, 7);
        }
        break;
    case GroupGasConcentration: {
        const float co2 = scaled(b.Co2, 0.01);
        const float co = scaled(b.Co, 0.001);
        const float o2 = scaled(b.O2, 0.01);
        samples[0] = singleSample(co2, FormatFixed(double(co2), 7, 2));
        samples[1] = singleSample(co, FormatFixed(double(co), 7, 3));
        if (hcDivided) {
            const float hc = scaled(b.Hc, 0.01);
            samples[2] = singleSample(hc, FormatFixed(double(hc), 9, 2));
        } else {
            samples[2] = singleSample(static_cast<float>(b.Hc), FormatInteger(b.Hc, 9));
        }
        samples[3] = singleSample(o2, FormatFixed(double(o2), 7, 2));
        samples[4] = singleSample(static_cast<float>(b.NO), FormatInteger(b.NO, 6));
        break;
    }
    case GroupMinMaxADC:
        for (int c = 0; c < 4; ++c) {
            samples[2 * c] = integerSample(b.MinAdc[c], 8);
            samples[2 * c + 1] = integerSample(b.MaxAdc[c], 8);
        }
        break;
    case GroupTemperatures:
        samples[0] = integerSample(narrow16(b.DetCelTemp), 6);
        samples[1] = integerSample(narrow16(b.DetSrcTemp), 6);
        samples[2] = integerSample(b.DetEthanolTemp, 6);
        break;
    case GroupAmbTemp:
        samples[0] = doubleSample(double(b.AmbientTemp), {6, 1});
        break;
    case GroupPressures:
        samples[0] = integerSample(narrow16(b.AbsPressure), 6);
        samples[1] = integerSample(narrow16(b.GagePressure), 6);
        break;
    case GroupAmbPressure:
        samples[0] = integerSample(narrow16(b.AmbPressure), 6);
        break;
    case GroupRawNoxO2:
        samples[0] = integerSample(b.RawNO, 6);
        samples[1] = integerSample(b.RawO2, 6);
        break;
    case GroupPef:
        samples[0] = doubleSample(double(b.Pef), {6, 3});
        break;
    case ColumnGroupCount:
        return;
    }

    // The group's columns lie within those in use, so its cells are written in place.
    QString* sampleCells = m_cells[h].data() + start;
    markTouched(h);
    for (int c = 0; c < width; ++c) {
        Sample& s = samples[c];
        ColumnSums& sum = sums[c];
        sampleCells[c] = std::move(s.text);
        // Without averaging no block ever ends, so nothing is summed.
        if (mode == Items::AverageNone) continue;
        switch (s.kind) {
        case SumKind::Integer:
            sum.integer += s.integer;
            break;
        case SumKind::Single:
            sum.single += s.single;
            break;
        case SumKind::Double:
            sum.real += s.real;
            break;
        }
        const double x = s.AsDouble();
        const double delta = x - sum.mean;
        sum.mean += delta / ++sum.count;
        sum.m2 += delta * (x - sum.mean);
    }
    if (!complete) return;

    const int count = std::max(n, 1);
    QString* meanCells = m_cells[MeanRow].data() + start;
    markTouched(MeanRow);
    QString* deviationCells = nullptr;
    if (mode == Items::AverageStdev) {
        deviationCells = m_cells[StatRow].data() + start;
        markTouched(StatRow);
    }
    for (int c = 0; c < width; ++c) {
        const ColumnSums& sum = sums[c];
        const ColumnFormats fmt = formatsOf(group, c, hcDivided);
        QString mean;
        switch (samples[c].kind) {
        case SumKind::Integer:
            mean = FormatInteger(sum.integer / count, fmt.mean.width);
            break;
        case SumKind::Single:
            mean = FormatFixed(double(sum.single / static_cast<float>(count)), fmt.mean.width,
                               fmt.mean.precision);
            break;
        case SumKind::Double:
            mean = FormatFixed(sum.real / count, fmt.mean.width, fmt.mean.precision);
            break;
        }
        meanCells[c] = std::move(mean);
        if (deviationCells) {
            QString deviation;
            if (sum.count < 2) {
                // One sample has no spread: a marker that cannot be read as a measurement.
                deviation = QStringLiteral("n/a").rightJustified(fmt.naWidth);
            } else {
                deviation = FormatFixed(std::sqrt(std::max(0.0, sum.m2 / (sum.count - 1))), fmt.stdev.width,
                                        fmt.stdev.precision);
            }
            deviationCells[c] = std::move(deviation);
        }
    }
    // A new offset reference from the block means of the demodulated channels.
    if (group == GroupDemodulatedIR && OffsetCapture[f]) {
        for (int c = 0; c < 4; ++c)
            OffsetRef[f][c] = static_cast<int32_t>(sums[c].integer / count);
        OffsetCapture[f] = false;
        OffsetRefValid[f] = true;
    }
    sums.fill(ColumnSums{});
}
