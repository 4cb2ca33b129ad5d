#include "chart.h"

#include "dialogs.h"
#include "locale_setup.h"

#include <QEvent>
#include <QMenu>
#include <QSaveFile>
#include <QVBoxLayout>
#include <cmath>
#include <qcustomplot.h>

namespace {
const QString InfoCaption = QStringLiteral("Information");

// Limits that an axis can show: a range the wrong way round or empty, as hand-edited settings can
// hold, becomes one unit above the minimum.
std::pair<double, double> usableRange(double min, double max) {
    if (!std::isfinite(min)) min = 0;
    if (!std::isfinite(max) || max <= min) max = min + 1;
    return {min, max};
}

} // namespace

TChart::TChart(const QString& objectName, QWidget* parent) : QWidget(parent) {
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_ticker.reset(new QCPAxisTickerText);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TChart::Redraw);
    m_data.SetChangeHook([this] { scheduleRedraw(); });
    buildPlot();
}

TChart::~TChart() = default;

// ---- configuration ----

void TChart::Reset() {
    m_data.Reset(0, 0);
    m_labels.clear();
    m_colours.clear();
    m_show.clear();
    m_mainTitle.clear();
    m_subTitle.clear();
    m_xLabel.clear();
    m_yLabel.clear();
    m_ryLabel.clear();
    m_y = m_ry = {0, 1};
    m_rightSubsets = 0;
    m_stacked.clear();
    m_longTicks = false;
    m_desk = Qt::white;
    m_pointLabelsOnAxis = false;
    m_markers = false;
}

void TChart::SetSize(int subsets, int points) {
    m_data.Reset(subsets, points);
    m_labels = QStringList();
    m_colours.clear();
    m_show.clear();
    for (int s = 0; s < m_data.Subsets(); ++s) {
        m_labels << QString();
        m_colours << QColor(Qt::black);
        m_show << s;
    }
}

void TChart::SetSubsetLabel(int subset, const QString& label) {
    if (subset >= 0 && subset < m_labels.size()) m_labels[subset] = label;
    if (QCPGraph* g = m_graphs.value(subset)) g->setName(label);
    markDirty();
}

void TChart::SetSubsetColor(int subset, const QColor& colour) {
    if (subset >= 0 && subset < m_colours.size()) m_colours[subset] = colour;
    applyStyles();
}

void TChart::SetSubsetLineType(int, LineType) {
    // Every subset is a plain line; the type is kept for the screens' configuration only.
}

void TChart::SetManualY(double min, double max) {
    m_y = usableRange(min, max);
    if (m_stacked.isEmpty())
        for (QCPAxisRect* r : m_rects)
            r->axis(QCPAxis::atLeft)->setRange(m_y.first, m_y.second);
    markDirty();
}

void TChart::SetManualRY(double min, double max) {
    m_ry = usableRange(min, max);
    if (m_stacked.isEmpty())
        for (QCPAxisRect* r : m_rects)
            r->axis(QCPAxis::atRight)->setRange(m_ry.first, m_ry.second);
    markDirty();
}

void TChart::Reinitialize() {
    buildPlot();
    markDirty();
}

// ---- building the plot ----

