#pragma once

#include <QAbstractTableModel>
#include <QFont>

class TDataTable;

// The data table's cells as a table model for the main window's grid. Rows 0 and 1 are the header
// rows: they are drawn like fixed cells. Repaints follow the table's Reset and RowsChanged signals.
class TDataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int HeaderRows = 2;

    explicit TDataTableModel(const TDataTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void tableReset();
    void rowsChanged(int first, int last);

    const TDataTable& m_table;
    int m_rows = 0;
    int m_columns = 0;
};
