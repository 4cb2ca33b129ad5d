#include "bench_selector.h"

#include "screen_hook.h"

#include <QHBoxLayout>

TBenchSelection SettleBenchSelection(const std::array<bool, 4>& usable, TBenchSelection s) {
    s.Enabled = usable;
    if (s.SelectedBench >= 0 && !s.Enabled[size_t(s.SelectedBench)]) {
        s.Checked[size_t(s.SelectedBench)] = false;
        s.SelectedBench = -1;
    }
    // A disabled button never becomes the selection, even if it was left checked.
    int selected = -1;
    for (int i = 0; i < 4; ++i)
        if (s.Checked[size_t(i)] && s.Enabled[size_t(i)]) selected = i;
    if (selected >= 0) {
        s.SelectedBench = selected;
        return s;
    }
    for (int i = 0; i < 4; ++i) {
        if (s.Enabled[size_t(i)])
            selected = i;
        else
            s.Checked[size_t(i)] = false;
    }
    s.SelectedBench = selected;
    if (selected >= 0) s.Checked[size_t(selected)] = true;
    return s;
}

TBenchSelector::TBenchSelector(const QString& title, QWidget* parent, const QString& objectName)
    : QGroupBox(title, parent) {
    setObjectName(objectName);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(QString::number(i + 1), this);
        button->setObjectName(QStringLiteral("BB%1").arg(i + 1));
        button->setEnabled(false);
        m_group.addButton(button, i);
        m_buttons[size_t(i)] = button;
        layout->addWidget(button);
    }
    connect(&m_group, &QButtonGroup::idClicked, this, [this](int bench) {
        // The button just clicked is the checked one: it becomes the selection.
        const int before = m_selected;
        m_selected = bench;
        emit Clicked(bench);
        if (before != bench) emit SelectionChanged(bench);
    });
}

TBenchSelection TBenchSelector::Selection() const {
    TBenchSelection s;
    for (int i = 0; i < 4; ++i) {
        s.Enabled[size_t(i)] = m_buttons[size_t(i)]->isEnabled();
        s.Checked[size_t(i)] = m_buttons[size_t(i)]->isChecked();
    }
    s.SelectedBench = m_selected;
    return s;
}

void TBenchSelector::Apply(const TBenchSelection& selection) {
    // An exclusive group refuses to uncheck its checked button; the rule may need exactly that.
    m_group.setExclusive(false);
    for (int i = 0; i < 4; ++i) {
        m_buttons[size_t(i)]->setEnabled(selection.Enabled[size_t(i)]);
        m_buttons[size_t(i)]->setChecked(selection.Checked[size_t(i)]);
    }
    m_group.setExclusive(true);
    const int before = m_selected;
    m_selected = selection.SelectedBench;
    if (before != m_selected) emit SelectionChanged(m_selected);
}

void TBenchSelector::Refresh(const IActivationBoxes& boxes) {
    std::array<bool, 4> usable{};
    for (int i = 0; i < 4; ++i)
        usable[size_t(i)] = boxes.BenchBoxActive(i);
    Apply(SettleBenchSelection(usable, Selection()));
}
