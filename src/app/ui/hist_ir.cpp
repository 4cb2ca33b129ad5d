#include "hist_ir.h"

#include <QListWidget>

TfHist_ir::TfHist_ir(QWidget* parent)
    : TListScreen(QStringLiteral("fHist_ir"), QStringLiteral("Collected IR data"), QSize(696, 480), parent) {}

int TfHist_ir::LineCount() const {
    return ListBox1->count();
}

void TfHist_ir::AddLines(const QStringList& lines) {
    ListBox1->addItems(lines);
}

void TfHist_ir::RemoveLines(int first, int count) {
    // One removal of the whole block: a cycle's lines cost one model change, not a hundred.
    if (first < 0 || count <= 0 || first >= ListBox1->count()) return;
    ListBox1->model()->removeRows(first, qMin(count, ListBox1->count() - first));
}

void TfHist_ir::ClearLines() {
    ListBox1->clear();
}

void TfHist_ir::BringToFront() {
    show();
    raise();
    activateWindow();
}
