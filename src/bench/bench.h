#pragma once

#include "bench_host.h"
#include "command.h"
#include "comport.h"
#include "packet.h"

#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>

// Ten identity strings of a bench: $04 fills the first six, $51 all ten.
struct TSystemID {
    QString SerialNumber, ModelNumber, HwPartNumber, HwRevision, SwPartNumber, SwRevision, CalPartNumber,
        CalRevision, CalCalcPartNumber, CalCalcRevision;
};

// The console's values for the next request of a bench, written whole on every console Send.
struct TCmdParams {
    uint8_t PurgeTime = 0;
    uint8_t TagMask = 0;
    int16_t TagValue = 0;
    int16_t SpanCo2 = 0, SpanCo = 0, SpanEthanol = 0, SpanNO = 0, SpanO2 = 0;
    uint8_t PumpControl = 0;
    uint8_t DeviceMask = 0, DeviceValue = 0;
    uint8_t DataRate = 0, EthanolMode = 0;
    uint8_t FilterControl = 0;
    uint8_t DemodSelect = 0;
    std::array<uint8_t, 3> CommandSetId{};
    uint8_t CommandSetPermanent = 0;
    uint8_t SwitchControl = 0;
    uint8_t MemoryLocation = 0;
    std::array<uint8_t, 20> MemoryData{};
    uint8_t VacuumTime = 0, LeakCheckTime = 0, LeakTolerance = 0;
    uint8_t ModeAction = 0, NewMode = 0;
    uint8_t StandbyControl = 0;
};

// The host's connection to one bench over one serial port: its commands, receive framing, the
// acknowledgement text and every value decoded from its replies. Four of them exist (Benches).
class TBench {
public:
    TApdComPort* Port = nullptr;
    TCmdParams CmdParams;
    bool ProcessInProgress = false, ZeroRequired = false;
    TSystemID SystemId;
    float AmbientTemp = 0, Pef = 0;
    int16_t AdcA = 0, AdcB = 0, PulsesPerMinute = 0;
    int16_t RawO2 = 0;
    uint32_t RawNO = 0;
    uint8_t ChannelSwitch = 0;
    std::array<uint8_t, 20> UserMemory{};
    uint8_t ReportedMode = 0;
    std::array<uint8_t, 4> SwChecksum{};
    // Pressure and engineering values.
    float GagePressure = 0, AbsPressure = 0, AmbPressure = 0;
    float DetSrcTemp = 0, DetCelTemp = 0;
    int16_t DetEthanolTemp = 0;
    uint32_t DemodCo2 = 0, DemodCo = 0, DemodHc = 0, DemodRef = 0;
    std::array<int16_t, 4> MinAdc{}, MaxAdc{};
    // Gas values.
    int32_t Co2 = 0, Co = 0;
    uint32_t Hc = 0;
    int32_t O2 = 0, NO = 0;
    std::array<uint8_t, 3> CommandSet{};
    uint8_t StandbyState = 0, DeviceControlState = 0, PumpState = 0, FilterState = 0, DemodState = 0;
    std::array<uint8_t, 16> Status{};
    bool NewStatusData = false, NewSystemId = false, NewMainData = false, NewRawIrData = false,
         NewGraph1Data = false, NewGraph2Data = false;
    QString AckText;
    int AckError = 0;
    std::array<TCommand, 256> Commands;
    std::array<uint8_t, 256> RxBuffer{};
    int RxStartIndex = -1;
    uint8_t RxState = 0;
    TRxPacket RxPacket;
    uint16_t RxSum = 0;
    int RxCount = 0;

    // Binds the bench to its port and the program, clears the new-data flags and names the commands.
    void Init(TApdComPort* port, IBenchHost* host, int index);
    int Index() const { return m_index; }
    IBenchHost& Host() const { return *m_host; }

