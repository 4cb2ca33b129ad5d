#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The status bytes of a bench as words and colours: one table per status screen (the customer status
// bytes 0..3 and the engineering status bytes 4..15), and one decoding function per table. The screens
// and x714ctl status show exactly what these return.

// The verdict a box carries: red for a fault or a state needing attention, green for a good state.
enum class TStatusColour : uint8_t { Red, Green };

// What a box shows for one value of its bits. Blanks around a word are part of the text.
struct TStatusText {
    std::string_view text;
    TStatusColour colour = TStatusColour::Green;
    // The value leaves the box as it was (the engineering pump state 11).
    bool keep = false;
};

// The texts of a field by the value of its bits (one or two bits, so at most four values).
using TFieldTexts = std::array<TStatusText, 4>;

// One box of a status screen: its control, row caption, group, and the bits it shows.
struct TStatusBox {
    std::string_view box;     // objectName of the read-only text box
    std::string_view caption; // row caption
    uint8_t group;            // index into the screen's group captions
    uint8_t byte;             // status byte 0..15
    uint8_t shift;            // lowest bit of the field
    uint8_t width;            // 1 or 2 bits
    const TFieldTexts& texts;
    bool hidden = false; // the row and its caption exist but are not shown
};

// ---- value texts ----
namespace StatusTexts {
inline constexpr TStatusText Red(std::string_view text) {
    return {text, TStatusColour::Red};
}
inline constexpr TStatusText Green(std::string_view text) {
    return {text, TStatusColour::Green};
}
inline constexpr TFieldTexts OperatingMode = {Green(" Normal "), Green(" Startup "), Red("Standby"),
                                              Red("System Fault")};
inline constexpr TFieldTexts ZeroRequired = {Green("Not Required"), Red("Required")};
inline constexpr TFieldTexts ProcInProgress = {Green("Not In Progress"), Red("In Progress")};
inline constexpr TFieldTexts PumpOnOff = {Red("OFF"), Green("ON")};
inline constexpr TFieldTexts HcPropane = {Green("Ethanol"), Green("Ethanol")};
// Two bits per gas channel.
inline constexpr TFieldTexts ChannelCode = {Green("Valid"), Red("Invalid"), Red("Span Fail"),
                                            Red("Zero Fail")};
inline constexpr TFieldTexts SampleTempErr = {Green("OK"), Red("Check")};
// The problem flags of the status screen and every engineering indicator.
inline constexpr TFieldTexts ProblemFlag = {Green(" OK "), Red(" Check ")};
// 11 is no pump state: the box keeps what it showed.
inline constexpr TFieldTexts PumpState = {Green(" Off "), Green(" On "), Green(" Purge "),
                                          TStatusText{{}, TStatusColour::Green, true}};
} // namespace StatusTexts

// ---- the status screen: status bytes 0..3 ----
inline constexpr std::string_view StatusGroups[] = {"System Status", "Data Status 1, 2", "Problem Status"};

inline constexpr TStatusBox StatusBoxes[] = {
    {"OperationModeEdit", "Operating Mode", 0, 0, 6, 2, StatusTexts::OperatingMode},
    {"ZeroRequiredEdit", "Zero Required", 0, 0, 5, 1, StatusTexts::ZeroRequired},
    {"ProcInProgressEdit", "Proc In Prog", 0, 0, 4, 1, StatusTexts::ProcInProgress},
    {"PumpOnOffEdit", "Pump On / Off", 0, 0, 1, 1, StatusTexts::PumpOnOff},
    {"HcPropaneEdit", "HC / Propane", 0, 0, 0, 1, StatusTexts::HcPropane, true},
    {"CO2Edit", "CO2", 1, 1, 6, 2, StatusTexts::ChannelCode},
    {"COEdit", "CO", 1, 1, 4, 2, StatusTexts::ChannelCode},
    {"HCEdit", "Ethanol", 1, 1, 2, 2, StatusTexts::ChannelCode},
    {"O2Edit", "O2", 1, 1, 0, 2, StatusTexts::ChannelCode},
    {"NOXEdit", "NO", 1, 2, 6, 2, StatusTexts::ChannelCode},
    {"SampleTempErrEdit", "Sample Temp Err", 1, 2, 5, 1, StatusTexts::SampleTempErr},
    {"PumpInFlowEdit", "Pump In Flow", 2, 3, 7, 1, StatusTexts::ProblemFlag},
    {"NewNOSensorEdit", "New NO Sensor", 2, 3, 6, 1, StatusTexts::ProblemFlag},
    {"NewO2SensorEdit", "New O2 Sensor", 2, 3, 5, 1, StatusTexts::ProblemFlag},
    {"IRSignalLostEdit", "IR Signal Lost", 2, 3, 4, 1, StatusTexts::ProblemFlag},
    {"PumpOutFlowEdit", "Pump Out Flow", 2, 3, 3, 1, StatusTexts::ProblemFlag},
    {"AmbTempRangeEdit", "Amb Temp Range", 2, 3, 2, 1, StatusTexts::ProblemFlag},
    {"PumpLowFlowEdit", "Pump Low Flow", 2, 3, 1, 1, StatusTexts::ProblemFlag},
    {"LeakCheckEdit", "Leak Check", 2, 3, 0, 1, StatusTexts::ProblemFlag},
};
inline constexpr std::size_t StatusBoxCount = std::size(StatusBoxes);

