#include "bench_router.h"

namespace {
// nullptr detaches a receiver: its calls go to the stub again.
template <typename T> void attach(T*& slot, T* receiver, T* none) {
    slot = receiver ? receiver : none;
}
} // namespace

TBenchRouter::TBenchRouter() = default;

void TBenchRouter::SetMainWindow(IMainWindowRoutes* r) {
    attach<IMainWindowRoutes>(m_main, r, &m_none);
}
void TBenchRouter::SetConsole(IConsoleRoutes* r) {
    attach<IConsoleRoutes>(m_console, r, &m_none);
}
void TBenchRouter::SetFirmware(IFirmwareRoutes* r) {
    attach<IFirmwareRoutes>(m_firmware, r, &m_none);
}
void TBenchRouter::SetCalLoad(ICalLoadRoutes* r) {
    attach<ICalLoadRoutes>(m_calLoad, r, &m_none);
}
void TBenchRouter::SetParamTransfer(IParamTransferRoutes* r) {
    attach<IParamTransferRoutes>(m_paramTransfer, r, &m_none);
}
void TBenchRouter::SetParameters(IParameterRoutes* r) {
    attach<IParameterRoutes>(m_parameters, r, &m_none);
}
void TBenchRouter::SetGraph1(IGraphRoutes* r) {
    attach<IGraphRoutes>(m_graph1, r, &m_none);
}
void TBenchRouter::SetGraph2(IGraphRoutes* r) {
    attach<IGraphRoutes>(m_graph2, r, &m_none);
}
void TBenchRouter::SetStatus(IStatusRoutes* r) {
    attach<IStatusRoutes>(m_status, r, &m_none);
}
void TBenchRouter::SetEngineeringStatus(IEngineeringStatusRoutes* r) {
    attach<IEngineeringStatusRoutes>(m_engineeringStatus, r, &m_none);
}
void TBenchRouter::SetRawIr(IRawIrRoutes* r) {
    attach<IRawIrRoutes>(m_rawIr, r, &m_none);
}

// ---- main window ----
bool TBenchRouter::Closing() const {
    return m_main->Closing();
}
void TBenchRouter::ShowAckLines() {
    m_main->ShowAckLines();
}
uint8_t TBenchRouter::ConsoleCommand() const {
    return m_main->ConsoleCommand();
}
bool TBenchRouter::BenchBoxActive(int bench) const {
    return m_main->BenchBoxActive(bench);
}

// ---- console ----
bool TBenchRouter::ConsoleExists() const {
    return m_console->ConsoleExists();
}
void TBenchRouter::ShowAckNak(int bench) {
    m_console->ShowAckNak(bench);
}
void TBenchRouter::ShowResult(int bench, uint8_t code) {
    m_console->ShowResult(bench, code);
}

// ---- firmware download ----
bool TBenchRouter::FirmwareScreenVisible() const {
    return m_firmware->FirmwareScreenVisible();
}
bool TBenchRouter::FirmwareDownloadInProgress() const {
    return m_firmware->FirmwareDownloadInProgress();
}
void TBenchRouter::FirmwareReply(int bench, const TRxPacket& packet) {
    m_firmware->FirmwareReply(bench, packet);
}

// ---- calibration load ----
bool TBenchRouter::CalLoadVisible() const {
    return m_calLoad->CalLoadVisible();
}
int TBenchRouter::CalLoadState() const {
    return m_calLoad->CalLoadState();
}
void TBenchRouter::CalLoadSetRefused() {
    m_calLoad->CalLoadSetRefused();
}
void TBenchRouter::CalLoadStopTimer() {
    m_calLoad->CalLoadStopTimer();
}
void TBenchRouter::CalLoadReply(int bench, const TRxPacket& packet) {
    m_calLoad->CalLoadReply(bench, packet);
}

// ---- parameter transfer ----
bool TBenchRouter::ParamTransferVisible() const {
    return m_paramTransfer->ParamTransferVisible();
}
int TBenchRouter::ParamTransferState() const {
    return m_paramTransfer->ParamTransferState();
}
void TBenchRouter::ParamTransferStopTimer() {
    m_paramTransfer->ParamTransferStopTimer();
}
void TBenchRouter::ParamTransferReply(int bench, const TRxPacket& packet) {
    m_paramTransfer->ParamTransferReply(bench, packet);
}
void TBenchRouter::ParamTransferNak(int bench, uint8_t code, uint8_t errorCode) {
    m_paramTransfer->ParamTransferNak(bench, code, errorCode);
}
void TBenchRouter::ParamTransferTimeout(int bench, uint8_t code) {
    m_paramTransfer->ParamTransferTimeout(bench, code);
}

// ---- parameter editor ----
void TBenchRouter::ParamWriteAck(int bench) {
    m_parameters->ParamWriteAck(bench);
}
void TBenchRouter::ParamReadReply(int bench, const QByteArray& text) {
    m_parameters->ParamReadReply(bench, text);
}
void TBenchRouter::ParamStoreAck(int bench) {
    m_parameters->ParamStoreAck(bench);
}
void TBenchRouter::ParamLoadAck(int bench) {
    m_parameters->ParamLoadAck(bench);
}
void TBenchRouter::SetCurrentParam(int bench, int parameter) {
    m_parameters->SetCurrentParam(bench, parameter);
}

// ---- data replies ----
bool TBenchRouter::StopBtnEnabled() const {
    return m_main->StopBtnEnabled();
}
void TBenchRouter::DataStep(int bench) {
    m_main->DataStep(bench);
}
void TBenchRouter::UpdateGraph2(int bench) {
    m_graph2->UpdateGraph(bench);
}
void TBenchRouter::UpdateGraph1(int bench) {
    m_graph1->UpdateGraph(bench);
}
void TBenchRouter::UpdateStatusScreen(int bench) {
    m_status->UpdateStatusScreen(bench);
}
void TBenchRouter::UpdateEngineeringStatus(int bench) {
    m_engineeringStatus->UpdateEngineeringStatus(bench);
}
void TBenchRouter::RawIrPacket(int bench, const TRxPacket& packet) {
    m_rawIr->RawIrPacket(bench, packet);
}

// ---- acknowledged Soft Reset ----
void TBenchRouter::UntickAllBenches() {
    m_main->UntickAllBenches();
}
void TBenchRouter::BenchDisconnected(int bench) {
    m_main->BenchDisconnected(bench);
}
