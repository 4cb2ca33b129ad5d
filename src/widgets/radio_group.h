#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>
#include <QVector>

// A titled group of radio buttons with one selected item, addressed by index: the settings switches of
// the main window ("File &Log", "Zero", averaging, ...) and the baud rate choice. Each button is named
// <group name>_<index> so tests can click a particular one.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& objectName, const QString& title, const QStringList& items, int itemIndex,
                QWidget* parent = nullptr, int columns = 1);

    int ItemIndex() const { return m_group.checkedId(); }
    // Selects an item without raising Clicked (a program change, not an operator's click).
    void SetItemIndex(int index);
    int Count() const { return int(m_buttons.size()); }
    QRadioButton* Button(int index) const { return m_buttons.value(index); }
    QString ItemText(int index) const;

    // Selects the item as an operator's click does, then raises Clicked.
    void ClickItem(int index);

signals:
    // An operator selected an item (also when it was selected already).
    void Clicked(int index);

private:
    QButtonGroup m_group;
    QVector<QRadioButton*> m_buttons;
};
