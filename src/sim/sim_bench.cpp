#include "sim_bench.h"

#include "clock.h"
#include "sim_params.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

// Channel order of the gas model.
enum Channel { ChCo2 = 0, ChCo = 1, ChHc = 2, ChO2 = 3, ChNo = 4, ChannelCount = 5 };
// Infrared channels of the raw waveforms and the ADC extremes.
enum IrChannel { IrCo2 = 0, IrCo = 1, IrHc = 2, IrRef = 3 };

// Wire units per model unit (% or ppm) of each gas channel.
constexpr double WireScale[ChannelCount] = {100.0, 1000.0, 1.0, 100.0, 1.0};
// Reading noise (one sigma, wire units) and slow drift spread of each channel.
constexpr double NoiseSigma[ChannelCount] = {0.6, 2.0, 2.0, 1.0, 1.5};
constexpr double DriftSigma[ChannelCount] = {1.0, 3.0, 3.0, 2.0, 2.0};
// Bit of each channel in the gas switch byte ($13): CO2, CO, Ethanol, NO, O2.
constexpr uint8_t SwitchBit[ChannelCount] = {0x01, 0x02, 0x04, 0x10, 0x08};
// Bit of each channel in the engineering invalid / zero fail / span fail bytes.
constexpr uint8_t EngBit[ChannelCount] = {0x80, 0x40, 0x20, 0x10, 0x08};
// Span mask bit order of $03 and $09: CO2, CO, Ethanol, NO, O2.
constexpr int SpanChannel[5] = {ChCo2, ChCo, ChHc, ChNo, ChO2};

constexpr double Pef = 0.520;           // propane equivalence of the hydrocarbon channel
constexpr double SourceSetpoint = 55.0; // degrees C
constexpr double CellSetpoint = 45.0;
constexpr double EthanolDetSetpoint = 48.0;

void put16(QByteArray& b, int v) {
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}
void put32(QByteArray& b, uint32_t v) {
    b.append(char((v >> 24) & 0xFF));
    b.append(char((v >> 16) & 0xFF));
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}
int16_t clamp16(double v) {
    return int16_t(std::clamp(std::lround(v), -32768L, 32767L));
}
uint32_t clampU32(double v) {
    return v <= 0 ? 0u : v >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(std::llround(v));
}
uint8_t u8(const QByteArray& b, int i) {
    return uint8_t(b.at(i));
}
int be16(const QByteArray& b, int i) {
    return (u8(b, i) << 8) | u8(b, i + 1);
}
// A text field of fixed width, padded with zero bytes.
QByteArray field(const QString& text, int width) {
    QByteArray b = text.toLatin1().left(width);
    b.append(QByteArray(width - b.size(), '\0'));
    return b;
}
bool isFlashFrameCode(uint8_t code) {
    return code == 0x26 || code == 0x27 || code == 0x28;
}
// Known command sets ($D4): first and second digit pair, third byte.
constexpr uint8_t CommandSets[][3] = {{42, 0, 0}, {71, 57, 0}, {71, 58, 0}};

constexpr uint32_t FlashPageSize = 4096;

} // namespace

struct SimBench::Impl {
    enum Process { ProcessNone, ProcessZero, ProcessSpan, ProcessLeakCheck, ProcessNoSensor };
    // A stream's packets are due on a fixed grid: packet k (1, 2, ...) at originMs + k periods, so the
    // rate is exact on average whatever the tick length, and the packets are evenly spread.
    struct Stream {
        bool on = false;
        double originMs = 0;
        qint64 scheduled = 0; // packets of the grid sent or skipped so far
        uint8_t ethanolMode = 0;
    };
    struct Pending {
        qint64 dueMs;
        QByteArray bytes;
    };
    // A slow random walk pulled back to zero (Ornstein-Uhlenbeck): steady spread sigma, time constant tau.
    struct Drift {
        double value = 0, sigma = 0, tau = 60;
    };

    int index;
    QRandomGenerator rng;
    // Noise bytes come from a generator of their own, so that they depend on the seed only and not
    // on how often the model has drawn (which follows the tick timing).
    QRandomGenerator noiseRng;
    Writer writer;
    QByteArray rx;
    qint64 lastRxMs = 0;

    double timeScale = 1.0;
    double streamHz = 5.0;
    qint64 lastRealMs = 0;
    double modelMs = 0;
    double lastDriftMs = 0;
    int startUpMs = DefaultStartUpMs;
    bool startingUp = false;
    double startUpEndsMs = 0;
    bool restarting = false;
    double restartEndsMs = 0;
    double lastZeroMs = 0;

    SimGas sample;
    bool zeroRequired = false;
    Process process = ProcessNone;
    double processStartMs = 0, processEndsMs = 0, purgeEndsMs = 0;
    uint8_t spanMask = 0;
    std::array<double, ChannelCount> spanTarget{}; // wire units
    int leakTolerance = 0, leakRate = 2;
    bool leakFailed = false;
    bool pumpOn = true;
    uint8_t deviceControl = 0;
    uint8_t channelSwitch = 0x1F;
    bool standby = false, standbyPermanent = false;
    uint8_t filter = 0x21;
    uint8_t demodAlgorithm = 0;
    uint8_t mode = 1, modePermanent = 1;
    std::array<uint8_t, 3> commandSet{71, 57, 0}, commandSetPermanent{71, 57, 0};
    uint8_t hcMode = 1;
    std::array<uint8_t, 16> forced{};
    std::array<double, ChannelCount> gain{}, factoryGain{}, offset{}, offsetRate{};
    std::array<bool, ChannelCount> spanFail{};
    std::array<Drift, ChannelCount> gasDrift{};
    Drift ambientDrift, pressureDrift, sourceDrift;
    double ambientBase = 23.5;
    double warmth = 1.0; // 0 cold .. 1 at the temperature setpoints
    int pressureOffset = 0;
    std::array<int, 2> twoPointSpan{};

    QStringList identity;
    std::array<QByteArray, UserMemoryLocations> userMemory;
    std::array<QByteArray, ParamCount> ram, flash, defaults;
    std::array<double, ChannelCount> warmupOffsets{};

    bool bootMode = false;
    bool erasing = false;
    double eraseEndsMs = 0;
    bool flashErased = false;
    int flashBlocks = 0;
    uint32_t firmwareSum = 0;
    std::map<uint32_t, QByteArray> flashPages;
    // Written ranges since the erase: start -> end (exclusive), merged where they touch.
    std::map<uint32_t, uint32_t> flashWritten;

    std::map<uint8_t, Stream> streams;
    std::map<uint8_t, uint8_t> packetNumber;
    std::vector<Pending> pending;

