#include "simulator.h"

#include "clock.h"
#include "paths.h"
#include "sim_pty.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace {

// True when `link` points at the pseudo-terminal of a simulator that is running and was made for
// it: the terminal is served (its lock is held) and is not younger than the link. A terminal number
// that was freed when the link's simulator ended and then taken by another program (even another
// simulator) is younger than the link, so the link counts as left over.
bool linksToLiveSimulator(const QString& link, const QString& target) {
    // Only pseudo-terminals are looked at: opening another device (a real port) could disturb what
    // is attached to it.
    if (!target.startsWith(QLatin1String("/dev/pts/"))) return false;
    struct stat linkStat = {};
    struct stat targetStat = {};
    if (::lstat(QFile::encodeName(link).constData(), &linkStat) != 0 ||
        ::stat(QFile::encodeName(target).constData(), &targetStat) != 0)
        return false;
    const auto older = [](const timespec& a, const timespec& b) {
        return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
    };
    return older(targetStat.st_ctim, linkStat.st_ctim) && SimPty::IsServedDevice(target);
}

} // namespace

Simulator::Simulator(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Simulator::TickAll);
}

Simulator::~Simulator() {
    Stop();
}

bool Simulator::Start(int benches, QString* error) {
    Stop();
    if (benches < 1 || benches > MaxBenches) {
        if (error) *error = QStringLiteral("the number of benches must be 1 to %1").arg(MaxBenches);
        return false;
    }
    for (int i = 0; i < benches; ++i) {
        auto pty = std::make_unique<SimPty>();
        if (!pty->Open(error)) {
            Stop();
            return false;
        }
        auto bench = std::make_unique<SimBench>(i, m_seed ? m_seed + uint32_t(i) : 0);
        bench->SetStreamRate(m_streamHz);
        bench->SetTimeScale(m_timeScale);
        SimPty* p = pty.get();
        SimBench* b = bench.get();
        bench->SetWriter([p](const QByteArray& bytes) { p->Write(bytes); });
        pty->OnData = [this, b](const QByteArray& bytes) {
            b->Receive(bytes);
            // A stream may have started, or a delayed reply been queued.
            scheduleTick();
        };
        m_ptys.push_back(std::move(pty));
        m_benches.push_back(std::move(bench));
    }
    m_lastTickMs = Clock().Milliseconds();
    scheduleTick();
    return true;
}

void Simulator::Stop() {
    m_timer.stop();
    RemoveComLinks();
    for (auto& p : m_ptys)
        p->OnData = nullptr;
    m_ptys.clear();
    m_benches.clear();
}

QString Simulator::DevicePath(int i) const {
    return i >= 0 && i < int(m_ptys.size()) ? m_ptys[size_t(i)]->DevicePath() : QString();
}

SimBench& Simulator::Bench(int i) {
    Q_ASSERT(i >= 0 && i < int(m_benches.size()));
    return *m_benches[size_t(i)];
}

QString Simulator::ComLinkPath(int comNumber) {
    return DriveCDir() + QStringLiteral("/dev/COM%1").arg(comNumber);
}

bool Simulator::CreateComLinks(QString* error) {
    RemoveComLinks();
    const QString dir = DriveCDir() + QStringLiteral("/dev");
    if (!QDir().mkpath(dir)) {
        if (error) *error = QStringLiteral("cannot create the directory %1").arg(dir);
        return false;
    }
    // Everything in the way is looked at before anything is changed, so a refusal leaves the
    // directory as it was.
    for (int i = 0; i < BenchCount(); ++i) {
        const QString link = ComLinkPath(i + 1);
        const QFileInfo info(link);
        if (info.isSymLink()) {
            // A link left behind by a run that ended or was killed is ours to replace; one to the
            // device of a simulator that is still running is not.
            const QString target = info.symLinkTarget();
            bool own = false;
            for (int k = 0; k < BenchCount(); ++k)
                own = own || target == DevicePath(k);
            if (!own && linksToLiveSimulator(link, target)) {
                if (error)
                    *error = QStringLiteral("%1 points at %2, the device of another simulator that is "
                                            "running; stop that one first")
                                 .arg(link, target);
                return false;
            }
        } else if (info.exists()) {
            if (error) *error = QStringLiteral("%1 exists and is not a link").arg(link);
            return false;
        }
    }
    for (int i = 0; i < BenchCount(); ++i) {
        const QString link = ComLinkPath(i + 1);
        if (QFileInfo(link).isSymLink()) QFile::remove(link);
        if (!QFile::link(DevicePath(i), link)) {
            if (error) *error = QStringLiteral("cannot create the link %1").arg(link);
            RemoveComLinks();
            return false;
        }
        m_links << link;
    }
    return true;
}

void Simulator::RemoveComLinks() {
    for (int i = 0; i < m_links.size(); ++i) {
        const QFileInfo info(m_links.at(i));
        // Another simulator may have taken the name over since; leave its link alone.
        if (info.isSymLink() && i < BenchCount() && info.symLinkTarget() == DevicePath(i))
            QFile::remove(m_links.at(i));
    }
    m_links.clear();
}

void Simulator::SetStreamRate(double hz) {
    if (!std::isfinite(hz)) return;
    m_streamHz = hz;
    for (auto& b : m_benches)
        b->SetStreamRate(hz);
    scheduleTick();
}

void Simulator::SetTimeScale(double factor) {
    if (!std::isfinite(factor)) return;
    m_timeScale = factor;
    for (auto& b : m_benches)
        b->SetTimeScale(factor);
}

void Simulator::SetTimerEnabled(bool enabled) {
    m_timerEnabled = enabled;
    if (!enabled)
        m_timer.stop();
    else
        scheduleTick();
}

void Simulator::TickAll() {
    m_lastTickMs = Clock().Milliseconds();
    for (auto& b : m_benches)
        b->Tick();
    for (auto& p : m_ptys)
        p->Flush();
    scheduleTick();
}

qint64 Simulator::NextTickMs() const {
    qint64 next = m_lastTickMs + TickIntervalMs;
    for (const auto& b : m_benches)
        next = std::min(next, b->NextDueMs());
    return next;
}

void Simulator::scheduleTick() {
    if (!m_timerEnabled || !IsRunning()) return;
    // At least 1 ms: everything due by now has just been sent, so nothing is lost by waiting, and
    // the timer can never spin.
    const qint64 delay = std::clamp<qint64>(NextTickMs() - Clock().Milliseconds(), 1, TickIntervalMs);
    m_timer.start(int(delay));
}

int Simulator::DroppedPackets(int i) const {
    return i >= 0 && i < int(m_ptys.size()) ? m_ptys[size_t(i)]->DroppedPackets() : 0;
}
