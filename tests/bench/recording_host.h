#pragma once

#include "bench_host.h"

#include <QList>
#include <QStringList>

// A bench host for tests: screens are flags a test sets, and every call is recorded by name.
class RecordingHost : public NullBenchHost {
public:
    bool closing = false;
    uint8_t consoleCommand = 0;
    bool boxActive[4] = {true, true, true, true};
    bool firmwareVisible = false, firmwareInProgress = false;
    bool calLoadVisible = false, paramTransferVisible = false;
    int calLoadState = 0, paramTransferState = 0;
    bool stopBtnEnabled = false, consoleExists = false;

    QStringList calls;
    QList<TRxPacket> packets; // packets handed to a screen

    bool Closing() const override { return closing; }
    void ShowAckLines() override { calls << QStringLiteral("ShowAckLines"); }
    uint8_t ConsoleCommand() const override { return consoleCommand; }
    bool BenchBoxActive(int bench) const override { return boxActive[bench]; }
    void UntickAllBenches() override { calls << QStringLiteral("UntickAllBenches"); }
    void BenchDisconnected(int bench) override { calls << QStringLiteral("BenchDisconnected %1").arg(bench); }

    bool ConsoleExists() const override { return consoleExists; }
    void ShowAckNak(int bench) override { calls << QStringLiteral("ShowAckNak %1").arg(bench); }
    void ShowResult(int bench, uint8_t code) override {
        calls << QStringLiteral("ShowResult %1 %2").arg(bench).arg(code, 2, 16, QLatin1Char('0'));
    }

    bool FirmwareScreenVisible() const override { return firmwareVisible; }
    bool FirmwareDownloadInProgress() const override { return firmwareInProgress; }
    void FirmwareReply(int bench, const TRxPacket& p) override { record("FirmwareReply", bench, p); }

    bool CalLoadVisible() const override { return calLoadVisible; }
    int CalLoadState() const override { return calLoadState; }
    void CalLoadSetRefused() override { calls << QStringLiteral("CalLoadSetRefused"); }
    void CalLoadStopTimer() override { calls << QStringLiteral("CalLoadStopTimer"); }
    void CalLoadReply(int bench, const TRxPacket& p) override { record("CalLoadReply", bench, p); }

    bool ParamTransferVisible() const override { return paramTransferVisible; }
    int ParamTransferState() const override { return paramTransferState; }
    void ParamTransferStopTimer() override { calls << QStringLiteral("ParamTransferStopTimer"); }
    void ParamTransferReply(int bench, const TRxPacket& p) override {
        record("ParamTransferReply", bench, p);
    }
    void ParamTransferNak(int bench, uint8_t code, uint8_t error) override {
        calls << QStringLiteral("ParamTransferNak %1 %2 %3")
                     .arg(bench)
                     .arg(code, 2, 16, QLatin1Char('0'))
                     .arg(error);
    }
    void ParamTransferTimeout(int bench, uint8_t code) override {
        calls << QStringLiteral("ParamTransferTimeout %1 %2").arg(bench).arg(code, 2, 16, QLatin1Char('0'));
    }

    bool StopBtnEnabled() const override { return stopBtnEnabled; }
    void DataStep(int bench) override { calls << QStringLiteral("DataStep %1").arg(bench); }

    int count(const QString& call) const { return static_cast<int>(calls.count(call)); }

private:
    void record(const char* what, int bench, const TRxPacket& p) {
        calls << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(bench);
        packets.append(p);
    }
};
