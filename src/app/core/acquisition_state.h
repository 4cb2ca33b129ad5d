#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The state of the main window's controls that the acquisition core reads and writes, as plain
// values. The main window binds its controls to these fields; x714ctl acquire fills them from its
// options. Binding rule: when the operator changes a control, the window writes the new value here
// and then calls the control's handler on TAcquisition (e.g. set Settings.Offset, call
// SettingsClick). After every handler the window reads the fields back (TAcquisition emits
// StateChanged when any of them changed), because handlers change enabling, choices and the caption.
//
// Radio groups are held as item indexes, as the controls number their items.

// Item indexes of the radio groups.
namespace Items {
inline constexpr int HCModeHex = 0, HCModeProp = 1;                      // HCMode: "Hex", "Prop"
inline constexpr int HCDivisor1 = 0, HCDivisor100 = 1;                   // HCDivisorRadioGroup: "1", "100"
inline constexpr int Data01 = 0, Data06 = 1, Data44 = 2;                 // CompDataRG: "$01", "$06", "$44"
inline constexpr int AverageNone = 0, AverageMean = 1, AverageStdev = 2; // "None", "Mean", "Mean+STDEV"
inline constexpr int DataAuto = 0, DataManual = 1;                       // DataRadio: "Auto", "Manual"
inline constexpr int ZeroAuto = 0, ZeroManual = 1;                       // ZeroRG: "Auto", "Manual"
inline constexpr int LoggingOn = 0, LoggingOff = 1;                      // Logging: "On", "Off"
} // namespace Items

// The "Settings" group of the panel: check boxes (true = ticked), radio groups and the number of
// samples, with the defaults the window starts with.
struct TSettingsPanel {
    // Single columns of the table.
    bool AcceptCountChk = false; // "Accept Count"
    bool TimeStamp = true;       // "Time Stamp"
    bool RelativeTime = false;   // "Relative Time"
    // Column groups, in layout order.
    bool DemodulatedIR = false;   // "Demodulated IR"
    bool Offset = false;          // "Offset"
    bool GasConcentration = true; // "Gas Conc"
    bool MinMaxADC = false;       // "Min Max ADC"
    bool Temperatures = false;    // "Temperatures"
    bool AmbTemp = false;         // "Amb Temp"
    bool Pressures = false;       // "Pressures"
    bool AmbPressure = false;     // "Amb Pressure"
    bool RawNoxO2 = false;        // "Raw NO, O2"
    bool Pef = false;             // "PEF"

    int HCMode = Items::HCModeHex;
    int HCDivisorRadioGroup = Items::HCDivisor1;
    int CompDataRG = Items::Data01;
    int AveragingRadioGroup = Items::AverageNone;
    // Text of AverageEdit ("Number of samples"), taken by "OK".
    QString AverageEdit = QStringLiteral("4");
    int DataRadio = Items::DataAuto;
    int ZeroRG = Items::ZeroAuto;
    int Logging = Items::LoggingOff;
};

// Enabled state of the buttons and switches that the acquisition core changes.
struct TControlEnabling {
    bool StartBtn = true;
    bool StopBtn = false;
    bool AcceptBtn = false;
    bool DataRadio = false;
    bool Logging = false;
    bool CommentBtn = false;
};

struct TWindowState {
    // Per bench (0..3): its serial port is open (what makes a bench active for the table, start, stop,
    // "OK" and zero), and its activation box ActiveBench1..4 is enabled / ticked (what the one-second
    // timer and the time-out scan look at). The window opens and closes the ports; the core never does.
    std::array<bool, 4> PortOpen{};
    std::array<bool, 4> BoxEnabled{};
    std::array<bool, 4> BoxChecked{};
    bool BoxActive(int bench) const { return BoxEnabled[bench] && BoxChecked[bench]; }

    TSettingsPanel Settings;
    TControlEnabling Enabled;

    // Height of the data table in pixels; RebuildTable makes height / 16 - 1 rows of it (at least 14).
    int GridHeight = 256;

    // Command console: the code it shows, the bench selected on it (-1 none) and its send request,
    // which Timer6Timer carries out and clears.
    uint8_t ConsoleCommand = 0;
    int SelectedBench = -1;
    bool ConsoleSendRequest = false;

    // The firmware download screen is visible: the one-second timer then does nothing.
    bool FirmwareScreenVisible = false;
    // Shutdown has begun: received packets and timer ticks are ignored.
    bool Closing = false;

    // Title from the title dialog (empty at start) and the window caption the core last set.
    QString UserTitle;
    QString Caption;
};