void TChart::buildPlot() {
    // A fresh plot for every configuration: nothing of the previous layout can linger.
    delete m_plot;
    m_rects.clear();
    m_graphs.clear();
    m_plot = new QCustomPlot(this);
    layout()->addWidget(m_plot);
    m_plot->installEventFilter(this);
    m_plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_plot, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        connect(menu.addAction(QStringLiteral("Save Image...")), &QAction::triggered, this,
                &TChart::SaveImageClick);
        connect(menu.addAction(QStringLiteral("Export Data...")), &QAction::triggered, this,
                &TChart::ExportDataClick);
        menu.exec(m_plot->mapToGlobal(at));
    });
    // Strip charts at the line rate: plain lines draw several times faster than antialiased ones, and
    // without antialiasing a polyline per run of points draws faster than a line per segment.
    m_plot->setNotAntialiasedElements(QCP::aeAll);
    m_plot->setPlottingHint(QCP::phFastPolylines, false);
    m_plot->setBackground(QBrush(m_desk));
    // Two paint buffers: everything that only a change of the configuration changes (titles, legend,
    // the value axes and their grid) shares the lower one; the lines, and the x axes whose labels
    // scroll with them, have a layer of their own on top. New data redraw only that layer: the layout
    // and the text of the lower one are not touched again (each further buffer would cost a clear and a
    // blend per drawing).
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    m_plot->addLayer(QStringLiteral("data"), m_plot->layer(QStringLiteral("overlay")), QCustomPlot::limAbove);
    m_dataLayer = m_plot->layer(QStringLiteral("data"));
    m_dataLayer->setMode(QCPLayer::lmBuffered);

    QCPLayoutGrid* grid = m_plot->plotLayout();
    QCPAxisRect* first = m_plot->axisRect();
    QCPLegend* legend = m_plot->legend;
    first->insetLayout()->take(legend);
    grid->take(first);
    grid->simplify();

    int row = 0;
    QList<int> fixedRows;
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    if (!m_mainTitle.trimmed().isEmpty()) {
        grid->addElement(row, 0, new QCPTextElement(m_plot, m_mainTitle, titleFont));
        fixedRows << row++;
    }
    if (!m_subTitle.trimmed().isEmpty()) {
        grid->addElement(row, 0, new QCPTextElement(m_plot, m_subTitle, font()));
        fixedRows << row++;
    }

    const bool stacked = !m_stacked.isEmpty();
    const int axes = stacked ? int(m_stacked.size()) : 1;
    auto* margins = new QCPMarginGroup(m_plot);
    QList<double> stretch;
    for (int i = 0; i < axes; ++i) {
        QCPAxisRect* r = i == 0 ? first : new QCPAxisRect(m_plot);
        if (r != first) {
            // A new rect and its axes start on the current layer: on the first rect's layers instead,
            // every stacked axis draws in the same order (grid under the lines, axes over the grid).
            r->setLayer(QStringLiteral("background"));
            for (QCPAxis* axis : r->axes()) {
                axis->setLayer(QStringLiteral("axes"));
                axis->grid()->setLayer(QStringLiteral("grid"));
            }
        }
        grid->addElement(row++, 0, r);
        r->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        r->setBackground(Qt::white);
        m_rects << r;
        const bool bottom = i == axes - 1;
        QCPAxis* x = r->axis(QCPAxis::atBottom);
        if (m_pointLabelsOnAxis) x->setTicker(m_ticker);
        x->setTickLabels(bottom);
        if (bottom) x->setLabel(m_xLabel);
        x->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
        QCPAxis* y = r->axis(QCPAxis::atLeft);
        y->setLabel(stacked ? m_stacked[i].Label : m_yLabel);
        y->grid()->setVisible(m_longTicks);
        y->grid()->setPen(QPen(QColor(170, 170, 170), 0, Qt::DotLine));
        if (!stacked && (m_rightSubsets > 0 || !m_ryLabel.isEmpty())) {
            QCPAxis* ry = r->axis(QCPAxis::atRight);
            ry->setVisible(true);
            ry->setTickLabels(true);
            ry->setLabel(m_ryLabel);
        }
    }
    // The x axes of stacked rects move together.
    for (QCPAxisRect* r : m_rects)
        for (QCPAxisRect* other : m_rects)
            if (other != r)
                connect(r->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                        other->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::setRange));
    for (int i = 0; i < axes; ++i)
        stretch << (stacked ? m_stacked[i].Proportion : 1.0);

    grid->addElement(row, 0, legend);
    legend->setVisible(true);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setBorderPen(Qt::NoPen);
    legend->setBrush(Qt::NoBrush);
    fixedRows << row;

    QList<double> factors;
    for (int r = 0, a = 0; r < grid->rowCount(); ++r)
        factors << (fixedRows.contains(r) ? 0.001 : stretch.value(a++, 1.0));
    grid->setRowStretchFactors(factors);

    const int subsets = m_data.Subsets();
    for (int s = 0; s < subsets; ++s) {
        QCPAxisRect* r = m_rects.value(stacked ? qMin(s, axes - 1) : 0);
        const bool right = !stacked && s >= subsets - m_rightSubsets;
        QCPGraph* g =
            m_plot->addGraph(r->axis(QCPAxis::atBottom), r->axis(right ? QCPAxis::atRight : QCPAxis::atLeft));
        g->setName(m_labels.value(s));
        g->setLineStyle(QCPGraph::lsLine);
        QVector<QCPGraphData> points(m_data.Points());
        for (int p = 0; p < points.size(); ++p)
            points[p] = QCPGraphData(p, std::nan(""));
        g->data()->set(points, true);
        m_graphs << g;
    }
    // On the data layer, bottom to top: the x grid, the lines, the x axis drawn over their ends as
    // before. Without point labels the x axis never changes and stays below.
    if (m_pointLabelsOnAxis)
        for (QCPAxisRect* r : m_rects)
            r->axis(QCPAxis::atBottom)->grid()->setLayer(m_dataLayer);
    for (QCPGraph* g : m_graphs)
        g->setLayer(m_dataLayer);
    if (m_pointLabelsOnAxis)
        for (QCPAxisRect* r : m_rects)
            r->axis(QCPAxis::atBottom)->setLayer(m_dataLayer);
    restoreRanges();
    applyStyles();
    applyInteractions();
}

