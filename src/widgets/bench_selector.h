#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <array>

class IActivationBoxes;

// The state of a single-bench selector: its four buttons and the selected bench (-1 none).
struct TBenchSelection {
    std::array<bool, 4> Enabled{};
    std::array<bool, 4> Checked{};
    int SelectedBench = -1;
    bool operator==(const TBenchSelection&) const = default;
};

// The selection rule every bench-aware screen applies when the active benches change. `usable[i]` is
// bench i's activation box being enabled and ticked.
//  1. Button i is enabled exactly when bench i is usable.
//  2. A selected bench whose button is now disabled is unchecked and the selection becomes none.
//  3. Every checked (enabled) button, from bench 1 to 4, becomes the selection (the last one wins);
//     done if any.
//  4. Otherwise every enabled button, from 1 to 4, becomes the selection (the highest usable bench
//     wins) and every disabled one is unchecked; the selected button is checked.
TBenchSelection SettleBenchSelection(const std::array<bool, 4>& usable, TBenchSelection current);

// The group of bench buttons BB1..BB4 (captions "1".."4", disabled until a refresh enables them) of a
// screen that addresses one bench, with its SelectedBench.
class TBenchSelector : public QGroupBox {
    Q_OBJECT
public:
    explicit TBenchSelector(const QString& title, QWidget* parent = nullptr,
                            const QString& objectName = QStringLiteral("GrpBench"));

    int SelectedBench() const { return m_selected; }
    QRadioButton* Button(int bench) const { return m_buttons[size_t(bench)]; }
    TBenchSelection Selection() const;

    // RefreshBenchSelector: applies the selection rule to the activation boxes. Emits
    // SelectionChanged when the selected bench changed.
    void Refresh(const IActivationBoxes& boxes);
    // Shows a selection (buttons enabled and checked as it says).
    void Apply(const TBenchSelection& selection);

signals:
    // BB1Click: an operator clicked a bench button; the clicked bench is now the selection.
    void Clicked(int bench);
    void SelectionChanged(int bench);

private:
    QButtonGroup m_group;
    std::array<QRadioButton*, 4> m_buttons{};
    int m_selected = -1;
};