    std::map<int, uint8_t> refuse;
    std::map<int, uint8_t> refuseParam;
    std::vector<int> corruptParam;
    std::vector<int> silence;
    int corruptReplies = 0;
    QByteArray noise;
    int randomNoiseLength = 0;
    SimNoiseBytes randomNoiseBytes = SimNoiseBytes::NoKindBytes;
    int noiseReplies = 0;
    int shortenReplies = 0, shortenBytes = 0;
    int replyDelayMs = 0;

    int framesAnswered = 0, badFrames = 0, skippedBytes = 0, repliesSent = 0, repliesDropped = 0;
    qint64 streamPacketsSkipped = 0;

    static uint32_t benchSeed(int i, uint32_t seed) { return seed ? seed : 0x714u + uint32_t(i) * 7919u; }
    Impl(int i, uint32_t seed)
        : index(i), rng(benchSeed(i, seed)), noiseRng(benchSeed(i, seed) ^ 0x5EEDB17Eu) {}

    // ---------------------------------------------------------------- time and model
    qint64 nowReal() const { return Clock().Milliseconds(); }

    double gaussian() {
        const double u1 = std::max(rng.generateDouble(), 1e-12);
        const double u2 = rng.generateDouble();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
    }

    void step(Drift& d, double dt) {
        if (dt <= 0 || d.sigma <= 0) return;
        const double a = std::exp(-dt / d.tau);
        d.value = d.value * a + d.sigma * std::sqrt(1.0 - a * a) * gaussian();
    }

    void advance() {
        const qint64 now = nowReal();
        qint64 delta = now - lastRealMs;
        lastRealMs = now;
        // A clock swapped under a running bench (tests) must not throw the model years ahead.
        delta = std::clamp<qint64>(delta, 0, 24LL * 3600 * 1000);
        modelMs += double(delta) * timeScale;

        const double dt = (modelMs - lastDriftMs) / 1000.0;
        if (dt > 0) {
            lastDriftMs = modelMs;
            for (int c = 0; c < ChannelCount; ++c) {
                step(gasDrift[size_t(c)], dt);
                if (!startingUp) offset[size_t(c)] += offsetRate[size_t(c)] * dt / 3600.0;
            }
            step(ambientDrift, dt);
            step(pressureDrift, dt);
            step(sourceDrift, dt);
        }
        if (restarting && modelMs >= restartEndsMs) {
            restarting = false;
            powerOn();
        }
        if (startingUp) {
            const double progress = startUpMs > 0 ? (modelMs - (startUpEndsMs - startUpMs)) / startUpMs : 1.0;
            warmth = std::clamp(progress, 0.0, 1.0);
            if (modelMs >= startUpEndsMs) {
                startingUp = false;
                warmth = 1.0;
                zeroRequired = true;
            }
        }
        if (process != ProcessNone && modelMs >= processEndsMs) finishProcess();
        if (erasing && modelMs >= eraseEndsMs) {
            erasing = false;
            flashPages.clear();
            flashWritten.clear();
            flashErased = true;
            flashBlocks = 0;
            firmwareSum = 0;
            ack(0x26);
        }
        if (!startingUp && !restarting && !zeroRequired && process != ProcessZero &&
            modelMs - lastZeroMs >= ZeroIntervalMs)
            zeroRequired = true;
    }

    void powerOn() {
        // Replies already on their way (a delayed soft reset acknowledgement) still leave.
        streams.clear();
        rx.clear();
        bootMode = false;
        erasing = false;
        process = ProcessNone;
        ram = flash;
        standby = standbyPermanent;
        mode = modePermanent;
        commandSet = commandSetPermanent;
        pumpOn = true;
        deviceControl = 0;
        channelSwitch = 0x1F;
        leakFailed = false;
        spanFail.fill(false);
        startingUp = true;
        startUpEndsMs = modelMs + startUpMs;
        warmth = startUpMs > 0 ? 0.0 : 1.0;
        zeroRequired = false;
        // A cold bench has lost its zero: the offsets come back at random.
        const double spread[ChannelCount] = {6, 25, 12, 15, 6};
        for (int c = 0; c < ChannelCount; ++c)
            offset[size_t(c)] = spread[c] * gaussian();
        if (startUpMs <= 0) advance();
    }

    void skipStartUp() {
        startingUp = false;
        warmth = 1.0;
        zeroRequired = false;
        offset.fill(0.0);
        lastZeroMs = modelMs;
    }

    Mode operationMode() const {
        if (restarting || startingUp) return ModeStartUp;
        if (standby) return ModeStandby;
        return ModeNormal;
    }

    bool effectivePump() const {
        if (process == ProcessZero || process == ProcessLeakCheck || process == ProcessSpan) return true;
        return pumpOn && !standby;
    }

    bool channelOn(int c) const { return (channelSwitch & SwitchBit[c]) != 0; }

    // The gas a channel sees at the moment, in wire units.
    double trueGas(int c) const {
        if (process == ProcessSpan && spanTarget[size_t(c)] > 0) return spanTarget[size_t(c)];
        const SimGas g = process == ProcessZero ? SimGas() : sample;
        const double v[ChannelCount] = {g.Co2, g.Co, g.Hc, g.O2, g.NO};
        return v[c] * WireScale[c];
    }

    // Reading without noise; a switched-off channel reads 0.
    double reading(int c) const {
        if (!channelOn(c)) return 0.0;
        // A span process reads the span gas through the gain it is about to correct.
        return trueGas(c) * gain[size_t(c)] + offset[size_t(c)] + gasDrift[size_t(c)].value;
    }

    double noiseScale() const { return (filter & 0x01) ? 0.5 : 1.0; }

    double noisyReading(int c) {
        if (!channelOn(c)) return 0.0;
        return reading(c) + NoiseSigma[c] * noiseScale() * gaussian();
    }

    int16_t gasWord(int c) { return clamp16(noisyReading(c)); }
    uint32_t hcWord(uint8_t ethanolMode) {
        const double v = noisyReading(ChHc) * (ethanolMode ? 1.0 : Pef);
        return clampU32(v);
    }

    void startProcess(Process p, double durationMs) {
        process = p;
        processStartMs = modelMs;
        processEndsMs = modelMs + durationMs;
    }

    void finishProcess() {
        const Process p = process;
        process = ProcessNone;
        switch (p) {
        case ProcessZero:
            for (int c = 0; c < ChannelCount; ++c) {
                offset[size_t(c)] = 0.15 * gaussian();
                gasDrift[size_t(c)].value = 0;
            }
            // The O2 cell is spanned on air during the zero.
            gain[ChO2] = 1.0 + 0.0005 * gaussian();
            zeroRequired = false;
            lastZeroMs = modelMs;
            break;
        case ProcessSpan:
            for (int bit = 0; bit < 5; ++bit) {
                if (!(spanMask & (1 << bit))) continue;
                const int c = SpanChannel[bit];
                gain[size_t(c)] = 1.0 + 0.001 * gaussian();
                spanFail[size_t(c)] = false;
                spanTarget[size_t(c)] = 0;
            }
            spanTarget.fill(0);
            break;
        case ProcessLeakCheck:
            leakFailed = leakRate > leakTolerance;
            break;
        case ProcessNoSensor:
            offset[ChNo] = 0;
            gain[ChNo] = 1.0;
            break;
        case ProcessNone:
            break;
        }
    }

