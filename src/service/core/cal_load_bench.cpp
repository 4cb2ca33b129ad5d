#include "cal_load_bench.h"

#include "bench.h"

TCalLoadBenchOutput::TCalLoadBenchOutput(TBenchSet& benches, const QString& tracePath)
    : Timer1(500), m_benches(benches), m_trace(tracePath) {}

bool TCalLoadBenchOutput::SendWrite(int bench, uint16_t number, const QByteArray& text) {
    return m_benches[bench].SendWriteFlashParameter(number, text);
}

void TCalLoadBenchOutput::SendRead(int bench, uint16_t number) {
    m_benches[bench].SendReadFlashParameter(number);
}

void TCalLoadBenchOutput::SendStore(int bench, uint16_t number) {
    m_benches[bench].SendStoreFlashParameter(number);
}

void TCalLoadBenchOutput::SendLoad(int bench, uint16_t number) {
    m_benches[bench].SendLoadFlashParameter(number);
}

void TCalLoadBenchOutput::StartTimer(int ms) {
    Timer1.Stop();
    Timer1.SetInterval(ms);
    Timer1.Start();
}

void TCalLoadBenchOutput::StopTimer() {
    Timer1.Stop();
}

bool TCalLoadBenchOutput::OpenTrace(QString* error) {
    return m_trace.Open(error);
}

bool TCalLoadBenchOutput::TraceLine(const QString& line, QString* error) {
    return m_trace.WriteLine(line, error);
}

void TCalLoadBenchOutput::CloseTrace() {
    m_trace.Close();
}
