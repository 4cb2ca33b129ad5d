#include "data_grid.h"

#include <QAccessible>
#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>

// ---- TCellTextCache ----

void TCellTextCache::Reset(const QFont& font, const Colours& colours, int rowHeight, int margin,
                           qreal pixelRatio) {
    m_images.clear();
    m_misses = 0;
    m_font = font;
    m_text = colours.text;
    m_cellBackground = colours.cellBackground;
    m_headerBackground = colours.headerBackground;
    m_cellLine = colours.cellLine;
    m_headerLine = colours.headerLine;
    m_rowHeight = rowHeight;
    m_margin = margin;
    m_pixelRatio = pixelRatio > 0 ? pixelRatio : 1;
    m_compose = std::abs(m_pixelRatio - std::round(m_pixelRatio)) < 1e-9;
    m_charWidth = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
    // Vertically centred in the row above its bottom pixel, as a one-line text is.
    const QFontMetrics metrics(font);
    m_baseline = std::max(0, (rowHeight - 1 - metrics.height()) / 2) + metrics.ascent();

    // Glyphs are drawn alone on the cell background; how far each pixel went from the background
    // toward the text colour is its coverage, measured on the channel where the two differ most.
    // Coverages put side by side and coloured give back the painter's pixels.
    m_glyphWidth = int(std::ceil(m_charWidth * m_pixelRatio)) + 2 * GlyphPad + 1;
    m_glyphHeight = int(std::lround(m_rowHeight * m_pixelRatio));
    const QRgb back = m_cellBackground.rgb(), fore = m_text.rgb();
    const int deltas[3] = {qRed(fore) - qRed(back), qGreen(fore) - qGreen(back), qBlue(fore) - qBlue(back)};
    m_channel = 0;
    for (int c = 1; c < 3; ++c)
        if (std::abs(deltas[c]) > std::abs(deltas[m_channel])) m_channel = c;
    m_channelDelta = deltas[m_channel];
    const int bases[3] = {qRed(back), qGreen(back), qBlue(back)};
    m_channelBase = bases[m_channel];
    m_canvas = QImage(m_glyphWidth, m_glyphHeight, QImage::Format_RGB32);
    m_canvas.setDevicePixelRatio(m_pixelRatio);
    m_glyphs.assign(size_t(GlyphCount) * Phases, GlyphMask{});
    for (int c = 0; c < 256; ++c) {
        auto mix = [c](int b, int f) { return (b * (255 - c) + f * c + 127) / 255; };
        m_cellColours[size_t(c)] =
            qRgb(mix(qRed(back), qRed(fore)), mix(qGreen(back), qGreen(fore)), mix(qBlue(back), qBlue(fore)));
    }
    // The rows any text can reach: those of every glyph's ink.
    m_inkTop = m_glyphHeight;
    m_inkBottom = 0;
    for (char16_t ch = FirstGlyph; ch <= LastGlyph; ++ch) {
        const GlyphMask& mask = glyph(ch, 0);
        if (mask.right == 0) continue;
        m_inkTop = std::min(m_inkTop, mask.top);
        m_inkBottom = std::max(m_inkBottom, mask.bottom);
    }
    if (m_inkBottom <= m_inkTop) m_inkTop = m_inkBottom = 0;
}

const TCellTextCache::GlyphMask& TCellTextCache::glyph(char16_t ch, int phase) const {
    GlyphMask& mask = m_glyphs[size_t(ch - FirstGlyph) * Phases + size_t(phase)];
    if (mask.drawn) return mask;
    mask.drawn = true;
    mask.coverage.assign(size_t(m_glyphWidth) * size_t(m_glyphHeight), 0);
    if (m_channelDelta == 0 || ch == u' ') return mask;
    m_canvas.fill(m_cellBackground.rgb());
    {
        QPainter painter(&m_canvas);
        painter.setFont(m_font);
        painter.setPen(m_text);
        painter.drawText(QPointF((GlyphPad + phase / double(Phases)) / m_pixelRatio, m_baseline),
                         QString(QChar(ch)));
    }
    mask.left = m_glyphWidth;
    mask.top = m_glyphHeight;
    const int shift = m_channel == 0 ? 16 : m_channel == 1 ? 8 : 0;
    for (int y = 0; y < m_glyphHeight; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(m_canvas.constScanLine(y));
        for (int x = 0; x < m_glyphWidth; ++x) {
            const int value = int((line[x] >> shift) & 0xFF);
            const int c = std::clamp((value - m_channelBase) * 255 / m_channelDelta, 0, 255);
            if (c == 0) continue;
            mask.coverage[size_t(y * m_glyphWidth + x)] = uint8_t(c);
            mask.left = std::min(mask.left, x);
            mask.right = std::max(mask.right, x + 1);
            mask.top = std::min(mask.top, y);
            mask.bottom = std::max(mask.bottom, y + 1);
        }
    }
    if (mask.right == 0) mask.left = mask.top = 0;
    return mask;
}

