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
    ++m_revision;
}

void TChartData::SetNullDataValue(double value) {
    m_null = value;
    ++m_revision;
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
    ++m_revision;
}

void TChartData::advance(int n) {
    m_head = int((int64_t(m_head) + n) % m_points);
    m_appended += uint64_t(n);
    ++m_revision;
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
    ++m_revision;
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
