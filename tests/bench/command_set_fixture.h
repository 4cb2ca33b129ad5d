#pragma once

// Shared by the request and decoder tests: a bench on a memory port with a host that records every
// notification by name, in order.
#include "bench.h"
#include "clock.h"
#include "memory_comport.h"
#include "recording_host.h"
#include "reply_packet.h"

#include <QTest>
#include <memory>

// RecordingHost plus the screens the command set talks to.
class CommandSetHost : public RecordingHost {
public:
    QList<QByteArray> paramTexts;

    void UpdateGraph2(int b) override { calls << QStringLiteral("UpdateGraph2 %1").arg(b); }
    void UpdateGraph1(int b) override { calls << QStringLiteral("UpdateGraph1 %1").arg(b); }
    void UpdateStatusScreen(int b) override { calls << QStringLiteral("UpdateStatusScreen %1").arg(b); }
    void UpdateEngineeringStatus(int b) override {
        calls << QStringLiteral("UpdateEngineeringStatus %1").arg(b);
    }
    void RawIrPacket(int b, const TRxPacket& p) override {
        calls << QStringLiteral("RawIrPacket %1").arg(b);
        packets.append(p);
    }
    void ParamWriteAck(int b) override { calls << QStringLiteral("ParamWriteAck %1").arg(b); }
    void ParamReadReply(int b, const QByteArray& text) override {
        calls << QStringLiteral("ParamReadReply %1").arg(b);
        paramTexts << text;
    }
    void ParamStoreAck(int b) override { calls << QStringLiteral("ParamStoreAck %1").arg(b); }
    void ParamLoadAck(int b) override { calls << QStringLiteral("ParamLoadAck %1").arg(b); }
    void SetCurrentParam(int b, int parameter) override {
        calls << QStringLiteral("SetCurrentParam %1 %2").arg(b).arg(parameter);
        if (onSetCurrentParam) onSetCurrentParam();
    }
    std::function<void()> onSetCurrentParam;
};

// One bench (index 0) on an open memory port, under a manual clock.
struct BenchFixture {
    ManualClockScope clock;
    CommandSetHost host;
    std::unique_ptr<std::array<MemoryComPort, 4>> ports = std::make_unique<std::array<MemoryComPort, 4>>();
    std::unique_ptr<TBenchSet> benches = std::make_unique<TBenchSet>();

    BenchFixture() {
        MemoryComPort::ResetDevices();
        for (int i = 0; i < 4; ++i) {
            (*ports)[i].SetComNumber(i + 1);
            (*ports)[i].SetOpen(true);
            (*benches)[i].Init(&(*ports)[i], &host, i);
        }
    }
    TBench& bench() { return (*benches)[0]; }
    MemoryComPort& port() { return (*ports)[0]; }

    // Bytes from the bench, handled as the data-available event does.
    void feed(const QByteArray& bytes) {
        port().Inject(bytes, false);
        bench().DrainPort();
    }
    // An acknowledged reply to a request that is outstanding.
    void ack(uint8_t code, const QByteArray& data) {
        bench().Commands[code].Awaiting = true;
        bench().Commands[code].ReportPending = true;
        feed(replyPacket(KindAck, code, data));
    }
};
