#pragma once

#include "cal_file.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Calibration load and check: one bench at a time, every calibration parameter of a calibration file
// is written, stored to flash, loaded back and read back for comparison ("Load"), or only loaded from
// flash, read and compared ("Check"). A plain state machine: Start, Tick (its form timer ran out),
// Reply (an acknowledgement of a write, read or store), Refused (a refusal of a parameter command) and
// Cancel; everything it does goes through ICalLoadOutput.

inline constexpr std::array<std::string_view, 31> CalLoadStateNames = {
    "",                         // 0: idle
    "eReadyForCalLoad",         // 1
    "eReadFileSerialNum",       // 2
    "eSerialNumberRead",        // 3
    "eSerialNumberReadAck",     // 4
    "eReadTemp",                // 5
    "eReadSpanInterPolyCoeff",  // 6
    "eParamStore",              // 7
    "eParamLoad",               // 8
    "eParamCheck",              // 9
    "eParamTempDetWrite",       // 10
    "eParamTempDetStore",       // 11
    "eParamTempDetLoad",        // 12
    "eParamTempDetCheck",       // 13
    "eParamTempGasWrite",       // 14
    "eParamTempGasStore",       // 15
    "eParamTempGasLoad",        // 16
    "eParamTempGasCheck",       // 17
    "eParamPressWrite",         // 18
    "eParamPressStore",         // 19
    "eParamPressLoad",          // 20
    "eParamPressCheck",         // 21
    "eGetZeroTempCoeff",        // 22
    "eParamZeroTempCoeffStore", // 23
    "eParamZeroTempCoeffLoad",  // 24
    "eParamZeroTempCoeffCheck", // 25
    "eGetCOPolyCoeff",          // 26
    "eCOPolyCoeffStore",        // 27
    "eCOPolyCoeffLoad",         // 28
    "eCOPolyCoeffCheck",        // 29
    "eCalLoadEnd",              // 30
};

// Parameter numbers of the span blocks, in file order (temperature point 1 blocks 1 to 9, then 2, ...).
inline constexpr std::array<uint16_t, 36> CalSpanParameters = {
    117, 127, 132, 137, 257, 261, 265, 269, 126, //
    118, 128, 133, 138, 258, 262, 266, 270, 131, //
    119, 129, 134, 139, 259, 263, 267, 271, 136, //
    120, 130, 135, 140, 260, 264, 268, 272, 141,
};
inline constexpr uint16_t CalSerialParameter = 1;
inline constexpr uint16_t CalDetTempParameter = 152;
inline constexpr uint16_t CalCellTempParameter = 153;
inline constexpr uint16_t CalPressureParameter = 154;
inline constexpr uint16_t CalZeroTempParameter = 145;
inline constexpr std::array<uint16_t, 2> CalCoParameters = {273, 274};
// Pressures read back may differ from the file by this much; everything else must match exactly.
inline constexpr double CalPressureTolerance = 0.01;
// Attempts per parameter in Load mode.
inline constexpr int CalMaxAttempts = 3;

// True when the read-back text carries at least the expected values and each, rounded to a 32-bit
// float, lies within the tolerance of the expected one; values beyond the expected count are ignored.
bool CalValuesMatch(const std::vector<float>& expected, const QByteArray& readBack, double tolerance);

// How a run ended.
enum class TCalLoadResult {
    Success,   // the bench was loaded or checked
    Error,     // refusal, file problem or failed check
    Cancelled, // Cancel during the run
    NoBench,   // no bench box was checked
};

// What the machine asks of the program around it. Benches are 0 to 3.
class ICalLoadOutput {
public:
    virtual ~ICalLoadOutput() = default;
    // Bench box B is enabled and checked.
    virtual bool BenchChecked(int bench) const = 0;
    // Parameter commands to a bench. The write returns false, sending nothing, when the text cannot be
    // framed.
    virtual bool SendWrite(int bench, uint16_t number, const QByteArray& text) = 0; // $48
    virtual void SendRead(int bench, uint16_t number) = 0;                          // $49
    virtual void SendStore(int bench, uint16_t number) = 0;                         // $54
    virtual void SendLoad(int bench, uint16_t number) = 0;                          // $55
    // The form timer: one Tick after `ms` unless stopped or restarted.
    virtual void StartTimer(int ms) = 0;
    virtual void StopTimer() = 0;
    // The text of the "Process State" box: a state name, then the result.
    virtual void ShowState(const QString& text) = 0;
    // The trace file, created anew for each bench. Each line is given without its line end. On
    // failure the functions return false and say why in `error`.
    virtual bool OpenTrace(QString* error) = 0;
    virtual bool TraceLine(const QString& line, QString* error) = 0;
    virtual void CloseTrace() = 0;
    // A problem the operator must be told about (file missing or unreadable, trace not writable).
    virtual void ReportProblem(const QString& text) = 0;
    // The run is over.
    virtual void RunEnded(TCalLoadResult result) = 0;
};

