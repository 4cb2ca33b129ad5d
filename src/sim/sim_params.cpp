#include "sim_params.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <array>
#include <cmath>

namespace {

using T = SimParamType;
using B = SimParamBank;

// A run of parameters sharing type, bank and size. A name holding "%1" is numbered 1, 2, ... within
// the run (two digits when the run is longer than nine).
struct Run {
    int first, last;
    const char* name;
    T type;
    B bank;
    int elements;
    const char* symbol;
    const char* value;
};

// clang-format off
constexpr Run Runs[] = {
    {0, 0, "ParamListVersion", T::Int, B::Flash, 0, "", "3"},
    {1, 1, "SerialNumber", T::String12, B::Flash, 0, "", "X00000"},
    {2, 2, "ModelCode", T::Int, B::Flash, 0, "", "714"},
    {3, 3, "BoardRevision", T::Char, B::Flash, 0, "", "2"},
    {4, 4, "ManufactureDate", T::Long, B::Flash, 0, "", "20240611"},
    {5, 5, "DefaultCommandSet", T::Int, B::Flash, 0, "", "7157"},
    {6, 6, "DefaultMode", T::Char, B::Flash, 0, "", "1"},
    {7, 7, "StandbyAtPowerOn", T::Char, B::Flash, 0, "", "0"},
    {8, 8, "PumpAtPowerOn", T::Char, B::Flash, 0, "", "1"},
    {9, 9, "FilterSetting", T::Char, B::Flash, 0, "", "33"},
    {10, 10, "DemodAlgorithm", T::Char, B::Flash, 0, "", "0"},
    {11, 11, "StreamDivider", T::Int, B::Flash, 0, "", "1"},
    {12, 12, "HcReportMode", T::Char, B::Flash, 0, "", "1"},
    {13, 13, "BaudRateCode", T::Char, B::Flash, 0, "", "2"},
    {14, 14, "NodeAddress", T::Char, B::Flash, 0, "", "1"},
    {15, 15, "AmbientTempLow", T::Float, B::Flash, 0, "", "-5.0"},
    {16, 16, "AmbientTempHigh", T::Float, B::Flash, 0, "", "50.0"},
    {17, 17, "WarmUpTime", T::Int, B::Flash, 0, "", "480"},
    {18, 18, "ZeroInterval", T::Int, B::Flash, 0, "", "1800"},
    {19, 19, "ZeroPurgeTime", T::Int, B::Flash, 0, "", "10"},
    {20, 20, "ZeroDuration", T::Int, B::Flash, 0, "", "4"},
    {21, 21, "SpanDuration", T::Int, B::Flash, 0, "", "6"},
    {22, 22, "PumpSpeed", T::Int, B::Flash, 0, "", "1800"},
    {23, 23, "PumpLowFlowLimit", T::Int, B::Flash, 0, "", "1200"},
    {24, 24, "LeakCheckTolerance", T::Int, B::Flash, 0, "", "5"},
    {25, 29, "ConfigSpare%1", T::Int, B::Flash, 0, "", "0"},
    {30, 30, "IrGainCO2", T::Int, B::Flash, 0, "", "12"},
    {31, 31, "IrGainCO", T::Int, B::Flash, 0, "", "14"},
    {32, 32, "IrGainHC", T::Int, B::Flash, 0, "", "16"},
    {33, 33, "IrGainRef", T::Int, B::Flash, 0, "", "10"},
    {34, 37, "IrOffset%1", T::Int, B::Flash, 0, "", "0"},
    {38, 41, "IrPhase%1", T::Float, B::Flash, 0, "", "0.25"},
    {42, 45, "AdcMinLimit%1", T::Int, B::Flash, 0, "", "-30000"},
    {46, 49, "AdcMaxLimit%1", T::Int, B::Flash, 0, "", "30000"},
    {50, 50, "SourceTempSetpoint", T::Float, B::Flash, 0, "", "55.0"},
    {51, 51, "DetectorTempSetpoint", T::Float, B::Flash, 0, "", "50.0"},
    {52, 52, "CellTempSetpoint", T::Float, B::Flash, 0, "", "45.0"},
    {53, 53, "EthanolDetTempSetpoint", T::Float, B::Flash, 0, "", "48.0"},
    {54, 59, "TempLoopGain%1", T::Float, B::Flash, 0, "", "0.8"},
    {60, 79, "SignalFilterCoeff%1", T::Float, B::Flash, 0, "", "0.05"},
    {80, 99, "DemodWindow%1", T::Int, B::Flash, 0, "", "0"},
    {100, 100, "AlarmHighCO2", T::Int, B::Flash, 0, "", "1600"},
    {101, 101, "AlarmHighCO", T::Int, B::Flash, 0, "", "10000"},
    {102, 102, "AlarmHighHC", T::Int, B::Flash, 0, "", "20000"},
    {103, 103, "AlarmHighO2", T::Int, B::Flash, 0, "", "2500"},
    {104, 104, "AlarmHighNO", T::Int, B::Flash, 0, "", "5000"},
    {105, 109, "AlarmLow%1", T::Int, B::Flash, 0, "", "0"},
    {110, 110, "CalGasCO2", T::Float, B::Flash, 0, "", "15.0"},
    {111, 111, "CalGasCO", T::Float, B::Flash, 0, "", "8.0"},
    {112, 112, "CalGasHC", T::Float, B::Flash, 0, "", "3000"},
    {113, 113, "CalGasNO", T::Float, B::Flash, 0, "", "3000"},
    {114, 114, "CalGasO2", T::Float, B::Flash, 0, "", "20.9"},
    {115, 115, "CalGasPropane", T::Float, B::Flash, 0, "", "1500"},
    {116, 116, "CalGasDate", T::Long, B::Flash, 0, "", "20240611"},
    {117, 117, "SpanInterp1_T1", T::Float, B::Flash, 20, "", ""},
    {118, 118, "SpanInterp1_T2", T::Float, B::Flash, 20, "", ""},
    {119, 119, "SpanInterp1_T3", T::Float, B::Flash, 20, "", ""},
    {120, 120, "SpanInterp1_T4", T::Float, B::Flash, 20, "", ""},
    {121, 125, "SpanRatioLimit%1", T::Float, B::Flash, 0, "", "0.5"},
    {126, 126, "SpanInterp9_T1", T::Float, B::Flash, 20, "", ""},
    {127, 127, "SpanInterp2_T1", T::Float, B::Flash, 20, "", ""},
    {128, 128, "SpanInterp2_T2", T::Float, B::Flash, 20, "", ""},
    {129, 129, "SpanInterp2_T3", T::Float, B::Flash, 20, "", ""},
    {130, 130, "SpanInterp2_T4", T::Float, B::Flash, 20, "", ""},
    {131, 131, "SpanInterp9_T2", T::Float, B::Flash, 20, "", ""},
    {132, 132, "SpanInterp3_T1", T::Float, B::Flash, 20, "", ""},
    {133, 133, "SpanInterp3_T2", T::Float, B::Flash, 20, "", ""},
    {134, 134, "SpanInterp3_T3", T::Float, B::Flash, 20, "", ""},
    {135, 135, "SpanInterp3_T4", T::Float, B::Flash, 20, "", ""},
    {136, 136, "SpanInterp9_T3", T::Float, B::Flash, 20, "", ""},
    {137, 137, "SpanInterp4_T1", T::Float, B::Flash, 20, "", ""},
    {138, 138, "SpanInterp4_T2", T::Float, B::Flash, 20, "", ""},
    {139, 139, "SpanInterp4_T3", T::Float, B::Flash, 20, "", ""},
    {140, 140, "SpanInterp4_T4", T::Float, B::Flash, 20, "", ""},
    {141, 141, "SpanInterp9_T4", T::Float, B::Flash, 20, "", ""},
    {142, 144, "ZeroTempRef%1", T::Float, B::Flash, 0, "", "45.0"},
    {145, 145, "ZeroTempCoeff", T::Float, B::Flash, 12, "NUM_ZERO_TC", ""},
    {146, 151, "PressureCoeff%1", T::Float, B::Flash, 0, "", "0"},
    {152, 152, "DetTempPoints", T::Float, B::Flash, 4, "", "12.4,22.6,32.5,42.7"},
    {153, 153, "CellTempPoints", T::Float, B::Flash, 4, "", "10.1,20.3,30.2,40.4"},
    {154, 154, "PressurePoints", T::Float, B::Flash, 4, "", "1013.2,1012.8,1013.6,1012.9"},
    {155, 155, "O2SensorGain", T::Float, B::Flash, 0, "", "1.0"},
    {156, 156, "O2SensorOffset", T::Float, B::Flash, 0, "", "0"},
    {157, 157, "O2SensorInstalled", T::Long, B::Flash, 0, "", "20240611"},
    {158, 158, "NoSensorGain", T::Float, B::Flash, 0, "", "1.0"},
    {159, 159, "NoSensorOffset", T::Float, B::Flash, 0, "", "0"},
    {160, 179, "LinCoeffCO2_%1", T::Float, B::Flash, 0, "", "0"},
    {180, 199, "LinCoeffCO_%1", T::Float, B::Flash, 0, "", "0"},
    {200, 219, "LinCoeffHC_%1", T::Float, B::Flash, 0, "", "0"},
    {220, 239, "CrossSensitivity%1", T::Float, B::Flash, 0, "", "0"},
    {240, 256, "NoiseThreshold%1", T::Int, B::Flash, 0, "", "25"},
    {257, 257, "SpanInterp5_T1", T::Float, B::Flash, 20, "", ""},
    {258, 258, "SpanInterp5_T2", T::Float, B::Flash, 20, "", ""},
    {259, 259, "SpanInterp5_T3", T::Float, B::Flash, 20, "", ""},
    {260, 260, "SpanInterp5_T4", T::Float, B::Flash, 20, "", ""},
    {261, 261, "SpanInterp6_T1", T::Float, B::Flash, 20, "", ""},
    {262, 262, "SpanInterp6_T2", T::Float, B::Flash, 20, "", ""},
    {263, 263, "SpanInterp6_T3", T::Float, B::Flash, 20, "", ""},
    {264, 264, "SpanInterp6_T4", T::Float, B::Flash, 20, "", ""},
    {265, 265, "SpanInterp7_T1", T::Float, B::Flash, 20, "", ""},
    {266, 266, "SpanInterp7_T2", T::Float, B::Flash, 20, "", ""},
    {267, 267, "SpanInterp7_T3", T::Float, B::Flash, 20, "", ""},
    {268, 268, "SpanInterp7_T4", T::Float, B::Flash, 20, "", ""},
    {269, 269, "SpanInterp8_T1", T::Float, B::Flash, 20, "", ""},
    {270, 270, "SpanInterp8_T2", T::Float, B::Flash, 20, "", ""},
    {271, 271, "SpanInterp8_T3", T::Float, B::Flash, 20, "", ""},
    {272, 272, "SpanInterp8_T4", T::Float, B::Flash, 20, "", ""},
    {273, 273, "CoPolyCoeffA", T::Float, B::Flash, 20, "NUM_CO_POLY", ""},
    {274, 274, "CoPolyCoeffB", T::Float, B::Flash, 20, "NUM_CO_POLY", ""},
    {275, 275, "PressSpanValue", T::Float, B::Flash, 0, "", "760.0"},
    {276, 276, "PressTwoPointLow", T::Float, B::Flash, 0, "", "700.0"},
    {277, 277, "PressTwoPointHigh", T::Float, B::Flash, 0, "", "800.0"},
    {278, 299, "DiagThreshold%1", T::Int, B::Flash, 0, "", "100"},
    {300, 339, "UserScale%1", T::Float, B::Flash, 0, "", "1.0"},
    {340, 359, "ServiceLog%1", T::Long, B::Flash, 0, "", "0"},
    {360, 360, "BootLoaderVersion", T::Int, B::Boot, 0, "", "105"},
    {361, 361, "BootFlags", T::Char, B::Boot, 0, "", "0"},
    {362, 364, "BootSpare%1", T::Int, B::Boot, 0, "", "0"},
    {365, 365, "OperatingHours", T::Long, B::Flash, 0, "", "1234"},
    {366, 366, "PumpHours", T::Long, B::Flash, 0, "", "987"},
    {367, 367, "LampHours", T::Long, B::Flash, 0, "", "1230"},
    {368, 368, "ZeroCount", T::Long, B::Flash, 0, "", "311"},
    {369, 369, "SpanCount", T::Long, B::Flash, 0, "", "12"},
    {370, 379, "FactoryText%1", T::String12, B::Flash, 0, "", "-"},
    {380, 383, "LiveDemod%1", T::Long, B::Ram, 0, "", "0"},
    {384, 387, "LiveAdcMax%1", T::Int, B::Ram, 0, "", "0"},
    {388, 391, "LiveAdcMin%1", T::Int, B::Ram, 0, "", "0"},
    {392, 400, "DebugWord%1", T::Int, B::Ram, 0, "", "0"},
};
// clang-format on

constexpr const char* TypeTokens[] = {"eChar", "eInt", "eFloat", "eDouble", "eLong", "eString12"};
constexpr const char* BankTokens[] = {"eFlash", "eRAM", "eBoot"};
constexpr const char* SizeTexts[] = {"sizeof(char)",   "sizeof(int)",  "sizeof(float)",
                                     "sizeof(double)", "sizeof(long)", "12"};

// Span and polynomial arrays start as a neutral curve: 1 then zeroes.
QByteArray arrayDefault(int elements) {
    QByteArray text("1");
    for (int i = 1; i < elements; ++i)
        text += ",0";
    return text;
}

QString sci(double v) {
    return QString::asprintf("%.3e", v);
}

// The calibration a bench leaves the factory with (its temperature points are in the table): span
// interpolation coefficients per temperature point (nine blocks of four lines of five), zero temperature
// coefficients and the two CO polynomials. Made up, but shaped like the real thing: leading
// coefficients near 1, higher orders falling off, the last coefficient of a line often zero.
void setCalibration(std::array<SimParamInfo, 401>& table) {
    constexpr int SpanNumbers[4][9] = {{117, 127, 132, 137, 257, 261, 265, 269, 126},
                                       {118, 128, 133, 138, 258, 262, 266, 270, 131},
                                       {119, 129, 134, 139, 259, 263, 267, 271, 136},
                                       {120, 130, 135, 140, 260, 264, 268, 272, 141}};
    for (int p = 0; p < 4; ++p)
        for (int b = 0; b < 9; ++b) {
            QStringList v;
            for (int l = 0; l < 4; ++l)
                v << QString::asprintf("%.5f", 1.0 + 0.0125 * (l + 1) - 0.004 * p + 0.0011 * b)
                  << sci((l % 2 ? -1 : 1) * (2.1 + 0.3 * b + 0.2 * p) * 1e-3)
                  << sci((3.4 - 0.1 * b + 0.05 * l) * 1e-5) << sci(-(1.2 + 0.07 * b) * 1e-7)
                  << (l == 3 ? sci(4.0e-10 * (b + 1)) : QStringLiteral("0"));
            table[size_t(SpanNumbers[p][b])].DefaultValue = v.join(QLatin1Char(',')).toLatin1();
        }
    QStringList zero;
    for (int l = 0; l < 4; ++l)
        zero << sci((1.8 - 0.3 * l) * 1e-3) << sci((-4.6 + 0.5 * l) * 1e-5) << sci((2.2 + 0.1 * l) * 1e-7);
    table[145].DefaultValue = zero.join(QLatin1Char(',')).toLatin1();
    for (int c = 0; c < 2; ++c) {
        QStringList co;
        for (int k = 0; k < 20; ++k)
            co << (k == 0
                       ? QString::asprintf("%.4f", 0.9981 + 0.0007 * c)
                       : sci((k % 2 ? -1 : 1) * (1.0 + 0.37 * k + 0.2 * c) * std::pow(10.0, -2.0 - 0.4 * k)));
        table[size_t(273 + c)].DefaultValue = co.join(QLatin1Char(',')).toLatin1();
    }
}

std::array<SimParamInfo, 401> buildTable() {
    std::array<SimParamInfo, 401> table;
    for (const Run& r : Runs) {
        const int count = r.last - r.first + 1;
        for (int n = r.first; n <= r.last; ++n) {
            SimParamInfo& p = table[size_t(n)];
            QString name = QString::fromLatin1(r.name);
            if (name.contains(QLatin1String("%1"))) {
                const int k = n - r.first + 1;
                name = name.arg(k, count > 9 ? 2 : 1, 10, QLatin1Char('0'));
            }
            p.Name = name;
            p.Type = r.type;
            p.Bank = r.bank;
            p.Elements = r.elements;
            p.ElementsSymbol = QString::fromLatin1(r.symbol);
            p.DefaultValue = *r.value ? QByteArray(r.value) : arrayDefault(r.elements);
        }
    }
    setCalibration(table);
    return table;
}

const std::array<SimParamInfo, 401>& table() {
    static const std::array<SimParamInfo, 401> t = buildTable();
    return t;
}

} // namespace

