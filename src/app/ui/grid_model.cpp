#include "grid_model.h"

#include "data_table.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

TDataTableModel::TDataTableModel(const TDataTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_rows(table.RowCount), m_columns(table.GridColumns()) {
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(RepaintIntervalMs);
    connect(&m_repaint, &QTimer::timeout, this, &TDataTableModel::AnnounceChangedRows);
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
    // The table has already changed its shape; the view re-reads everything, rows pending included.
    m_repaint.stop();
    m_firstChanged = m_lastChanged = -1;
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
    if (m_firstChanged < 0) {
        m_firstChanged = first;
        m_lastChanged = last;
    } else {
        m_firstChanged = std::min(m_firstChanged, first);
        m_lastChanged = std::max(m_lastChanged, last);
    }
    // The first row written after a paint starts the wait; rows written meanwhile join it.
    if (!m_repaint.isActive()) m_repaint.start();
}

void TDataTableModel::AnnounceChangedRows() {
    m_repaint.stop();
    if (m_firstChanged < 0) return;
    const int first = m_firstChanged, last = m_lastChanged;
    m_firstChanged = m_lastChanged = -1;
    emit dataChanged(index(first, 0), index(last, m_columns - 1), {Qt::DisplayRole});
}
