#include "bench.h"

#include <algorithm>
#include <cstring>
#include <iterator>

// Acknowledged replies are decoded into the bench's fields here, by command code, and the screens that
// wait for them are told. Codes without a decoder change no field.

namespace {

// Codes whose acknowledgement is decoded (even when it carries no field): ResultReady and the console's
// result display follow every one of them.
constexpr uint8_t DecodedCodes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A,
                                    0x0B, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x40,
                                    0x41, 0x42, 0x44, 0x45, 0x46, 0x48, 0x49, 0x50, 0x51, 0x52,
                                    0x54, 0x55, 0x56, 0x57, 0x58, 0xD4, 0xF0, 0xF1};

// Codes whose reply the bench can send continuously; each reply applies the request's rate.
constexpr uint8_t StreamingCodes[] = {0x01, 0x06, 0x40, 0x41, 0x42, 0x44};

// Data bytes each fixed-layout reply carries. A raw IR packet holds at least its packet number.
struct LayoutEntry {
    uint8_t code;
    uint8_t length;
};
constexpr LayoutEntry ReplyLayouts[] = {
    {0x01, 16}, {0x04, 34}, {0x05, 10}, {0x06, 30}, {0x07, 1}, {0x08, 1},  {0x12, 6}, {0x13, 1},
    {0x14, 20}, {0x16, 6},  {0x17, 1},  {0x18, 4},  {0x40, 1}, {0x41, 16}, {0x42, 1}, {0x44, 86},
    {0x45, 1},  {0x46, 1},  {0x51, 58}, {0x52, 1},  {0xD4, 3}, {0xF1, 1},
};

// Widths of the identity strings in the $04 (first six) and $51 (all ten) replies.
constexpr int SystemIdWidths[10] = {6, 4, 10, 2, 10, 2, 10, 2, 10, 2};

template <std::size_t N> constexpr bool contains(const uint8_t (&codes)[N], uint8_t code) {
    return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

int16_t s16(const uint8_t* d, int offset) {
    return static_cast<int16_t>(static_cast<uint16_t>((d[offset] << 8) | d[offset + 1]));
}

uint32_t u32(const uint8_t* d, int offset) {
    return (uint32_t{d[offset]} << 24) | (uint32_t{d[offset + 1]} << 16) | (uint32_t{d[offset + 2]} << 8) |
           uint32_t{d[offset + 3]};
}

// A text field: at most `width` bytes, ending early at a zero byte.
QString text(const uint8_t* d, int offset, int width) {
    const auto* begin = reinterpret_cast<const char*>(d + offset);
    return QString::fromLatin1(begin, static_cast<qsizetype>(strnlen(begin, static_cast<size_t>(width))));
}

// Fills the first `count` identity strings from consecutive fields.
void decodeSystemId(TSystemID& id, const uint8_t* d, int count) {
    QString* fields[10] = {&id.SerialNumber,      &id.ModelNumber,    &id.HwPartNumber,  &id.HwRevision,
                           &id.SwPartNumber,      &id.SwRevision,     &id.CalPartNumber, &id.CalRevision,
                           &id.CalCalcPartNumber, &id.CalCalcRevision};
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        *fields[i] = text(d, offset, SystemIdWidths[i]);
        offset += SystemIdWidths[i];
    }
}

// The rate of the last request decides whether the bench goes on sending: rate 2 starts a stream,
// rates 0 and 1 end it with this reply. A live stream keeps its reply timer running, so a bench that
// falls silent is reported as timed out.
void applyStreamingRule(TCommand& cmd) {
    if (cmd.RequestMode == 1) cmd.Streaming = false;
    if (cmd.RequestMode == 2) cmd.Streaming = true;
    cmd.RequestMode = 0;
    if (cmd.Streaming) {
        cmd.Awaiting = true;
        TApdComPort::NewTimer(cmd.ReplyTimer, ReplyTimeoutTicks);
    }
}

// Gas values and status bytes 0-3 as $01 and $06 carry them from offset 0.
void decodeGasBlock(TBench& b, const uint8_t* d) {
    std::copy(d, d + 4, b.Status.begin());
    b.Co2 = s16(d, 4);
    b.Co = s16(d, 6);
    b.Hc = u32(d, 8);
    b.O2 = s16(d, 12);
    b.NO = s16(d, 14);
}
} // namespace

int TBench::ReplyLayoutLength(uint8_t code) {
    for (const LayoutEntry& e : ReplyLayouts)
        if (e.code == code) return e.length;
    return 0;
}

void TBench::ReportResult(uint8_t code) {
    if (m_host->ConsoleCommand() != code) return;
    Commands[code].ResultReady = true;
    m_host->ShowResult(m_index, code);
}

void TBench::NotifyDataReply(uint8_t code) {
    IBenchHost& host = *m_host;
    ProcessInProgress = (Status[0] & 0x10) != 0;
    ZeroRequired = (Status[0] & 0x20) != 0;
    NewStatusData = NewMainData = NewGraph1Data = NewGraph2Data = true;
    if (host.StopBtnEnabled()) host.DataStep(m_index);
    host.UpdateGraph2(m_index);
    host.UpdateGraph1(m_index);
    host.UpdateStatusScreen(m_index);
    if (code == 0x44) host.UpdateEngineeringStatus(m_index);
    ReportResult(code);
    // Lets the console refresh its process-state box from the new status bytes.
    if (host.ConsoleExists()) host.ShowResult(m_index, 0);
}