const SimParamInfo& SimParameter(int number) {
    static const SimParamInfo none;
    if (number < 0 || number > 400) return none;
    return table()[size_t(number)];
}

QString SimParameterListText() {
    QStringList lines;
    lines << QStringLiteral("/* ParamLst.c: parameter table of the X714 bench firmware (simulator build).")
          << QStringLiteral("   One entry per parameter, numbered from 0 in the order of the table:")
          << QStringLiteral("   { type, variable, bank, size, elements }; elements 0 = scalar.")
          << QStringLiteral("   The table ends with the entry whose variable is 0. */") << QString()
          << QStringLiteral("#include \"ParamLst.h\"") << QString()
          << QStringLiteral("#define NUM_ZERO_TC 12") << QStringLiteral("#define NUM_CO_POLY 20") << QString()
          << QStringLiteral("TParameter ParamList[] = {");
    for (int n = 0; n <= 400; ++n) {
        const SimParamInfo& p = table()[size_t(n)];
        const bool array = p.Elements > 0 || p.Type == SimParamType::String12;
        const QString variable = array ? p.Name : QStringLiteral("&") + p.Name;
        // A symbolic count is written right against the brace so that it is read without a blank.
        const QString elements = p.ElementsSymbol.isEmpty()
                                     ? QString::number(p.Elements) + QStringLiteral(" }")
                                     : p.ElementsSymbol + "}";
        lines << QStringLiteral("    { %1, %2, %3, %4, %5, /* %6 */")
                     .arg(QLatin1String(TypeTokens[int(p.Type)]), variable,
                          QLatin1String(BankTokens[int(p.Bank)]), QLatin1String(SizeTexts[int(p.Type)]),
                          elements)
                     .arg(n);
    }
    lines << QStringLiteral("    { eChar, 0, eFlash, 0, 0 }") << QStringLiteral("};");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool WriteSimParameterList(const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(SimParameterListText().toLatin1()) < 0 ||
        !file.commit()) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
