#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

// The data window of one strip chart, without widgets: a number of subsets (series) of equal point
// count, a label under each point, and a null value for points that are not drawn. Appending shifts
// the window: the new points enter at the right and as many of the oldest leave at the left. The
// points live in a ring buffer, so an append costs only the values it writes, never a move of the
// window. Every change raises the revision, which the chart compares on its redraw timer: the bench
// connection's calls only append here, the drawing happens later and at most TChart::MaxRedrawHz times a
// second.
class TChartData {
public:
    TChartData() = default;
    TChartData(int subsets, int points) { Reset(subsets, points); }

    // A window of subsets x points, every point null and every label empty.
    void Reset(int subsets, int points);
    int Subsets() const { return m_subsets; }
    int Points() const { return m_points; }

    // The value that stands for "no point here" when a point is set (a chart's NullDataValue).
    void SetNullDataValue(double value);
    double NullDataValue() const { return m_null; }

    // A point's value, NaN where the point is null. Out-of-range indexes read as null.
    double YData(int subset, int point) const;
    bool IsNull(int subset, int point) const;
    // Sets one point; the null value (or NaN) makes it null. Out-of-range indexes are ignored.
    void SetYData(int subset, int point, double value);

    // Appends one point to every subset: values[s] for subset s (subsets beyond `count` get a null
    // point), with the label of the new point. A reading is drawn whatever its value, also one that
    // happens to equal the null value: only NaN leaves a gap.
    void AppendPoint(const double* values, int count, const QString& label);
    // Appends n null points with empty labels to every subset; n >= Points() empties the window.
    void AppendNull(int n);

    QString PointLabel(int point) const;
    void SetPointLabel(int point, const QString& label);

    // Raised by every change.
    uint64_t Revision() const { return m_revision; }
    // Called after every change (the chart schedules its next drawing); nothing by default.
    void SetChangeHook(std::function<void()> hook) { m_hook = std::move(hook); }
    // Points appended since Reset: the chart places its label ticks by it, so that they move with
    // the data.
    uint64_t Appended() const { return m_appended; }

private:
    int slot(int point) const {
        const int i = m_head + point;
        return i >= m_points ? i - m_points : i;
    }
    bool valid(int subset, int point) const {
        return subset >= 0 && subset < m_subsets && point >= 0 && point < m_points;
    }
    void advance(int n);
    void changed() {
        ++m_revision;
        if (m_hook) m_hook();
    }

    int m_subsets = 0;
    int m_points = 0;
    // Slot of logical point 0 (the oldest); the next append overwrites it.
    int m_head = 0;
    double m_null = -99999;
    // Subset after subset, each m_points slots; NaN marks a null point.
    std::vector<double> m_values;
    std::vector<QString> m_labels;
    uint64_t m_revision = 0;
    uint64_t m_appended = 0;
    std::function<void()> m_hook;
};

// Points `first` to `last` of the listed subsets as comma-separated values: a header row ("Point",
// "Label", then the labels of the subsets), then one row per point with its number, its label and
// its values, an empty field where a point is null. Where the decimal separator is a comma the values
// are written with a comma and the fields are separated by semicolons. Rows end in CR LF.
QString ChartDataCsv(const TChartData& data, const QList<int>& subsets, const QStringList& subsetLabels,
                     int first, int last, bool decimalPointIsDot);

// The points that carry a label on the x axis: each point where the label changes from the one
// before it (the first point of a new second, for labels in seconds). When the labels are whole
// numbers only those divisible by a round step (1, 2, 5, 10, 15, 30, 60 ...) are kept, the smallest
// step that leaves `minGap` points between ticks at the rate the labels advance, so that the same
// labels stay as the window scrolls; other labels are thinned to `minGap` from the left.
QList<int> LabelTicks(const TChartData& data, int minGap);
