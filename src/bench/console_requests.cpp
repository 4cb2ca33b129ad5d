#include "console_requests.h"

#include "bench.h"
#include "console_commands.h"

#include <algorithm>
#include <iterator>

namespace {
struct ConsoleRequest {
    uint8_t code;
    void (*send)(TBench& bench, const TCmdParams& p);
};

// Each entry builds its request from the fields of CmdParams that the console page of the code fills.
constexpr ConsoleRequest ConsoleRequests[] = {
    {0x01, [](TBench& b, const TCmdParams& p) { b.SendDataStatus(p.DataRate, p.EthanolMode != 0); }},
    {0x02, [](TBench& b, const TCmdParams& p) { b.SendZeroCalibration(p.PurgeTime); }},
    {0x03,
     [](TBench& b, const TCmdParams& p) {
         b.SendSpanCalibration(p.TagMask, p.SpanCo2, p.SpanCo, p.SpanEthanol, p.SpanNO, p.SpanO2);
     }},
    {0x04, [](TBench& b, const TCmdParams&) { b.SendSystemIdRequest(); }},
    {0x05, [](TBench& b, const TCmdParams&) { b.SendMiscellaneousData(); }},
    {0x07, [](TBench& b, const TCmdParams& p) { b.SendPumpControl(p.PumpControl); }},
    {0x08, [](TBench& b, const TCmdParams& p) { b.SendDeviceControl(p.DeviceMask, p.DeviceValue); }},
    {0x09, [](TBench& b, const TCmdParams& p) { b.SendResetSpan(p.TagMask); }},
    {0x0A, [](TBench& b, const TCmdParams&) { b.SendNewNoSensor(); }},
    {0x0B,
     [](TBench& b, const TCmdParams& p) { b.SendLeakCheck(p.VacuumTime, p.LeakCheckTime, p.LeakTolerance); }},
    {0x11, [](TBench& b, const TCmdParams& p) { b.SendPressureSpan(p.TagMask, p.TagValue); }},
    {0x12, [](TBench& b, const TCmdParams&) { b.SendRawO2NoData(); }},
    {0x13, [](TBench& b, const TCmdParams& p) { b.SendGasSwitch(p.SwitchControl); }},
    {0x14, [](TBench& b, const TCmdParams& p) { b.SendReadUserMemory(p.MemoryLocation); }},
    {0x15, [](TBench& b, const TCmdParams& p) { b.SendWriteUserMemory(p.MemoryLocation, p.MemoryData); }},
    {0x16, [](TBench& b, const TCmdParams&) { b.SendPressureData(); }},
    {0x17, [](TBench& b, const TCmdParams& p) { b.SendStandbyMode(p.StandbyControl); }},
    {0x18, [](TBench& b, const TCmdParams&) { b.SendSwChecksum(); }},
    {0x44, [](TBench& b, const TCmdParams& p) { b.SendEngineeringData(p.DataRate, p.EthanolMode != 0); }},
    {0x45, [](TBench& b, const TCmdParams& p) { b.SendFilter(p.FilterControl); }},
    {0x46, [](TBench& b, const TCmdParams& p) { b.SendDemodulation(p.DemodSelect); }},
    {0x50, [](TBench& b, const TCmdParams& p) { b.SendTwoPointSpan(p.TagMask, p.TagValue); }},
    {0x51, [](TBench& b, const TCmdParams&) { b.SendEngineeringSystemId(); }},
    {0x52, [](TBench& b, const TCmdParams& p) { b.SendEngineeringPump(p.PumpControl); }},
    {0x56, [](TBench& b, const TCmdParams&) { b.SendStoreDefaults(); }},
    {0x57, [](TBench& b, const TCmdParams&) { b.SendResetToDefaults(); }},
    {0x58, [](TBench& b, const TCmdParams&) { b.SendStoreWarmup(); }},
    {0xD4,
     [](TBench& b, const TCmdParams& p) { b.SendChangeCommandSet(p.CommandSetId, p.CommandSetPermanent); }},
    {0xF0, [](TBench& b, const TCmdParams&) { b.SendSoftReset(); }},
    {0xF1, [](TBench& b, const TCmdParams& p) { b.SendModeSelect(p.ModeAction, p.NewMode); }},
};

const ConsoleRequest* find(uint8_t code) {
    const auto it = std::find_if(std::begin(ConsoleRequests), std::end(ConsoleRequests),
                                 [code](const ConsoleRequest& r) { return r.code == code; });
    return it == std::end(ConsoleRequests) ? nullptr : it;
}
} // namespace

bool IsConsoleRequest(uint8_t code) {
    return find(code) != nullptr;
}

bool SendConsoleRequest(TBenchSet& benches, int bench, uint8_t code) {
    const ConsoleRequest* request = find(code);
    if (!request) return false;
    TBench& b = benches[bench];
    request->send(b, b.CmdParams);
    // A soft reset restarts the bench, which may not answer for several seconds.
    if (code == 0xF0) benches.SoftResetGrace = SoftResetAllowance;
    return true;
}

const TConsoleCommand* FindConsoleCommand(uint8_t code) {
    for (const TConsoleCommand& c : ConsoleCommands)
        if (c.code == code) return &c;
    return nullptr;
}
