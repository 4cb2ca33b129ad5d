#include "cmds.h"

#include "bench.h"
#include "bench_selector.h"
#include "console_commands.h"
#include "console_radio_group.h"
#include "dialogs.h"
#include "ui_util.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextBrowser>
#include <algorithm>

namespace {
constexpr int FormWidth = 418;
constexpr int FormHeight = 439;
constexpr const char* NoBenchText = "Please select Com port for X714";
constexpr const char* InProgressText = "In Progress";

// The rows under every page: the process state (on the pages that show it), the acknowledgement and
// the serial number, then the bench selector and the buttons.
constexpr QRect InProgLabelPlace{16, 282, 150, 17};
constexpr QRect InProgEditPlace{208, 280, 121, 21};
constexpr QRect AckNakLabelPlace{16, 314, 130, 17};
constexpr QRect AckNakEditPlace{146, 312, 256, 21};
constexpr QRect SerNumLabelPlace{16, 342, 130, 17};
constexpr QRect SerNumEditPlace{146, 340, 140, 21};
constexpr QRect GrpBenchPlace{16, 374, 176, 48};
constexpr QRect SendBtnPlace{206, 390, 62, 26};
constexpr QRect CloseBtnPlace{273, 390, 62, 26};
constexpr QRect HelpBtnPlace{340, 390, 62, 26};

QRect toRect(const TPlace& p) {
    return {p.x, p.y, p.width, p.height};
}

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

QString helpText() {
    return QStringLiteral(
        "<h3>Command console</h3>"
        "<p>The console sends one command to one bench. Choose the command in the <i>Bench Commands</i> "
        "menu, the bench under <i>X714</i> (only benches whose box is ticked in the main window can be "
        "chosen), fill in the page and press <i>Send</i> (or Enter).</p>"
        "<p>Entries are checked first; each problem is named in a box of its own and nothing is sent. "
        "Whole numbers are decimal, or hexadecimal after $, x or 0x (10, $0A and 0x0A are the same); "
        "decimals use the separator of your locale. The values you sent are offered again the next time "
        "the page opens.</p>"
        "<p>The command leaves within a second. <i>ACK, NAK, Timeout</i> then shows the bench's answer: "
        "black for an acknowledgement, red for a refusal with its reason or for no answer. Send is "
        "available again once the answer is in, or after ten seconds at the latest. Pages that read "
        "values show them in their boxes; calibration pages show <i>In Progress</i> while the bench "
        "runs the process, when the bench streams its data.</p>");
}
} // namespace

