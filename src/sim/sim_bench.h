#pragma once

// One simulated X714 bench: a protocol peer (request frames in, reply packets out) over a model of the
// measuring unit: gases drifting with noise, status bytes, start-up and zero request, zero, span and
// leak-check processes, pump and device states, identity, user memory, 401 parameters in RAM and flash,
// raw IR waveforms, boot mode with a flash image, soft reset.
//
// It knows nothing of the host's framing code: it is written from the wire format alone, so that the
// host and the simulator check each other.
//
// Wiring: bytes from the host go to Receive(), in any split; reply bytes leave through the writer set
// with SetWriter(). Requests with a bad checksum are ignored; bytes that cannot start a frame are
// skipped; a frame left incomplete for RxGapMs is given up and the bytes after its start byte are
// searched again.
//
// Time: the bench never reads the system clock. Tick() brings the model up to Clock().Milliseconds()
// (the process-wide clock of src/platform) and sends what is due (stream packets, delayed replies).
// The Simulator calls Tick() from a QTimer; tests install a ManualClock, advance it and call Tick().
// Process durations (start-up, zero, span, leak check, flash erase, restart) run on model time, which
// is real time multiplied by the time scale; stream periods and the reply delay run on real time.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// What the sample line of a bench carries: CO2, CO and O2 in percent, HC (as Ethanol) and NO in ppm.
// The default is ambient air.
struct SimGas {
    double Co2 = 0.04;
    double Co = 0.0;
    double Hc = 0.0;
    double O2 = 20.9;
    double NO = 0.0;
};

// Reply kinds and the refusal codes the simulated bench sends.
inline constexpr uint8_t SimAckKind = 0x06;
inline constexpr uint8_t SimNakKind = 0x15;
namespace SimNak {
inline constexpr uint8_t SystemFault = 0x00;
inline constexpr uint8_t IllegalValue = 0x01;
inline constexpr uint8_t NotAllowed = 0x02;
inline constexpr uint8_t SampleDelivery = 0x03;
inline constexpr uint8_t BootActive = 0x44;
inline constexpr uint8_t InvalidPassword = 0x45;
inline constexpr uint8_t InvalidParamNumber = 0x46;
inline constexpr uint8_t InvalidParamCount = 0x48;
} // namespace SimNak

// Which byte values random noise may take.
enum class SimNoiseBytes {
    NoKindBytes, // never 0x06 or 0x15, so noise cannot open a packet
    AnyByte,     // every value, kind bytes included: a false packet can start inside the noise
};

class SimBench {
public:
    using Writer = std::function<void(const QByteArray&)>;

    // Operation modes of status byte 0, bits 7-6.
    enum Mode { ModeNormal = 0, ModeStartUp = 1, ModeStandby = 2, ModeFault = 3 };

    static constexpr int ParamCount = 401;         // parameters 0..400
    static constexpr int UserMemoryLocations = 20; // locations 1..20, 20 bytes each
    static constexpr int RawIrPoints = 25;         // sample points per raw IR packet
    static constexpr int RawIrPhases = 4;          // packets per waveform frame
    static constexpr uint16_t FlashAccessCode = 0x7E51;
    // Model durations in milliseconds (scaled by the time scale).
    static constexpr int DefaultStartUpMs = 8000;
    static constexpr int ZeroMs = 4000; // after the purge time
    static constexpr int SpanMs = 6000;
    static constexpr int NoSensorMs = 2000;
    static constexpr int EraseMs = 1500;                  // flash erase before the $26 reply
    static constexpr int RestartMs = 1000;                // deaf time after a soft reset
    static constexpr int ZeroIntervalMs = 30 * 60 * 1000; // a new zero is asked for after this
    // Real milliseconds after which an incomplete request frame is given up.
    static constexpr int RxGapMs = 200;
    // Stream packets overdue after a stall of the event loop go out at once up to the larger of
    // MinStreamBurst packets and MaxStreamLagMs worth of packets; older ones are skipped.
    static constexpr int MaxStreamLagMs = 500;
    static constexpr int MinStreamBurst = 10;

    // index: 0-based bench number; it makes the identity and the model differ between benches.
    // seed: seed of the random generators (model noise and noise bytes; 0 = derived from the index),
    // so runs can be repeated.
    explicit SimBench(int index, uint32_t seed = 0);
    ~SimBench();
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    int Index() const;

    // ---- wiring ----
    void SetWriter(Writer writer);
    // Bytes from the host: frames are reassembled, checked and answered (through the writer).
    void Receive(const QByteArray& bytes);
    // Advances the model to the clock's current time and sends what is due.
    void Tick();
    // Clock time (milliseconds) at which the next stream packet or delayed reply is due; the largest
    // qint64 when nothing is. Tick() at that time sends it.
    qint64 NextDueMs() const;

    // ---- settings ----
    // Rate of the continuous streams in packets per second (default 5; 0.1 to 1000, clamped; a value
    // that is not finite is ignored). Packet k of a stream is due k / rate seconds after its request,
    // so the rate is exact on average and the packets evenly spread, whatever the tick length; a
    // running stream goes on from its last packet at the new rate.
    void SetStreamRate(double hz);
    double StreamRate() const;
    // Model time runs this many times faster than real time (default 1; 0.001 to 100000, clamped; a
    // value that is not finite is ignored); tests shorten processes with it.
    void SetTimeScale(double factor);
    double TimeScale() const;
    // Length of the start-up phase after power-on or a soft reset, in model milliseconds.
    void SetStartUpMs(int ms);
    // Restarts the bench as after power-on: streams stop, RAM parameters come from flash, temporary
    // settings fall back to the permanent ones, start-up phase, then a zero request.
    void PowerOn();
    // Ends the start-up phase at once and clears the zero request (a warmed-up, zeroed bench).
    void SkipStartUp();

