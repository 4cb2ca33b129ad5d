#include "bench.h"

#include "bench_tables.h"

#include <algorithm>

namespace {
IBenchHost& defaultHost() {
    static NullBenchHost host;
    return host;
}

bool isParameterCode(uint8_t c) {
    return c == 0x48 || c == 0x49 || c == 0x54 || c == 0x55;
}
} // namespace

void TBench::Init(TApdComPort* port, IBenchHost* host, int index) {
    Port = port;
    m_host = host ? host : &defaultHost();
    m_index = index;
    NewStatusData = NewMainData = NewGraph1Data = NewGraph2Data = false;
    for (int code = 0; code < 256; ++code)
        Commands[code].Name = CommandName(static_cast<uint8_t>(code));
}

void TBench::SendCommand(uint8_t code) {
    if (Port) Commands[code].Send(*Port);
}

void TBench::DrainPort() {
    if (!Port) return;
    for (int n = Port->GetInBuffUsed(); n > 0 && !m_receiving; n = Port->GetInBuffUsed())
        ReceiveBytes(n);
}

void TBench::ReceiveBytes(int count) {
    // A modal box opened by a receiver lets further data events run; they must not re-enter the framing
    // of the block being examined. Their bytes stay waiting and the outer drain loop reads them.
    if (!Port || m_receiving) return;
    ReceivingGuard guard(m_receiving);
    const int n = std::min({count, 256, Port->GetInBuffUsed()});
    if (n <= 0) return;
    Port->GetBlock(RxBuffer.data(), n);
    RxStartIndex = -1;
    if (Port->GetLineError() != 0) {
        RxState = 0;
        return;
    }
    FrameBytes(RxBuffer.data(), n);
}

bool TBench::FrameBytes(const uint8_t* bytes, int n) {
    RxStartIndex = -1;
    int i = 0;
    while (i < n) {
        const uint8_t byte = bytes[i];
        switch (RxState) {
        case 0:
            if (byte == KindAck || byte == KindNak) {
                RxPacket.Kind = byte;
                RxSum = byte;
                RxStartIndex = i;
                RxState = 1;
            }
            break;
        case 1:
            RxPacket.Code = byte;
            RxSum = static_cast<uint16_t>(RxSum + byte);
            RxState = 2;
            break;
        case 2:
            RxPacket.Length = byte;
            if (byte == 0) {
                RxState = 4;
            } else {
                RxSum = static_cast<uint16_t>(RxSum + byte);
                RxCount = 0;
                RxState = 3;
            }
            break;
        case 3:
            RxPacket.Data[RxCount] = byte;
            RxSum = static_cast<uint16_t>(RxSum + byte);
            if (++RxCount >= RxPacket.Length) RxState = 4;
            break;
        case 4:
            RxState = 0;
            if (((RxSum + byte) & 0xFF) == 0) {
                TRxPacket packet = RxPacket;
                std::fill(std::begin(packet.Data) + packet.Length, std::end(packet.Data), uint8_t{0});
                DispatchPacket(packet);
                // A dispatched packet may close the port (Soft Reset unticks every bench); the rest of
                // the bytes belong to a connection that no longer exists.
                if (!Port->Open()) return false;
            } else if (RxStartIndex >= 0) {
                // Dropped: look for a new kind byte right after the failed one's.
                i = RxStartIndex + 1;
                continue;
            } else {
                // Dropped, and it began in an earlier read: rescan its bytes from there first.
                if (!RescanFailedPacket(byte)) return false;
                RxStartIndex = -1;
            }
            break;
        }
        ++i;
    }
    return true;
}

bool TBench::RescanFailedPacket(uint8_t checksum) {
    // The failed packet's bytes after its kind byte are all in RxPacket still. Scanning them and its
    // checksum byte again finds a reply hidden behind a false kind byte, whatever read it started in.
    // The rescan starts in the hunt state, so every candidate it meets begins inside it.
    std::array<uint8_t, 258> again;
    const int length = RxPacket.Length;
    again[0] = RxPacket.Code;
    again[1] = RxPacket.Length;
    std::copy_n(RxPacket.Data, length, again.begin() + 2);
    again[2 + length] = checksum;
    return FrameBytes(again.data(), length + 3);
}

