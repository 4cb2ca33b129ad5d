#include "radio_group.h"

#include <QGridLayout>

TRadioGroup::TRadioGroup(const QString& objectName, const QString& title, const QStringList& items,
                         int itemIndex, QWidget* parent, int columns)
    : QGroupBox(title, parent) {
    setObjectName(objectName);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setVerticalSpacing(0);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("%1_%2").arg(objectName).arg(i));
        m_group.addButton(button, i);
        m_buttons.append(button);
        layout->addWidget(button, i % rows, i / rows);
    }
    SetItemIndex(itemIndex);
    connect(&m_group, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

void TRadioGroup::SetItemIndex(int index) {
    if (QRadioButton* b = m_buttons.value(index)) b->setChecked(true);
}

QString TRadioGroup::ItemText(int index) const {
    const QRadioButton* b = m_buttons.value(index);
    return b ? b->text() : QString();
}

void TRadioGroup::ClickItem(int index) {
    if (QRadioButton* b = m_buttons.value(index)) b->click();
}
