#pragma once

// A set of simulated benches, each served on its own pseudo-terminal, so the host (or any program)
// talks to it through a real serial device. Used in-process by the end-to-end tests and the desktop
// demo (same event loop as the host), and by "x714ctl sim".
//
//   Simulator sim;
//   QString error;
//   if (!sim.Start(4, &error)) ...;            // four benches, pseudo-terminals open, timer running
//   sim.DevicePath(0);                         // "/dev/pts/7": the slave device of bench 1
//   sim.CreateComLinks(&error);                // <drive C>/dev/COM1..COM4 -> the devices
//   sim.Bench(1).RefuseCode(0x04, SimNak::NotAllowed);   // fault injection on bench 2
//   ...
//   sim.Stop();                                // links removed, terminals closed (also on destruction)
//
// Time: a QTimer calls TickAll() at NextTickMs(): when the next stream packet or delayed reply of a
// bench is due (so streams of up to 1000 packets per second leave evenly spread, one by one), and at
// least every TickIntervalMs for the model. Tests that must not depend on a timer install a
// ManualClock, call SetTimerEnabled(false) and call TickAll() themselves (at NextTickMs(), to do what
// the timer does).
// Bytes written to a device are read from the pseudo-terminal's master side by a QSocketNotifier, so
// they reach the bench only while the event loop runs.

#include "sim_bench.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

class SimPty;

class Simulator : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxBenches = 4;
    // Longest time between two ticks.
    static constexpr int TickIntervalMs = 20;

    explicit Simulator(QObject* parent = nullptr);
    ~Simulator() override;

    // Opens `benches` (1..4) pseudo-terminals, creates a bench on each and starts the tick timer.
    // Returns false with a reason when a terminal cannot be opened (nothing is left open then).
    bool Start(int benches, QString* error = nullptr);
    // Removes the links this simulator made, closes the terminals and drops the benches.
    void Stop();
    bool IsRunning() const { return !m_benches.empty(); }

    int BenchCount() const { return int(m_benches.size()); }
    // The slave device of bench i (0-based), e.g. "/dev/pts/7"; empty for a bench that does not exist.
    QString DevicePath(int i) const;
    SimBench& Bench(int i);

    // Links <drive C>/dev/COM1..COMn to the devices of benches 1..n. A link left over from an earlier
    // run (its device gone, or a device that no simulator serves) is replaced. A link to the device of
    // a simulator that is running (in this process or another), or any other file in the way, is an
    // error: no link is made or changed then.
    bool CreateComLinks(QString* error = nullptr);
    // Removes the links made by CreateComLinks that still point to this simulator's devices.
    void RemoveComLinks();
    // <drive C>/dev/COMn
    static QString ComLinkPath(int comNumber);

    // Settings applied to every bench (also to benches started later).
    void SetStreamRate(double hz);
    void SetTimeScale(double factor);
    void SetTimerEnabled(bool enabled);
    // Seed of the benches' random generators, for benches started later: bench i (0-based) gets
    // seed + i; 0 (the default) gives each bench its fixed seed of its own.
    void SetSeed(uint32_t seed) { m_seed = seed; }

    // What the timer does: Tick() of every bench, and the queued output of every device goes out as
    // far as the devices accept it.
    void TickAll();
    // Clock time (milliseconds) of the next TickAll() the timer makes.
    qint64 NextTickMs() const;

    // Packets of bench i that its device dropped because the host did not read them in time.
    int DroppedPackets(int i) const;

private:
    void scheduleTick();

    std::vector<std::unique_ptr<SimBench>> m_benches;
    std::vector<std::unique_ptr<SimPty>> m_ptys;
    QStringList m_links;
    QTimer m_timer;
    bool m_timerEnabled = true;
    double m_streamHz = 5.0;
    double m_timeScale = 1.0;
    uint32_t m_seed = 0;
    qint64 m_lastTickMs = 0;
};
