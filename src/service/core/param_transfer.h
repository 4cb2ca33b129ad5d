#pragma once

#include "packet.h"
#include "read_error.h"
#include "trace_file.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Parameter transfer files: one parameter per pair of lines, a header "// NUMBER NAME " and a value
// line "  VALUE " (an upload puts a tab after every comma of the value). The download reader takes a
// blank line between pairs, removes every blank, tab and line end from a value, and refuses a file
// with a bad pair before the first parameter is written.

struct TTransferEntry {
    int Line = 0;     // of the header, 1-based
    int Number = 0;   // 0..65535
    QString Name;     // as the header gives it (may be empty)
    QByteArray Value; // without blanks, tabs and line ends
};

struct TTransferRead {
    std::vector<TTransferEntry> Entries;
    // Empty when the file is sound; else the state box's reason (" Start != //  ", " Error ParamNo ",
    // " No Param data ", " Param data too long ", " File Error ") and the file, line and detail.
    QString ErrorText;
    TReadError Error;
    bool Ok() const { return ErrorText.isEmpty(); }
};

// Longest value a write request can carry.
inline constexpr int MaxTransferValueLength = 251;

TTransferRead ParseTransferText(const QByteArray& text, const QString& name);
TTransferRead ReadTransferFile(const QString& path);
// The value line of an upload: two blanks, the value with a tab after every comma, a blank.
QByteArray UploadValueLine(const QByteArray& value);
// The header line: "// ", the number, a blank, the name, a blank.
QByteArray UploadHeaderLine(int number, const QString& name);

// Everything the transfer asks of the program: parameter requests to a bench, its form timer, the two
// boxes, the start button, the overwrite question and the parameter list's names.
class IParamTransferOutput {
public:
    virtual ~IParamTransferOutput() = default;
    virtual void LoadParameter(int bench, uint16_t number) = 0; // $55
    virtual void ReadParameter(int bench, uint16_t number) = 0; // $49
    // $48; false when the value cannot be sent (the reader keeps it within a frame).
    virtual bool WriteParameter(int bench, uint16_t number, const QByteArray& value) = 0;
    virtual void StoreParameter(int bench, uint16_t number) = 0; // $54
    // Timer1: the next run of the state machine after `ms` unless a reply comes first.
    virtual void StartTimer(int ms) = 0;
    virtual void StopTimer() = 0;
    virtual void ShowState(const QString& text) = 0; // Edit1, "Process State"
    virtual void ShowParam(const QString& text) = 0; // Edit2, "Parameter"
    virtual void SetStartEnabled(bool enabled) = 0;
    // "File Exists! Overwrite?"; true for yes.
    virtual bool ConfirmOverwrite(const QString& path) = 0;
    // The parameter list's name of a number (empty above 400).
    virtual QString ParameterName(int number) const = 0;
};

// Parameter upload (bench to file) and download (file to bench, with read-back) for benches 1 to 4
// in turn, each with its own file, as the numbered states of the transfer screen. It receives Start,
// Cancel, Tick (its form timer), Reply, Refused and TimedOut and acts only through its output; it owns
// the parameter and trace files of the bench in hand.
class TParamTransfer {
public:
    enum class Mode { Download, Upload };
    static constexpr int StepIntervalMs = 100;
    static constexpr int MaxAttempts = 10;
    static constexpr int DefaultMaxParameters = 400;
    // State names by number (0 idle, 1-5 upload, 6-13 download, 14 end of a bench).
    static constexpr std::array<std::string_view, 15> StateNames{
        "Idle",           "eReadyForULoad", "eLoadParamU", "eLoadParamUAck", "eReadParamU",
        "eReadParamUAck", "eReadyForDLoad", "eReadLine",   "eWriteParam",    "eWriteParamAck",
        "eReadParam",     "eReadParamAck",  "eStoreParam", "eStoreParamAck", "eBenchDone"};

    explicit TParamTransfer(IParamTransferOutput& output) : m_out(output) {}
    ~TParamTransfer();

    // ---- settings, as the screen's controls give them ----
    std::array<bool, 4> BenchWanted{};
    std::array<QString, 4> ParamFilePath;
    // Pause between steps that wait for nothing (the form timer's interval).
    int StepMs = StepIntervalMs;
    QString TracePath = QString::fromLatin1(TTraceFile::DefaultName);

    // OKBtnClick. Upload takes the highest parameter number from `lastParameter` (NumParamEdit); one
    // that is not a number from 0 to 65535 gives 400, and `*lastParameter` is set to "400".
    void Start(Mode mode, QString* lastParameter = nullptr);
    void Cancel();
    void Tick();
    // An acknowledged $48, $49 or $54 of a bench (the value text for $49).
    void Reply(int bench, const TRxPacket& packet);
    void Refused(int bench, uint8_t code, uint8_t errorCode);
    void TimedOut(int bench, uint8_t code);

    int State() const { return m_state; }
    std::string_view StateName() const { return StateNames[size_t(m_state)]; }
    int BenchIndex() const { return m_benchIndex; }
    Mode CurrentMode() const { return m_mode; }
    int MaxParameters() const { return m_maxParameters; }
    bool Running() const { return m_state > 0; }
    const QString& StateText() const { return m_stateText; }
    // Parameters written to the file (upload) or stored in the bench (download) for the bench in hand.
    int Transferred() const { return m_transferred; }
    int EntryCount() const { return int(m_entries.size()); }
    int EntryIndex() const { return int(m_next); }
    int ParamIndex() const { return m_paramIndex; }
    bool FilesOpen() const { return m_paramFile.isOpen() || (m_trace && m_trace->IsOpen()); }
    // The reason of a file refused by the download reader, with its file and line.
    const QString& FileErrorDetail() const { return m_fileError; }

private:
    void run();
    void step();
    void finishBench();
    void fail(const QString& reason);
    void trace(const QString& line);
    QString time() const;
    void again() { m_out.StartTimer(StepMs); }
    void closeFiles();
    // Creates the bench's trace file anew; false when it cannot be.
    bool openTrace();
    void showState(const QString& text);

    IParamTransferOutput& m_out;
    Mode m_mode = Mode::Upload;
    int m_state = 0;
    int m_benchIndex = 0;
    int m_maxParameters = DefaultMaxParameters;
    int m_paramIndex = 0;
    int m_fileParam = 0;
    QByteArray m_valueText;
    QByteArray m_replyText;
    int m_attemptCount = 0;
    bool m_repeat = false, m_skip = false, m_failed = false, m_aborted = false;
    QString m_errorText;
    qint64 m_runStart = 0;
    QFile m_paramFile;
    std::unique_ptr<TTraceFile> m_trace;
    std::vector<TTransferEntry> m_entries;
    size_t m_next = 0;
    int m_transferred = 0;
    QString m_stateText;
    QString m_fileError;
};