    // Reads up to 256 waiting bytes and frames them; complete packets that pass the checksum are
    // dispatched. A packet may span any number of calls; when one fails its checksum, the search for
    // the next kind byte resumes right after its kind byte, whichever call that byte came in.
    void ReceiveBytes(int count);
    // Forgets a packet half assembled: its port was (re)opened, and bytes of an earlier connection
    // must not be framed together with the new one's.
    void ResetReceiveState() { RxState = 0; }
    // Drains the port: ReceiveBytes while bytes are waiting (the data-available handler's loop).
    void DrainPort();
    void DispatchPacket(const TRxPacket& packet);
    void HandleAck(const TRxPacket& packet);
    void HandleNak(const TRxPacket& packet);
    // A reply that did not come in time: "<name> Timeout" in red, the command no longer awaited.
    void ReportTimeout(uint8_t code);

    // Sends the frame prepared in Commands[code] (after Begin/Push) on this bench's port.
    void SendCommand(uint8_t code);

    // ---- Request builders: one per command code, each frames and sends one request ----
    // Rates of the streaming codes: 0 stop continuous, 1 one packet, 2 continuous. Rates 0 and 1 arm
    // the command to end its stream with the next reply, rate 2 to start one.
    static constexpr uint8_t RateStop = 0, RateOnePacket = 1, RateContinuous = 2;
    // Longest value text of "Write Flash Parameters" and longest block of "Write Flash Memory" that
    // still fit one frame.
    static constexpr int MaxParamValueLength = 251;
    static constexpr int MaxFlashBlockLength = 251;

    // Measurement data.
    void SendDataStatus(uint8_t rate, bool ethanolMode);         // $01
    void SendExtendedDataStatus(uint8_t rate, bool ethanolMode); // $06
    void SendEngineeringData(uint8_t rate, bool ethanolMode);    // $44
    // $01, $06 or $44 by code: the acquisition cycle's chosen data command.
    void SendDataCommand(uint8_t code, uint8_t rate, bool ethanolMode);
    void SendRawO2NoData();  // $12
    void SendPressureData(); // $16

    // Customer commands.
    void SendZeroCalibration(uint8_t purgeTime); // $02
    // $03: one value per set bit of the mask, in bit order CO2, CO, Ethanol, NO, O2.
    void SendSpanCalibration(uint8_t mask, int16_t co2, int16_t co, int16_t ethanol, int16_t no, int16_t o2);
    void SendSystemIdRequest();                                                       // $04
    void SendMiscellaneousData();                                                     // $05
    void SendPumpControl(uint8_t pump);                                               // $07
    void SendDeviceControl(uint8_t mask, uint8_t value);                              // $08
    void SendResetSpan(uint8_t mask);                                                 // $09
    void SendNewNoSensor();                                                           // $0A
    void SendLeakCheck(uint8_t vacuumTime, uint8_t leakCheckTime, uint8_t tolerance); // $0B
    void SendPressureSpan(uint8_t selector, int16_t value);                           // $11
    void SendGasSwitch(uint8_t switchByte);                                           // $13
    void SendReadUserMemory(uint8_t location);                                        // $14
    void SendWriteUserMemory(uint8_t location, const std::array<uint8_t, 20>& data);  // $15
    void SendStandbyMode(uint8_t standbyByte);                                        // $17
    void SendSwChecksum();                                                            // $18
    void SendChangeCommandSet(const std::array<uint8_t, 3>& id, uint8_t permanent);   // $D4
    void SendSoftReset();                                                             // $F0
    void SendModeSelect(uint8_t action, uint8_t newMode);                             // $F1