void TChart::applyStyles() {
    // The legend lists the subsets on show in subset order.
    m_plot->legend->clearItems();
    for (int s = 0; s < m_graphs.size(); ++s) {
        QCPGraph* g = m_graphs[s];
        g->setPen(QPen(m_colours.value(s, Qt::black), 1));
        g->setScatterStyle(m_markers ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4)
                                     : QCPScatterStyle(QCPScatterStyle::ssNone));
        const bool shown = m_show.contains(s);
        g->setVisible(shown);
        if (shown) g->addToLegend();
    }
    markDirty();
}

void TChart::applyInteractions() {
    m_plot->setInteractions(m_zoomable ? QCP::iRangeDrag | QCP::iRangeZoom : QCP::Interactions());
    for (QCPAxisRect* r : m_rects) {
        const QList<QCPAxis*> horizontal{r->axis(QCPAxis::atBottom)};
        QList<QCPAxis*> vertical{r->axis(QCPAxis::atLeft)};
        if (r->axis(QCPAxis::atRight)->visible()) vertical << r->axis(QCPAxis::atRight);
        r->setRangeDrag(Qt::Horizontal | Qt::Vertical);
        r->setRangeZoom(Qt::Horizontal | Qt::Vertical);
        r->setRangeDragAxes(horizontal, vertical);
        r->setRangeZoomAxes(horizontal, vertical);
    }
}

void TChart::restoreRanges() {
    const double lastPoint = m_data.Points() > 1 ? m_data.Points() - 1 : 1;
    for (int i = 0; i < m_rects.size(); ++i) {
        QCPAxisRect* r = m_rects[i];
        r->axis(QCPAxis::atBottom)->setRange(0, lastPoint);
        if (m_stacked.isEmpty()) {
            r->axis(QCPAxis::atLeft)->setRange(m_y.first, m_y.second);
            r->axis(QCPAxis::atRight)->setRange(m_ry.first, m_ry.second);
        } else {
            const auto [min, max] = usableRange(m_stacked[i].Min, m_stacked[i].Max);
            r->axis(QCPAxis::atLeft)->setRange(min, max);
        }
    }
}

// ---- at once ----

void TChart::SetSubsetsToShow(const QList<int>& subsets) {
    m_show.clear();
    for (int s : subsets)
        if (s >= 0 && s < m_data.Subsets() && !m_show.contains(s)) m_show << s;
    applyStyles();
}

void TChart::SetMarkDataPoints(bool on) {
    m_markers = on;
    applyStyles();
}

void TChart::SetZoomable(bool on) {
    m_zoomable = on;
    applyInteractions();
    if (!on) UndoZoom();
}

void TChart::UndoZoom() {
    restoreRanges();
    markDirty();
}

void TChart::scheduleRedraw() {
    if (m_timer.isActive() || !isVisible()) return;
    constexpr qint64 interval = 1000 / MaxRedrawHz;
    const qint64 since = m_sinceRedraw.isValid() ? m_sinceRedraw.elapsed() : interval;
    m_timer.start(int(since >= interval ? 0 : interval - since));
}

void TChart::Redraw() {
    m_timer.stop();
    if (!m_dirty && m_data.Revision() == m_drawnRevision) return;
    syncData();
    syncLabels();
    if (m_dirty) {
        m_plot->replot();
    } else {
        // Only the data changed: fresh x ticks for the labels that moved, then the data layer alone
        // (QCustomPlot falls back to a whole replot when its buffers were invalidated, as by a resize).
        for (QCPAxisRect* r : m_rects)
            r->update(QCPLayoutElement::upPreparation);
        m_dataLayer->replot();
    }
    m_drawnRevision = m_data.Revision();
    m_dirty = false;
    m_sinceRedraw.start();
    ++m_redraws;
}