    std::array<uint8_t, 16> statusBytes() const {
        std::array<uint8_t, 16> s{};
        const bool invalidAll = startingUp || restarting;
        auto code = [&](int c) -> uint8_t {
            if (spanFail[size_t(c)]) return 2;
            if (invalidAll || !channelOn(c)) return 1;
            return 0;
        };
        s[0] = uint8_t(operationMode() << 6) | (zeroRequired ? 0x20 : 0) |
               (process != ProcessNone ? 0x10 : 0) | (effectivePump() ? 0x02 : 0) | (hcMode & 1);
        s[1] = uint8_t(code(ChCo2) << 6 | code(ChCo) << 4 | code(ChHc) << 2 | code(ChO2));
        s[2] = uint8_t(code(ChNo) << 6);
        s[3] = leakFailed ? 0x01 : 0x00;
        // A failed leak check is the gas leak bit of byte 7; bit 4 (low pump flow) is raised by hand.
        s[7] = leakFailed ? 0x08 : 0x00;
        if (startingUp) s[8] = 0x30; // source and detector still warming up
        for (int c = 0; c < ChannelCount; ++c) {
            if (code(c) == 1) s[11] |= EngBit[c];
            if (spanFail[size_t(c)]) s[13] |= EngBit[c];
        }
        const bool purging = process == ProcessZero && modelMs < purgeEndsMs;
        s[14] = purging ? 0x40 : effectivePump() ? 0x20 : 0x00;
        for (size_t i = 0; i < s.size(); ++i)
            s[i] |= forced[i];
        return s;
    }

    // ---------------------------------------------------------------- derived signals
    double ambientTemp() const { return ambientBase + ambientDrift.value; }
    double sourceTemp() const {
        return ambientTemp() + (SourceSetpoint - ambientTemp()) * warmth + sourceDrift.value;
    }
    double cellTemp() const { return ambientTemp() + (CellSetpoint - ambientTemp()) * warmth; }

    // Peak amplitude in ADC counts of the chopped IR signal of a channel; the gases absorb.
    double irAmplitude(int ir) const {
        const double base[4] = {14000, 12500, 11000, 16000};
        const double source = 0.35 + 0.65 * warmth; // a cold source glows less
        const double bench = 1.0 - 0.02 * index;
        double transmission = 1.0;
        const auto gasPct = [&](int c) { return std::max(0.0, trueGas(c) / WireScale[c]); };
        switch (ir) {
        case IrCo2:
            transmission = std::exp(-0.045 * gasPct(ChCo2));
            break;
        case IrCo:
            transmission = std::exp(-0.06 * gasPct(ChCo));
            break;
        case IrHc:
            transmission = std::exp(-0.00004 * gasPct(ChHc));
            break;
        default:
            break;
        }
        return base[ir] * source * bench * transmission;
    }
    double irOffset(int ir) const { return 180.0 + 40.0 * ir - 15.0 * index; }
    uint32_t demod(int ir) const {
        const double factor = demodAlgorithm ? 66.0 : 64.0;
        return clampU32(irAmplitude(ir) * factor);
    }

    int16_t ambPressure() const { return clamp16(7600 + 7 * index + pressureDrift.value); }
    int16_t absPressure() const {
        return clamp16(ambPressure() - (effectivePump() ? 150 : 0) + pressureOffset);
    }
    // Differential pressure over the sample line in 0.001 psi (1 torr = 19.34 mpsi).
    int16_t gagePressure() const { return clamp16((absPressure() - ambPressure()) * 1.934); }
    int16_t rawO2() const { return clamp16(reading(ChO2) * 2.0 + 35); }
    uint32_t rawNo() const { return clampU32(12000 + reading(ChNo) * 40.0); }

    // ---------------------------------------------------------------- replies
    QByteArray dataStatus01(uint8_t ethanol) {
        const auto s = statusBytes();
        QByteArray b;
        for (int i = 0; i < 4; ++i)
            b.append(char(s[size_t(i)]));
        put16(b, gasWord(ChCo2));
        put16(b, gasWord(ChCo));
        put32(b, hcWord(ethanol));
        put16(b, gasWord(ChO2));
        put16(b, gasWord(ChNo));
        return b;
    }

    QByteArray dataStatus06(uint8_t ethanol) {
        QByteArray b = dataStatus01(ethanol);
        put16(b, gagePressure() + clamp16(gaussian()));
        put16(b, absPressure() + clamp16(gaussian()));
        put16(b, rawO2());
        put32(b, rawNo());
        put16(b, clamp16(ambientTemp() * 10));
        put16(b, clamp16(Pef * 1000));
        return b;
    }

    QByteArray engineeringData44(uint8_t ethanol) {
        QByteArray b;
        put16(b, gagePressure() + clamp16(gaussian()));
        put16(b, absPressure() + clamp16(gaussian()));
        put16(b, clamp16(sourceTemp() * 10));
        put16(b, clamp16(cellTemp() * 10));
        for (int ir = 0; ir < 4; ++ir)
            put16(b, clamp16(irOffset(ir) + irAmplitude(ir) + 20 * gaussian()));
        put16(b, ambPressure());
        put16(b, effectivePump() ? clamp16(1800 + 5 * gaussian()) : 0); // pump speed, rpm
        for (int ir = 0; ir < 4; ++ir)
            put32(b, clampU32(demod(ir) * (1.0 + 0.0005 * gaussian())));
        for (int ir = 0; ir < 4; ++ir)
            put16(b, clamp16(irOffset(ir) - irAmplitude(ir) + 20 * gaussian()));
        put16(b, rawO2());
        put32(b, rawNo());
        put16(b, clamp16(820 + 3 * gaussian()));  // source current, mA
        put16(b, clamp16(4950 + 5 * gaussian())); // lamp supply, mV
        put16(b, clamp16((ambientTemp() + (EthanolDetSetpoint - ambientTemp()) * warmth) * 10));
        put16(b, 0);
        put16(b, gasWord(ChCo2));
        put16(b, gasWord(ChCo));
        put32(b, hcWord(ethanol));
        put16(b, gasWord(ChO2));
        put16(b, gasWord(ChNo));
        const auto s = statusBytes();
        for (uint8_t v : s)
            b.append(char(v));
        return b;
    }

