#pragma once

#include <cstdint>
#include <string_view>

// The commands the console knows, in menu order: the code, the menu item's component name, its
// caption, and the console's title for the code. Trailing blanks are part of the texts. The first 21
// rows make the "Bench Commands" menu, the last ten the "Engineering Bench  Commands" menu.
struct TConsoleCommand {
    enum class Menu { Bench, Engineering };
    uint8_t code;
    std::string_view menuEntry;
    std::string_view menuCaption;
    std::string_view consoleTitle;
    Menu menu;
    // Shown in its menu (the hidden ones exist but are not visible).
    bool visible;
    // Shown only with the engineering marker file.
    bool engineeringOnly;
};

inline constexpr TConsoleCommand ConsoleCommands[] = {
    {0x01, "N01DataStatus1", "Data / Status", "Data Status ", TConsoleCommand::Menu::Bench, true, false},
    {0x02, "N02ZeroO2SpanCalibration1", "Zero / O2 Span Calibration ", "Zero O2 Span calibration $",
     TConsoleCommand::Menu::Bench, true, false},
    {0x03, "N03SpanCalibration1", "Span Calibration", "Span Calibration ", TConsoleCommand::Menu::Bench, true,
     false},
    {0x04, "N04SystemId1", "System Id", "System ID ", TConsoleCommand::Menu::Bench, true, false},
    {0x05, "N05MiscellaneousData1", "Miscellaneous Data", "Miscellaneous Data ", TConsoleCommand::Menu::Bench,
     true, false},
    {0x07, "N07PumpOnOff1", "Pump On / Off", "Pump Control ", TConsoleCommand::Menu::Bench, true, false},
    {0x08, "N08DeviceControl1", "Device Control", "Device Control ", TConsoleCommand::Menu::Bench, true,
     false},
    {0x09, "N09ResetSpan1", "Reset Span", "Reset Span ", TConsoleCommand::Menu::Bench, true, false},
    {0x0A, "N0ANewNOxSensor1", "New NO Sensor", "New NO Sensor ", TConsoleCommand::Menu::Bench, true, false},
    {0x0B, "N0BLeakCheck1", "$0B Leak Check", "Leak Check $0B", TConsoleCommand::Menu::Bench, false, false},
    {0x11, "N11PressureSpan11", "$11 Pressure Span 1", "1 Point pressure Span $11",
     TConsoleCommand::Menu::Bench, false, false},
    {0x12, "N12RawNOxandO2Data1", "$12 Raw NOx and O2 Data", "Raw O2 and NO data $12",
     TConsoleCommand::Menu::Bench, false, false},
    {0x13, "N13ChannelSwitchONOFFcommand1", "Channel Switch ON/OFF command", "Gas Switch ON/OFF command ",
     TConsoleCommand::Menu::Bench, true, false},
    {0x14, "N14ReadUserMemory1", "$14 Read User Memory", "Read User Memory $14", TConsoleCommand::Menu::Bench,
     false, false},
    {0x15, "N15WriteUserMemory1", "$15 Write User Memory", "Write User Memory $15",
     TConsoleCommand::Menu::Bench, false, false},
    {0x16, "N16PressureData1", "Pressure Data", "Pressure Data ", TConsoleCommand::Menu::Bench, true, false},
    {0x17, "N17StandbyEnableDisable1", "Standby Enable/Disable", "Standby Mode Enable/Disable ",
     TConsoleCommand::Menu::Bench, true, false},
    {0x18, "N18SWChecksum1", "$18 SW Checksum", "SW Checksum $18", TConsoleCommand::Menu::Bench, false,
     false},
    {0xF0, "F0SoftReset1", "Soft Reset", "Soft Reset ", TConsoleCommand::Menu::Bench, true, false},
    {0x58, "N58CharacterizeWarmup1", "$58 Characterize Warmup", "Store Warmup $58",
     TConsoleCommand::Menu::Bench, false, false},
    {0xF1, "F1ModeSelect1", "Mode Select", "Mode Select", TConsoleCommand::Menu::Bench, true, false},
    {0x44, "N44EngineeringDataStatus1", "$44 Engineering Data/Status", "Engineering Data $44",
     TConsoleCommand::Menu::Engineering, true, false},
    {0x45, "N45FilterControl1", "$45 Filter Control", "Filter $45", TConsoleCommand::Menu::Engineering, true,
     false},
    {0x46, "N46SelectDemodulationAlgorithm1", "$46 Select Demodulation Algorithm", "SelectDemodulation $46",
     TConsoleCommand::Menu::Engineering, true, false},
    {0x47, "N47SystemHours1", "$47 System Hours", "", TConsoleCommand::Menu::Engineering, true, false},
    {0x50, "N502PointPressureSpanCalibration1", "$50 2 Point Pressure Span Calibration", "2 Point Span $50",
     TConsoleCommand::Menu::Engineering, true, false},
    {0x51, "N51EngineeringSystemID1", "$51 Engineering System ID", "Engineering System ID $51",
     TConsoleCommand::Menu::Engineering, true, false},
    {0x52, "N52EngPumpOnOff1", "$52 Eng Pump On / Off", "Engineering Pump ON OFF $52",
     TConsoleCommand::Menu::Engineering, true, false},
    {0x56, "N56StoreDefaults1", "$56 Store Defaults", "Store Defaults $56",
     TConsoleCommand::Menu::Engineering, true, true},
    {0x57, "N57ResetToDefaults1", "$57 Reset To Defaults", "Reset To Defaults $57",
     TConsoleCommand::Menu::Engineering, true, true},
    {0xD4, "D4ChangeCommandSet1", "$D4 Change Command Set", "Change Command set $D4",
     TConsoleCommand::Menu::Engineering, true, false},
};

// The row of a code, or nullptr for a code the console does not know. $47 has no title of its own: the
// console keeps the title it had.
const TConsoleCommand* FindConsoleCommand(uint8_t code);