void TChart::syncData() {
    const int points = m_data.Points();
    for (int s = 0; s < m_graphs.size(); ++s) {
        QCPGraph* g = m_graphs[s];
        if (!g->visible()) continue;
        QCPGraphDataContainer* c = g->data().data();
        // The keys are the point numbers and never change: only the values are rewritten.
        int p = 0;
        for (auto it = c->begin(); it != c->end() && p < points; ++it, ++p)
            it->value = m_data.YData(s, p);
    }
}

void TChart::syncLabels() {
    if (!m_pointLabelsOnAxis) return;
    m_ticker->clear();
    // A label about every tenth of the width at most; the ticks travel left with their points.
    for (int p : LabelTicks(m_data, qMax(1, m_data.Points() / 10)))
        m_ticker->addTick(p, m_data.PointLabel(p).trimmed());
    // A blank keeps the label row's height while no label is on show.
    if (m_ticker->ticks().isEmpty()) m_ticker->addTick(0, QStringLiteral(" "));
}

// ---- what is drawn ----

QCPAxisRect* TChart::rect(int axis) const {
    return m_rects.value(axis);
}

int TChart::AxisCount() const {
    return int(m_rects.size());
}

double TChart::AxisProportion(int axis) const {
    QCPLayoutGrid* grid = m_plot->plotLayout();
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->element(r, 0) == rect(axis)) return grid->rowStretchFactors().value(r);
    return 0;
}

std::pair<double, double> TChart::AxisRange(int axis) const {
    QCPAxisRect* r = rect(axis);
    if (!r) return {0, 0};
    const QCPRange range = r->axis(QCPAxis::atLeft)->range();
    return {range.lower, range.upper};
}

QString TChart::AxisLabel(int axis) const {
    QCPAxisRect* r = rect(axis);
    return r ? r->axis(QCPAxis::atLeft)->label() : QString();
}

std::pair<double, double> TChart::RightAxisRange() const {
    QCPAxisRect* r = rect(0);
    if (!r || !r->axis(QCPAxis::atRight)->visible()) return {0, 0};
    const QCPRange range = r->axis(QCPAxis::atRight)->range();
    return {range.lower, range.upper};
}

bool TChart::OnRightAxis(int subset) const {
    QCPGraph* g = m_graphs.value(subset);
    return g && g->valueAxis()->axisType() == QCPAxis::atRight;
}

std::pair<int, int> TChart::PointsOnShow() const {
    QCPAxisRect* r = rect(AxisCount() - 1);
    if (!r || m_data.Points() == 0) return {0, -1};
    const QCPRange range = r->axis(QCPAxis::atBottom)->range();
    const int first = qMax(0, int(std::ceil(range.lower)));
    const int last = qMin(m_data.Points() - 1, int(std::floor(range.upper)));
    return {first, last};
}

// ---- the right-click actions ----

bool TChart::SaveImage(const QString& path) {
    m_dirty = true;
    Redraw();
    const QPixmap image = m_plot->toPixmap();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, "PNG") || !file.commit()) {
        file.cancelWriting();
        return false;
    }
    return true;
}

bool TChart::ExportData(const QString& path, QString* error) {
    const auto [first, last] = PointsOnShow();
    const QByteArray bytes = ChartDataCsv(m_data, m_show, m_labels, first, last, DecimalPointIsDot).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

void TChart::SaveImageClick() {
    IDialogs::FileRequest request;
    request.caption = QStringLiteral("Save Image");
    request.filter = QStringLiteral("PNG Images|*.png");
    request.defaultExt = QStringLiteral("png");
    const QString path = Dialogs().SaveFileName(request);
    if (path.isEmpty()) return;
    if (!SaveImage(path))
        Dialogs().Message(QStringLiteral("The image could not be written to %1.").arg(path), InfoCaption,
                          IDialogs::Icon::Error);
}

void TChart::ExportDataClick() {
    IDialogs::FileRequest request;
    request.caption = QStringLiteral("Export Data");
    request.filter = QStringLiteral("CSV Files|*.csv");
    request.defaultExt = QStringLiteral("csv");
    const QString path = Dialogs().SaveFileName(request);
    if (path.isEmpty()) return;
    QString error;
    if (!ExportData(path, &error))
        Dialogs().Message(QStringLiteral("The data could not be written to %1: %2").arg(path, error),
                          InfoCaption, IDialogs::Icon::Error);
}

// ---- events ----

void TChart::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Redraw();
}

void TChart::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

bool TChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_plot && event->type() == QEvent::Paint) ++m_paints;
    return QWidget::eventFilter(watched, event);
}
