#include "command.h"

void TCommand::Begin(uint8_t code) {
    StartByte = (code == 0x26 || code == 0x27 || code == 0x28) ? 0x22 : 0x02;
    Length = 0;
    Sum = StartByte;
    m_overflow = false;
    Push(code);
}

void TCommand::Push(uint8_t byte) {
    if (Length >= MaxPayload) {
        m_overflow = true;
        return;
    }
    Payload[Length] = byte;
    ++Length;
    Sum = static_cast<uint16_t>(Sum + byte);
}

void TCommand::Push16(uint16_t value) {
    Push(static_cast<uint8_t>(value >> 8));
    Push(static_cast<uint8_t>(value & 0xFF));
}

uint8_t TCommand::Checksum() const {
    return static_cast<uint8_t>(0 - ((Sum & 0xFF) + Length));
}

QByteArray TCommand::Frame() const {
    QByteArray frame;
    frame.reserve(Length + 3);
    frame.append(static_cast<char>(StartByte));
    frame.append(static_cast<char>(Length));
    frame.append(reinterpret_cast<const char*>(Payload.data()), Length);
    frame.append(static_cast<char>(Checksum()));
    return frame;
}

void TCommand::Send(TApdComPort& port) {
    ReportPending = true;
    port.FlushOutBuffer();
    if (m_overflow || port.GetOutBuffFree() < Length + 4) return;
    const QByteArray frame = Frame();
    port.PutBlock(reinterpret_cast<const uint8_t*>(frame.constData()), static_cast<int>(frame.size()));
    Awaiting = true;
    TApdComPort::NewTimer(ReplyTimer, ReplyTimeoutTicks);
}