bool TCellTextCache::composable(const QString& text) const {
    return m_compose && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
               return c.unicode() >= FirstGlyph && c.unicode() <= LastGlyph;
           });
}

void TCellTextCache::SetCapacity(int images) {
    m_images.setMaxCost(std::max(images, MinCapacity));
}

const QImage& TCellTextCache::Image(const QString& text, int width, bool header) {
    Key key{text, std::max(width, 1), header};
    if (QImage* image = m_images.object(key)) return *image;
    ++m_misses;
    auto* image =
        new QImage(!header && composable(text) ? compose(text, key.width) : draw(text, key.width, header));
    // Each image costs 1, so inserting may evict others but never the new one.
    m_images.insert(std::move(key), image);
    return *image;
}

QImage TCellTextCache::compose(const QString& text, int width) const {
    // The text's part of the cell, left of its grid line.
    const int columns = int(std::ceil((width - 1) * m_pixelRatio));
    const int margin = int(std::lround(m_margin * m_pixelRatio));
    // The text is cut at the right margin, as the painter's clip would.
    const int end = std::max(margin, columns - margin);
    const int top = m_inkTop, rows = m_inkBottom - m_inkTop;
    std::vector<uint8_t> coverage(size_t(columns) * size_t(rows), 0);
    // Columns that got ink; the rest stays background.
    int inkLeft = columns, inkRight = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Glyph i starts where the painter puts it: the margin plus i advances, to a 64th of a pixel.
        const double x = (m_margin + double(i) * m_charWidth) * m_pixelRatio;
        int whole = int(std::floor(x));
        int phase = int(std::lround((x - whole) * Phases));
        if (phase == Phases) {
            ++whole;
            phase = 0;
        }
        const GlyphMask& mask = glyph(text.at(i).unicode(), phase);
        if (mask.right == 0) continue; // a blank
        const int origin = whole - GlyphPad;
        if (origin + mask.left >= end) break;
        const int from = std::max(mask.left, margin - origin), to = std::min(mask.right, end - origin);
        inkLeft = std::min(inkLeft, origin + from);
        inkRight = std::max(inkRight, origin + to);
        for (int y = std::max(mask.top, top); y < std::min(mask.bottom, top + rows); ++y) {
            const uint8_t* source = mask.coverage.data() + size_t(y * m_glyphWidth);
            uint8_t* target = coverage.data() + size_t((y - top) * columns + origin);
            // Where two glyphs' ink meets, the later one is laid over the earlier, as the painter does.
            for (int px = from; px < to; ++px) {
                const int a = target[px], b = source[px];
                target[px] = uint8_t(a + b - (a * b + 127) / 255);
            }
        }
    }
    const int total = int(std::ceil(width * m_pixelRatio));
    QImage image(total, m_glyphHeight, QImage::Format_RGB32);
    image.fill(m_cellColours[0]);
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int y = 0; y < rows; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + (y + top) * stride);
        const uint8_t* c = coverage.data() + size_t(y * columns);
        for (int x = inkLeft; x < inkRight; ++x)
            line[x] = m_cellColours[c[x]];
    }
    const QRgb gridLine = m_cellLine.rgb();
    for (int y = 0; y < m_glyphHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        for (int x = columns; x < total; ++x)
            line[x] = gridLine;
    }
    image.setDevicePixelRatio(m_pixelRatio);
    return image;
}

