// Request builders: every command code's frame, built on the command's TCommand and sent on this
// bench's port. 16-bit values go high byte first (TCommand::Push16).
#include "bench.h"

namespace {
constexpr uint16_t FlashAccessCode = 0x7E51;

// RequestMode after a request of a streaming code: rate 2 starts a stream, anything else ends it with
// the next reply.
uint32_t requestModeFor(uint8_t rate) {
    return rate == TBench::RateContinuous ? 2u : 1u;
}
} // namespace

void TBench::SendCodeOnly(uint8_t code) {
    Commands[code].Begin(code);
    SendCommand(code);
}

void TBench::SendStreamRequest(uint8_t code, uint8_t rate, std::optional<bool> ethanolMode) {
    TCommand& cmd = Commands[code];
    cmd.Begin(code);
    cmd.Push(rate);
    if (ethanolMode) cmd.Push(*ethanolMode ? 1 : 0);
    cmd.RequestMode = requestModeFor(rate);
    SendCommand(code);
}

// ---- measurement data ----

void TBench::SendDataStatus(uint8_t rate, bool ethanolMode) {
    SendStreamRequest(0x01, rate, ethanolMode);
}

void TBench::SendExtendedDataStatus(uint8_t rate, bool ethanolMode) {
    SendStreamRequest(0x06, rate, ethanolMode);
}

void TBench::SendEngineeringData(uint8_t rate, bool ethanolMode) {
    SendStreamRequest(0x44, rate, ethanolMode);
}

void TBench::SendDataCommand(uint8_t code, uint8_t rate, bool ethanolMode) {
    if (code == 0x01 || code == 0x06 || code == 0x44) SendStreamRequest(code, rate, ethanolMode);
}

void TBench::SendRawO2NoData() {
    SendCodeOnly(0x12);
}

void TBench::SendPressureData() {
    SendCodeOnly(0x16);
}

// ---- customer commands ----

void TBench::SendZeroCalibration(uint8_t purgeTime) {
    TCommand& cmd = Commands[0x02];
    cmd.Begin(0x02);
    cmd.Push(purgeTime);
    SendCommand(0x02);
}

void TBench::SendSpanCalibration(uint8_t mask, int16_t co2, int16_t co, int16_t ethanol, int16_t no,
                                 int16_t o2) {
    const int16_t values[5] = {co2, co, ethanol, no, o2};
    TCommand& cmd = Commands[0x03];
    cmd.Begin(0x03);
    cmd.Push(mask);
    for (int bit = 0; bit < 5; ++bit)
        if (mask & (1u << bit)) cmd.Push16(static_cast<uint16_t>(values[bit]));
    SendCommand(0x03);
}

void TBench::SendSystemIdRequest() {
    SendCodeOnly(0x04);
}

void TBench::SendMiscellaneousData() {
    SendCodeOnly(0x05);
}

void TBench::SendPumpControl(uint8_t pump) {
    TCommand& cmd = Commands[0x07];
    cmd.Begin(0x07);
    cmd.Push(pump);
    SendCommand(0x07);
}

void TBench::SendDeviceControl(uint8_t mask, uint8_t value) {
    TCommand& cmd = Commands[0x08];
    cmd.Begin(0x08);
    cmd.Push(mask);
    cmd.Push(value);
    SendCommand(0x08);
}

void TBench::SendResetSpan(uint8_t mask) {
    TCommand& cmd = Commands[0x09];
    cmd.Begin(0x09);
    cmd.Push(mask);
    SendCommand(0x09);
}

void TBench::SendNewNoSensor() {
    SendCodeOnly(0x0A);
}

void TBench::SendLeakCheck(uint8_t vacuumTime, uint8_t leakCheckTime, uint8_t tolerance) {
    TCommand& cmd = Commands[0x0B];
    cmd.Begin(0x0B);
    cmd.Push(vacuumTime);
    cmd.Push(leakCheckTime);
    cmd.Push(tolerance);
    SendCommand(0x0B);
}

void TBench::SendPressureSpan(uint8_t selector, int16_t value) {
    TCommand& cmd = Commands[0x11];
    cmd.Begin(0x11);
    cmd.Push(selector);
    cmd.Push16(static_cast<uint16_t>(value));
    SendCommand(0x11);
}

void TBench::SendGasSwitch(uint8_t switchByte) {
    TCommand& cmd = Commands[0x13];
    cmd.Begin(0x13);
    cmd.Push(switchByte);
    SendCommand(0x13);
}

void TBench::SendReadUserMemory(uint8_t location) {
    TCommand& cmd = Commands[0x14];
    cmd.Begin(0x14);
    cmd.Push(location);
    SendCommand(0x14);
}

void TBench::SendWriteUserMemory(uint8_t location, const std::array<uint8_t, 20>& data) {
    TCommand& cmd = Commands[0x15];
    cmd.Begin(0x15);
    cmd.Push(location);
    for (uint8_t b : data)
        cmd.Push(b);
    SendCommand(0x15);
}

