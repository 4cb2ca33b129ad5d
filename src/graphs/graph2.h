#pragma once

#include "gas_graph_screen.h"

#include <QList>

// The second gas graph ("Main Graph Screen", "Graphics&2"): the gases the operator checks, each on its
// own vertically stacked axis with its own limits, readings clamped to them. Its settings file is
// GrSVX422.txt in drive C.
class TFGraph2 : public TGasGraphScreen {
    Q_OBJECT
public:
    static constexpr double NullValue = -10;

    TFGraph2(TBenchSet& benches, const IActivationBoxes& boxes, const IGraphWindowState& window,
             QWidget* parent = nullptr);

    TGraph2Settings Settings() const;
    // The gases on the chart as last built, top to bottom.
    QList<Gas> PlottedGases() const { return m_plotted; }
    // A gas's clamping limits.
    std::pair<double, double> Limits(Gas gas) const { return {m_min[size_t(gas)], m_max[size_t(gas)]}; }

    // Channel boxes and limit edits in subset order: CO2, CO, Ethanol, O2, NO.
    QCheckBox* CO2 = nullptr;
    QCheckBox* CO = nullptr;
    QCheckBox* HC = nullptr;
    QCheckBox* O2 = nullptr;
    QCheckBox* NO = nullptr;
    QLineEdit* CO2MinEdit = nullptr;
    QLineEdit* CO2MaxEdit = nullptr;
    QLineEdit* COMinEdit = nullptr;
    QLineEdit* COMaxEdit = nullptr;
    QLineEdit* HCMinEdit = nullptr;
    QLineEdit* HCMaxEdit = nullptr;
    QLineEdit* O2MinEdit = nullptr;
    QLineEdit* O2MaxEdit = nullptr;
    QLineEdit* NOMinEdit = nullptr;
    QLineEdit* NOMaxEdit = nullptr;

public slots:
    // Stores the channel flags and builds the chart again.
    void ApplyButtonClick() override;

protected:
    void appendReading(const std::array<double, GasCount>& values, const QString& label) override;
    void writeSettings() override;

private:
    struct Row {
        QCheckBox* box;
        QLineEdit* min;
        QLineEdit* max;
    };
    std::array<Row, GasCount> rows() const; // in subset order
    // One axis per checked gas; with none checked the chart stays as it is. With `check`, limits the
    // wrong way round are refused with a message and the chart stays as it is.
    void buildChart(bool check);

    std::array<bool, GasCount> m_channels{};       // subset order
    std::array<double, GasCount> m_min{}, m_max{}; // by Gas
    QList<Gas> m_plotted;
};
