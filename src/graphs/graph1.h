#pragma once

#include "gas_graph_screen.h"

// The first gas graph ("Graphics&1"): all five gases of the selected bench on one chart, CO2, CO and
// O2 in % on the left axis, Ethanol and NO in ppm on the right. The channel boxes choose the gases
// drawn; the four limit edits set the two axes. Its settings file is GrSVX421.txt in drive C.
class TFGraph1 : public TGasGraphScreen {
    Q_OBJECT
public:
    static constexpr double NullValue = -11;

    TFGraph1(TBenchSet& benches, const IActivationBoxes& boxes, const IGraphWindowState& window,
             QWidget* parent = nullptr);

    // The settings as the controls hold them.
    TGraph1Settings Settings() const;

    // Channel boxes in subset order (CO2, CO, O2, Ethanol, NO) and the limit edits.
    QCheckBox* CO2 = nullptr;
    QCheckBox* CO = nullptr;
    QCheckBox* O2 = nullptr;
    QCheckBox* HC = nullptr;
    QCheckBox* NO = nullptr;
    QLineEdit* CO2COO2MinEdit = nullptr;
    QLineEdit* CO2COO2MaxEdit = nullptr;
    QLineEdit* HCNOMinEdit = nullptr;
    QLineEdit* HCNOMaxEdit = nullptr;

public slots:
    // Stores the channel flags, shows the checked gases and applies the axis limits.
    void ApplyButtonClick() override;

protected:
    void appendReading(const std::array<double, GasCount>& values, const QString& label) override;
    void writeSettings() override;

private:
    std::array<QCheckBox*, GasCount> channelBoxes() const { return {CO2, CO, O2, HC, NO}; }
    void showSettings(const TGraph1Settings& settings);
    // Colours, subsets on show and limits from the controls; with `check`, limits the wrong way round
    // are refused with a message and that axis keeps its range.
    void applyControls(bool check);

    std::array<bool, GasCount> m_channels{};
};
