#include "console_radio_group.h"

#include <QGridLayout>

TConsoleRadioGroup::TConsoleRadioGroup(const QString& objectName, QWidget* parent) : QGroupBox(parent) {
    setObjectName(objectName);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setVerticalSpacing(0);
    layout->setHorizontalSpacing(8);
}

void TConsoleRadioGroup::SetItems(const QStringList& items, int columns) {
    columns = std::max(columns, 1);
    if (items == m_items && columns == m_columns) return;
    for (QRadioButton* b : m_buttons) {
        m_group.removeButton(b);
        delete b;
    }
    m_buttons.clear();
    m_items = items;
    m_columns = columns;
    auto* grid = static_cast<QGridLayout*>(layout());
    // Items fill the first column from the top, then the next.
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("%1_%2").arg(objectName()).arg(i));
        m_group.addButton(button, i);
        m_buttons.append(button);
        grid->addWidget(button, i % rows, i / rows);
    }
}

void TConsoleRadioGroup::SetItemIndex(int index) {
    if (index == ItemIndex()) return;
    if (QRadioButton* b = m_buttons.value(index)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked unless told otherwise.
    m_group.setExclusive(false);
    for (QRadioButton* b : m_buttons)
        b->setChecked(false);
    m_group.setExclusive(true);
}