void TBench::Decode(const TRxPacket& packet) {
    const uint8_t c = packet.Code;
    LastReplyShort = false;
    if (!contains(DecodedCodes, c)) return;
    TCommand& cmd = Commands[c];
    if (contains(StreamingCodes, c)) applyStreamingRule(cmd);

    // A reply shorter than its layout would decode zeroes as readings: keep the fields as they were and
    // say so on the acknowledgement line.
    if (packet.Length < ReplyLayoutLength(c)) {
        LastReplyShort = true;
        AckText += QLatin1String(ShortReplyMarker);
        AckError = 1;
        return;
    }

    IBenchHost& host = *m_host;
    const uint8_t* d = packet.Data;
    switch (c) {
    case 0x01:
        decodeGasBlock(*this, d);
        NotifyDataReply(c);
        return;
    case 0x06:
        decodeGasBlock(*this, d);
        GagePressure = s16(d, 16);
        AbsPressure = s16(d, 18);
        RawO2 = s16(d, 20);
        RawNO = u32(d, 22);
        AmbientTemp = static_cast<float>(s16(d, 26) * 0.1);
        Pef = static_cast<float>(s16(d, 28) * 0.001);
        NotifyDataReply(c);
        return;
    case 0x44:
        GagePressure = s16(d, 0);
        AbsPressure = s16(d, 2);
        DetSrcTemp = s16(d, 4);
        DetCelTemp = s16(d, 6);
        for (int i = 0; i < 4; ++i)
            MaxAdc[i] = s16(d, 8 + 2 * i);
        AmbPressure = s16(d, 16);
        DemodCo2 = u32(d, 20);
        DemodCo = u32(d, 24);
        DemodHc = u32(d, 28);
        DemodRef = u32(d, 32);
        for (int i = 0; i < 4; ++i)
            MinAdc[i] = s16(d, 36 + 2 * i);
        RawO2 = s16(d, 44);
        RawNO = u32(d, 46);
        DetEthanolTemp = s16(d, 54);
        Co2 = s16(d, 58);
        Co = s16(d, 60);
        Hc = u32(d, 62);
        O2 = s16(d, 66);
        NO = s16(d, 68);
        std::copy(d + 70, d + 86, Status.begin());
        NotifyDataReply(c);
        return;
    case 0x12:
        RawO2 = s16(d, 0);
        RawNO = u32(d, 2);
        break;
    case 0x16:
        GagePressure = s16(d, 0);
        AbsPressure = s16(d, 2);
        AmbPressure = s16(d, 4);
        break;
    case 0x04:
        decodeSystemId(SystemId, d, 6);
        NewSystemId = true;
        break;
    case 0x51:
        decodeSystemId(SystemId, d, 10);
        NewSystemId = true;
        break;
    case 0x05:
        AmbientTemp = static_cast<float>(s16(d, 0) * 0.1);
        Pef = static_cast<float>(s16(d, 2) * 0.001);
        AdcA = s16(d, 4);
        AdcB = s16(d, 6);
        PulsesPerMinute = s16(d, 8);
        break;
    case 0x07:
    case 0x52:
        PumpState = d[0];
        break;
    case 0x08:
        DeviceControlState = d[0];
        break;
    case 0x13:
        ChannelSwitch = d[0];
        break;
    case 0x14:
        std::copy(d, d + UserMemory.size(), UserMemory.begin());
        break;
    case 0x17:
        StandbyState = d[0];
        break;
    case 0x18:
        std::copy(d, d + SwChecksum.size(), SwChecksum.begin());
        break;
    case 0xD4:
        std::copy(d, d + CommandSet.size(), CommandSet.begin());
        break;
    case 0xF1:
        ReportedMode = d[0];
        break;
    case 0x41:
        // The engineering status stream is delivered status like the data replies: it carries all 16
        // status bytes, the status screen's first four among them.
        std::copy(d, d + Status.size(), Status.begin());
        NewStatusData = true;
        host.UpdateStatusScreen(m_index);
        host.UpdateEngineeringStatus(m_index);
        break;
    case 0x45:
        FilterState = d[0];
        break;
    case 0x46:
        DemodState = d[0];
        break;
    case 0x40:
    case 0x42:
        NewRawIrData = true;
        ReportResult(c);
        host.RawIrPacket(m_index, packet);
        return;
    default:
        break;
    }

    ReportResult(c);

    switch (c) {
    case 0x48:
        host.ParamWriteAck(m_index);
        break;
    case 0x49:
        host.ParamReadReply(m_index, packet.Bytes());
        break;
    case 0x54:
        host.ParamStoreAck(m_index);
        break;
    case 0x55:
        host.ParamLoadAck(m_index);
        break;
    case 0xF0:
        // The bench restarts: every connection is closed and the operator must choose the ports again.
        host.UntickAllBenches();
        host.BenchDisconnected(m_index);
        break;
    default:
        break;
    }
}