    // ---- model control and inspection ----
    void SetSampleGas(const SimGas& gas);
    SimGas SampleGas() const;
    // Bits ORed into status byte i (0..15) of every report, e.g. (0, 0xC0) for a system fault;
    // a mask of 0 removes them.
    void SetForcedStatusBits(int byteIndex, uint8_t mask);
    // Leak of the sample line in 0.1 PSI/min; a leak check ($0B) fails when it exceeds the tolerance.
    void SetLeakRate(int tenthsPsiPerMin);

    Mode OperationMode() const;
    bool ZeroRequired() const;
    bool ProcessInProgress() const;
    bool PumpOn() const;
    bool InBootMode() const;
    // True during the deaf time after a soft reset.
    bool Restarting() const;
    // The 16 status bytes as the next report will carry them.
    std::array<uint8_t, 16> StatusBytes() const;
    // Readings without noise, in wire units: CO2 0.01 %, CO 0.001 %, HC ppm, O2 0.01 %, NO ppm.
    double Reading(int channel) const; // 0 CO2, 1 CO, 2 HC, 3 O2, 4 NO

    // Kept states, as their replies report them.
    uint8_t PumpState() const;                 // $07, $52: 0 off, 1 on
    uint8_t DeviceControlState() const;        // $08
    uint8_t ChannelSwitch() const;             // $13: bits 0-4 CO2, CO, Ethanol, NO, O2 on
    uint8_t StandbyState() const;              // $17: 0x80 enabled, 0x40 disabled
    uint8_t FilterState() const;               // $45
    uint8_t DemodState() const;                // $46
    uint8_t ReportedMode() const;              // $F1
    std::array<uint8_t, 3> CommandSet() const; // $D4
    // Codes whose reply is streamed continuously at the moment ($01, $06, $40, $41, $42, $44).
    std::vector<uint8_t> StreamingCodes() const;

    // Identity: SerialNumber, ModelNumber, HwPartNumber, HwRevision, SwPartNumber, SwRevision,
    // CalPartNumber, CalRevision, CalCalcPartNumber, CalCalcRevision.
    QStringList Identity() const;
    QByteArray UserMemory(int location) const; // location 1..20, 20 bytes
    // Parameter value texts, number 0..400 (empty for other numbers).
    QByteArray RamParam(int number) const;
    QByteArray FlashParam(int number) const;
    void SetRamParam(int number, const QByteArray& text);
    // The flash image that $26 erases and $27 writes; erased bytes read 0xFF.
    QByteArray ReadFlashImage(uint32_t address, int length) const;
    int FlashBlocksWritten() const;
    // The address ranges written since the last erase, merged where they touch, with their bytes: what
    // a download put into the flash, to compare with the file it came from.
    struct FlashSegment {
        uint32_t Address = 0;
        QByteArray Bytes;
    };
    std::vector<FlashSegment> WrittenFlash() const;
    // The written ranges as S3 records (32 bytes each, S7 at the end), lines ending in line feeds.
    QByteArray WrittenFlashSRecords() const;
    // The four bytes $18 reports; they change when new firmware has been written.
    std::array<uint8_t, 4> SoftwareChecksum() const;

    // ---- fault injection ----
    // Answer requests of the code (or of every code with code -1) with a NAK carrying nakCode.
    void RefuseCode(int code, uint8_t nakCode);
    // Send no reply for the code (or none at all with code -1). Requests are still acted upon;
    // stream packets of a silenced code are dropped too.
    void SilenceCode(int code);
    // The next n replies get a wrong checksum.
    void CorruptNextReplies(int n);
    // The given bytes go out before each of the next `replies` replies.
    void InjectNoise(const QByteArray& bytes, int replies = 1);
    // `length` random bytes before each of the next `replies` replies: never 0x06 or 0x15 (so they
    // cannot open a packet), or any value. The bytes depend only on the bench's seed.
    void InjectRandomNoise(int length, int replies = 1, SimNoiseBytes bytes = SimNoiseBytes::NoKindBytes);
    // The next n replies lose their last `dropBytes` data bytes (length byte and checksum agree).
    void ShortenNextReplies(int n, int dropBytes);
    // Every reply leaves this many real milliseconds after its request, in order (sent from Tick()).
    void SetReplyDelayMs(int ms);
    // Refuse every parameter command ($48, $49, $54, $55) for parameter `number` with nakCode.
    void RefuseParam(int number, uint8_t nakCode);
    // Keep parameter `number` wrong: every write of it stores its first value changed, so that what is
    // read back differs from what was written.
    void CorruptParam(int number);
    // Removes every fault above and the forced status bits.
    void ClearFaults();

    // ---- counters ----
    int FramesAnswered() const;    // requests with a good checksum that were handled
    int BadChecksumFrames() const; // requests ignored for their checksum
    int SkippedBytes() const;      // bytes skipped while looking for a start byte
    int RepliesSent() const;
    int RepliesDropped() const; // silenced replies
    // Stream packets skipped after a stall of the event loop (see MaxStreamLagMs).
    qint64 StreamPacketsSkipped() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
