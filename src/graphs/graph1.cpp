#include "graph1.h"

#include "bench.h"
#include "chart.h"
#include "locale_setup.h"
#include "paths.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TFGraph1::TFGraph1(TBenchSet& benches, const IActivationBoxes& boxes, const IGraphWindowState& window,
                   QWidget* parent)
    : TGasGraphScreen(QStringLiteral("FGraph1"), QStringLiteral("Graphics 1"), benches, boxes, window,
                      &TBench::NewGraph1Data, parent) {
    CO2 = channelBox(QStringLiteral("CO2"), QStringLiteral("CO2"), true);
    CO = channelBox(QStringLiteral("CO"), QStringLiteral("CO"), true);
    O2 = channelBox(QStringLiteral("O2"), QStringLiteral("O2"), true);
    HC = channelBox(QStringLiteral("HC"), QStringLiteral("Ethanol"), true);
    NO = channelBox(QStringLiteral("NO"), QStringLiteral("NO"), true);
    CO2COO2MinEdit = limitEdit(QStringLiteral("CO2COO2MinEdit"), QStringLiteral("0"));
    CO2COO2MaxEdit = limitEdit(QStringLiteral("CO2COO2MaxEdit"), QStringLiteral("100"));
    HCNOMinEdit = limitEdit(QStringLiteral("HCNOMinEdit"), QStringLiteral("0"));
    HCNOMaxEdit = limitEdit(QStringLiteral("HCNOMaxEdit"), QStringLiteral("100"));

    auto* grid = new QGridLayout(Channels);
    for (int i = 0; i < GasCount; ++i)
        grid->addWidget(channelBoxes()[size_t(i)], i, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Min"), Channels), GasCount, 1);
    grid->addWidget(new QLabel(QStringLiteral("Max"), Channels), GasCount, 2);
    grid->addWidget(new QLabel(QStringLiteral("%"), Channels), GasCount + 1, 0);
    grid->addWidget(CO2COO2MinEdit, GasCount + 1, 1);
    grid->addWidget(CO2COO2MaxEdit, GasCount + 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("ppm"), Channels), GasCount + 2, 0);
    grid->addWidget(HCNOMinEdit, GasCount + 2, 1);
    grid->addWidget(HCNOMaxEdit, GasCount + 2, 2);
    layOut();

    // Channel flags from the boxes, then from the settings file if it is one of ours.
    for (int i = 0; i < GasCount; ++i)
        m_channels[size_t(i)] = channelBoxes()[size_t(i)]->isChecked();
    if (const auto read =
            LoadGraph1Settings(DriveCPath(QLatin1String(Graph1SettingsFile)), DecimalPointIsDot);
        read.Settings)
        showSettings(*read.Settings);
    for (int i = 0; i < GasCount; ++i)
        m_channels[size_t(i)] = channelBoxes()[size_t(i)]->isChecked();

    TChart& chart = *PEGraph1;
    chart.Reset();
    chart.SetSize(GasCount, Points);
    chart.SetMainTitle(QStringLiteral("CO2, CO, Ethanol, O2, NO channels"));
    chart.SetSubTitle(QStringLiteral(" "));
    chart.Data().SetPointLabel(Points - 1, QStringLiteral(" "));
    chart.SetDeskColor(deskColour());
    chart.SetRightAxisSubsets(2);
    chart.SetLongTicks(true);
    chart.SetYAxisLabel(QStringLiteral("CO2, CO, O2 in %"));
    chart.SetRYAxisLabel(QStringLiteral("Ethanol, NO in ppm"));
    chart.SetXAxisLabel(QStringLiteral("Time"));
    chart.SetPointLabelsOnAxis(true);
    chart.SetNullDataValue(NullValue);
    for (int s = 0; s < GasCount; ++s) {
        chart.SetSubsetLineType(s, TChart::LineType::Plain);
        chart.SetSubsetLabel(s, QLatin1String(Presentation(Graph1Order[size_t(s)]).label));
    }
    chart.Reinitialize();
    applyControls(false);
}

TGraph1Settings TFGraph1::Settings() const {
    TGraph1Settings s;
    for (int i = 0; i < GasCount; ++i)
        s.Channels[size_t(i)] = channelBoxes()[size_t(i)]->isChecked();
    s.LeftMin = CO2COO2MinEdit->text();
    s.LeftMax = CO2COO2MaxEdit->text();
    s.RightMin = HCNOMinEdit->text();
    s.RightMax = HCNOMaxEdit->text();
    return s;
}

void TFGraph1::showSettings(const TGraph1Settings& s) {
    for (int i = 0; i < GasCount; ++i)
        channelBoxes()[size_t(i)]->setChecked(s.Channels[size_t(i)]);
    CO2COO2MinEdit->setText(s.LeftMin);
    CO2COO2MaxEdit->setText(s.LeftMax);
    HCNOMinEdit->setText(s.RightMin);
    HCNOMaxEdit->setText(s.RightMax);
}

void TFGraph1::applyControls(bool check) {
    TChart& chart = *PEGraph1;
    QList<int> shown;
    for (int s = 0; s < GasCount; ++s) {
        const TRgb c = Presentation(Graph1Order[size_t(s)]).colour;
        chart.SetSubsetColor(s, QColor(c.Red, c.Green, c.Blue));
        // An unchecked gas leaves the chart.
        if (m_channels[size_t(s)]) shown << s;
    }
    chart.SetSubsetsToShow(shown);
    struct Axis {
        QLineEdit* min;
        QLineEdit* max;
        const char* name;
        void (TChart::*apply)(double, double);
    };
    const Axis axes[] = {{CO2COO2MinEdit, CO2COO2MaxEdit, "the % axis", &TChart::SetManualY},
                         {HCNOMinEdit, HCNOMaxEdit, "the ppm axis", &TChart::SetManualRY}};
    for (const Axis& a : axes) {
        const double min = ParseLimit(a.min->text()), max = ParseLimit(a.max->text());
        if (check && min >= max) {
            refuseLimits(QLatin1String(a.name));
            continue;
        }
        (chart.*a.apply)(min, max);
    }
}

void TFGraph1::ApplyButtonClick() {
    for (int i = 0; i < GasCount; ++i)
        m_channels[size_t(i)] = channelBoxes()[size_t(i)]->isChecked();
    applyControls(true);
}

void TFGraph1::appendReading(const std::array<double, GasCount>& values, const QString& label) {
    double point[GasCount];
    for (int s = 0; s < GasCount; ++s)
        point[s] = values[size_t(Graph1Order[size_t(s)])];
    PEGraph1->Data().AppendPoint(point, GasCount, label);
}

void TFGraph1::writeSettings() {
    QString error;
    // A file that cannot be written leaves the previous one; the screen closes all the same.
    if (!SaveGraph1Settings(DriveCPath(QLatin1String(Graph1SettingsFile)), Settings(), DecimalPointIsDot,
                            &error))
        qWarning("The settings of the first gas graph could not be written: %s", qPrintable(error));
}