// ---- the engineering status screen: status bytes 4..15, group "EStatN" shows byte N + 3 ----
inline constexpr std::string_view EngineeringGroups[] = {"EStat1", "EStat2",  "EStat3",  "EStat4",
                                                         "EStat5", "EStat6",  "EStat7",  "EStat8",
                                                         "EStat9", "EStat10", "EStat11", "EStat12"};

namespace StatusTexts {
// An engineering indicator: one bit of byte `group + 4`, " Check " red when set.
inline constexpr TStatusBox Flag(std::string_view box, std::string_view caption, uint8_t group, uint8_t bit) {
    return {box, caption, group, uint8_t(group + 4), bit, 1, ProblemFlag};
}
} // namespace StatusTexts

inline constexpr TStatusBox EngineeringBoxes[] = {
    StatusTexts::Flag("StUpGainEdit", "StUpGain", 0, 7),
    StatusTexts::Flag("StUpRAMEdit", "StUpRAM", 0, 6),
    StatusTexts::Flag("StUpROMEdit", "StUpROM", 0, 5),
    StatusTexts::Flag("StUpFLASHEdit", "StUpFLASH", 0, 4),
    StatusTexts::Flag("SelfTestEdit", "SelfTest", 0, 3),
    StatusTexts::Flag("NoMoreListsEdit", "NoMoreLists", 1, 7),
    StatusTexts::Flag("NoEndOfListEdit", "NoEndOfList", 1, 6),
    StatusTexts::Flag("EOCNotReadyEdit", "EOCNotReady", 1, 5),
    StatusTexts::Flag("ADTimingEdit", "ADTiming", 1, 4),
    StatusTexts::Flag("EOCTimeoutEdit", "EOCTimeout", 1, 3),
    StatusTexts::Flag("EOCFailEdit", "EOCFail", 1, 2),
    StatusTexts::Flag("QSMADTimeoutEdit", "QSMADTime", 1, 1),
    StatusTexts::Flag("AlreadyDispatchedEdit", "Dispatched", 1, 0),
    StatusTexts::Flag("ProcessingTooLongEdit", "ProcTooLong", 2, 7),
    StatusTexts::Flag("IRSignalLostEdit", "IRSignalLost", 2, 6),
    StatusTexts::Flag("GainSetFailCO2Edit", "GainSetFailCO2", 2, 5),
    StatusTexts::Flag("GainSetFailCOEdit", "GainSetFailCO", 2, 4),
    StatusTexts::Flag("GainSetFailHCEdit", "GainSetFailHC", 2, 3),
    StatusTexts::Flag("GainSetFailREFEdit", "GainSetFailREF", 2, 2),
    StatusTexts::Flag("LampProblemEdit", "Lamp Problem", 3, 7),
    StatusTexts::Flag("PumpInFlowFailEdit", "Pump In Flow Fail", 3, 6),
    StatusTexts::Flag("PumpOutFlowFailEdit", "Pump Out Flow Fail", 3, 5),
    // Each of these two faults has a bit of its own, next to the pump faults above.
    StatusTexts::Flag("LowPumpFlowFailEdit", "Low Pump Flow Fail", 3, 4),
    StatusTexts::Flag("GasLeakEdit", "Gas Leak", 3, 3),
    StatusTexts::Flag("AmbientTempEdit", "Ambient Temp", 4, 7),
    StatusTexts::Flag("SampleTempEdit", "Sample Temp", 4, 6),
    StatusTexts::Flag("SourceTempEdit", "Source Temp", 4, 5),
    StatusTexts::Flag("DetectorTempEdit", "DetectorTemp", 4, 4),
    StatusTexts::Flag("TempNOEdit", "Temp NO", 4, 0),
    StatusTexts::Flag("ADCO2Edit", "ADCO2", 5, 7),
    StatusTexts::Flag("ADCOEdit", "ADCO", 5, 6),
    StatusTexts::Flag("ADHCEdit", "ADHC", 5, 5),
    StatusTexts::Flag("ADREFEdit", "ADREF", 5, 4),
    StatusTexts::Flag("BubbleCO2Edit", "Bubble CO2 Err", 6, 7),
    StatusTexts::Flag("BubbleCOEdit", "Bubble CO Err", 6, 6),
    StatusTexts::Flag("BubbleHCEdit", "Bubble HC Err", 6, 5),
    StatusTexts::Flag("BubbleREFEdit", "Bubble REF Err", 6, 4),
    StatusTexts::Flag("InvalidCO2Edit", "Invalid CO2", 7, 7),
    StatusTexts::Flag("InvalidCOEdit", "Invalid CO", 7, 6),
    StatusTexts::Flag("InvalidHCEdit", "Invalid HC", 7, 5),
    StatusTexts::Flag("InvalidO2Edit", "Invalid O2", 7, 4),
    StatusTexts::Flag("InvalidNOEdit", "Invalid NO", 7, 3),
    StatusTexts::Flag("ZeroFailCO2Edit", "ZeroFail CO2", 8, 7),
    StatusTexts::Flag("ZeroFailCOEdit", "ZeroFail CO", 8, 6),
    StatusTexts::Flag("ZeroFailHCEdit", "ZeroFail HC", 8, 5),
    StatusTexts::Flag("ZeroFailO2Edit", "ZeroFail O2", 8, 4),
    StatusTexts::Flag("ZeroFailNOEdit", "ZeroFail NO", 8, 3),
    StatusTexts::Flag("SpanFailCO2Edit", "SpanFail CO2", 9, 7),
    StatusTexts::Flag("SpanFailCOEdit", "SpanFail CO", 9, 6),
    StatusTexts::Flag("SpanFailHCEdit", "SpanFail HC", 9, 5),
    StatusTexts::Flag("SpanFailO2Edit", "SpanFail O2", 9, 4),
    StatusTexts::Flag("SpanFailNOEdit", "SpanFail NO", 9, 3),
    StatusTexts::Flag("ContTransEdit", "ContTrans", 10, 7),
    {"PumpStateEdit", "PumpState", 10, 14, 5, 2, StatusTexts::PumpState},
    StatusTexts::Flag("LampEdit", "Lamp", 10, 4),
    StatusTexts::Flag("FlashEraseFailedEdit", "Flash Erase Fail", 11, 7),
    StatusTexts::Flag("FlashWriteFailEdit", "Flash Write Fail", 11, 6),
    StatusTexts::Flag("FlashParamErrEdit", "Flash Param Err", 11, 0),
};
inline constexpr std::size_t EngineeringBoxCount = std::size(EngineeringBoxes);

// The sixteen status bytes of a bench, as the bench connection stores them.
using TStatusBytes = std::array<uint8_t, 16>;

// What every box of a screen shows for the status bytes, in table order; an entry with `keep` set
// leaves its box as it was.
using TStatusView = std::array<TStatusText, StatusBoxCount>;
using TEngineeringStatusView = std::array<TStatusText, EngineeringBoxCount>;

// The text of one box for the status bytes.
TStatusText DecodeStatusBox(const TStatusBox& box, const TStatusBytes& status);
// The status screen's boxes (bytes 0..3).
TStatusView DecodeStatus(const TStatusBytes& status);
// The engineering status screen's boxes (bytes 4..15).
TEngineeringStatusView DecodeEngineeringStatus(const TStatusBytes& status);

// "red" or "green".
std::string_view StatusColourName(TStatusColour colour);
