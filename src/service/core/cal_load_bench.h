#pragma once

#include "cal_load.h"
#include "form_timer.h"
#include "trace_file.h"

class TBenchSet;

// The part of the calibration machine's output that the screen and x714ctl share: the parameter
// commands go to the bench connections, the timer is a form timer (Timer1) whose Timeout the owner
// connects to the machine's Tick, and the trace goes to "tryfile.txt".
class TCalLoadBenchOutput : public ICalLoadOutput {
public:
    explicit TCalLoadBenchOutput(TBenchSet& benches,
                                 const QString& tracePath = QString::fromLatin1(TTraceFile::DefaultName));

    bool SendWrite(int bench, uint16_t number, const QByteArray& text) override;
    void SendRead(int bench, uint16_t number) override;
    void SendStore(int bench, uint16_t number) override;
    void SendLoad(int bench, uint16_t number) override;
    void StartTimer(int ms) override;
    void StopTimer() override;
    bool OpenTrace(QString* error) override;
    bool TraceLine(const QString& line, QString* error) override;
    void CloseTrace() override;

    TFormTimer Timer1;

protected:
    TBenchSet& m_benches;
    TTraceFile m_trace;
};
