#pragma once

#include <QIODevice>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class TBench;

// What the two gas strip charts share, without widgets: the five gases with their presentation, the
// scaling of a bench's readings, clamping, point labels, limit texts and the two settings files.

enum class Gas { Co2, Co, O2, Ethanol, NO };
inline constexpr int GasCount = 5;

// A colour as red, green, blue.
struct TRgb {
    uint8_t Red, Green, Blue;
};

struct TGasPresentation {
    Gas gas;
    const char* label; // subset label (and axis label on the second chart)
    TRgb colour;
};
// Indexed by Gas.
inline constexpr std::array<TGasPresentation, GasCount> GasPresentation{{
    {Gas::Co2, "CO2", TRgb{0, 0, 255}},
    {Gas::Co, "CO", TRgb{255, 0, 255}},
    {Gas::O2, "O2", TRgb{128, 128, 0}},
    {Gas::Ethanol, "Ethanol", TRgb{255, 0, 0}},
    {Gas::NO, "NO", TRgb{0, 255, 255}},
}};
inline const TGasPresentation& Presentation(Gas gas) {
    return GasPresentation[size_t(gas)];
}

// The order of the subsets on the first chart (percentages first, then ppm) and on the second.
inline constexpr std::array<Gas, GasCount> Graph1Order{Gas::Co2, Gas::Co, Gas::O2, Gas::Ethanol, Gas::NO};
inline constexpr std::array<Gas, GasCount> Graph2Order{Gas::Co2, Gas::Co, Gas::Ethanol, Gas::O2, Gas::NO};

// A bench's last readings as received: CO2 and O2 in 0.01 %, CO in 0.001 %, HC and NO in ppm.
struct TGasReadings {
    int32_t Co2 = 0, Co = 0;
    uint32_t Hc = 0;
    int32_t O2 = 0, NO = 0;
};
TGasReadings ReadingsOf(const TBench& bench);

// The plotted values, indexed by Gas: CO2, CO and O2 in %, Ethanol and NO in ppm. The "HC Divisor" of
// 100 shows Ethanol in hundreds of ppm.
std::array<double, GasCount> ScaleReadings(const TGasReadings& readings, bool hcDivisor100);

// Below the minimum: the minimum; above the maximum: the maximum.
inline double ClampToLimits(double value, double min, double max) {
    if (value < min) return min;
    if (value > max) return max;
    return value;
}

// The label under a point: whole seconds since the screen was created, "%10d".
QString PointLabelText(int64_t seconds);

// A limit as typed in a Min or Max edit: a decimal number in the locale's notation; a text that is
// not one reads as 0.
double ParseLimit(const QString& text);

// ---- settings files ----
// Plain text in the drive C directory, one value per line. The first line holds the decimal
// separator flag (1 for a point, 0 for a comma) the file was written under; a file written under the
// other separator is not read, so that a limit is never read with the wrong separator.

inline constexpr const char* Graph1SettingsFile = "GrSVX421.txt";
inline constexpr const char* Graph2SettingsFile = "GrSVX422.txt";

// The first chart: channel flags in its subset order, then the two limits of each axis as typed.
struct TGraph1Settings {
    std::array<bool, GasCount> Channels{true, true, true, true, true};
    QString LeftMin = QStringLiteral("0"), LeftMax = QStringLiteral("100");
    QString RightMin = QStringLiteral("0"), RightMax = QStringLiteral("100");
    bool operator==(const TGraph1Settings&) const = default;
};

// The second chart: flag, minimum and maximum of each gas, in its subset order.
struct TGraph2Settings {
    struct Channel {
        bool Checked = false;
        QString Min, Max;
        bool operator==(const Channel&) const = default;
    };
    std::array<Channel, GasCount> Gases{{
        {true, QStringLiteral("0"), QStringLiteral("20")},
        {true, QStringLiteral("0"), QStringLiteral("25")},
        {false, QStringLiteral("0"), QStringLiteral("25")},
        {false, QStringLiteral("0"), QStringLiteral("25")},
        {false, QStringLiteral("0"), QStringLiteral("25")},
    }};
    bool operator==(const TGraph2Settings&) const = default;
};

// A settings file as read: the settings, or why not (the 1-based line where it went wrong).
template <typename T> struct TSettingsRead {
    std::optional<T> Settings;
    QString Error;
    int Line = 0;
};

TSettingsRead<TGraph1Settings> ReadGraph1Settings(QIODevice& file, bool decimalPointIsDot);
TSettingsRead<TGraph2Settings> ReadGraph2Settings(QIODevice& file, bool decimalPointIsDot);
// Writes every line; false when the device did not take them all.
bool WriteGraph1Settings(QIODevice& file, const TGraph1Settings& settings, bool decimalPointIsDot);
bool WriteGraph2Settings(QIODevice& file, const TGraph2Settings& settings, bool decimalPointIsDot);

// The files themselves: a missing or unreadable file reads as no settings. Saving replaces the file
// only once every line is on disk, so a failed write leaves the previous settings; false with the
// reason otherwise.
TSettingsRead<TGraph1Settings> LoadGraph1Settings(const QString& path, bool decimalPointIsDot);
TSettingsRead<TGraph2Settings> LoadGraph2Settings(const QString& path, bool decimalPointIsDot);
bool SaveGraph1Settings(const QString& path, const TGraph1Settings& settings, bool decimalPointIsDot,
                        QString* error);
bool SaveGraph2Settings(const QString& path, const TGraph2Settings& settings, bool decimalPointIsDot,
                        QString* error);
