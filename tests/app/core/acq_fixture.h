#pragma once

// Shared by the acquisition core tests: four benches on memory ports under a manual clock and
// scripted dialogs, bound to one TAcquisition through TAcquisitionHost; reply packets for the data
// commands; the bytes of a request frame.
#include "acquisition.h"
#include "bench.h"
#include "clock.h"
#include "dialogs.h"
#include "memory_comport.h"
#include "reply_packet.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

inline void put16(QByteArray& d, int offset, int value) {
    d[offset] = char((value >> 8) & 0xFF);
    d[offset + 1] = char(value & 0xFF);
}
inline void put32(QByteArray& d, int offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        d[offset + i] = char((value >> (24 - 8 * i)) & 0xFF);
}

struct Gas {
    int co2 = 4, co = 0;
    uint32_t hc = 0;
    int o2 = 2090, no = 0;
    uint8_t status0 = 0;
};

// The 16 data bytes of a $01 reply.
inline QByteArray data01(const Gas& g) {
    QByteArray d(16, '\0');
    d[0] = char(g.status0);
    put16(d, 4, g.co2);
    put16(d, 6, g.co);
    put32(d, 8, g.hc);
    put16(d, 12, g.o2);
    put16(d, 14, g.no);
    return d;
}

// The request frame a bench sends for a code with its parameter bytes.
inline QByteArray requestFrame(uint8_t code, std::initializer_list<uint8_t> params = {}) {
    TCommand c;
    c.Begin(code);
    for (uint8_t p : params)
        c.Push(p);
    return c.Frame();
}

struct AcqRig {
    ManualClockScope clock;
    ScriptedDialogsScope dialogs;
    QTemporaryDir dir;
    std::unique_ptr<std::array<MemoryComPort, 4>> ports = std::make_unique<std::array<MemoryComPort, 4>>();
    std::unique_ptr<TBenchSet> benches = std::make_unique<TBenchSet>();
    TAcquisitionHost host;
    std::unique_ptr<TAcquisition> acq;

    // Benches 1..active have open ports and enabled, ticked boxes; the rest are closed.
    explicit AcqRig(int active = 1) {
        MemoryComPort::ResetDevices();
        acq = std::make_unique<TAcquisition>(*benches);
        host.SetAcquisition(acq.get());
        for (int i = 0; i < 4; ++i) {
            MemoryComPort& port = (*ports)[i];
            port.SetComNumber(i + 1);
            TBench& bench = (*benches)[i];
            bench.Init(&port, &host, i);
            QObject::connect(&port, &TApdComPort::TriggerAvail, [&bench] { bench.DrainPort(); });
            if (i < active) {
                port.SetOpen(true);
                acq->State.PortOpen[i] = acq->State.BoxEnabled[i] = acq->State.BoxChecked[i] = true;
            }
        }
        acq->RebuildTable();
    }

    TAcquisition& a() { return *acq; }
    TBench& bench(int i) { return (*benches)[i]; }
    MemoryComPort& port(int i) { return (*ports)[i]; }
    QString path(const QString& name) const { return dir.filePath(name); }

    void reply(int bench, uint8_t code, const QByteArray& data) {
        port(bench).Inject(replyPacket(0x06, code, data));
    }
    void reply01(int bench, const Gas& g) { reply(bench, 0x01, data01(g)); }
    // Every port's output so far, dropped.
    void clearWritten() {
        for (auto& p : *ports)
            p.TakeWritten();
    }
    // Opens a new log file through the dialog and switches logging on.
    void openLogAndLog(const QString& name = QStringLiteral("run.LOG")) {
        dialogs.dialogs.QueueFileName(path(name));
        a().NewFileClick();
        a().State.Settings.Logging = Items::LoggingOn;
        a().LoggingClick();
    }
    QByteArray fileBytes(const QString& name = QStringLiteral("run.LOG")) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList fileLines(const QString& name = QStringLiteral("run.LOG")) const {
        QString text = QString::fromLocal8Bit(fileBytes(name));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }
};
