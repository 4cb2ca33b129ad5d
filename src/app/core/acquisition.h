#pragma once

#include "acquisition_state.h"
#include "bench_host.h"
#include "data_table.h"
#include "main_log.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <cstdint>

class TBench;
class TBenchSet;

// The main window's acquisition without the window: settings, start and stop of the data stream, the
// row trigger, zero, the one-second timer, the data table with averaging and the main log file.
// The main window owns one, binds its controls to State (see acquisition_state.h for the binding
// rule) and calls the handlers below from its controls' events; x714ctl acquire drives the same
// object from its options.
//
//   TAcquisition acq(benches);           // the four bench connections (TBenchSet), Init'ed with a host that
//                                        // answers StopBtnEnabled/DataStep through this object
//   acq.State.PortOpen[0] = true; ...    // the window opened a port
//   acq.RebuildTable();                  // as the activation boxes' handler does
//   acq.OKBtnClick(); acq.StartBtnClick();
//   ... bench replies arrive: TBench's decoders call host.DataStep(bench) -> acq.DataStep(bench)
//   acq.Timer6Timer();                   // every 1000 ms
//
// Message boxes and file dialogs go through Dialogs(); time through Clock().
class TAcquisition : public QObject {
    Q_OBJECT
public:
    // The history file: history.log in the drive C directory.
    static QString HistoryPath();
    // Data command codes by DataCommand: $01, $06, $44.
    static constexpr std::array<uint8_t, 3> DataCommandCodes{0x01, 0x06, 0x44};

    // StartTime (relative time origin) is taken from Clock() here; Caption = TitleCaption().
    explicit TAcquisition(TBenchSet& benches, QObject* parent = nullptr);
    ~TAcquisition() override;

    TWindowState State;

    // ---- acquisition state ----
    bool Running = false;
    int DataCommand = 0;  // index into DataCommandCodes, taken from CompDataRG by "OK"
    TAveraging Averaging; // AveragingMode and SamplesPerMean, taken by "OK"
    bool AcceptPressed = false;
    int AveragingMode() const { return Averaging.Mode; }
    int SamplesPerMean() const { return Averaging.SamplesPerMean; }
    // Highest-numbered active bench (0 when none) and the number of active benches.
    int LastActive() const { return m_table.LastActive; }
    int ActiveCount() const { return m_table.ActiveCount; }
    // HCMode is "Prop": the ethanol-mode flag sent with the data command.
    bool HcFlag() const { return State.Settings.HCMode != Items::HCModeHex; }
    uint8_t DataCommandCode() const { return DataCommandCodes[DataCommand]; }

    TDataTable& Table() { return m_table; }
    const TDataTable& Table() const { return m_table; }
    TMainLog& Log() { return m_log; }
    TBenchSet& Benches() { return m_benches; }

    // ---- acquisition cycle ----
    // "OK": stop request to every active bench, then ApplySettings.
    void OKBtnClick();
    // The settings part of "OK" alone: DataCommand, averaging and samples per mean from the panel,
    // table rebuilt, stopped state. False (with a box, nothing changed) when AverageEdit holds no
    // whole number.
    bool ApplySettings();
    void StartBtnClick();
    void StopBtnClick();
    void ZeroBtnClick();
    // Handler of every column check box and of HCMode and HCDivisorRadioGroup: table rebuilt and
    // row building stopped, without a stop request.
    void SettingsClick();
    void DataRadioClick();
    void AcceptBtnClick();
    // "Clea&r", and what the activation boxes' handler calls after opening or closing ports.
    void RebuildTable();
    void ClearBtnClick() { RebuildTable(); }
    void OffsetBtnClick();
    // Row trigger, called by the data decoders while StopBtn is enabled.
    void DataStep(int bench);
    // Sample rows built so far (every reply of the pacing bench that reached the table).
    qint64 RowsBuilt = 0;
    // Every 1000 ms: time-out scan, then the automatic zero or the console's send request.
    void Timer6Timer();

    // ---- main log file ----
    void NewFileClick();
    void Appendtofile1Click();
    void CloseFile1Click();
    // New file / append without the dialog (what they do once a path is chosen).
    bool NewFile(const QString& path);
    bool AppendToFile(const QString& path);
    void LoggingClick();
    // The writing part of "&Comment": the window shows the comment dialog and, when it is closed with
    // OK, passes the memo's lines here.
    void CommentBtnClick(const QStringList& memoLines);
    // "&History": copies an open log to the history file, then reads the history file into lines.
    // True when the history screen is to be shown with them.
    bool HistoryBtnClick(QStringList* lines);

    // The device of a bench's port went away (the port's DeviceLost): its acknowledgement line shows
    // "Device lost: <reason>" in red at once. The caller then closes the port, as after unticking.
    void DeviceLost(int bench, const QString& reason);

    // Shutdown, steps after the closing message: Closing set, log closed, stop request to every bench
    // whose box is enabled and ticked with a one-second wait after each.
    void Shutdown();

signals:
    // A field of State (enabling, a choice, the caption, the console request) or Running changed.
    void StateChanged();
    // A row was offered to the log and accepted (counter advanced); logged tells whether it was written.
    void RowAccepted(bool logged);
    // A write to the main log file failed: the log is closed and shown as after "&Close File", and the
    // box with the message has been shown (through Dialogs()).
    void LogWriteFailed(const QString& message);

private:
    void sendDataCommand(TBench& bench, uint8_t rate);
    void offerRowToLog();
    void setClosedLogState();
    // Shows the log's write failure, if one is waiting, and the log as closed. True when it did.
    bool reportLogFailure();

    TBenchSet& m_benches;
    TDataTable m_table;
    TMainLog m_log;
};

// The bench connections' host of a program that is only the acquisition: Closing, ConsoleCommand,
// the activation boxes, the firmware screen's visibility, StopBtnEnabled and DataStep as the core
// answers them; every other call does nothing. x714ctl acquire and the core's tests use it.
class TAcquisitionHost : public NullBenchHost {
public:
    explicit TAcquisitionHost(TAcquisition* acquisition = nullptr) : m_acq(acquisition) {}
    void SetAcquisition(TAcquisition* acquisition) { m_acq = acquisition; }
    TAcquisition* Acquisition() const { return m_acq; }

    bool Closing() const override;
    uint8_t ConsoleCommand() const override;
    bool BenchBoxActive(int bench) const override;
    bool FirmwareScreenVisible() const override;
    bool StopBtnEnabled() const override;
    void DataStep(int bench) override;

private:
    TAcquisition* m_acq;
};