    // One packet of a waveform frame: RawIrPoints points of the four channels. The packet number
    // modulo RawIrPhases tells which quarter of the 100-sample cycle it carries.
    QByteArray rawIr(uint8_t code) {
        const uint8_t number = packetNumber[code]++;
        const bool filtered = code == 0x42;
        const int phase = number % RawIrPhases;
        const int cycle = RawIrPhases * RawIrPoints;
        double sigma = filtered ? 20.0 : 120.0;
        if (filter & 0x20) sigma *= 0.7;
        if (filter & 0x10) sigma *= 0.7;
        QByteArray b;
        b.append(char(number));
        for (int p = 0; p < RawIrPoints; ++p) {
            const int s = phase * RawIrPoints + p;
            for (int ir = 0; ir < 4; ++ir) {
                // Filtering lags the signal by a couple of samples.
                const double x = 2.0 * M_PI * (s - (filtered ? 2 : 0)) / cycle + 0.05 * ir;
                const double shape = std::tanh(3.0 * std::sin(x)) / std::tanh(3.0);
                put16(b, clamp16(irOffset(ir) + irAmplitude(ir) * shape + sigma * gaussian()));
            }
        }
        return b;
    }

    QByteArray streamData(uint8_t code, uint8_t ethanol) {
        switch (code) {
        case 0x01:
            return dataStatus01(ethanol);
        case 0x06:
            return dataStatus06(ethanol);
        case 0x44:
            return engineeringData44(ethanol);
        case 0x41: {
            const auto s = statusBytes();
            return QByteArray(reinterpret_cast<const char*>(s.data()), int(s.size()));
        }
        default:
            return rawIr(code);
        }
    }

    QByteArray identityBlock(int fields) const {
        static constexpr int widths[10] = {6, 4, 10, 2, 10, 2, 10, 2, 10, 2};
        QByteArray b;
        for (int i = 0; i < fields; ++i)
            b += field(identity.value(i), widths[i]);
        return b;
    }

    std::array<uint8_t, 4> swChecksum() const {
        if (firmwareSum == 0) return {0x3A, 0x7C, 0x01, 0xE4};
        return {uint8_t(firmwareSum >> 24), uint8_t(firmwareSum >> 16), uint8_t(firmwareSum >> 8),
                uint8_t(firmwareSum)};
    }

    // ---------------------------------------------------------------- output
    bool silenced(uint8_t code) const {
        return std::find(silence.begin(), silence.end(), -1) != silence.end() ||
               std::find(silence.begin(), silence.end(), int(code)) != silence.end();
    }

    void ack(uint8_t code, const QByteArray& data = {}) { send(SimAckKind, code, data); }
    void nak(uint8_t code, uint8_t error) { send(SimNakKind, code, QByteArray(1, char(error))); }

    void send(uint8_t kind, uint8_t code, QByteArray data) {
        if (silenced(code)) {
            ++repliesDropped;
            return;
        }
        if (shortenReplies > 0) {
            --shortenReplies;
            data.chop(std::min<qsizetype>(shortenBytes, data.size()));
        }
        QByteArray packet;
        packet.append(char(kind));
        packet.append(char(code));
        packet.append(char(data.size()));
        packet += data;
        uint8_t sum = 0;
        for (char c : packet)
            sum = uint8_t(sum + uint8_t(c));
        uint8_t checksum = uint8_t(0x100 - sum);
        if (corruptReplies > 0) {
            --corruptReplies;
            checksum = uint8_t(checksum + 1);
        }
        packet.append(char(checksum));
        QByteArray out;
        if (noiseReplies > 0) {
            --noiseReplies;
            if (randomNoiseLength > 0) {
                const bool any = randomNoiseBytes == SimNoiseBytes::AnyByte;
                for (int i = 0; i < randomNoiseLength; ++i) {
                    uint8_t v;
                    do
                        v = uint8_t(noiseRng.bounded(256));
                    while (!any && (v == SimAckKind || v == SimNakKind));
                    out.append(char(v));
                }
            } else {
                out += noise;
            }
        }
        out += packet;
        ++repliesSent;
        const qint64 now = nowReal();
        if (replyDelayMs > 0 || !pending.empty()) {
            qint64 due = now + replyDelayMs;
            if (!pending.empty()) due = std::max(due, pending.back().dueMs);
            pending.push_back({due, out});
            return;
        }
        if (writer) writer(out);
    }

    void flushPending() {
        const qint64 now = nowReal();
        while (!pending.empty() && pending.front().dueMs <= now) {
            const QByteArray bytes = pending.front().bytes;
            pending.erase(pending.begin());
            if (writer) writer(bytes);
        }
    }

    double streamPeriodMs() const { return 1000.0 / streamHz; }

    // Packets of stream s due by `nowMs` on its grid (a hair of tolerance for the floating point).
    qint64 streamPacketsDueBy(const Stream& s, double nowMs) const {
        return qint64(std::floor((nowMs - s.originMs) * streamHz / 1000.0 + 1e-9));
    }

    // Real time at which the next packet of stream s is due, rounded up to a whole millisecond.
    qint64 streamNextDueMs(const Stream& s) const {
        return qint64(std::ceil(s.originMs + double(s.scheduled + 1) * streamPeriodMs() - 1e-6));
    }

    void runStreams() {
        if (restarting) return;
        const qint64 now = nowReal();
        // Packets due while the event loop stalled go out at once, but no more than a bounded burst:
        // a long stall must not make the bench flood the line afterwards. The older ones are skipped
        // and the grid goes on, so the rate stays right.
        const qint64 maxBurst =
            std::max<qint64>(MinStreamBurst, qint64(std::ceil(streamHz * MaxStreamLagMs / 1000.0)));
        for (auto& [code, s] : streams) {
            if (!s.on) continue;
            const qint64 due = streamPacketsDueBy(s, double(now));
            if (due - s.scheduled > maxBurst) {
                streamPacketsSkipped += due - maxBurst - s.scheduled;
                s.scheduled = due - maxBurst;
            }
            while (s.on && s.scheduled < due) {
                ++s.scheduled;
                ack(code, streamData(code, s.ethanolMode));
            }
        }
    }

    qint64 nextDueMs() const {
        qint64 next = std::numeric_limits<qint64>::max();
        if (!pending.empty()) next = pending.front().dueMs;
        if (restarting) return next;
        for (const auto& [code, s] : streams)
            if (s.on) next = std::min(next, streamNextDueMs(s));
        return next;
    }

    void setStreamRate(double hz) {
        // The streams that run go on from their last packet at the new rate.
        for (auto& [code, s] : streams) {
            s.originMs += double(s.scheduled) * streamPeriodMs();
            s.scheduled = 0;
        }
        streamHz = hz;
    }

