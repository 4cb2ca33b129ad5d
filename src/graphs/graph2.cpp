#include "graph2.h"

#include "bench.h"
#include "chart.h"
#include "locale_setup.h"
#include "paths.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TFGraph2::TFGraph2(TBenchSet& benches, const IActivationBoxes& boxes, const IGraphWindowState& window,
                   QWidget* parent)
    : TGasGraphScreen(QStringLiteral("FGraph2"), QStringLiteral("Main Graph Screen"), benches, boxes, window,
                      &TBench::NewGraph2Data, parent) {
    CO2 = channelBox(QStringLiteral("CO2"), QStringLiteral("CO2"), true);
    CO = channelBox(QStringLiteral("CO"), QStringLiteral("CO"), true);
    HC = channelBox(QStringLiteral("HC"), QStringLiteral("Ethanol"), false);
    O2 = channelBox(QStringLiteral("O2"), QStringLiteral("O2"), false);
    NO = channelBox(QStringLiteral("NO"), QStringLiteral("NO"), false);
    CO2MinEdit = limitEdit(QStringLiteral("CO2MinEdit"), QStringLiteral("0"));
    CO2MaxEdit = limitEdit(QStringLiteral("CO2MaxEdit"), QStringLiteral("20"));
    COMinEdit = limitEdit(QStringLiteral("COMinEdit"), QStringLiteral("0"));
    COMaxEdit = limitEdit(QStringLiteral("COMaxEdit"), QStringLiteral("25"));
    HCMinEdit = limitEdit(QStringLiteral("HCMinEdit"), QStringLiteral("0"));
    HCMaxEdit = limitEdit(QStringLiteral("HCMaxEdit"), QStringLiteral("25"));
    O2MinEdit = limitEdit(QStringLiteral("O2MinEdit"), QStringLiteral("0"));
    O2MaxEdit = limitEdit(QStringLiteral("O2MaxEdit"), QStringLiteral("25"));
    NOMinEdit = limitEdit(QStringLiteral("NOMinEdit"), QStringLiteral("0"));
    NOMaxEdit = limitEdit(QStringLiteral("NOMaxEdit"), QStringLiteral("25"));

    auto* grid = new QGridLayout(Channels);
    grid->addWidget(new QLabel(QStringLiteral("Min"), Channels), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Max"), Channels), 0, 2);
    for (int i = 0; i < GasCount; ++i) {
        const Row r = rows()[size_t(i)];
        grid->addWidget(r.box, i + 1, 0);
        grid->addWidget(r.min, i + 1, 1);
        grid->addWidget(r.max, i + 1, 2);
    }
    layOut();

    // Channel flags (and limits) from the controls, then from the settings file if it is one of ours.
    if (const auto read =
            LoadGraph2Settings(DriveCPath(QLatin1String(Graph2SettingsFile)), DecimalPointIsDot);
        read.Settings) {
        for (int i = 0; i < GasCount; ++i) {
            const Row r = rows()[size_t(i)];
            const TGraph2Settings::Channel& c = read.Settings->Gases[size_t(i)];
            r.box->setChecked(c.Checked);
            r.min->setText(c.Min);
            r.max->setText(c.Max);
        }
    }
    for (int i = 0; i < GasCount; ++i) {
        const Row r = rows()[size_t(i)];
        const Gas gas = Graph2Order[size_t(i)];
        m_channels[size_t(i)] = r.box->isChecked();
        m_min[size_t(gas)] = ParseLimit(r.min->text());
        m_max[size_t(gas)] = ParseLimit(r.max->text());
    }
    buildChart(false);
}

std::array<TFGraph2::Row, GasCount> TFGraph2::rows() const {
    return {{{CO2, CO2MinEdit, CO2MaxEdit},
             {CO, COMinEdit, COMaxEdit},
             {HC, HCMinEdit, HCMaxEdit},
             {O2, O2MinEdit, O2MaxEdit},
             {NO, NOMinEdit, NOMaxEdit}}};
}

TGraph2Settings TFGraph2::Settings() const {
    TGraph2Settings s;
    for (int i = 0; i < GasCount; ++i) {
        const Row r = rows()[size_t(i)];
        s.Gases[size_t(i)] = {r.box->isChecked(), r.min->text(), r.max->text()};
    }
    return s;
}

void TFGraph2::buildChart(bool check) {
    QList<int> checked;
    for (int i = 0; i < GasCount; ++i)
        if (m_channels[size_t(i)]) checked << i;
    if (checked.isEmpty()) return;
    if (check) {
        for (int i : checked) {
            const Row r = rows()[size_t(i)];
            if (ParseLimit(r.min->text()) < ParseLimit(r.max->text())) continue;
            refuseLimits(QLatin1String(Presentation(Graph2Order[size_t(i)]).label));
            return;
        }
    }

    TChart& chart = *PEGraph1;
    chart.Reset();
    chart.SetSize(int(checked.size()), Points);
    chart.Data().SetPointLabel(Points - 1, QStringLiteral(" "));
    chart.SetXAxisLabel(QStringLiteral("Time"));
    chart.SetMainTitle(QStringLiteral("CO2, CO, Ethanol, O2, NO Channels"));
    chart.SetDeskColor(deskColour());
    chart.SetLongTicks(true);
    chart.SetPointLabelsOnAxis(true);
    chart.SetNullDataValue(NullValue);
    const double proportion = checked.size() == 1 ? 1.0 : 0.5;
    QVector<TChart::TStackedAxis> axes;
    m_plotted.clear();
    for (int s = 0; s < checked.size(); ++s) {
        const int i = checked[s];
        const Gas gas = Graph2Order[size_t(i)];
        const TGasPresentation& p = Presentation(gas);
        const Row r = rows()[size_t(i)];
        // The axis limits are the gas's clamping limits too.
        m_min[size_t(gas)] = ParseLimit(r.min->text());
        m_max[size_t(gas)] = ParseLimit(r.max->text());
        axes.append({proportion, QLatin1String(p.label), m_min[size_t(gas)], m_max[size_t(gas)]});
        chart.SetSubsetLineType(s, TChart::LineType::Plain);
        chart.SetSubsetLabel(s, QLatin1String(p.label));
        chart.SetSubsetColor(s, QColor(p.colour.Red, p.colour.Green, p.colour.Blue));
        m_plotted << gas;
    }
    chart.SetStackedAxes(axes);
    chart.Reinitialize();
}

void TFGraph2::ApplyButtonClick() {
    for (int i = 0; i < GasCount; ++i)
        m_channels[size_t(i)] = rows()[size_t(i)].box->isChecked();
    buildChart(true);
}

void TFGraph2::appendReading(const std::array<double, GasCount>& values, const QString& label) {
    // The gases of the chart as built: with every box unchecked the chart, and what it plots, stay.
    double point[GasCount];
    int n = 0;
    for (Gas gas : m_plotted)
        point[n++] = ClampToLimits(values[size_t(gas)], m_min[size_t(gas)], m_max[size_t(gas)]);
    PEGraph1->Data().AppendPoint(point, n, label);
}

void TFGraph2::writeSettings() {
    QString error;
    // A file that cannot be written leaves the previous one; the screen closes all the same.
    if (!SaveGraph2Settings(DriveCPath(QLatin1String(Graph2SettingsFile)), Settings(), DecimalPointIsDot,
                            &error))
        qWarning("The settings of the second gas graph could not be written: %s", qPrintable(error));
}