void TBench::SetAck(const QString& text, int error) {
    AckText = text;
    AckError = error;
}

void TBench::ReportToConsole(uint8_t code) {
    m_host->ShowAckLines();
    if (m_host->ConsoleCommand() == code) m_host->ShowAckNak(m_index);
}

void TBench::DispatchPacket(const TRxPacket& packet) {
    IBenchHost& host = *m_host;
    if (host.Closing()) return;
    const uint8_t c = packet.Code;
    TCommand& cmd = Commands[c];
    if (!cmd.Awaiting && !cmd.Streaming) {
        SetAck(Hex2(c) + QStringLiteral(" ?"), 1);
        ReportToConsole(c);
        return;
    }
    cmd.Awaiting = false;
    if (host.FirmwareDownloadInProgress()) {
        host.FirmwareReply(m_index, packet);
        return;
    }
    if (packet.Kind == KindNak) {
        HandleNak(packet);
        if (isParameterCode(c)) {
            if (host.CalLoadVisible() && host.CalLoadState() > 0) {
                host.CalLoadSetRefused();
                host.CalLoadStopTimer();
                host.CalLoadReply(m_index, packet);
            } else if (host.ParamTransferVisible() && host.ParamTransferState() > 0) {
                host.ParamTransferStopTimer();
                host.ParamTransferNak(m_index, c, packet.Length > 0 ? packet.Data[0] : 0);
            }
        }
        return;
    }
    HandleAck(packet);
    if (c == 0x48 || c == 0x49 || c == 0x54) {
        if (host.CalLoadVisible() && host.CalLoadState() > 0) {
            host.CalLoadStopTimer();
            host.CalLoadReply(m_index, packet);
        } else if (host.ParamTransferVisible() && host.ParamTransferState() > 0) {
            host.ParamTransferStopTimer();
            host.ParamTransferReply(m_index, packet);
        }
    }
}

void TBench::ReportTimeout(uint8_t code) {
    SetAck(Commands[code].Name + QStringLiteral(" Timeout"), 1);
    ReportToConsole(code);
    Commands[code].Awaiting = false;
}

void TBench::HandleNak(const TRxPacket& packet) {
    const uint8_t c = packet.Code;
    // A refusal without an error byte gets its own reason rather than whatever an earlier packet left.
    const QString reason =
        packet.Length > 0
            ? NakReasonText(packet.Data[0])
            : QString::fromLatin1(NakReasonMissing.data(), static_cast<qsizetype>(NakReasonMissing.size()));
    SetAck(Commands[c].Name + QStringLiteral(" NAK ") + reason, 1);
    Commands[c].ReportPending = false;
    ReportToConsole(c);
}

void TBench::HandleAck(const TRxPacket& packet) {
    const uint8_t c = packet.Code;
    TCommand& cmd = Commands[c];
    AckText = cmd.Name + QStringLiteral(" ACK");
    Decode(packet);
    if (!cmd.Streaming || cmd.ReportPending) {
        cmd.ReportPending = false;
        // A reply too short for its layout was not decoded: it is shown in red like a refusal.
        AckError = LastReplyShort ? 1 : 0;
        ReportToConsole(c);
    }
}

bool TBenchSet::CheckTimeouts() {
    IBenchHost& host = Benches[0].Host();
    if (host.Closing() || host.FirmwareScreenVisible()) return false;
    for (TBench& bench : Benches) {
        if (!host.BenchBoxActive(bench.Index())) continue;
        for (int code = 0; code < 255; ++code) {
            TCommand& cmd = bench.Commands[code];
            if (!cmd.Awaiting || !TApdComPort::TimerExpired(cmd.ReplyTimer)) continue;
            const auto c = static_cast<uint8_t>(code);
            if (host.ParamTransferState() > 0 && isParameterCode(c))
                host.ParamTransferTimeout(bench.Index(), c);
            if (c == 0xF0 && SoftResetGrace > 0) {
                --SoftResetGrace;
                return false;
            }
            bench.ReportTimeout(c);
        }
    }
    return true;
}
