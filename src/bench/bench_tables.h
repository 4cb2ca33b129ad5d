#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

// Name texts of the command codes; each ends with one blank except "Unknown" ($FF). Codes not listed
// have an empty name.
struct CommandNameEntry {
    uint8_t code;
    std::string_view name;
};

inline constexpr CommandNameEntry CommandNames[] = {
    {0x01, "Data Status "},
    {0x02, "Zero O2 Span calibration "},
    {0x03, "Span Calibration "},
    {0x04, "System ID "},
    {0x05, "Miscellaneous Data "},
    {0x06, "Data Status "},
    {0x07, "Pump Control "},
    {0x08, "Device Control "},
    {0x09, "Reset Span "},
    {0x0A, "New NO Sensor "},
    {0x0B, "Leak Check "},
    {0x11, "1 Point pressure Span "},
    {0x12, "Raw O2 and NO data "},
    {0x13, "Gas Switch ON/OFF command "},
    {0x14, "Read User Memory "},
    {0x15, "Write User Memory "},
    {0x16, "Pressure Data "},
    {0x17, "Standby Mode Enable / Disable "},
    {0x18, "SW Checksum "},
    {0x25, "Start Boot Mode "},
    {0x26, "Initiate Flash Download "},
    {0x27, "Write Flash Memory "},
    {0x28, "End Flash Download "},
    {0x40, "Raw IR "},
    {0x41, "Engineering Status "},
    {0x42, "Filtered Raw IR Data "},
    {0x44, "Engineering Data "},
    {0x45, "Filter "},
    {0x46, "SelectDemodulation "},
    {0x48, "Write Flash Parameters "},
    {0x49, "Read Flash Parameters "},
    {0x50, "2 Point Span "},
    {0x51, "Engineering System ID "},
    {0x52, "Engineering Pump ON OFF "},
    {0x54, "Store Flash Parameters "},
    {0x55, "Load Flash Parameters "},
    {0x56, "Store Defaults "},
    {0x57, "Reset To Defaults "},
    {0x58, "Store Warmup "},
    {0xD4, "Change Command Set "},
    {0xF0, "Soft Reset "},
    {0xF1, "Mode Select "},
    {0xFF, "Unknown"},
};

// Reason texts appended to a refusal, by the NAK error code in the reply's first data byte.
struct NakReasonEntry {
    uint8_t code;
    std::string_view text;
};

inline constexpr NakReasonEntry NakReasons[] = {
    {0x00, " : System Fault"},
    {0x01, " : Illegal data value"},
    {0x02, " : Not Allowed at this time"},
    {0x03, " : Sample Delivery Problem"},
    {0x44, " : Boot program active"},
    {0x45, " : Invalid Password"},
    {0x46, " : Invalid Parameter Number"},
    {0x47, " : Invalid Parameter Index"},
    {0x48, " : Invalid Number of Parameters"},
    {0x49, " : Too Many Zeroes"},
    {0x4A, " : Small Source DeltaT"},
};

// A refusal that carries no error code at all (length 0).
inline constexpr std::string_view NakReasonMissing = " : No error code";

QString CommandName(uint8_t code);
// The reason text for a NAK error code; unknown codes give " : Unknown response " and the code in hex.
QString NakReasonText(uint8_t errorCode);
// Two upper-case hexadecimal digits.
QString Hex2(uint8_t value);

// The warning after an acknowledged Soft Reset: the bench restarts and its port must be chosen again.
inline constexpr std::string_view BenchDisconnectedText =
    "Multi Gas Monitor X714 has been disconnected\nPlease reselect a COM port for the X714";
inline constexpr std::string_view BenchDisconnectedCaption = "Warning";
