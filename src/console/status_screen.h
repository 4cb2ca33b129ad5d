#pragma once

#include "form_timer.h"
#include "screen_hook.h"
#include "status_bits.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <span>
#include <string_view>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class TBench;
class TBenchSelector;
class TBenchSet;

// What the two status screens share: the read-only status boxes of a status table with their row
// captions, grouped as the table says; the bench selector; and the redraw that follows the data
// stream. Data replies arrive up to 126 times a second per bench, so a delivery only marks the screen
// dirty and the redraw timer shows the current bytes at most 25 times a second, and only while the
// screen is visible. A box's text or colour is touched only when it changes.
class TStatusScreen : public QWidget, public IBenchSelectorScreen {
    Q_OBJECT
public:
    static constexpr int RedrawIntervalMs = 40;
    static const QColor Red;
    static const QColor Green; // RGB 0,128,0

    int SelectedBench() const;
    TBenchSelector* GrpBench = nullptr;
    // The redraw timer (tests advance the clock and poll it).
    TFormTimer& RedrawTimer() { return m_redraw; }

    // RefreshBenchSelector: settles the selection from the activation boxes. When that changes the
    // selected bench, the boxes are emptied and show the new bench, never the old one's status.
    void RefreshBenchSelector() override;
    // Empties every status box.
    void ClearStatus();
    // Shows the selected bench's status bytes, if the screen is visible and that bench has delivered
    // its status.
    void ShowStatus();
    // BB1Click (shared by the four bench buttons): the clicked bench is shown afresh.
    void BB1Click();

    // The box of the table row (objectName) and its row caption.
    QLineEdit* Box(std::string_view name) const;
    QLabel* Caption(std::string_view boxName) const;

protected:
    TStatusScreen(const QString& objectName, const QString& title, const QString& benchCaption,
                  std::span<const TStatusBox> table, std::span<const std::string_view> groups,
                  TBenchSet& benches, const IActivationBoxes& activation, QWidget* parent);

    // The bench connection delivered status of a bench: a redraw is due if it is the one shown.
    void StatusDelivered(int bench);
    // True when the bench has delivered the status this screen shows.
    virtual bool HasStatus(int bench) const;
    // The view of the status bytes, in table order (the screen's decoding function).
    virtual std::vector<TStatusText> Decode(const TStatusBytes& status) const = 0;

    QGroupBox* Group(int index) const { return m_groups[size_t(index)]; }
    int GroupCount() const { return int(m_groups.size()); }
    TBenchSet& Benches() { return m_benches; }
    const TBenchSet& Benches() const { return m_benches; }

    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QLineEdit* box;
        QLabel* caption;
        QString text;
        TStatusColour colour;
    };
    void setRow(Row& row, const TStatusText& value);
    void redrawTimeout();

    TBenchSet& m_benches;
    const IActivationBoxes& m_activation;
    std::vector<QGroupBox*> m_groups;
    std::vector<Row> m_rows;
    TFormTimer m_redraw;
    bool m_dirty = false;
};