class TCalLoadMachine {
public:
    static constexpr int Idle = 0, ReadyForCalLoad = 1, ReadFileSerialNum = 2, SerialNumberRead = 3,
                         SerialNumberReadAck = 4, ReadTemp = 5, ReadSpanInterPolyCoeff = 6, ParamStore = 7,
                         ParamLoad = 8, ParamCheck = 9, ParamTempDetWrite = 10, ParamTempDetStore = 11,
                         ParamTempDetLoad = 12, ParamTempDetCheck = 13, ParamTempGasWrite = 14,
                         ParamTempGasStore = 15, ParamTempGasLoad = 16, ParamTempGasCheck = 17,
                         ParamPressWrite = 18, ParamPressStore = 19, ParamPressLoad = 20,
                         ParamPressCheck = 21, GetZeroTempCoeff = 22, ParamZeroTempCoeffStore = 23,
                         ParamZeroTempCoeffLoad = 24, ParamZeroTempCoeffCheck = 25, GetCOPolyCoeff = 26,
                         COPolyCoeffStore = 27, COPolyCoeffLoad = 28, COPolyCoeffCheck = 29, CalLoadEnd = 30;

    explicit TCalLoadMachine(ICalLoadOutput& output);
    ~TCalLoadMachine();
    TCalLoadMachine(const TCalLoadMachine&) = delete;
    TCalLoadMachine& operator=(const TCalLoadMachine&) = delete;

    // Load (true) or Check (false). Kept while a run goes on: a run keeps the mode it started with.
    void SetLoadMode(bool load);
    bool LoadMode() const { return m_loadMode; }
    void SetCalFilePath(int bench, const QString& path);
    QString CalFilePath(int bench) const;

    // Starts a run with bench 1 and takes its first step at once. False, and nothing done, while a
    // run is going on.
    bool Start();
    // Ends the run at the next step (the next Tick); nothing happens while idle.
    void Cancel();
    // One step without a reply: the form timer ran out.
    void Tick();
    // One step after an acknowledgement of a parameter write, read or store.
    void Reply();
    // One step after a refusal of a parameter command: the bench ends in error.
    void Refused();
    // Marks the bench as failed without a step (the refusal's flag, set before its step).
    void SetRefused() { m_failed = true; }
    // The raw value text of the last parameter read, compared by the checks.
    void SetParamReadText(const QByteArray& text) { m_paramReadText = text; }

    int State() const { return m_state; }
    bool Running() const { return m_running; }
    int BenchIndex() const { return m_benchIndex; }
    bool Failed() const { return m_failed; }
    bool Aborted() const { return m_aborted; }
    bool TraceOpen() const { return m_traceOpen; }
    int AttemptCount() const { return m_attempts; }
    QByteArray SerialText() const { return m_serialText; }
    QByteArray ParamReadText() const { return m_paramReadText; }
    // The result of the last run that ended, and whether a file problem caused it.
    std::optional<TCalLoadResult> LastResult() const { return m_result; }
    bool FileProblem() const { return m_fileProblem; }

    static QString StateName(int state);

private:
    void step(bool refused);
    void execute();
    // Shows the state that ran and arms the timer for the next one.
    void next(int state, int ms);
    void trace(const QString& line);
    void fail(const QString& problem, bool fileProblem);
    void endRun(TCalLoadResult result);
    // The value check of a step: on a pass goes on to `pass`, else retries from `retry` or fails.
    // Returns true on a pass.
    bool check(const std::vector<float>& expected, double tolerance, int retry, int pass);
    void takeBlock(const TCalValues& block);
    void write(uint16_t number, const QByteArray& text);
    void endOfBench();

    ICalLoadOutput& m_out;
    bool m_loadMode = true;
    std::array<QString, 4> m_calFilePath;

    int m_state = Idle;
    int m_benchIndex = 0;
    bool m_running = false;
    bool m_aborted = false;
    bool m_failed = false;
    bool m_traceOpen = false;
    bool m_processing = false; // the current bench's box was checked when its turn came
    bool m_fileProblem = false;
    std::optional<TCalLoadResult> m_result;

    std::optional<TCalFile> m_cal;
    int m_attempts = 0;
    int m_tempIndex = 0;
    int m_blockIndex = 0;
    int m_tableIndex = 0;
    int m_coPass = 0;
    uint16_t m_paramNumber = 0;
    QByteArray m_valuesText;
    std::vector<float> m_blockValues;
    QByteArray m_cellTempText, m_detTempText, m_pressText;
    std::vector<float> m_cellTemps, m_detTemps, m_pressures;
    QByteArray m_paramReadText;
    QByteArray m_serialText;

    // A reply that arrives while a step runs (a bench answering at once) is taken after it.
    bool m_inStep = false;
    std::optional<bool> m_pendingStep; // its refusal flag
};
