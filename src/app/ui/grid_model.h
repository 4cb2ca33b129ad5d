#pragma once

#include <QAbstractTableModel>
#include <QTimer>

class TDataTable;

// The data table's cells as a table model for the main window's grid. Rows 0 and 1 are the header
// rows: they are drawn like fixed cells. A rebuild of the table resets the model at once; rows written
// by the data step are gathered and announced together, at most RepaintHz times a second, so the grid
// repaints the rows written since its last paint instead of once per row.
class TDataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int HeaderRows = 2;
    static constexpr int RepaintHz = 15;
    static constexpr int RepaintIntervalMs = (1000 + RepaintHz - 1) / RepaintHz;

    explicit TDataTableModel(const TDataTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Announces the rows written since the last announcement (what the repaint timer does).
    void AnnounceChangedRows();
    bool RowsPending() const { return m_firstChanged >= 0; }

private:
    void tableReset();
    void rowsChanged(int first, int last);

    const TDataTable& m_table;
    int m_rows = 0;
    int m_columns = 0;
    int m_firstChanged = -1, m_lastChanged = -1;
    QTimer m_repaint;
};
