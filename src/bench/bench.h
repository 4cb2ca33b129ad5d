#pragma once

#include "bench_host.h"
#include "command.h"
#include "comport.h"
#include "packet.h"

#include <QString>
#include <array>
#include <cstdint>

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
    // dispatched. A packet may span any number of calls.
    void ReceiveBytes(int count);
    // Drains the port: ReceiveBytes while bytes are waiting (the data-available handler's loop).
    void DrainPort();
    void DispatchPacket(const TRxPacket& packet);
    void HandleAck(const TRxPacket& packet);
    void HandleNak(const TRxPacket& packet);

    // Sends the frame prepared in Commands[code] (after Begin/Push) on this bench's port.
    void SendCommand(uint8_t code);

    // Reports every awaited reply whose timer expired on the benches whose activation box is enabled
    // and ticked. Returns false when the tick must end here (firmware screen visible, shutdown, or an
    // overdue Soft Reset still within its allowance).
    static bool CheckTimeouts(std::array<TBench, 4>& benches);

private:
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

// The four bench connections; bench N of the user interface is entry N - 1.
extern std::array<TBench, 4> Benches;

// Soft-reset allowance of the time-out scan, shared by all benches: set to 10 when the console sends
// Soft Reset; each overdue Soft Reset found while it is above 0 ends the scan for that tick.
extern int SoftResetGrace;
