#pragma once

#include "chart_data.h"

#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QSharedPointer>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <utility>

class QCustomPlot;
class QCPAxis;
class QCPAxisRect;
class QCPAxisTickerText;
class QCPGraph;
class QCPLayer;

// The strip chart of the graph screens: subsets of equal point count in a TChartData window, drawn
// as lines with a label under each point, on one left axis (and a right axis for the last subsets)
// or on vertically stacked axes of one subset each, with manual limits, markers, zoom and unzoom.
// Configuration runs from Reset to Reinitialize; data changes go to Data() and cost only the append:
// a change arms a timer, and the chart redraws from its window at most MaxRedrawHz times a second,
// only while shown; a chart whose data stays still costs nothing. Its axis ranges stay as configured (the
// labels never make the layout jump); the operator zooms with the mouse wheel and drags only while the screen
// lets it (SetZoomable). A right-click offers "Save Image..." (PNG) and "Export Data..." (CSV of the
// points on show). Drawn by QCustomPlot, which only this class knows.
class TChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxRedrawHz = 12;
    enum class LineType { Plain };

    // One of the vertically stacked axes: its share of the height, its label and limits.
    struct TStackedAxis {
        double Proportion = 1.0;
        QString Label;
        double Min = 0, Max = 1;
    };

    explicit TChart(const QString& objectName, QWidget* parent = nullptr);
    ~TChart() override;

    // ---- configuration, applied by Reinitialize ----
    // Back to one axis, no subsets, no titles or labels, default appearance; the window emptied.
    void Reset();
    // The data window: every point null.
    void SetSize(int subsets, int points);
    void SetNullDataValue(double value) { m_data.SetNullDataValue(value); }
    void SetSubsetLabel(int subset, const QString& label);
    void SetSubsetColor(int subset, const QColor& colour);
    void SetSubsetLineType(int subset, LineType type);
    void SetMainTitle(const QString& text) { m_mainTitle = text; }
    void SetSubTitle(const QString& text) { m_subTitle = text; }
    void SetXAxisLabel(const QString& text) { m_xLabel = text; }
    void SetYAxisLabel(const QString& text) { m_yLabel = text; }
    void SetRYAxisLabel(const QString& text) { m_ryLabel = text; }
    // Limits of the left and right axes (both set explicitly); they take effect at once.
    void SetManualY(double min, double max);
    void SetManualRY(double min, double max);
    // The last n subsets use the right axis.
    void SetRightAxisSubsets(int n) { m_rightSubsets = n; }
    // Stacked axes top to bottom, axis i holding subset i; none: the single left (and right) axis.
    void SetStackedAxes(const QVector<TStackedAxis>& axes) { m_stacked = axes; }
    // Grid lines across the chart at the value ticks.
    void SetLongTicks(bool on) { m_longTicks = on; }
    void SetDeskColor(const QColor& colour) { m_desk = colour; }
    // The x axis shows the point labels (else the point numbers).
    void SetPointLabelsOnAxis(bool on) { m_pointLabelsOnAxis = on; }
    // Builds the chart from the configuration and draws it.
    void Reinitialize();

    // ---- at once ----
    TChartData& Data() { return m_data; }
    const TChartData& Data() const { return m_data; }
    // Only the listed subsets are drawn (all of them after SetSize).
    void SetSubsetsToShow(const QList<int>& subsets);
    QList<int> SubsetsToShow() const { return m_show; }
    void SetMarkDataPoints(bool on);
    bool MarkDataPoints() const { return m_markers; }
    // Mouse-wheel zoom and drag allowed or not; taking it away also undoes a zoom.
    void SetZoomable(bool on);
    bool Zoomable() const { return m_zoomable; }
    // Back to the configured ranges.
    void UndoZoom();
    // Draws the window now if it changed since the last drawing (the redraw timer calls it).
    void Redraw();

    // ---- what is drawn ----
    int AxisCount() const;
    double AxisProportion(int axis) const;
    // The value range and label of the left axis of axis rect i (0 is the top one).
    std::pair<double, double> AxisRange(int axis) const;
    QString AxisLabel(int axis) const;
    std::pair<double, double> RightAxisRange() const;
    // The subset's colour and whether it is drawn on the right axis.
    QColor SubsetColor(int subset) const { return m_colours.value(subset); }
    QString SubsetLabel(int subset) const { return m_labels.value(subset); }
    bool OnRightAxis(int subset) const;
    // The first and last point of the x range on show (all of them unless zoomed).
    std::pair<int, int> PointsOnShow() const;
    // Drawings made and paint events received, for the benchmark.
    int Redraws() const { return m_redraws; }
    int Paints() const { return m_paints; }

    // ---- the right-click actions ----
    // A PNG of the chart as drawn; false when it could not be written.
    bool SaveImage(const QString& path);
    // The points on show as CSV (ChartDataCsv); false, with the reason, when it could not be written.
    bool ExportData(const QString& path, QString* error);
    void SaveImageClick();
    void ExportDataClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPlot();
    void applyInteractions();
    void applyStyles();
    void syncData();
    void syncLabels();
    void restoreRanges();
    // Arms the redraw timer for the earliest moment the rate limit allows, unless it is armed.
    void scheduleRedraw();
    void markDirty() {
        m_dirty = true;
        scheduleRedraw();
    }
    QCPAxisRect* rect(int axis) const;

    TChartData m_data;
    QStringList m_labels;
    QList<QColor> m_colours;
    QList<int> m_show;
    QString m_mainTitle, m_subTitle, m_xLabel, m_yLabel, m_ryLabel;
    std::pair<double, double> m_y{0, 1}, m_ry{0, 1};
    int m_rightSubsets = 0;
    QVector<TStackedAxis> m_stacked;
    bool m_longTicks = false;
    QColor m_desk = Qt::white;
    bool m_pointLabelsOnAxis = false;
    bool m_markers = false;
    bool m_zoomable = false;

    QCustomPlot* m_plot = nullptr;
    QList<QCPAxisRect*> m_rects;
    QList<QCPGraph*> m_graphs;       // by subset
    QCPLayer* m_dataLayer = nullptr; // the lines (and scrolling x axes), buffered apart
    QSharedPointer<QCPAxisTickerText> m_ticker;
    QTimer m_timer; // single shot, armed by changes
    QElapsedTimer m_sinceRedraw;
    uint64_t m_drawnRevision = ~uint64_t(0);
    bool m_dirty = true;
    int m_redraws = 0;
    int m_paints = 0;
};
