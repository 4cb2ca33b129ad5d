#pragma once

#include "packet.h"

#include <QByteArray>
#include <cstdint>

// Everything the bench connection asks of, or tells, the rest of the program, in one list: the main
// window, the console, the service screens, the graphs and status screens. The application implements
// it; tests and the command-line tool override what they need. The defaults stand for a program
// without those screens. Every call names the bench (0..3) it comes from.
class IBenchHost {
public:
    virtual ~IBenchHost() = default;

    // --- main window ---
    // True once shutdown has begun: received packets and timer ticks are ignored.
    virtual bool Closing() const { return false; }
    // Refresh the four acknowledgement lines from AckText/AckError.
    virtual void ShowAckLines() {}
    // The command code the console shows (0 when it was never opened).
    virtual uint8_t ConsoleCommand() const { return 0; }
    // Activation box of a bench is enabled and ticked.
    virtual bool BenchBoxActive(int /*bench*/) const { return false; }
    // Untick all four activation boxes, which closes their ports (acknowledged Soft Reset).
    virtual void UntickAllBenches() {}
    // Let pending window events run (before the disconnection warning).
    virtual void ProcessPendingEvents() {}

    // --- console ---
    virtual bool ConsoleExists() const { return false; }
    virtual void ShowAckNak(int /*bench*/) {}
    virtual void ShowResult(int /*bench*/, uint8_t /*code*/) {}

    // --- firmware download screen ---
    virtual bool FirmwareScreenVisible() const { return false; }
    virtual bool FirmwareDownloadInProgress() const { return false; }
    virtual void FirmwareReply(int /*bench*/, const TRxPacket& /*packet*/) {}

    // --- calibration load screen ---
    virtual bool CalLoadVisible() const { return false; }
    virtual int CalLoadState() const { return 0; }
    virtual void CalLoadSetRefused() {}
    virtual void CalLoadStopTimer() {}
    virtual void CalLoadReply(int /*bench*/, const TRxPacket& /*packet*/) {}

    // --- parameter download/upload screen ---
    virtual bool ParamTransferVisible() const { return false; }
    virtual int ParamTransferState() const { return 0; }
    virtual void ParamTransferStopTimer() {}
    virtual void ParamTransferReply(int /*bench*/, const TRxPacket& /*packet*/) {}
    virtual void ParamTransferNak(int /*bench*/, uint8_t /*code*/, uint8_t /*errorCode*/) {}
    virtual void ParamTransferTimeout(int /*bench*/, uint8_t /*code*/) {}

    // --- parameter screen ---
    virtual void ParamWriteAck(int /*bench*/) {}
    virtual void ParamReadReply(int /*bench*/, const QByteArray& /*text*/) {}
    virtual void ParamStoreAck(int /*bench*/) {}
    virtual void ParamLoadAck(int /*bench*/) {}
    virtual void SetCurrentParam(int /*bench*/, int /*parameter*/) {}

    // --- data replies: acquisition, graphs, status screens, raw IR ---
    virtual bool StopBtnEnabled() const { return false; }
    virtual void DataStep(int /*bench*/) {}
    virtual void UpdateGraph2(int /*bench*/) {}
    virtual void UpdateGraph1(int /*bench*/) {}
    virtual void UpdateStatusScreen(int /*bench*/) {}
    virtual void UpdateEngineeringStatus(int /*bench*/) {}
    virtual void RawIrPacket(int /*bench*/, const TRxPacket& /*packet*/) {}
};
