// Request builders: every command code's frame, built on the command's TCommand and sent on this
// bench's port. 16-bit values go high byte first (TCommand::Push16).
#include "bench.h"

namespace {
constexpr uint16_t FlashAccessCode = 0x7E51;

constexpr uint8_t hi(uint16_t v) {
    return static_cast<uint8_t>(v >> 8);
}
constexpr uint8_t lo(uint16_t v) {
    return static_cast<uint8_t>(v & 0xFF);
}

// RequestMode after a request of a streaming code: rate 2 starts a stream, anything else ends it with
// the next reply.
uint32_t requestModeFor(uint8_t rate) {
    return rate == TBench::RateContinuous ? 2u : 1u;
}
} // namespace

void TBench::SendBytes(uint8_t code, std::initializer_list<uint8_t> params) {
    TCommand& cmd = Commands[code];
    cmd.Begin(code);
    for (uint8_t b : params)
        cmd.Push(b);
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
    SendBytes(0x12);
}

void TBench::SendPressureData() {
    SendBytes(0x16);
}

// ---- customer commands ----

void TBench::SendZeroCalibration(uint8_t purgeTime) {
    SendBytes(0x02, {purgeTime});
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
    SendBytes(0x04);
}

void TBench::SendMiscellaneousData() {
    SendBytes(0x05);
}

void TBench::SendPumpControl(uint8_t pump) {
    SendBytes(0x07, {pump});
}

void TBench::SendDeviceControl(uint8_t mask, uint8_t value) {
    SendBytes(0x08, {mask, value});
}

void TBench::SendResetSpan(uint8_t mask) {
    SendBytes(0x09, {mask});
}

void TBench::SendNewNoSensor() {
    SendBytes(0x0A);
}

void TBench::SendLeakCheck(uint8_t vacuumTime, uint8_t leakCheckTime, uint8_t tolerance) {
    SendBytes(0x0B, {vacuumTime, leakCheckTime, tolerance});
}

void TBench::SendPressureSpan(uint8_t selector, int16_t value) {
    SendBytes(0x11, {selector, hi(value), lo(value)});
}

void TBench::SendGasSwitch(uint8_t switchByte) {
    SendBytes(0x13, {switchByte});
}

void TBench::SendReadUserMemory(uint8_t location) {
    SendBytes(0x14, {location});
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
    SendBytes(0x17, {standbyByte});
}

void TBench::SendSwChecksum() {
    SendBytes(0x18);
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
    SendBytes(0xF0);
}

void TBench::SendModeSelect(uint8_t action, uint8_t newMode) {
    SendBytes(0xF1, {action, newMode});
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
    SendBytes(0x45, {filterByte});
}

void TBench::SendDemodulation(uint8_t algorithm) {
    SendBytes(0x46, {algorithm});
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
    SendBytes(0x49, {hi(number), lo(number)});
}

void TBench::SendTwoPointSpan(uint8_t selector, int16_t value) {
    SendBytes(0x50, {selector, hi(value), lo(value)});
}

void TBench::SendEngineeringSystemId() {
    SendBytes(0x51);
}

void TBench::SendEngineeringPump(uint8_t pump) {
    SendBytes(0x52, {pump});
}

void TBench::SendStoreFlashParameter(uint16_t number) {
    SendBytes(0x54, {hi(FlashAccessCode), lo(FlashAccessCode), hi(number), lo(number)});
}

void TBench::SendLoadFlashParameter(uint16_t number) {
    // The parameter screen matches the load acknowledgement to this number, whoever sends it.
    if (m_host) m_host->SetCurrentParam(m_index, number);
    SendBytes(0x55, {hi(number), lo(number)});
}

void TBench::SendStoreDefaults() {
    SendBytes(0x56);
}

void TBench::SendResetToDefaults() {
    SendBytes(0x57);
}

void TBench::SendStoreWarmup() {
    SendBytes(0x58);
}

// ---- boot and flash commands ----

void TBench::SendStartBootMode() {
    SendBytes(0x25);
}

void TBench::SendInitiateFlashDownload() {
    SendBytes(0x26);
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
    SendBytes(0x28);
}
