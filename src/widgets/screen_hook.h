#pragma once

#include "packet.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>

// How the screens join the program. The shell creates every screen once and joins it to the main
// window (menu items, bench selector refresh, close handling at shutdown) and to the bench router,
// which forwards each call of the bench connections to the screen that receives it, through the
// receiver interfaces below. A screen implements the receiver interface of its routes in full, so a
// route cannot be forgotten.

// The main window's activation boxes, as every bench-aware screen reads them: bench i's box is enabled
// and ticked.
class IActivationBoxes {
public:
    virtual ~IActivationBoxes() = default;
    virtual bool BenchBoxActive(int bench) const = 0;
};

// A screen that addresses one bench at a time.
class IBenchSelectorScreen {
public:
    virtual ~IBenchSelectorScreen() = default;
    // Re-reads the activation boxes and settles the selected bench.
    virtual void RefreshBenchSelector() = 0;
};

// The screens that join the main window, in the order their bench selectors are refreshed.
enum class TScreenSlot {
    Parameters, // parameter editor
    RawIR,      // raw IR view
    Upgrade,    // firmware download
    Graph1,     // first gas graph
    Graph2,     // second gas graph
    Status,     // status screen
    EStatus,    // engineering status
    Cmds,       // command console
    CalLoad,    // calibration load and check
    CalLoad1,   // parameter download and upload
    Count
};

// What the command console needs of the main window: the code its menus chose, the activation boxes
// its bench selector follows, and the hand-over of a prepared command. The console never sends: it
// writes the bench's CmdParams and raises the send request, which the one-second timer carries out.
class IConsoleHost {
public:
    virtual ~IConsoleHost() = default;
    virtual uint8_t ConsoleCommand() const = 0;
    virtual const IActivationBoxes& ActivationBoxes() const = 0;
    // The console wrote the CmdParams of `bench`: the next one-second tick sends ConsoleCommand to that
    // bench (if its box is still enabled) and clears the request.
    virtual void RaiseConsoleSendRequest(int bench) = 0;
};

// ---- receivers of the bench connections' calls, one per screen ----

// The main window: shutdown flag, acknowledgement lines, the console's code, the activation boxes,
// the row trigger, and the ports closed after an acknowledged Soft Reset.
class IMainWindowRoutes : public IActivationBoxes {
public:
    virtual bool Closing() const = 0;
    virtual void ShowAckLines() = 0;
    virtual uint8_t ConsoleCommand() const = 0;
    virtual bool StopBtnEnabled() const = 0;
    virtual void DataStep(int bench) = 0;
    virtual void UntickAllBenches() = 0;
    virtual void BenchDisconnected(int bench) = 0;
};

// The command console: its acknowledgement line and result boxes. ShowResult with code 0 follows
// every measurement data reply, for the "Process State" box.
class IConsoleRoutes {
public:
    virtual ~IConsoleRoutes() = default;
    virtual bool ConsoleExists() const = 0;
    virtual void ShowAckNak(int bench) = 0;
    virtual void ShowResult(int bench, uint8_t code) = 0;
};

// The firmware download screen: while a download runs it receives every packet of its bench.
class IFirmwareRoutes {
public:
    virtual ~IFirmwareRoutes() = default;
    virtual bool FirmwareScreenVisible() const = 0;
    virtual bool FirmwareDownloadInProgress() const = 0;
    virtual void FirmwareReply(int bench, const TRxPacket& packet) = 0;
};

// The calibration load and check screen: replies and refusals of the parameter commands.
class ICalLoadRoutes {
public:
    virtual ~ICalLoadRoutes() = default;
    virtual bool CalLoadVisible() const = 0;
    virtual int CalLoadState() const = 0;
    virtual void CalLoadSetRefused() = 0;
    virtual void CalLoadStopTimer() = 0;
    virtual void CalLoadReply(int bench, const TRxPacket& packet) = 0;
};

// The parameter download and upload screen: replies, refusals and time-outs of the parameter commands.
class IParamTransferRoutes {
public:
    virtual ~IParamTransferRoutes() = default;
    virtual bool ParamTransferVisible() const = 0;
    virtual int ParamTransferState() const = 0;
    virtual void ParamTransferStopTimer() = 0;
    virtual void ParamTransferReply(int bench, const TRxPacket& packet) = 0;
    virtual void ParamTransferNak(int bench, uint8_t code, uint8_t errorCode) = 0;
    virtual void ParamTransferTimeout(int bench, uint8_t code) = 0;
};

// The parameter editor: acknowledgements and the value text of the parameter commands.
class IParameterRoutes {
public:
    virtual ~IParameterRoutes() = default;
    virtual void ParamWriteAck(int bench) = 0;
    virtual void ParamReadReply(int bench, const QByteArray& text) = 0;
    virtual void ParamStoreAck(int bench) = 0;
    virtual void ParamLoadAck(int bench) = 0;
    virtual void SetCurrentParam(int bench, int parameter) = 0;
};

// A gas graph: a measurement reply of a bench was decoded.
class IGraphRoutes {
public:
    virtual ~IGraphRoutes() = default;
    virtual void UpdateGraph(int bench) = 0;
};

// The status screen: a bench's status bytes were delivered.
class IStatusRoutes {
public:
    virtual ~IStatusRoutes() = default;
    virtual void UpdateStatusScreen(int bench) = 0;
};

// The engineering status screen.
class IEngineeringStatusRoutes {
public:
    virtual ~IEngineeringStatusRoutes() = default;
    virtual void UpdateEngineeringStatus(int bench) = 0;
};

// The raw IR view: every raw or filtered raw IR packet.
class IRawIrRoutes {
public:
    virtual ~IRawIrRoutes() = default;
    virtual void RawIrPacket(int bench, const TRxPacket& packet) = 0;
};

// ---- what the graph screens read of the main window ----

// The main window's state that the graph screens need: its shutdown flag and the "HC Divisor" setting
// that scales the Ethanol readings.
class IGraphWindowState {
public:
    virtual ~IGraphWindowState() = default;
    virtual bool Closing() const = 0;
    virtual bool HcDivisor100() const = 0;
};

// The "Collected IR data" list of the main window, which the IR data log fills.
class ICollectedIrData {
public:
    virtual ~ICollectedIrData() = default;
    virtual int LineCount() const = 0;
    virtual void AddLines(const QStringList& lines) = 0;
    // Removes `count` lines from line `first` (0-based) on.
    virtual void RemoveLines(int first, int count) = 0;
    virtual void ClearLines() = 0;
    // Shows the list in front of the other windows.
    virtual void BringToFront() = 0;
};
