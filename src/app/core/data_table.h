#pragma once

#include "acquisition_state.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <algorithm>
#include <array>
#include <cstdint>

class TBench;

// Column groups of the data table, in layout order; each holds the columns of all active benches
// side by side.
enum TColumnGroup : int {
    GroupDemodulatedIR,
    GroupOffset,
    GroupGasConcentration,
    GroupMinMaxADC,
    GroupTemperatures,
    GroupAmbTemp,
    GroupPressures,
    GroupAmbPressure,
    GroupRawNoxO2,
    GroupPef,
    ColumnGroupCount
};

// Averaging settings taken by "OK": AveragingMode is an Items::Average* index.
struct TAveraging {
    int Mode = Items::AverageNone;
    int SamplesPerMean = 4;
};

// The data table: a grid of text cells, two header rows, one row per sample and, with averaging, a
// mean area on top, a sample area at the bottom and a row of standard deviations between them.
// Widget-free; the main window shows Cell(row, column) in its grid and repaints on Reset/RowsChanged.
//
// Column groups and header texts follow the check boxes of the settings panel. The grid has 64
// columns and grows when the layout needs more, so that no value is lost on screen or in the log.
class TDataTable : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultGridColumns = 64;
    static constexpr int RowHeight = 16;   // pixels
    static constexpr int MinRowCount = 14; // rows, header rows included
    static constexpr int MaxVisibleSamples = 8;

    explicit TDataTable(QObject* parent = nullptr);

    // ---- layout state ----
    int ColumnCount = 0; // columns in use
    int FirstActive = -1, LastActive = 0, ActiveCount = 0;
    int AcceptColumn = -1, TimeColumn = -1, RelTimeColumn = -1;
    // First column of a group for a bench, -1 when the group is off or the bench inactive.
    std::array<std::array<int, 4>, ColumnGroupCount> GroupStart{};
    int RowCount = MinRowCount;
    int VisibleSamples = 0;
    int AreaTop = 0;
    int SampleRow = 0, MeanRow = 1, StatRow = 0;
    int SampleCount = 0;
    // Number shown in the accept count column; 1 at start, plus 1 for each logged row.
    int AcceptCounter = 1;
    // Wall-clock seconds when the table was created (the relative time counts from it).
    qint64 StartTime = 0;

    // ---- offsets ----
    bool OffsetEnabled = false;
    std::array<bool, 4> OffsetCapture{};
    std::array<bool, 4> OffsetRefValid{};
    std::array<std::array<int32_t, 4>, 4> OffsetRef{}; // bench x (DemodCo2, DemodCo, DemodHc, DemodRef)

    // ---- cells ----
    int GridColumns() const { return m_columns; } // 64, or more when the layout needs them
    QString Cell(int row, int column) const;
    void SetCell(int row, int column, const QString& text);
    // Cells 0..ColumnCount-1 of a row joined without separators: a log line.
    QString RowText(int row) const;
    // Copies cells 0..ColumnCount-1 of a row into another (the row last logged under manual accept).
    void CopyRowForLog(int from, int to);

    // Header texts, width per bench and "is ticked" box of each group, in layout order.
    static QStringList GroupHeaders(TColumnGroup group);
    static int GroupWidth(TColumnGroup group);
    static bool GroupTicked(const TSettingsPanel& settings, TColumnGroup group);

    // Lays the table out afresh from the open ports, the column check boxes and the averaging
    // settings: clears every cell, ends any averaging block (its sums are cleared) and writes the
    // headers of rows 0 and 1. An enabled AcceptBtn moves StatRow, which then shows the last logged row.
    void RebuildTable(const TWindowState& state, const TAveraging& averaging);

    // Writes one sample from the latest decoded values of every active bench, and at the end of a
    // block its means and standard deviations. Returns true when the row is complete (every sample
    // without averaging, else the last sample of a block): it is then to be offered to the log, from
    // row MeanRow (and StatRow for the deviation line).
    bool BuildRow(const std::array<TBench, 4>& benches, const TWindowState& state,
                  const TAveraging& averaging);

    // "Offset" button: offsets on or off, and a new reference for every bench, as the Offset box says.
    void OffsetBtnClick(bool offsetTicked);

signals:
    // Every cell may have changed (a rebuild; RowCount and the column count may differ).
    void Reset();
    // Cells of rows first..last changed.
    void RowsChanged(int first, int last);

private:
    struct ColumnSums {
        qint64 integer = 0; // whole counts
        float single = 0;   // gas readings
        double real = 0;    // ambient temperature, PEF
        // Running mean and sum of squared deviations from it (Welford), for the standard deviation:
        // the sum of squares less S*S/n cancels for a large mean with a small spread.
        int count = 0;
        double mean = 0;
        double m2 = 0;
    };
    void ensureColumns(int columns);
    void clearAll();
    void clearRow(int row);
    // Moves the cells of rows first..last one row up (row first-1's are lost) and clears row last.
    void scrollUp(int first, int last);
    void markTouched(int row) {
        m_touchedFirst = std::min(m_touchedFirst, row);
        m_touchedLast = std::max(m_touchedLast, row);
    }
    void clearSums(int bench);
    void writeGroup(TColumnGroup group, int bench, const TBench& b, const TWindowState& state, int row,
                    bool complete, int mode, int n);
    // The time stamp and relative time cells of the current second, formatted once per second.
    const QString& timeStampText();
    const QString& relativeTimeText();

    int m_columns = DefaultGridColumns;
    QVector<QStringList> m_cells; // rows x m_columns
    // Sums of the current block: group x bench x column within the group.
    std::array<std::array<std::array<ColumnSums, 8>, 4>, ColumnGroupCount> m_sums{};
    int m_touchedFirst = 0, m_touchedLast = 0;
    qint64 m_timeStampSecond = 0;
    QString m_timeStampText;
    qint64 m_relativeSeconds = 0;
    QString m_relativeTimeText;
};