QImage TCellTextCache::draw(const QString& text, int width, bool header) const {
    QImage image(QSize(width, m_rowHeight) * m_pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(m_pixelRatio);
    image.fill(header ? m_headerBackground : m_cellBackground);
    QPainter painter(&image);
    const QColor& line = header ? m_headerLine : m_cellLine;
    painter.fillRect(QRect(width - 1, 0, 1, m_rowHeight), line);
    // Fixed cells are closed by a line below as well.
    if (header) painter.fillRect(QRect(0, m_rowHeight - 1, width, 1), line);
    if (text.isEmpty()) return image;
    painter.setClipRect(QRect(m_margin, 0, width - 1 - 2 * m_margin, header ? m_rowHeight - 1 : m_rowHeight));
    painter.setFont(m_font);
    painter.setPen(m_text);
    painter.drawText(QPointF(m_margin, m_baseline), text);
    return image;
}

// ---- TDataGrid ----

TDataGrid::TDataGrid(int headerRows, QWidget* parent) : QTableView(parent), m_headerRows(headerRows) {
    // The paint covers every pixel it is asked for, so nothing is filled underneath first.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDataGrid::resetCache() {
    const QPalette& palette = viewport()->palette();
    m_cachePixelRatio = viewport()->devicePixelRatioF();
    m_cacheShowsGrid = showGrid();
    // The margin and line colour of the style's item views, so the grid looks like one.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor gridColour = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    TCellTextCache::Colours colours;
    colours.text = palette.color(QPalette::Text);
    colours.cellBackground = palette.color(QPalette::Base);
    colours.headerBackground = palette.color(QPalette::Button);
    colours.cellLine = m_cacheShowsGrid ? gridColour : colours.cellBackground;
    colours.headerLine = m_cacheShowsGrid ? gridColour : colours.headerBackground;
    m_cache.Reset(font(), colours, verticalHeader()->defaultSectionSize(), margin, m_cachePixelRatio);
    m_cacheValid = true;
}

void TDataGrid::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        m_cacheValid = false;
        break;
    default:
        break;
    }
    QTableView::changeEvent(event);
}

void TDataGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                            const QList<int>& roles) {
    if (QAccessible::isActive() || !topLeft.isValid() || !bottomRight.isValid()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // Only the band of the changed rows, across the grid.
    const int top = rowViewportPosition(topLeft.row());
    const int bottom = rowViewportPosition(bottomRight.row()) + rowHeight(bottomRight.row());
    viewport()->update(QRect(0, top, viewport()->width(), bottom - top));
}

void TDataGrid::paintEvent(QPaintEvent* event) {
    ++m_paints;
    QWidget* view = viewport();
    if (!m_cacheValid || view->devicePixelRatioF() != m_cachePixelRatio || showGrid() != m_cacheShowsGrid)
        resetCache();
    const QRect area = event->rect();
    QPainter painter(view);
    const QPalette& palette = view->palette();
    const QAbstractItemModel* m = model();
    const int rows = m ? m->rowCount(rootIndex()) : 0;
    const int columns = m ? m->columnCount(rootIndex()) : 0;
    if (rows == 0 || columns == 0) {
        painter.fillRect(area, palette.brush(QPalette::Base));
        return;
    }
    // The table's right and bottom edges; beyond them lies the plain background.
    const int tableRight = columnViewportPosition(columns - 1) + columnWidth(columns - 1);
    const int tableBottom = rowViewportPosition(rows - 1) + rowHeight(rows - 1);
    if (area.right() >= tableRight)
        painter.fillRect(QRect(QPoint(std::max(tableRight, area.left()), area.top()), area.bottomRight()),
                         palette.brush(QPalette::Base));
    if (area.bottom() >= tableBottom && area.left() < tableRight)
        painter.fillRect(QRect(QPoint(area.left(), std::max(tableBottom, area.top())),
                               QPoint(std::min(tableRight - 1, area.right()), area.bottom())),
                         palette.brush(QPalette::Base));
    const int firstColumn = columnAt(area.left());
    if (firstColumn < 0) return; // right of the last column
    int lastColumn = columnAt(area.right());
    if (lastColumn < 0) lastColumn = columns - 1;

    // Room for three screens of cells: what moved since the last paint is still there.
    const int shownColumns = (columnAt(view->width() - 1) < 0 ? columns - 1 : columnAt(view->width() - 1)) -
                             std::max(columnAt(0), 0) + 1;
    m_cache.SetCapacity(3 * shownColumns * (view->height() / std::max(rowHeight(0), 1) + 2));
    const int imageHeight = m_cache.RowHeight();
    for (int r = 0; r < rows; ++r) {
        const int y = rowViewportPosition(r);
        const int h = rowHeight(r);
        if (y + h <= area.top()) continue;
        if (y > area.bottom()) break;
        const bool header = r < m_headerRows;
        for (int c = firstColumn; c <= lastColumn; ++c) {
            const int w = columnWidth(c);
            if (w <= 0) continue;
            const int x = columnViewportPosition(c);
            painter.drawImage(QPoint(x, y),
                              m_cache.Image(m->index(r, c, rootIndex()).data().toString(), w, header));
            if (h > imageHeight)
                painter.fillRect(QRect(x, y + imageHeight, w, h - imageHeight),
                                 palette.brush(header ? QPalette::Button : QPalette::Base));
        }
    }
}
