#pragma once

#include "bench_host.h"
#include "screen_hook.h"

// The desktop program's bench host: forwards every call of the bench connections to the screen that
// receives it. A receiver that is not attached (a screen not built, or not created yet) is the
// router's stub, which answers as a program without that screen: not visible, idle, nothing done.
class TBenchRouter : public IBenchHost {
public:
    TBenchRouter();
    // Receivers point into this object (its stub): never copied.
    TBenchRouter(const TBenchRouter&) = delete;
    TBenchRouter& operator=(const TBenchRouter&) = delete;

    void SetMainWindow(IMainWindowRoutes* receiver);
    void SetConsole(IConsoleRoutes* receiver);
    void SetFirmware(IFirmwareRoutes* receiver);
    void SetCalLoad(ICalLoadRoutes* receiver);
    void SetParamTransfer(IParamTransferRoutes* receiver);
    void SetParameters(IParameterRoutes* receiver);
    void SetGraph1(IGraphRoutes* receiver);
    void SetGraph2(IGraphRoutes* receiver);
    void SetStatus(IStatusRoutes* receiver);
    void SetEngineeringStatus(IEngineeringStatusRoutes* receiver);
    void SetRawIr(IRawIrRoutes* receiver);

    // ---- IBenchHost ----
    bool Closing() const override;
    void ShowAckLines() override;
    uint8_t ConsoleCommand() const override;
    bool BenchBoxActive(int bench) const override;

    bool ConsoleExists() const override;
    void ShowAckNak(int bench) override;
    void ShowResult(int bench, uint8_t code) override;

    bool FirmwareScreenVisible() const override;
    bool FirmwareDownloadInProgress() const override;
    void FirmwareReply(int bench, const TRxPacket& packet) override;

    bool CalLoadVisible() const override;
    int CalLoadState() const override;
    void CalLoadSetRefused() override;
    void CalLoadStopTimer() override;
    void CalLoadReply(int bench, const TRxPacket& packet) override;

    bool ParamTransferVisible() const override;
    int ParamTransferState() const override;
    void ParamTransferStopTimer() override;
    void ParamTransferReply(int bench, const TRxPacket& packet) override;
    void ParamTransferNak(int bench, uint8_t code, uint8_t errorCode) override;
    void ParamTransferTimeout(int bench, uint8_t code) override;

    void ParamWriteAck(int bench) override;
    void ParamReadReply(int bench, const QByteArray& text) override;
    void ParamStoreAck(int bench) override;
    void ParamLoadAck(int bench) override;
    void SetCurrentParam(int bench, int parameter) override;

    bool StopBtnEnabled() const override;
    void DataStep(int bench) override;
    void UpdateGraph2(int bench) override;
    void UpdateGraph1(int bench) override;
    void UpdateStatusScreen(int bench) override;
    void UpdateEngineeringStatus(int bench) override;
    void RawIrPacket(int bench, const TRxPacket& packet) override;

    void UntickAllBenches() override;
    void BenchDisconnected(int bench) override;

private:
    // Stands for every screen that is not attached.
    class NotAttached final : public IMainWindowRoutes,
                              public IConsoleRoutes,
                              public IFirmwareRoutes,
                              public ICalLoadRoutes,
                              public IParamTransferRoutes,
                              public IParameterRoutes,
                              public IGraphRoutes,
                              public IStatusRoutes,
                              public IEngineeringStatusRoutes,
                              public IRawIrRoutes {
    public:
        bool BenchBoxActive(int) const override { return false; }
        bool Closing() const override { return false; }
        void ShowAckLines() override {}
        uint8_t ConsoleCommand() const override { return 0; }
        bool StopBtnEnabled() const override { return false; }
        void DataStep(int) override {}
        void UntickAllBenches() override {}
        void BenchDisconnected(int) override {}

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

        void UpdateGraph(int) override {}
        void UpdateStatusScreen(int) override {}
        void UpdateEngineeringStatus(int) override {}
        void RawIrPacket(int, const TRxPacket&) override {}
    };

    NotAttached m_none;
    IMainWindowRoutes* m_main = &m_none;
    IConsoleRoutes* m_console = &m_none;
    IFirmwareRoutes* m_firmware = &m_none;
    ICalLoadRoutes* m_calLoad = &m_none;
    IParamTransferRoutes* m_paramTransfer = &m_none;
    IParameterRoutes* m_parameters = &m_none;
    IGraphRoutes* m_graph1 = &m_none;
    IGraphRoutes* m_graph2 = &m_none;
    IStatusRoutes* m_status = &m_none;
    IEngineeringStatusRoutes* m_engineeringStatus = &m_none;
    IRawIrRoutes* m_rawIr = &m_none;
};
