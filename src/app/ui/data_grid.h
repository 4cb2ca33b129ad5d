#pragma once

#include <QCache>
#include <QImage>
#include <QString>
#include <QTableView>
#include <array>
#include <cstdint>
#include <vector>

// Images of whole cells, keyed by their text and width: each distinct cell is drawn once, and every
// later paint copies its pixels. The font is fixed-pitch, so a text's width follows from its length
// and the metrics taken once per font. Cells of printable ASCII characters on the cell background
// (numbers, times: almost all of them) are put together from glyphs drawn once per font, without any
// text layout; other texts and the header cells are drawn by the painter. Texts are never elided: a
// cell cuts what does not fit at its margin.
class TCellTextCache {
public:
    // Images kept at least; the least recently drawn go first.
    static constexpr int MinCapacity = 1000;

    struct Colours {
        QColor text, cellBackground, headerBackground, cellLine, headerLine;
    };
    // Drops every image and takes the metrics, colours, margin and pixel ratio cells are drawn with.
    void Reset(const QFont& font, const Colours& colours, int rowHeight, int margin, qreal pixelRatio);
    // A cell `width` pixels wide and one row tall on the cell or header background, showing the text
    // from the margin on, with its grid line in its last column of pixels (and, for a header cell,
    // in its last row). Valid until the next call.
    const QImage& Image(const QString& text, int width, bool header);

    // Keeps at least this many images (the grid asks for a few screens of cells), and MinCapacity.
    void SetCapacity(int images);
    int RowHeight() const { return m_rowHeight; }
    // Images drawn since the last Reset: texts that were not in the cache.
    int Misses() const { return m_misses; }

private:
    struct Key {
        QString text;
        int width = 0;
        bool header = false;
        friend bool operator==(const Key& a, const Key& b) {
            return a.width == b.width && a.header == b.header && a.text == b.text;
        }
        friend size_t qHash(const Key& key, size_t seed = 0) noexcept {
            return qHashMulti(seed, key.text, key.width, key.header);
        }
    };
    static constexpr char16_t FirstGlyph = 0x20, LastGlyph = 0x7E;
    static constexpr int GlyphCount = LastGlyph - FirstGlyph + 1;
    // Where a glyph starts within a pixel, in 64ths (the painter's unit): the painter draws a glyph
    // differently at each, so each is drawn once when first needed.
    static constexpr int Phases = 64;
    // Blank device pixels left of a glyph's origin in its mask, for ink left of the origin.
    static constexpr int GlyphPad = 2;
    // How much of each device pixel is the text colour (0..255), row by row, and the box that holds
    // the ink (right and bottom exclusive; empty for a blank).
    struct GlyphMask {
        bool drawn = false;
        std::vector<uint8_t> coverage;
        int left = 0, right = 0, top = 0, bottom = 0;
    };

    const GlyphMask& glyph(char16_t ch, int phase) const;
    bool composable(const QString& text) const;
    QImage compose(const QString& text, int width) const;
    QImage draw(const QString& text, int width, bool header) const;

    QCache<Key, QImage> m_images{MinCapacity};
    QFont m_font;
    QColor m_text, m_cellBackground, m_headerBackground, m_cellLine, m_headerLine;
    int m_rowHeight = 16;
    int m_margin = 0;
    qreal m_pixelRatio = 1;
    qreal m_charWidth = 0;
    int m_baseline = 0;
    int m_misses = 0;
    // Cells are put together from glyphs only where that gives the painter's pixels: at a whole
    // pixel ratio (at others the painter places glyphs by metrics of its own).
    bool m_compose = true;
    // Glyph masks by character and phase, and what measuring them needs.
    mutable std::vector<GlyphMask> m_glyphs;
    mutable QImage m_canvas;
    int m_glyphWidth = 0, m_glyphHeight = 0;
    int m_channel = 0, m_channelBase = 0, m_channelDelta = 0;
    // Rows holding the ink of any glyph (bottom exclusive).
    int m_inkTop = 0, m_inkBottom = 0;
    // The cell background mixed with the text colour, by coverage.
    std::array<QRgb, 256> m_cellColours{};
};

// The main window's data table: a table view whose paint copies every visible cell, grid line
// included, from a TCellTextCache: vertical grid lines, and the first `headerRows` rows drawn as
// fixed cells (button face, lines on both sides). Changed rows repaint only their own band.
class TDataGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDataGrid(int headerRows, QWidget* parent = nullptr);

    // Paints of the cells so far, for figures of what the grid costs.
    qint64 Paints() const { return m_paints; }
    TCellTextCache& TextCache() { return m_cache; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    void resetCache();

    int m_headerRows;
    TCellTextCache m_cache;
    bool m_cacheValid = false;
    qreal m_cachePixelRatio = 0;
    bool m_cacheShowsGrid = true;
    qint64 m_paints = 0;
};
