#include "status_screen.h"

#include "bench.h"
#include "bench_selector.h"
#include "ui_util.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

const QColor TStatusScreen::Red = QColor(255, 0, 0);
const QColor TStatusScreen::Green = QColor(0, 128, 0);

namespace {
QString qstr(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// Wide enough for the longest text any value of the table shows.
int boxWidth(const QFontMetrics& metrics, std::span<const TStatusBox> table) {
    int width = 0;
    for (const TStatusBox& b : table)
        for (const TStatusText& t : b.texts)
            width = std::max(width, metrics.horizontalAdvance(qstr(t.text)));
    return width + 16;
}
} // namespace

TStatusScreen::TStatusScreen(const QString& objectName, const QString& title, const QString& benchCaption,
                             std::span<const TStatusBox> table, std::span<const std::string_view> groups,
                             TBenchSet& benches, const IActivationBoxes& activation, QWidget* parent)
    : QWidget(parent, Qt::Window), m_benches(benches), m_activation(activation),
      m_redraw(RedrawIntervalMs, this) {
    setObjectName(objectName);
    setWindowTitle(title);

    std::vector<QGridLayout*> grids;
    for (std::string_view caption : groups) {
        auto* group = new QGroupBox(qstr(caption), this);
        group->setObjectName(qstr(caption));
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setVerticalSpacing(2);
        m_groups.push_back(group);
        grids.push_back(grid);
    }
    const int width = boxWidth(fontMetrics(), table);
    for (const TStatusBox& b : table) {
        QGroupBox* group = m_groups[b.group];
        auto* caption = new QLabel(qstr(b.caption), group);
        caption->setObjectName(qstr(b.box).replace(QLatin1String("Edit"), QLatin1String("Label")));
        auto* box = new QLineEdit(group);
        box->setObjectName(qstr(b.box));
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        box->setFixedWidth(width);
        QGridLayout* grid = grids[b.group];
        const int row = grid->rowCount();
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1);
        if (b.hidden) {
            caption->hide();
            box->hide();
        }
        m_rows.push_back({box, caption, QString(), TStatusColour::Green});
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, Green);
        box->setPalette(palette);
    }

    GrpBench = new TBenchSelector(benchCaption, this);
    connect(GrpBench, &TBenchSelector::Clicked, this, [this] { BB1Click(); });
    connect(&m_redraw, &TFormTimer::Timeout, this, &TStatusScreen::redrawTimeout);
}

int TStatusScreen::SelectedBench() const {
    return GrpBench->SelectedBench();
}

QLineEdit* TStatusScreen::Box(std::string_view name) const {
    for (const Row& r : m_rows)
        if (r.box->objectName() == qstr(name)) return r.box;
    return nullptr;
}

QLabel* TStatusScreen::Caption(std::string_view boxName) const {
    for (const Row& r : m_rows)
        if (r.box->objectName() == qstr(boxName)) return r.caption;
    return nullptr;
}

void TStatusScreen::RefreshBenchSelector() {
    const int before = SelectedBench();
    GrpBench->Refresh(m_activation);
    if (SelectedBench() == before) return;
    ClearStatus();
    ShowStatus();
}

void TStatusScreen::ClearStatus() {
    for (Row& r : m_rows)
        setRow(r, {{}, r.colour});
}

bool TStatusScreen::HasStatus(int bench) const {
    return m_benches[bench].NewStatusData;
}

void TStatusScreen::ShowStatus() {
    m_dirty = false;
    const int bench = SelectedBench();
    if (!isVisible() || bench < 0 || !HasStatus(bench)) return;
    const std::vector<TStatusText> view = Decode(m_benches[bench].Status);
    for (size_t i = 0; i < m_rows.size() && i < view.size(); ++i)
        if (!view[i].keep) setRow(m_rows[i], view[i]);
}

void TStatusScreen::BB1Click() {
    ClearStatus();
    ShowStatus();
}

void TStatusScreen::StatusDelivered(int bench) {
    if (bench != SelectedBench() || !isVisible()) return;
    m_dirty = true;
    if (!m_redraw.Enabled()) m_redraw.Start();
}

void TStatusScreen::redrawTimeout() {
    // Idle between deliveries: the next one starts the timer again.
    m_redraw.Stop();
    if (m_dirty) ShowStatus();
}

void TStatusScreen::setRow(Row& row, const TStatusText& value) {
    const QString text = qstr(value.text);
    if (row.text != text) {
        row.text = text;
        row.box->setText(text);
        row.box->setCursorPosition(0);
    }
    if (row.colour != value.colour) {
        row.colour = value.colour;
        QPalette palette = row.box->palette();
        palette.setColor(QPalette::Text, value.colour == TStatusColour::Red ? Red : Green);
        row.box->setPalette(palette);
    }
}

void TStatusScreen::showEvent(QShowEvent* event) {
    CentreOn(this, parentWidget());
    QWidget::showEvent(event);
    // What the bench delivered while the screen was hidden is shown at once, not after the next reply.
    ShowStatus();
}