    // ---------------------------------------------------------------- input
    void parse() {
        for (;;) {
            int i = 0;
            while (i < rx.size() && u8(rx, i) != 0x02 && u8(rx, i) != 0x22)
                ++i;
            skippedBytes += i;
            rx.remove(0, i);
            if (rx.size() < 2) return;
            const int n = u8(rx, 1);
            if (n == 0) {
                ++skippedBytes;
                rx.remove(0, 1);
                continue;
            }
            if (rx.size() < n + 3) return;
            uint8_t sum = 0;
            for (int k = 0; k < n + 3; ++k)
                sum = uint8_t(sum + u8(rx, k));
            if (sum != 0) {
                // Not a frame after all: look for the next start byte after this one.
                ++badFrames;
                rx.remove(0, 1);
                continue;
            }
            const uint8_t start = u8(rx, 0);
            const QByteArray payload = rx.mid(2, n);
            rx.remove(0, n + 3);
            handleFrame(start, payload);
            if (restarting) {
                rx.clear();
                return;
            }
        }
    }

    void dropStaleInput() {
        const qint64 now = nowReal();
        while (!rx.isEmpty() && now - lastRxMs >= RxGapMs) {
            ++skippedBytes;
            rx.remove(0, 1);
            parse();
        }
    }

    void handleFrame(uint8_t start, const QByteArray& payload) {
        const uint8_t code = u8(payload, 0);
        // The boot program's frames carry their own start byte; a mismatch is not addressed to us.
        if ((start == 0x22) != isFlashFrameCode(code)) {
            ++badFrames;
            return;
        }
        ++framesAnswered;
        dispatch(code, payload.mid(1));
    }

    bool refused(uint8_t code) {
        auto it = refuse.find(int(code));
        if (it == refuse.end()) it = refuse.find(-1);
        if (it == refuse.end()) return false;
        nak(code, it->second);
        return true;
    }

    // Processes that need a settled bench: not during start-up, standby or another process.
    bool busy() const { return startingUp || standby || process != ProcessNone; }

    void dispatch(uint8_t code, const QByteArray& a) {
        if (refused(code)) return;
        if (bootMode && !(code == 0x25 || isFlashFrameCode(code) || code == 0xF0)) {
            nak(code, SimNak::BootActive);
            return;
        }
        const int n = int(a.size());
        auto bad = [&] { nak(code, SimNak::IllegalValue); };
        switch (code) {
        case 0x01:
        case 0x06:
        case 0x44:
        case 0x40:
        case 0x41:
        case 0x42:
            handleStreamRequest(code, a);
            return;
        case 0x02:
            if (n != 1) return bad();
            if (busy()) return nak(code, SimNak::NotAllowed);
            purgeEndsMs = modelMs + 1000.0 * u8(a, 0);
            startProcess(ProcessZero, 1000.0 * u8(a, 0) + ZeroMs);
            return ack(code);
        case 0x03: {
            if (n < 1) return bad();
            const uint8_t mask = u8(a, 0);
            const int count = __builtin_popcount(mask);
            if (mask == 0 || (mask & 0xE0) || n != 1 + 2 * count) return bad();
            std::array<double, ChannelCount> target{};
            for (int bit = 0, k = 0; bit < 5; ++bit) {
                if (!(mask & (1 << bit))) continue;
                const int v = int16_t(be16(a, 1 + 2 * k++));
                if (v <= 0) return bad();
                target[size_t(SpanChannel[bit])] = v;
            }
            if (busy() || zeroRequired) return nak(code, SimNak::NotAllowed);
            spanMask = mask;
            spanTarget = target;
            startProcess(ProcessSpan, SpanMs);
            return ack(code);
        }
        case 0x04:
            if (n != 0) return bad();
            return ack(code, identityBlock(6));
        case 0x05: {
            if (n != 0) return bad();
            QByteArray b;
            put16(b, clamp16(ambientTemp() * 10));
            put16(b, clamp16(Pef * 1000));
            put16(b, clamp16(2496 + 2 * gaussian()));
            put16(b, clamp16(1250 + 2 * gaussian()));
            put16(b, effectivePump() ? clamp16(1800 + 10 * gaussian()) : 0);
            return ack(code, b);
        }
        case 0x07:
        case 0x52:
            if (n != 1 || u8(a, 0) > 2) return bad();
            if (u8(a, 0) < 2) pumpOn = u8(a, 0) == 1;
            return ack(code, QByteArray(1, char(effectivePump() ? 1 : 0)));
        case 0x08:
            if (n != 2) return bad();
            deviceControl = uint8_t((deviceControl & ~u8(a, 0)) | (u8(a, 1) & u8(a, 0)));
            return ack(code, QByteArray(1, char(deviceControl)));
        case 0x09: {
            if (n != 1 || (u8(a, 0) & 0xE0) || u8(a, 0) == 0) return bad();
            if (process != ProcessNone) return nak(code, SimNak::NotAllowed);
            for (int bit = 0; bit < 5; ++bit)
                if (u8(a, 0) & (1 << bit)) {
                    gain[size_t(SpanChannel[bit])] = factoryGain[size_t(SpanChannel[bit])];
                    spanFail[size_t(SpanChannel[bit])] = false;
                }
            return ack(code);
        }
        case 0x0A:
            if (n != 0) return bad();
            if (process != ProcessNone) return nak(code, SimNak::NotAllowed);
            startProcess(ProcessNoSensor, NoSensorMs);
            return ack(code);
        case 0x0B:
            if (n != 3) return bad();
            if (busy()) return nak(code, SimNak::NotAllowed);
            leakTolerance = u8(a, 2);
            leakFailed = false;
            startProcess(ProcessLeakCheck, 1000.0 * (u8(a, 0) + u8(a, 1)));
            return ack(code);
        case 0x11:
            if (n != 3 || (u8(a, 0) != 1 && u8(a, 0) != 2)) return bad();
            if (u8(a, 0) == 2) {
                pressureOffset = 0;
            } else {
                const int value = int16_t(be16(a, 1));
                if (value <= 0) return bad();
                pressureOffset += value - absPressure();
            }
            return ack(code);
        case 0x12: {
            if (n != 0) return bad();
            QByteArray b;
            put16(b, rawO2());
            put32(b, rawNo());
            return ack(code, b);
        }
        case 0x13:
            if (n != 1 || (u8(a, 0) & 0x60)) return bad();
            if (u8(a, 0) & 0x80) channelSwitch = u8(a, 0) & 0x1F;
            return ack(code, QByteArray(1, char(channelSwitch)));
        case 0x14:
            if (n != 1 || u8(a, 0) < 1 || u8(a, 0) > UserMemoryLocations) return bad();
            return ack(code, userMemory[size_t(u8(a, 0) - 1)]);
        case 0x15:
            if (n != 21 || u8(a, 0) < 1 || u8(a, 0) > UserMemoryLocations) return bad();
            userMemory[size_t(u8(a, 0) - 1)] = a.mid(1, 20);
            return ack(code);
        case 0x16: {
            if (n != 0) return bad();
            QByteArray b;
            put16(b, gagePressure() + clamp16(gaussian()));
            put16(b, absPressure() + clamp16(gaussian()));
            put16(b, ambPressure());
            return ack(code, b);
        }
        case 0x17: {
            if (n != 1) return bad();
            const uint8_t v = u8(a, 0);
            const uint8_t action = v & 0xC0;
            if ((v & ~0xE0) || action == 0xC0 || (action == 0 && (v & 0x20))) return bad();
            if (action) {
                standby = action == 0x80;
                if (v & 0x20) standbyPermanent = standby;
            }
            return ack(code, QByteArray(1, char(standby ? 0x80 : 0x40)));
        }
        case 0x18: {
            if (n != 0) return bad();
            const auto c = swChecksum();
            return ack(code, QByteArray(reinterpret_cast<const char*>(c.data()), 4));
        }
        case 0x25:
            if (n != 0) return bad();
            if (!bootMode) {
                bootMode = true;
                streams.clear();
                process = ProcessNone;
                flashErased = false;
            }
            return ack(code);
        case 0x26:
        case 0x27:
        case 0x28:
            return handleFlash(code, a);
        case 0x45:
            if (n != 1 || (u8(a, 0) & ~0x31)) return bad();
            filter = u8(a, 0);
            return ack(code, QByteArray(1, char(filter)));
        case 0x46:
            if (n != 1 || u8(a, 0) > 1) return bad();
            demodAlgorithm = u8(a, 0);
            return ack(code, QByteArray(1, char(demodAlgorithm)));
        case 0x48:
        case 0x49:
        case 0x54:
        case 0x55:
            return handleParam(code, a);
        case 0x50:
            if (n != 3 || (u8(a, 0) != 8 && u8(a, 0) != 136)) return bad();
            twoPointSpan[u8(a, 0) == 8 ? 0 : 1] = int16_t(be16(a, 1));
            return ack(code);
        case 0x51:
            if (n != 0) return bad();
            return ack(code, identityBlock(10));
        case 0x56:
            if (n != 0) return bad();
            defaults = ram;
            return ack(code);
        case 0x57:
            if (n != 0) return bad();
            ram = defaults;
            return ack(code);
        case 0x58:
            if (n != 0) return bad();
            if (startingUp) return nak(code, SimNak::NotAllowed);
            warmupOffsets = offset;
            return ack(code);
        case 0xD4: {
            if (n != 4 || u8(a, 3) > 1) return bad();
            const std::array<uint8_t, 3> id{u8(a, 0), u8(a, 1), u8(a, 2)};
            if (id != std::array<uint8_t, 3>{0, 0, 0}) {
                const bool known =
                    std::any_of(std::begin(CommandSets), std::end(CommandSets), [&](const auto& s) {
                        return s[0] == id[0] && s[1] == id[1] && s[2] == id[2];
                    });
                if (!known) return bad();
                commandSet = id;
                if (u8(a, 3) == 1) commandSetPermanent = id;
            }
            return ack(code, QByteArray(reinterpret_cast<const char*>(commandSet.data()), 3));
        }
        case 0xF0:
            if (n != 0) return bad();
            ack(code);
            restarting = true;
            restartEndsMs = modelMs + RestartMs;
            streams.clear();
            return;
        case 0xF1:
            if (n != 2 || u8(a, 0) > 2 || u8(a, 1) > 7) return bad();
            if (u8(a, 0) >= 1) mode = u8(a, 1);
            if (u8(a, 0) == 2) modePermanent = u8(a, 1);
            return ack(code, QByteArray(1, char(mode)));
        default:
            return bad();
        }
    }