void TBench::SendStandbyMode(uint8_t standbyByte) {
    TCommand& cmd = Commands[0x17];
    cmd.Begin(0x17);
    cmd.Push(standbyByte);
    SendCommand(0x17);
}

void TBench::SendSwChecksum() {
    SendCodeOnly(0x18);
}

void TBench::SendChangeCommandSet(const std::array<uint8_t, 3>& id, uint8_t permanent) {
    TCommand& cmd = Commands[0xD4];
    cmd.Begin(0xD4);
    for (uint8_t b : id)
        cmd.Push(b);
    cmd.Push(permanent);
    SendCommand(0xD4);
}

void TBench::SendSoftReset() {
    SendCodeOnly(0xF0);
}

void TBench::SendModeSelect(uint8_t action, uint8_t newMode) {
    TCommand& cmd = Commands[0xF1];
    cmd.Begin(0xF1);
    cmd.Push(action);
    cmd.Push(newMode);
    SendCommand(0xF1);
}

// ---- engineering and parameter commands ----

void TBench::SendRawIr(uint8_t rate) {
    SendStreamRequest(0x40, rate, std::nullopt);
}

void TBench::SendEngineeringStatus(uint8_t rate) {
    SendStreamRequest(0x41, rate, std::nullopt);
}

void TBench::SendFilteredRawIr(uint8_t rate) {
    SendStreamRequest(0x42, rate, std::nullopt);
}

void TBench::SendFilter(uint8_t filterByte) {
    TCommand& cmd = Commands[0x45];
    cmd.Begin(0x45);
    cmd.Push(filterByte);
    SendCommand(0x45);
}

void TBench::SendDemodulation(uint8_t algorithm) {
    TCommand& cmd = Commands[0x46];
    cmd.Begin(0x46);
    cmd.Push(algorithm);
    SendCommand(0x46);
}

bool TBench::SendWriteFlashParameter(uint16_t number, const QByteArray& value) {
    // The bench reads the value up to its terminating zero: a longer text would not fit the frame and a
    // zero inside it would store a different value than the one asked for.
    if (value.size() > MaxParamValueLength || value.contains('\0')) return false;
    TCommand& cmd = Commands[0x48];
    cmd.Begin(0x48);
    cmd.Push16(number);
    for (char c : value)
        cmd.Push(static_cast<uint8_t>(c));
    cmd.Push(0);
    SendCommand(0x48);
    return true;
}

void TBench::SendReadFlashParameter(uint16_t number) {
    TCommand& cmd = Commands[0x49];
    cmd.Begin(0x49);
    cmd.Push16(number);
    SendCommand(0x49);
}

void TBench::SendTwoPointSpan(uint8_t selector, int16_t value) {
    TCommand& cmd = Commands[0x50];
    cmd.Begin(0x50);
    cmd.Push(selector);
    cmd.Push16(static_cast<uint16_t>(value));
    SendCommand(0x50);
}

void TBench::SendEngineeringSystemId() {
    SendCodeOnly(0x51);
}

void TBench::SendEngineeringPump(uint8_t pump) {
    TCommand& cmd = Commands[0x52];
    cmd.Begin(0x52);
    cmd.Push(pump);
    SendCommand(0x52);
}

void TBench::SendStoreFlashParameter(uint16_t number) {
    TCommand& cmd = Commands[0x54];
    cmd.Begin(0x54);
    cmd.Push16(FlashAccessCode);
    cmd.Push16(number);
    SendCommand(0x54);
}

void TBench::SendLoadFlashParameter(uint16_t number) {
    // The parameter screen matches the load acknowledgement to this number, whoever sends it.
    if (m_host) m_host->SetCurrentParam(m_index, number);
    TCommand& cmd = Commands[0x55];
    cmd.Begin(0x55);
    cmd.Push16(number);
    SendCommand(0x55);
}

void TBench::SendStoreDefaults() {
    SendCodeOnly(0x56);
}

void TBench::SendResetToDefaults() {
    SendCodeOnly(0x57);
}

void TBench::SendStoreWarmup() {
    SendCodeOnly(0x58);
}

// ---- boot and flash commands ----

void TBench::SendStartBootMode() {
    SendCodeOnly(0x25);
}

void TBench::SendInitiateFlashDownload() {
    SendCodeOnly(0x26);
}

bool TBench::SendWriteFlashMemory(uint32_t address, const QByteArray& data) {
    if (data.size() > MaxFlashBlockLength) return false;
    TCommand& cmd = Commands[0x27];
    cmd.Begin(0x27);
    cmd.Push(static_cast<uint8_t>(address >> 16));
    cmd.Push(static_cast<uint8_t>(address >> 8));
    cmd.Push(static_cast<uint8_t>(address));
    for (char c : data)
        cmd.Push(static_cast<uint8_t>(c));
    SendCommand(0x27);
    return true;
}

void TBench::SendEndFlashDownload() {
    SendCodeOnly(0x28);
}
