#include "simulator.h"

#include "paths.h"
#include "sim_pty.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

Simulator::Simulator(QObject* parent) : QObject(parent) {
    m_timer.setInterval(TickIntervalMs);
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
        auto bench = std::make_unique<SimBench>(i);
        bench->SetStreamRate(m_streamHz);
        bench->SetTimeScale(m_timeScale);
        SimPty* p = pty.get();
        SimBench* b = bench.get();
        bench->SetWriter([p](const QByteArray& bytes) { p->Write(bytes); });
        pty->OnData = [b](const QByteArray& bytes) { b->Receive(bytes); };
        m_ptys.push_back(std::move(pty));
        m_benches.push_back(std::move(bench));
    }
    if (m_timerEnabled) m_timer.start();
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
    for (int i = 0; i < BenchCount(); ++i) {
        const QString link = ComLinkPath(i + 1);
        const QFileInfo info(link);
        // A link left behind by a run that was killed is ours to replace; anything else is not.
        if (info.isSymLink()) {
            QFile::remove(link);
        } else if (info.exists()) {
            if (error) *error = QStringLiteral("%1 exists and is not a link").arg(link);
            RemoveComLinks();
            return false;
        }
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
    m_streamHz = hz;
    for (auto& b : m_benches)
        b->SetStreamRate(hz);
}

void Simulator::SetTimeScale(double factor) {
    m_timeScale = factor;
    for (auto& b : m_benches)
        b->SetTimeScale(factor);
}

void Simulator::SetTimerEnabled(bool enabled) {
    m_timerEnabled = enabled;
    if (!enabled)
        m_timer.stop();
    else if (IsRunning())
        m_timer.start();
}

void Simulator::TickAll() {
    for (auto& b : m_benches)
        b->Tick();
}
