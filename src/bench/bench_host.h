#pragma once

#include "packet.h"

#include <QByteArray>
#include <cstdint>

// Everything the bench connection asks of, or tells, the rest of the program: the main window, the
// console, the service screens, the graphs and status screens. Every call is pure, so whoever stands
// for the program answers every one of them: the desktop program's router forwards each to its
// screen, the command-line tool and tests use NullBenchHost or a recording fake. Every call names the
// bench (0..3) it comes from where it concerns one.
//
// The calls are in routing order: what the framing and dispatch ask (main window, console, firmware
// download, calibration load, parameter transfer, parameter screen), then what the decoders notify.
class IBenchHost {
public:
    virtual ~IBenchHost() = default;

    // --- main window ---
    // True once shutdown has begun: received packets and timer ticks are ignored.
    virtual bool Closing() const = 0;
    // Refresh the four acknowledgement lines from AckText/AckError.
    virtual void ShowAckLines() = 0;
    // The command code the console shows (0 when it was never opened).
    virtual uint8_t ConsoleCommand() const = 0;
    // Activation box of a bench is enabled and ticked.
    virtual bool BenchBoxActive(int bench) const = 0;

    // --- console ---
    virtual bool ConsoleExists() const = 0;
    virtual void ShowAckNak(int bench) = 0;
    virtual void ShowResult(int bench, uint8_t code) = 0;

    // --- firmware download screen ---
    virtual bool FirmwareScreenVisible() const = 0;
    virtual bool FirmwareDownloadInProgress() const = 0;
    virtual void FirmwareReply(int bench, const TRxPacket& packet) = 0;

    // --- calibration load screen ---
    virtual bool CalLoadVisible() const = 0;
    virtual int CalLoadState() const = 0;
    virtual void CalLoadSetRefused() = 0;
    virtual void CalLoadStopTimer() = 0;
    virtual void CalLoadReply(int bench, const TRxPacket& packet) = 0;

    // --- parameter download/upload screen ---
    virtual bool ParamTransferVisible() const = 0;
    virtual int ParamTransferState() const = 0;
    virtual void ParamTransferStopTimer() = 0;
    virtual void ParamTransferReply(int bench, const TRxPacket& packet) = 0;
    virtual void ParamTransferNak(int bench, uint8_t code, uint8_t errorCode) = 0;
    virtual void ParamTransferTimeout(int bench, uint8_t code) = 0;

    // --- parameter screen ---
    virtual void ParamWriteAck(int bench) = 0;
    virtual void ParamReadReply(int bench, const QByteArray& text) = 0;
    virtual void ParamStoreAck(int bench) = 0;
    virtual void ParamLoadAck(int bench) = 0;
    // A load request for the parameter is about to be sent ($55), whoever sends it.
    virtual void SetCurrentParam(int bench, int parameter) = 0;

    // --- data replies: acquisition, graphs, status screens, raw IR ---
    virtual bool StopBtnEnabled() const = 0;
    virtual void DataStep(int bench) = 0;
    virtual void UpdateGraph2(int bench) = 0;
    virtual void UpdateGraph1(int bench) = 0;
    virtual void UpdateStatusScreen(int bench) = 0;
    virtual void UpdateEngineeringStatus(int bench) = 0;
    virtual void RawIrPacket(int bench, const TRxPacket& packet) = 0;

    // --- acknowledged Soft Reset ---
    // Untick all four activation boxes, which closes their ports.
    virtual void UntickAllBenches() = 0;
    // Tell the operator that the bench restarted and its port must be chosen again.
    virtual void BenchDisconnected(int bench) = 0;
};

// A program without screens: nothing is closing, no box is ticked, no screen is shown, and every
// notification is dropped. Tests and the command-line tool derive from it and answer what they need.
class NullBenchHost : public IBenchHost {
public:
    bool Closing() const override { return false; }
    void ShowAckLines() override {}
    uint8_t ConsoleCommand() const override { return 0; }
    bool BenchBoxActive(int) const override { return false; }

    bool ConsoleExists() const override { return false; }
    void ShowAckNak(int) override {}
    void ShowResult(int, uint8_t) override {}

    bool FirmwareScreenVisible() const override { return false; }
    bool FirmwareDownloadInProgress() const override { return false; }
    void FirmwareReply(int, const TRxPacket&) override {}

    bool CalLoadVisible() const override { return false; }
    int CalLoadState() const override { return 0; }
    void CalLoadSetRefused() override {}
    void CalLoadStopTimer() override {}
    void CalLoadReply(int, const TRxPacket&) override {}

    bool ParamTransferVisible() const override { return false; }
    int ParamTransferState() const override { return 0; }
    void ParamTransferStopTimer() override {}
    void ParamTransferReply(int, const TRxPacket&) override {}
    void ParamTransferNak(int, uint8_t, uint8_t) override {}
    void ParamTransferTimeout(int, uint8_t) override {}

    void ParamWriteAck(int) override {}
    void ParamReadReply(int, const QByteArray&) override {}
    void ParamStoreAck(int) override {}
    void ParamLoadAck(int) override {}
    void SetCurrentParam(int, int) override {}

    bool StopBtnEnabled() const override { return false; }
    void DataStep(int) override {}
    void UpdateGraph2(int) override {}
    void UpdateGraph1(int) override {}
    void UpdateStatusScreen(int) override {}
    void UpdateEngineeringStatus(int) override {}
    void RawIrPacket(int, const TRxPacket&) override {}

    void UntickAllBenches() override {}
    void BenchDisconnected(int) override {}
};