    void handleStreamRequest(uint8_t code, const QByteArray& a) {
        const bool withEthanol = code == 0x01 || code == 0x06 || code == 0x44;
        if (a.size() != (withEthanol ? 2 : 1) || u8(a, 0) > 2 || (withEthanol && u8(a, 1) > 1))
            return nak(code, SimNak::IllegalValue);
        const uint8_t rate = u8(a, 0);
        const uint8_t ethanol = withEthanol ? u8(a, 1) : 0;
        if (withEthanol) hcMode = ethanol;
        Stream& s = streams[code];
        s.ethanolMode = ethanol;
        s.on = rate == 2;
        s.originMs = double(nowReal());
        s.scheduled = 0;
        ack(code, streamData(code, ethanol));
    }

    uint8_t validateParamText(int number, const QByteArray& text) const {
        const SimParamInfo& p = SimParameter(number);
        if (text.isEmpty()) return SimNak::IllegalValue;
        if (p.Type == SimParamType::String12) {
            if (text.size() > 12) return SimNak::IllegalValue;
            for (char c : text)
                if (uchar(c) < 0x20 || uchar(c) > 0x7E) return SimNak::IllegalValue;
            return 0;
        }
        static const QRegularExpression number_re(
            QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
        const QList<QByteArray> values = text.split(',');
        for (const QByteArray& v : values)
            if (!number_re.match(QString::fromLatin1(v)).hasMatch()) return SimNak::IllegalValue;
        if (values.size() > std::max(1, p.Elements)) return SimNak::InvalidParamCount;
        return 0;
    }

    // A written value as a bench with a faulty parameter keeps it: its first value changed.
    static QByteArray corrupted(const QByteArray& text) {
        const qsizetype comma = text.indexOf(',');
        return QByteArrayLiteral("9.875") + (comma < 0 ? QByteArray() : text.mid(comma));
    }

    void handleParam(uint8_t code, const QByteArray& a) {
        const int n = int(a.size());
        // The parameter number is at offset 0, after the access code for $54.
        const int at = code == 0x54 ? 2 : 0;
        if (n >= at + 2)
            if (const auto it = refuseParam.find(be16(a, at)); it != refuseParam.end())
                return nak(code, it->second);
        switch (code) {
        case 0x48: {
            if (n < 3) return nak(code, SimNak::IllegalValue);
            const int number = be16(a, 0);
            if (number >= ParamCount) return nak(code, SimNak::InvalidParamNumber);
            QByteArray text = a.mid(2);
            const qsizetype end = text.indexOf('\0');
            if (end >= 0) text.truncate(end);
            if (const uint8_t e = validateParamText(number, text)) return nak(code, e);
            const bool corrupt =
                std::find(corruptParam.begin(), corruptParam.end(), number) != corruptParam.end();
            ram[size_t(number)] = corrupt ? corrupted(text) : text;
            return ack(code);
        }
        case 0x49: {
            if (n != 2) return nak(code, SimNak::IllegalValue);
            const int number = be16(a, 0);
            if (number >= ParamCount) return nak(code, SimNak::InvalidParamNumber);
            return ack(code, ram[size_t(number)]);
        }
        case 0x54: {
            if (n != 4) return nak(code, SimNak::IllegalValue);
            if (be16(a, 0) != FlashAccessCode) return nak(code, SimNak::InvalidPassword);
            const int number = be16(a, 2);
            if (number >= ParamCount) return nak(code, SimNak::InvalidParamNumber);
            if (SimParameter(number).Bank == SimParamBank::Ram) return nak(code, SimNak::NotAllowed);
            flash[size_t(number)] = ram[size_t(number)];
            return ack(code);
        }
        case 0x55: {
            if (n != 2) return nak(code, SimNak::IllegalValue);
            const int number = be16(a, 0);
            // Numbers beyond the table and RAM-only parameters have nothing in flash to load; the
            // upload of a whole set skips what is refused with this code.
            if (number >= ParamCount || SimParameter(number).Bank == SimParamBank::Ram)
                return nak(code, SimNak::NotAllowed);
            ram[size_t(number)] = flash[size_t(number)];
            return ack(code);
        }
        default:
            return nak(code, SimNak::IllegalValue);
        }
    }

    void noteWritten(uint32_t begin, uint32_t end) {
        auto it = flashWritten.upper_bound(begin);
        if (it != flashWritten.begin() && std::prev(it)->second >= begin) {
            --it;
            begin = it->first;
            end = std::max(end, it->second);
            it = flashWritten.erase(it);
        }
        while (it != flashWritten.end() && it->first <= end) {
            end = std::max(end, it->second);
            it = flashWritten.erase(it);
        }
        flashWritten[begin] = end;
    }

    void handleFlash(uint8_t code, const QByteArray& a) {
        if (!bootMode) return nak(code, SimNak::NotAllowed);
        if (erasing) return nak(code, SimNak::NotAllowed);
        switch (code) {
        case 0x26:
            if (!a.isEmpty()) return nak(code, SimNak::IllegalValue);
            // The erase takes a while; the acknowledgement follows when it is done.
            erasing = true;
            eraseEndsMs = modelMs + EraseMs;
            return;
        case 0x27: {
            if (a.size() < 4) return nak(code, SimNak::IllegalValue);
            if (!flashErased) return nak(code, SimNak::NotAllowed);
            const uint32_t address = (uint32_t(u8(a, 0)) << 16) | (uint32_t(u8(a, 1)) << 8) | u8(a, 2);
            const QByteArray data = a.mid(3);
            if (address + uint32_t(data.size()) > 0x1000000u) return nak(code, SimNak::IllegalValue);
            for (int i = 0; i < data.size(); ++i) {
                const uint32_t at = address + uint32_t(i);
                QByteArray& page = flashPages[at / FlashPageSize];
                if (page.isEmpty()) page = QByteArray(int(FlashPageSize), char(0xFF));
                page[int(at % FlashPageSize)] = data.at(i);
                firmwareSum = firmwareSum * 31u + uint8_t(data.at(i)) + at;
            }
            if (!data.isEmpty()) noteWritten(address, address + uint32_t(data.size()));
            ++flashBlocks;
            return ack(code);
        }
        case 0x28:
            if (!a.isEmpty()) return nak(code, SimNak::IllegalValue);
            return ack(code);
        default:
            return nak(code, SimNak::IllegalValue);
        }
    }
};

// -------------------------------------------------------------------- public interface

SimBench::SimBench(int index, uint32_t seed) : d(std::make_unique<Impl>(index, seed)) {
    d->lastRealMs = d->nowReal();
    // Each bench has its own small errors, so four of them side by side do not read alike.
    const double gainError[ChannelCount] = {0.012, -0.008, 0.02, 0.004, -0.015};
    for (int c = 0; c < ChannelCount; ++c) {
        const double sign = (index % 2) ? -1.0 : 1.0;
        d->factoryGain[size_t(c)] = 1.0 + sign * gainError[c] * (1.0 + 0.3 * index);
        d->gain[size_t(c)] = d->factoryGain[size_t(c)];
        d->gasDrift[size_t(c)] = {0.0, DriftSigma[c], 90.0 + 20.0 * c};
        d->offsetRate[size_t(c)] = DriftSigma[c] * 1.5 * d->gaussian();
    }
    d->ambientBase = 23.5 + 0.4 * index;
    d->ambientDrift = {0.0, 0.3, 600.0};
    d->pressureDrift = {0.0, 4.0, 900.0};
    d->sourceDrift = {0.0, 0.2, 120.0};
    d->leakRate = 2 + index % 2;

    const QString serial = QStringLiteral("X%1").arg(21437 + 1103 * index, 5, 10, QLatin1Char('0'));
    d->identity = {serial,
                   QStringLiteral("X714"),
                   QStringLiteral("714-0100A"),
                   QStringLiteral("B2"),
                   QStringLiteral("SW714-22"),
                   QStringLiteral("07"),
                   QStringLiteral("CAL714-3"),
                   QStringLiteral("04"),
                   QStringLiteral("CC714-34"),
                   QStringLiteral("01")};
    for (auto& m : d->userMemory)
        m = QByteArray(20, '\0');
    // Location 1 carries a note from the factory, as the units leave it.
    d->userMemory[0] = field(QStringLiteral("CAL OK ") + serial, 20);
    for (int n = 0; n < ParamCount; ++n)
        d->defaults[size_t(n)] = SimParameter(n).DefaultValue;
    d->defaults[1] = serial.toLatin1();
    d->flash = d->defaults;
    d->ram = d->flash;
    d->powerOn();
}

SimBench::~SimBench() = default;

int SimBench::Index() const {
    return d->index;
}
void SimBench::SetWriter(Writer writer) {
    d->writer = std::move(writer);
}

void SimBench::Receive(const QByteArray& bytes) {
    d->advance();
    if (d->restarting) return; // deaf while it restarts
    d->rx += bytes;
    d->lastRxMs = d->nowReal();
    d->parse();
}

qint64 SimBench::NextDueMs() const {
    return d->nextDueMs();
}

void SimBench::Tick() {
    d->advance();
    d->dropStaleInput();
    d->runStreams();
    d->flushPending();
}

void SimBench::SetStreamRate(double hz) {
    if (!std::isfinite(hz)) return;
    d->setStreamRate(std::clamp(hz, 0.1, 1000.0));
}
double SimBench::StreamRate() const {
    return d->streamHz;
}
void SimBench::SetTimeScale(double factor) {
    if (!std::isfinite(factor)) return;
    d->advance();
    d->timeScale = std::clamp(factor, 0.001, 100000.0);
}
double SimBench::TimeScale() const {
    return d->timeScale;
}
void SimBench::SetStartUpMs(int ms) {
    const int old = d->startUpMs;
    d->startUpMs = std::max(0, ms);
    if (d->startingUp) {
        d->startUpEndsMs += d->startUpMs - old;
        d->advance();
    }
}
void SimBench::PowerOn() {
    d->advance();
    d->restarting = false;
    d->powerOn();
}
void SimBench::SkipStartUp() {
    d->advance();
    d->skipStartUp();
}

void SimBench::SetSampleGas(const SimGas& gas) {
    d->sample = gas;
}
SimGas SimBench::SampleGas() const {
    return d->sample;
}
void SimBench::SetForcedStatusBits(int byteIndex, uint8_t mask) {
    if (byteIndex >= 0 && byteIndex < 16) d->forced[size_t(byteIndex)] = mask;
}
void SimBench::SetLeakRate(int tenthsPsiPerMin) {
    d->leakRate = tenthsPsiPerMin;
}

SimBench::Mode SimBench::OperationMode() const {
    return Mode(d->statusBytes()[0] >> 6);
}
bool SimBench::ZeroRequired() const {
    return d->zeroRequired;
}
bool SimBench::ProcessInProgress() const {
    return d->process != Impl::ProcessNone;
}
bool SimBench::PumpOn() const {
    return d->effectivePump();
}
bool SimBench::InBootMode() const {
    return d->bootMode;
}
bool SimBench::Restarting() const {
    return d->restarting;
}
std::array<uint8_t, 16> SimBench::StatusBytes() const {
    return d->statusBytes();
}
double SimBench::Reading(int channel) const {
    return channel >= 0 && channel < ChannelCount ? d->reading(channel) : 0.0;
}

uint8_t SimBench::PumpState() const {
    return d->effectivePump() ? 1 : 0;
}
uint8_t SimBench::DeviceControlState() const {
    return d->deviceControl;
}
uint8_t SimBench::ChannelSwitch() const {
    return d->channelSwitch;
}
uint8_t SimBench::StandbyState() const {
    return d->standby ? 0x80 : 0x40;
}
uint8_t SimBench::FilterState() const {
    return d->filter;
}
uint8_t SimBench::DemodState() const {
    return d->demodAlgorithm;
}
uint8_t SimBench::ReportedMode() const {
    return d->mode;
}
std::array<uint8_t, 3> SimBench::CommandSet() const {
    return d->commandSet;
}
std::vector<uint8_t> SimBench::StreamingCodes() const {
    std::vector<uint8_t> codes;
    for (const auto& [code, s] : d->streams)
        if (s.on) codes.push_back(code);
    return codes;
}

QStringList SimBench::Identity() const {
    return d->identity;
}
QByteArray SimBench::UserMemory(int location) const {
    if (location < 1 || location > UserMemoryLocations) return {};
    return d->userMemory[size_t(location - 1)];
}
QByteArray SimBench::RamParam(int number) const {
    return number >= 0 && number < ParamCount ? d->ram[size_t(number)] : QByteArray();
}
QByteArray SimBench::FlashParam(int number) const {
    return number >= 0 && number < ParamCount ? d->flash[size_t(number)] : QByteArray();
}
void SimBench::SetRamParam(int number, const QByteArray& text) {
    if (number >= 0 && number < ParamCount) d->ram[size_t(number)] = text;
}
QByteArray SimBench::ReadFlashImage(uint32_t address, int length) const {
    QByteArray out;
    for (int i = 0; i < length; ++i) {
        const uint32_t at = address + uint32_t(i);
        const auto it = d->flashPages.find(at / FlashPageSize);
        out.append(it == d->flashPages.end() ? char(0xFF) : it->second.at(int(at % FlashPageSize)));
    }
    return out;
}
int SimBench::FlashBlocksWritten() const {
    return d->flashBlocks;
}
std::vector<SimBench::FlashSegment> SimBench::WrittenFlash() const {
    std::vector<FlashSegment> out;
    for (const auto& [begin, end] : d->flashWritten)
        out.push_back({begin, ReadFlashImage(begin, int(end - begin))});
    return out;
}
QByteArray SimBench::WrittenFlashSRecords() const {
    // Written from the record format alone, like the rest of the bench.
    auto record = [](char type, uint32_t address, const QByteArray& data) {
        QByteArray b;
        b.append(char(data.size() + 5));
        for (int shift = 24; shift >= 0; shift -= 8)
            b.append(char((address >> shift) & 0xFF));
        b += data;
        unsigned sum = 0;
        for (char c : b)
            sum += uint8_t(c);
        b.append(char(~sum & 0xFF));
        return QByteArray("S") + type + b.toHex().toUpper() + '\n';
    };
    QByteArray text;
    for (const FlashSegment& s : WrittenFlash())
        for (qsizetype at = 0; at < s.Bytes.size(); at += 32)
            text += record('3', s.Address + uint32_t(at), s.Bytes.mid(at, 32));
    return text + record('7', 0, {});
}
std::array<uint8_t, 4> SimBench::SoftwareChecksum() const {
    return d->swChecksum();
}

void SimBench::RefuseCode(int code, uint8_t nakCode) {
    d->refuse[code < 0 ? -1 : code] = nakCode;
}
void SimBench::SilenceCode(int code) {
    d->silence.push_back(code < 0 ? -1 : code);
}
void SimBench::CorruptNextReplies(int n) {
    d->corruptReplies = std::max(0, n);
}
void SimBench::InjectNoise(const QByteArray& bytes, int replies) {
    d->noise = bytes;
    d->randomNoiseLength = 0;
    d->noiseReplies = std::max(0, replies);
}
void SimBench::InjectRandomNoise(int length, int replies, SimNoiseBytes bytes) {
    d->noise.clear();
    d->randomNoiseLength = std::max(0, length);
    d->randomNoiseBytes = bytes;
    d->noiseReplies = std::max(0, replies);
}
void SimBench::ShortenNextReplies(int n, int dropBytes) {
    d->shortenReplies = std::max(0, n);
    d->shortenBytes = std::max(0, dropBytes);
}
void SimBench::SetReplyDelayMs(int ms) {
    d->replyDelayMs = std::max(0, ms);
}
void SimBench::RefuseParam(int number, uint8_t nakCode) {
    d->refuseParam[number] = nakCode;
}
void SimBench::CorruptParam(int number) {
    d->corruptParam.push_back(number);
}
void SimBench::ClearFaults() {
    d->refuse.clear();
    d->refuseParam.clear();
    d->corruptParam.clear();
    d->silence.clear();
    d->corruptReplies = 0;
    d->noise.clear();
    d->randomNoiseLength = 0;
    d->noiseReplies = 0;
    d->shortenReplies = 0;
    d->shortenBytes = 0;
    d->replyDelayMs = 0;
    d->forced.fill(0);
}

int SimBench::FramesAnswered() const {
    return d->framesAnswered;
}
int SimBench::BadChecksumFrames() const {
    return d->badFrames;
}
int SimBench::SkippedBytes() const {
    return d->skippedBytes;
}
int SimBench::RepliesSent() const {
    return d->repliesSent;
}
qint64 SimBench::StreamPacketsSkipped() const {
    return d->streamPacketsSkipped;
}
int SimBench::RepliesDropped() const {
    return d->repliesDropped;
}
