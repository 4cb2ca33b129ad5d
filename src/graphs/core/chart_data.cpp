#include "chart_data.h"

#include <cmath>
#include <limits>

namespace {
constexpr double Gap = std::numeric_limits<double>::quiet_NaN();
}

void TChartData::Reset(int subsets, int points) {
    m_subsets = subsets > 0 ? subsets : 0;
    m_points = points > 0 ? points : 0;
    m_head = 0;
    m_values.assign(size_t(m_subsets) * size_t(m_points), Gap);
    m_labels.assign(size_t(m_points), QString());
    m_appended = 0;
    changed();
}

void TChartData::SetNullDataValue(double value) {
    m_null = value;
    changed();
}

double TChartData::YData(int subset, int point) const {
    if (!valid(subset, point)) return Gap;
    return m_values[size_t(subset) * size_t(m_points) + size_t(slot(point))];
}

bool TChartData::IsNull(int subset, int point) const {
    return std::isnan(YData(subset, point));
}

void TChartData::SetYData(int subset, int point, double value) {
    if (!valid(subset, point)) return;
    m_values[size_t(subset) * size_t(m_points) + size_t(slot(point))] = value == m_null ? Gap : value;
    changed();
}

void TChartData::advance(int n) {
    m_head = int((int64_t(m_head) + n) % m_points);
    m_appended += uint64_t(n);
    changed();
}

void TChartData::AppendPoint(const double* values, int count, const QString& label) {
    if (m_points == 0) return;
    // The oldest point's slot becomes the newest point.
    const size_t s = size_t(m_head);
    for (int i = 0; i < m_subsets; ++i)
        m_values[size_t(i) * size_t(m_points) + s] = i < count ? values[i] : Gap;
    m_labels[s] = label;
    advance(1);
}

void TChartData::AppendNull(int n) {
    if (m_points == 0 || n <= 0) return;
    const int fill = n < m_points ? n : m_points;
    for (int k = 0; k < fill; ++k) {
        const size_t s = size_t(slot(k));
        for (int i = 0; i < m_subsets; ++i)
            m_values[size_t(i) * size_t(m_points) + s] = Gap;
        m_labels[s].clear();
    }
    advance(n);
}

QString TChartData::PointLabel(int point) const {
    if (point < 0 || point >= m_points) return {};
    return m_labels[size_t(slot(point))];
}

void TChartData::SetPointLabel(int point, const QString& label) {
    if (point < 0 || point >= m_points) return;
    m_labels[size_t(slot(point))] = label;
    changed();
}

namespace {
QString csvField(const QString& text, QChar separator) {
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
} // namespace

QString ChartDataCsv(const TChartData& data, const QList<int>& subsets, const QStringList& subsetLabels,
                     int first, int last, bool decimalPointIsDot) {
    const QChar sep = decimalPointIsDot ? QLatin1Char(',') : QLatin1Char(';');
    const QString end = QStringLiteral("\r\n");
    QStringList header{QStringLiteral("Point"), QStringLiteral("Label")};
    for (int s : subsets)
        header << csvField(subsetLabels.value(s), sep);
    QString out = header.join(sep) + end;
    first = first < 0 ? 0 : first;
    last = last >= data.Points() ? data.Points() - 1 : last;
    for (int p = first; p <= last; ++p) {
        QStringList row{QString::number(p), csvField(data.PointLabel(p).trimmed(), sep)};
        for (int s : subsets) {
            if (data.IsNull(s, p)) {
                row << QString();
                continue;
            }
            QString value = QString::number(data.YData(s, p), 'g', 12);
            if (!decimalPointIsDot) value.replace(QLatin1Char('.'), QLatin1Char(','));
            row << value;
        }
        out += row.join(sep) + end;
    }
    return out;
}

QList<int> LabelTicks(const TChartData& data, int minGap) {
    QList<int> candidates;
    QList<qint64> values;
    bool numeric = true;
    QString previous = data.PointLabel(0).trimmed();
    for (int p = 1; p < data.Points(); ++p) {
        const QString label = data.PointLabel(p).trimmed();
        if (!label.isEmpty() && label != previous) {
            candidates << p;
            bool ok = false;
            values << label.toLongLong(&ok);
            numeric = numeric && ok;
        }
        previous = label;
    }
    QList<int> ticks;
    if (candidates.isEmpty()) return ticks;
    if (numeric) {
        // Points per unit of label, over the window; one candidate gives no rate: any step will do.
        const qint64 span = values.last() - values.first();
        const double perUnit = span > 0 ? double(candidates.last() - candidates.first()) / double(span) : 1e9;
        qint64 step = 1;
        for (qint64 s :
             {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 14400, 43200, 86400}) {
            step = s;
            if (double(s) * perUnit >= minGap) break;
        }
        for (int i = 0; i < candidates.size(); ++i)
            if (values[i] % step == 0) ticks << candidates[i];
        return ticks;
    }
    for (int p : candidates)
        if (ticks.isEmpty() || p - ticks.last() >= minGap) ticks << p;
    return ticks;
}
