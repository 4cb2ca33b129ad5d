#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>
#include <QVector>

// One of the console's generic radio groups: every page gives it its own caption, items and columns.
// Its buttons are named <group name>_<index> so tests can click a particular one.
class TConsoleRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TConsoleRadioGroup(const QString& objectName, QWidget* parent);

    // Replaces the items (only when they differ, so that a page laid out again keeps its buttons).
    void SetItems(const QStringList& items, int columns);
    QStringList Items() const { return m_items; }
    int Columns() const { return m_columns; }
    // -1 when no item is selected.
    int ItemIndex() const { return m_group.checkedId(); }
    // Selects an item; -1 selects none.
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return m_buttons.value(index); }
    const QVector<QRadioButton*>& Buttons() const { return m_buttons; }

private:
    QButtonGroup m_group;
    QVector<QRadioButton*> m_buttons;
    QStringList m_items;
    int m_columns = 0;
};
