#include "fhistory.h"

#include "ui_util.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>

TListScreen::TListScreen(const QString& objectName, const QString& caption, QSize size, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(objectName);
    setWindowTitle(caption);
    resize(size);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    // Log lines are rows of fixed-width fields: a fixed-pitch font keeps the columns under each other.
    ListBox1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListBox1->setUniformItemSizes(true);
    // Every character of a long line stays readable: no "...", a horizontal scroll bar instead.
    ListBox1->setTextElideMode(Qt::ElideNone);
    ListBox1->setWordWrap(false);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ListBox1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListBox1);
}

void TListScreen::showEvent(QShowEvent* event) {
    CentreOn(this, parentWidget());
    QWidget::showEvent(event);
}

THistory::THistory(QWidget* parent)
    : TListScreen(QStringLiteral("History"), QStringLiteral("History Screen"), QSize(597, 450), parent) {}