TFCmds::TFCmds(TBenchSet& benches, IConsoleHost& host, QWidget* parent)
    : QDialog(parent), Timer1(WaitBackstopMs), m_benches(benches), m_host(host) {
    setObjectName(QStringLiteral("FCmds"));
    setWindowTitle(QStringLiteral("Bench Commands"));
    setModal(false);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies(
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    setFont(font);
    setFixedSize(FormWidth, FormHeight);
    buildControls();
    Timer1.setObjectName(QStringLiteral("Timer1"));
    connect(&Timer1, &TFormTimer::Timeout, this, &TFCmds::Timer1Timer);
    RefreshBenchSelector();
}

TFCmds::~TFCmds() = default;

void TFCmds::buildControls() {
    for (int i = 0; i < TPageControls::LabelCount; ++i) {
        Label[i] = new QLabel(this);
        Label[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        Label[i]->hide();
    }
    for (int i = 0; i < TPageControls::EditCount; ++i) {
        Edit[i] = new QLineEdit(this);
        Edit[i]->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        Edit[i]->hide();
    }
    for (int i = 0; i < TPageControls::CheckBoxCount; ++i) {
        CheckBox[i] = new QCheckBox(this);
        CheckBox[i]->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        CheckBox[i]->hide();
    }
    for (int i = 0; i < TPageControls::RadioGroupCount; ++i) {
        RadioGroup[i] = new TConsoleRadioGroup(QStringLiteral("RadioGroup%1").arg(i + 1), this);
        RadioGroup[i]->hide();
    }
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->hide();

    auto label = [this](const char* name, const char* text, const QRect& place) {
        auto* l = new QLabel(QLatin1String(text), this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        return l;
    };
    auto box = [this](const char* name, const QRect& place, bool readOnly) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(place);
        e->setReadOnly(readOnly);
        return e;
    };
    InProgLabel = label("InProgLabel", "Process State", InProgLabelPlace);
    InProgEdit = box("InProgEdit", InProgEditPlace, true);
    InProgLabel->hide();
    InProgEdit->hide();
    AckNakLabel = label("AckNakLabel", "ACK, NAK, Timeout", AckNakLabelPlace);
    // Only the bench writes here.
    AckNakEdit = box("AckNakEdit", AckNakEditPlace, true);
    SerNumLabel = label("SerNumLabel", "Serial Number", SerNumLabelPlace);
    SerNumEdit = box("SerNumEdit", SerNumEditPlace, true);

    GrpBench = new TBenchSelector(QStringLiteral("X714"), this);
    GrpBench->setGeometry(GrpBenchPlace);
    connect(GrpBench, &TBenchSelector::Clicked, this, &TFCmds::BB1Click);

    auto button = [this](const char* name, const char* caption, const QRect& place) {
        auto* b = new QPushButton(QLatin1String(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(place);
        return b;
    };
    SendBtn = button("SendBtn", "&Send", SendBtnPlace);
    SendBtn->setDefault(true);
    CloseBtn = button("CloseBtn", "Close", CloseBtnPlace);
    HelpBtn = button("HelpBtn", "Help", HelpBtnPlace);
    HelpBtn->setProperty("helpContext", HelpContext);
    connect(SendBtn, &QPushButton::clicked, this, &TFCmds::SendBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &TFCmds::CloseBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TFCmds::HelpBtnClick);
}

int TFCmds::SelectedBench() const {
    return GrpBench->SelectedBench();
}

// ---- page binding ----

TPageControls TFCmds::PageControls() const {
    TPageControls page;
    for (int i = 0; i < TPageControls::LabelCount; ++i) {
        TLabelControl& c = page.Labels[size_t(i)];
        c.visible = !Label[i]->isHidden();
        c.caption = Label[i]->text();
        const QRect g = Label[i]->geometry();
        c.place = {g.x(), g.y(), g.width(), g.height()};
    }
    for (int i = 0; i < TPageControls::EditCount; ++i) {
        TEditControl& c = page.Edits[size_t(i)];
        c.visible = !Edit[i]->isHidden();
        c.text = Edit[i]->text();
        c.readOnly = Edit[i]->isReadOnly();
        const QRect g = Edit[i]->geometry();
        c.place = {g.x(), g.y(), g.width(), g.height()};
    }
    for (int i = 0; i < TPageControls::CheckBoxCount; ++i) {
        TCheckControl& c = page.CheckBoxes[size_t(i)];
        c.visible = !CheckBox[i]->isHidden();
        c.caption = CheckBox[i]->text();
        c.checked = CheckBox[i]->isChecked();
        const QRect g = CheckBox[i]->geometry();
        c.place = {g.x(), g.y(), g.width(), g.height()};
    }
    for (int i = 0; i < TPageControls::RadioGroupCount; ++i) {
        TRadioControl& c = page.RadioGroups[size_t(i)];
        const TConsoleRadioGroup* g = RadioGroup[i];
        c.visible = !g->isHidden();
        c.caption = g->title();
        c.items = g->Items();
        c.columns = g->Columns();
        c.itemIndex = g->ItemIndex();
        const QRect r = g->geometry();
        c.place = {r.x(), r.y(), r.width(), r.height()};
    }
    page.Memo1.visible = !Memo1->isHidden();
    page.Memo1.lines = Memo1->toPlainText().split(QLatin1Char('\n'));
    const QRect m = Memo1->geometry();
    page.Memo1.place = {m.x(), m.y(), m.width(), m.height()};
    page.InProg.visible = !InProgEdit->isHidden();
    page.InProg.text = InProgEdit->text();
    return page;
}

void TFCmds::applyControls(const TPageControls& page, bool placed) {
    for (int i = 0; i < TPageControls::LabelCount; ++i) {
        const TLabelControl& c = page.Labels[size_t(i)];
        if (!placed) continue;
        Label[i]->setText(c.caption);
        Label[i]->setGeometry(toRect(c.place));
        Label[i]->setVisible(c.visible);
    }
    for (int i = 0; i < TPageControls::EditCount; ++i) {
        const TEditControl& c = page.Edits[size_t(i)];
        if (Edit[i]->text() != c.text) Edit[i]->setText(c.text);
        if (!placed) continue;
        Edit[i]->setReadOnly(c.readOnly);
        Edit[i]->setGeometry(toRect(c.place));
        Edit[i]->setVisible(c.visible);
    }
    for (int i = 0; i < TPageControls::CheckBoxCount; ++i) {
        const TCheckControl& c = page.CheckBoxes[size_t(i)];
        CheckBox[i]->setChecked(c.checked);
        if (!placed) continue;
        CheckBox[i]->setText(c.caption);
        CheckBox[i]->setGeometry(toRect(c.place));
        CheckBox[i]->setVisible(c.visible);
    }
    for (int i = 0; i < TPageControls::RadioGroupCount; ++i) {
        const TRadioControl& c = page.RadioGroups[size_t(i)];
        TConsoleRadioGroup* g = RadioGroup[i];
        if (placed) {
            g->setTitle(c.caption);
            g->SetItems(c.items, c.columns);
            g->setGeometry(toRect(c.place));
            g->setVisible(c.visible);
        }
        g->SetItemIndex(c.itemIndex);
    }
    if (placed) {
        Memo1->setPlainText(page.Memo1.lines.join(QLatin1Char('\n')));
        Memo1->setGeometry(toRect(page.Memo1.place));
        Memo1->setVisible(page.Memo1.visible);
        InProgLabel->setVisible(page.InProg.visible);
        InProgEdit->setVisible(page.InProg.visible);
    }
    if (InProgEdit->text() != page.InProg.text) InProgEdit->setText(page.InProg.text);
}

void TFCmds::orderTabs() {
    // Tab follows the rows: top to bottom, then left to right, then the buttons and the bench selector.
    struct Stop {
        QWidget* widget;
        QPoint at;
    };
    QList<Stop> stops;
    auto add = [&stops](QWidget* w) {
        if (!w->isHidden()) stops.append({w, w->geometry().topLeft()});
    };
    for (QLineEdit* e : Edit)
        add(e);
    for (QCheckBox* c : CheckBox)
        add(c);
    for (TConsoleRadioGroup* g : RadioGroup)
        add(g);
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        // Boxes of one row differ by a few pixels in height; they count as one row.
        if (std::abs(a.at.y() - b.at.y()) > 6) return a.at.y() < b.at.y();
        return a.at.x() < b.at.x();
    });
    QList<QWidget*> chain;
    for (const Stop& s : stops) {
        if (auto* g = qobject_cast<TConsoleRadioGroup*>(s.widget)) {
            for (QRadioButton* b : g->Buttons())
                chain.append(b);
        } else {
            chain.append(s.widget);
        }
    }
    chain << SendBtn << CloseBtn << HelpBtn;
    for (int i = 0; i < 4; ++i)
        chain << GrpBench->Button(i);
    for (int i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

void TFCmds::setAckText(const QString& text, bool error) {
    QPalette palette = AckNakEdit->palette();
    palette.setColor(QPalette::Text, error ? Qt::red : Qt::black);
    AckNakEdit->setPalette(palette);
    AckNakEdit->setText(text);
}

// ---- handlers ----

void TFCmds::showEvent(QShowEvent* event) {
    // The window system shows it again after it was minimised: that is no new page.
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TFCmds::FormShow() {
    CentreOn(this, parentWidget());
    ResetPage();
}

void TFCmds::ResetPage() {
    const uint8_t code = m_host.ConsoleCommand();
    m_pageCode = code;
    // A fresh layout starts with every control hidden and every text empty.
    applyControls(LayoutPage(code, m_remembered), true);
    AckNakEdit->clear();
    if (SendBtn->isEnabled()) SendBtn->setFocus();
    if (const TConsoleCommand* c = FindConsoleCommand(code); c && !c->consoleTitle.empty())
        setWindowTitle(latin1(c->consoleTitle));
    orderTabs();
}

void TFCmds::RefreshBenchSelector() {
    GrpBench->Refresh(m_host.ActivationBoxes());
}

void TFCmds::BB1Click(int /*bench*/) {
    // The selector has made the clicked bench the selection already.
    ResetPage();
}

void TFCmds::SendBtnClick() {
    if (!SendBtn->isEnabled()) return;
    setAckText(QString(), false);
    const int bench = SelectedBench();
    if (bench < 0) {
        Dialogs().Message(QLatin1String(NoBenchText), QLatin1String(PageMessageCaption));
        return;
    }
    const uint8_t code = m_host.ConsoleCommand();
    const TPageSend step = SendPage(code, PageControls(), m_remembered);
    applyControls(step.controls, false);
    for (const TPageMessage& m : step.messages)
        Dialogs().Message(m.text, QLatin1String(PageMessageCaption),
                          m.errorIcon ? IDialogs::Icon::Error : IDialogs::Icon::None);
    if (!step.Accepted()) return;
    m_remembered = step.remembered;
    // A code without a page ($47) has no record to write; the timer does not send it either.
    if (FindConsolePage(code)) m_benches[bench].CmdParams = step.params;
    m_host.RaiseConsoleSendRequest(bench);
    SendBtn->setEnabled(false);
    m_waiting = true;
    m_waitingBench = bench;
    Timer1.Start();
}

void TFCmds::CloseBtnClick() {
    hide();
}

void TFCmds::endWait() {
    m_waiting = false;
    m_waitingBench = -1;
    SendBtn->setEnabled(true);
    Timer1.Stop();
}

void TFCmds::Timer1Timer() {
    endWait();
}

void TFCmds::ShowAckNak(int bench) {
    // Another bench's report on the same code (the main window's Zero, for one) is not the answer.
    if (!m_waiting || bench != m_waitingBench) return;
    if (isVisible()) {
        const TBench& b = m_benches[bench];
        setAckText(b.AckText, b.AckError == 1);
    }
    endWait();
}

void TFCmds::ShowResult(int bench, uint8_t code) {
    if (bench != SelectedBench()) return;
    TBench& b = m_benches[bench];
    if (m_waiting && code != 0 && code == m_pageCode && HasResultDisplay(code) &&
        b.Commands[code].ResultReady) {
        TPageControls page = PageControls();
        ShowPageResult(code, b, page);
        b.Commands[code].ResultReady = false;
        applyControls(page, false);
    }
    const QString state = b.ProcessInProgress ? QLatin1String(InProgressText) : QString();
    if (InProgEdit->text() != state) InProgEdit->setText(state);
}

void TFCmds::HelpBtnClick() {
    if (!m_help) {
        m_help = new QTextBrowser(this);
        m_help->setWindowFlag(Qt::Window);
        m_help->setObjectName(QStringLiteral("ConsoleHelp"));
        m_help->setWindowTitle(QStringLiteral("Help"));
        m_help->resize(460, 320);
        m_help->setHtml(helpText());
    }
    m_help->show();
    m_help->raise();
}
