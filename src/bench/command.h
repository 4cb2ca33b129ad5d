#pragma once

#include "comport.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// Reply timer length: 36 ticks of 55 ms, 1980 ms.
inline constexpr int ReplyTimeoutTicks = 36;

// The host's request for one command code of one bench, reused for every transmission of that code.
// It builds the frame (start byte, length, payload, checksum), sends it and carries the per-code state
// that the receive side and the screens test.
class TCommand {
public:
    uint8_t StartByte = 0x02;
    uint8_t Length = 0;
    uint16_t Sum = 0;
    std::array<uint8_t, 256> Payload{};
    bool Awaiting = false;
    QString Name;
    EventTimer ReplyTimer;
    bool ReportPending = false;
    uint32_t RequestMode = 0;
    bool Streaming = false;
    bool ResultReady = false;

    static constexpr int MaxPayload = 255;

    // Starts a frame: start byte 0x22 for the flash download codes $26-$28, else 0x02; then the code.
    void Begin(uint8_t code);
    void Push(uint8_t byte);
    // High byte first.
    void Push16(uint16_t value);
    // Flushes the port's output, then queues the frame and arms the reply timer, unless the output
    // buffer cannot take the frame (then nothing is sent and nothing is reported). A frame whose payload
    // overflowed 255 bytes is never sent.
    void Send(TApdComPort& port);

    // True when a Push was refused because the payload already held 255 bytes.
    bool Overflowed() const { return m_overflow; }
    uint8_t Checksum() const;
    // The frame as it goes on the wire.
    QByteArray Frame() const;

private:
    bool m_overflow = false;
};
