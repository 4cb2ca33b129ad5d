#include "ir_cycle.h"

QString TIrCycle::CheckLayout(int phases, int points) {
    if (phases < 1) return QStringLiteral("NumPhases must be at least 1.");
    if (points < 1) return QStringLiteral("NumPoints must be at least 1.");
    if (points > MaxPointsPerReply)
        return QStringLiteral("NumPoints must not exceed %1: a reply carries at most %1 sample points.")
            .arg(MaxPointsPerReply);
    if (phases * points > CycleSamples)
        return QStringLiteral("NumPhases x NumPoints must not exceed %1: a cycle holds %1 samples per "
                              "channel.")
            .arg(CycleSamples);
    return {};
}

bool TIrCycle::SetLayout(int phases, int points) {
    if (!CheckLayout(phases, points).isEmpty()) return false;
    m_phases = phases;
    m_points = points;
    m_started = false;
    return true;
}

TIrCycle::Result TIrCycle::Feed(const TRxPacket& packet) {
    // Samples past the reply's length would be zeroes the bench never sent.
    if (int(packet.Length) < 1 + 8 * m_points) {
        m_started = false;
        return Result::Short;
    }
    const int phase = packet.Data[0] % m_phases;
    if (phase == 0) {
        m_started = true;
        for (auto& channel : m_buffer)
            channel.fill(0);
    } else if (m_started && phase != m_phase + 1) {
        // A reply of this cycle went missing: its samples would be left over from nothing.
        m_started = false;
        m_phase = phase;
        return Result::Broken;
    }
    m_phase = phase;
    if (!m_started) return Result::Waiting;
    const uint8_t* d = packet.Data;
    for (int s = 0; s < m_points; ++s)
        for (int c = 0; c < Channels; ++c) {
            const int at = 1 + 8 * s + 2 * c;
            m_buffer[size_t(c)][size_t(phase * m_points + s)] =
                static_cast<int16_t>(static_cast<uint16_t>((d[at] << 8) | d[at + 1]));
        }
    return phase == m_phases - 1 ? Result::Complete : Result::Stored;
}
