#include "grid_model.h"

#include "data_table.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

TDataTableModel::TDataTableModel(const TDataTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_rows(table.RowCount), m_columns(table.GridColumns()) {
    connect(&table, &TDataTable::Reset, this, &TDataTableModel::tableReset);
    connect(&table, &TDataTable::RowsChanged, this, &TDataTableModel::rowsChanged);
}

int TDataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int TDataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant TDataTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_table.Cell(index.row(), index.column());
    case Qt::BackgroundRole:
        if (index.row() < HeaderRows) return QGuiApplication::palette().brush(QPalette::Button);
        return {};
    case Qt::TextAlignmentRole:
        // Cells carry their own widths; they are drawn from the left like the log lines they become.
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TDataTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void TDataTableModel::tableReset() {
    // The table has already changed its shape; the view re-reads everything.
    beginResetModel();
    m_rows = m_table.RowCount;
    m_columns = m_table.GridColumns();
    endResetModel();
}

void TDataTableModel::rowsChanged(int first, int last) {
    if (m_rows != m_table.RowCount || m_columns != m_table.GridColumns()) {
        tableReset();
        return;
    }
    first = qBound(0, first, m_rows - 1);
    last = qBound(0, last, m_rows - 1);
    if (first > last || m_columns == 0) return;
    emit dataChanged(index(first, 0), index(last, m_columns - 1), {Qt::DisplayRole});
}
