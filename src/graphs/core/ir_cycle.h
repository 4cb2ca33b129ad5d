#pragma once

#include "packet.h"

#include <QString>
#include <array>
#include <cstdint>

// One cycle of raw infrared samples, assembled from the bench's raw IR replies ($40, $42). A bench
// sends a cycle in NumPhases replies (phases) of NumPoints sample points; a point carries the four
// channels (CO2, CO, Ethanol, reference) as signed 16-bit values, high byte first, after the reply's
// packet number. The packet number modulo NumPhases is the reply's phase; a cycle begins with phase 0
// and is complete with phase NumPhases - 1. The raw IR view and x714ctl rawir both assemble with it.
class TIrCycle {
public:
    static constexpr int Channels = 4;
    static constexpr int CycleSamples = 100;
    static constexpr int DefaultPhases = 4;
    static constexpr int DefaultPoints = 25;
    // A reply carries at most 255 data bytes: the packet number and 31 points of 8 bytes.
    static constexpr int MaxPointsPerReply = 31;

    enum class Result {
        Waiting,  // no cycle under way: the stream is waiting for a phase 0
        Stored,   // the reply's samples are in the cycle
        Complete, // the reply completed the cycle
        Short,    // the reply carries fewer than NumPoints points: the cycle is given up
        Broken,   // a reply of the cycle is missing: the cycle is given up
    };

    // Why a layout cannot be assembled (empty when it can): at least one phase and one point, at most
    // CycleSamples samples per cycle, at most MaxPointsPerReply points per reply.
    static QString CheckLayout(int phases, int points);
    // Takes a layout that CheckLayout accepts and forgets the cycle under way; false (and nothing
    // changed) otherwise.
    bool SetLayout(int phases, int points);
    int NumPhases() const { return m_phases; }
    int NumPoints() const { return m_points; }
    // Samples per channel that one cycle fills (at most CycleSamples).
    int SamplesPerCycle() const { return m_phases * m_points; }

    Result Feed(const TRxPacket& packet);
    // Forgets the cycle under way; the next phase 0 starts a new one.
    void Restart() { m_started = false; }

    bool CycleStarted() const { return m_started; }
    int Phase() const { return m_phase; }
    int Sample(int channel, int index) const { return m_buffer[size_t(channel)][size_t(index)]; }

private:
    int m_phases = DefaultPhases;
    int m_points = DefaultPoints;
    bool m_started = false;
    int m_phase = 0;
    std::array<std::array<int, CycleSamples>, Channels> m_buffer{};
};