    // Engineering and parameter commands.
    void SendRawIr(uint8_t rate);             // $40
    void SendEngineeringStatus(uint8_t rate); // $41
    void SendFilteredRawIr(uint8_t rate);     // $42
    void SendFilter(uint8_t filterByte);      // $45
    void SendDemodulation(uint8_t algorithm); // $46
    // $48: false, and nothing sent, when the value text cannot be framed (longer than
    // MaxParamValueLength, or holding a zero byte, which would end it early on the bench).
    [[nodiscard]] bool SendWriteFlashParameter(uint16_t number, const QByteArray& value);
    void SendReadFlashParameter(uint16_t number);           // $49
    void SendTwoPointSpan(uint8_t selector, int16_t value); // $50
    void SendEngineeringSystemId();                         // $51
    void SendEngineeringPump(uint8_t pump);                 // $52
    void SendStoreFlashParameter(uint16_t number);          // $54, with the fixed access code
    void SendLoadFlashParameter(uint16_t number); // $55; tells the parameter screen the number first
    void SendStoreDefaults();                     // $56
    void SendResetToDefaults();                   // $57
    void SendStoreWarmup();                       // $58

    // Boot and flash commands.
    void SendStartBootMode();         // $25
    void SendInitiateFlashDownload(); // $26
    // $27: the low 24 bits of the load address, then the block; false, and nothing sent, for a block
    // longer than MaxFlashBlockLength.
    [[nodiscard]] bool SendWriteFlashMemory(uint32_t address, const QByteArray& data);
    void SendEndFlashDownload(); // $28

    // ---- Decoding ----
    // Marker appended to the acknowledgement of a reply too short for its code's layout.
    static constexpr const char* ShortReplyMarker = " (short reply)";
    // Data bytes a reply of the code must carry to be decoded; 0 for codes without a fixed layout.
    static int ReplyLayoutLength(uint8_t code);
    // True when the last acknowledged reply was shorter than its layout and so not decoded.
    bool LastReplyShort = false;

private:
    // Sends a request of the code with the given parameter bytes (none for a bare code).
    void SendBytes(uint8_t code, std::initializer_list<uint8_t> params = {});
    // Sends a request of a streaming code with its rate (and ethanol byte for the data commands).
    void SendStreamRequest(uint8_t code, uint8_t rate, std::optional<bool> ethanolMode);
    // The routing of the data replies $01, $06 and $44 after their fields are stored.
    void NotifyDataReply(uint8_t code);
    // Console notification of a decoded reply.
    void ReportResult(uint8_t code);

    // Frames the bytes in order from the current receive state (RxStartIndex indexes them). Returns
    // false when a dispatched packet closed the port and the rest must be dropped.
    bool FrameBytes(const uint8_t* bytes, int n);
    // Frames again, from the hunt state, the bytes after the kind byte of a packet that began in an
    // earlier read and failed on this checksum byte. False as for FrameBytes.
    bool RescanFailedPacket(uint8_t checksum);
    void SetAck(const QString& text, int error);
    void ReportToConsole(uint8_t code);
    // Per-code decoding of an acknowledged reply (the decoders of the command set).
    void Decode(const TRxPacket& packet);

    struct ReceivingGuard {
        explicit ReceivingGuard(bool& flag) : flag(flag) { flag = true; }
        ~ReceivingGuard() { flag = false; }
        bool& flag;
    };

    IBenchHost* m_host = nullptr;
    int m_index = 0;
    bool m_receiving = false;
};

// The four bench connections of the program and what they share; bench N of the user interface is
// entry N - 1. The desktop program's shell owns one and passes it by reference; tests and the
// command-line tool make their own.
class TBenchSet {
public:
    std::array<TBench, 4> Benches;
    // Soft-reset allowance of the time-out scan, shared by all benches: set when the console sends Soft
    // Reset; each overdue Soft Reset found while it is above 0 ends the scan for that tick.
    int SoftResetGrace = 0;

    TBench& operator[](int bench) { return Benches[size_t(bench)]; }
    const TBench& operator[](int bench) const { return Benches[size_t(bench)]; }
    auto begin() { return Benches.begin(); }
    auto end() { return Benches.end(); }
    auto begin() const { return Benches.begin(); }
    auto end() const { return Benches.end(); }

    // Reports every awaited reply whose timer expired on the benches whose activation box is enabled
    // and ticked. Returns false when the tick must end here (firmware screen visible, shutdown, or an
    // overdue Soft Reset still within its allowance).
    bool CheckTimeouts();
};
