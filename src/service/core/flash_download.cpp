#include "flash_download.h"

#include "bench.h"

namespace {
constexpr uint8_t StartBootModeCode = 0x25, InitiateCode = 0x26, WriteCode = 0x27, EndCode = 0x28;

QString hex8(qint64 value) {
    return QStringLiteral("%1").arg(quint64(value) & 0xFFFFFFFFu, 8, 16, QLatin1Char('0')).toUpper();
}
} // namespace

void TFlashDownload::ResetDisplay() {
    m_display = TFlashDisplay{};
    m_display.StartEnabled = !Busy();
    m_low = 4294967295LL;
    m_high = 0;
    m_linesDone = 0;
    m_recordsSent = 0;
    changed();
}

void TFlashDownload::Start(int bench, const TFirmwareImage& image) {
    m_image = image;
    m_recordFormat = image.RecordFormat;
    m_bench = bench;
    m_next = 0;
    m_state = BootRequested;
    ResetDisplay();
    m_out.StartBootMode(bench);
}

void TFlashDownload::ShowInvalidFile() {
    ResetDisplay();
    m_display.ProgAddressEnabled = true;
    m_display.HexAddressText = {true, TStepColour::Red};
    m_display.HexAddress = QString::fromLatin1(InvalidData);
    changed();
}

void TFlashDownload::Abandon() {
    m_state = Idle;
    m_display.StartEnabled = true;
    changed();
}

void TFlashDownload::Reply(int bench, const TRxPacket& packet) {
    // Replies of other benches, and of other commands (a stream that was still running), are not this
    // download's.
    if (!Busy() || bench != m_bench) return;
    const uint8_t code = packet.Code;
    if (code < StartBootModeCode || code > EndCode) return;
    if (packet.Kind == KindNak) {
        switch (code) {
        case StartBootModeCode:
            return fail(BootRefused, &TFlashDisplay::BootText);
        case InitiateCode:
            return fail(EraseRefused, &TFlashDisplay::EraseText);
        case WriteCode:
            return fail(WriteRefused, &TFlashDisplay::HexAddressText);
        default:
            return fail(EndRefused, &TFlashDisplay::ProgrammingText);
        }
    }
    if (packet.Kind != KindAck) return;
    // Only the acknowledgement of the request in hand moves the download on.
    static constexpr uint8_t Expected[] = {0, StartBootModeCode, InitiateCode, WriteCode, EndCode};
    if (code != Expected[m_state]) return;
    switch (m_state) {
    case BootRequested:
        m_display.BootText.Colour = TStepColour::Green;
        m_display.EraseText.Enabled = true;
        m_state = EraseRequested;
        changed();
        m_out.InitiateFlashDownload(m_bench);
        break;
    case EraseRequested:
        m_display.EraseText.Colour = TStepColour::Green;
        m_display.ProgrammingText.Enabled = true;
        m_display.ProgAddressEnabled = true;
        m_display.HexAddressText.Enabled = true;
        m_display.RangeLabelEnabled = true;
        m_display.RangeTextEnabled = true;
        m_state = Programming;
        sendNextRecord();
        break;
    case Programming:
        sendNextRecord();
        break;
    case EndRequested:
        m_state = Idle;
        m_out.SoftReset(m_bench);
        m_display.SuccessVisible = true;
        m_display.StartEnabled = true;
        changed();
        break;
    case Idle:
        break;
    }
}

void TFlashDownload::sendNextRecord() {
    const int lineCount = m_image.LineCount;
    m_display.Gauge = lineCount > 0 ? int(qint64(m_linesDone) * 100 / lineCount) : 0;
    if (m_next < m_image.Records.size()) {
        const TFlashRecord& record = m_image.Records[m_next++];
        // The lines up to the record are consumed; the box shows the count before the record's own.
        m_display.LineNumber = QString::number(record.Line);
        m_linesDone = record.Line + 1;
        const qint64 start = record.Address;
        const qint64 end = start + record.Data.size() - 1;
        if (start < m_low) m_low = start;
        if (end > m_high) m_high = end;
        m_display.Range = hex8(m_low) + QLatin1Char('-') + hex8(m_high);
        m_display.HexAddress = hex8(start);
        ++m_recordsSent;
        changed();
        m_out.WriteFlashMemory(m_bench, record.Address, record.Data);
        return;
    }
    if (m_linesDone < lineCount) {
        m_display.LineNumber = QString::number(lineCount - 1);
        m_linesDone = lineCount;
    }
    m_display.ProgrammingText.Colour = TStepColour::Green;
    m_display.Gauge = 100;
    m_state = EndRequested;
    changed();
    m_out.EndFlashDownload(m_bench);
}

void TFlashDownload::fail(const char* message, TStepLabel TFlashDisplay::*label) {
    m_state = Idle;
    // The bench is told to leave the download; its reply goes to the ordinary acknowledgement line.
    if (m_bench >= 0) m_out.EndFlashDownload(m_bench);
    m_display.ProgrammingText.Colour = TStepColour::Red;
    (m_display.*label).Colour = TStepColour::Red;
    m_display.StartEnabled = true;
    changed();
    m_out.Warning(QString::fromLatin1(message));
}

void TBenchFlashOutput::StartBootMode(int bench) {
    m_benches[bench].SendStartBootMode();
}
void TBenchFlashOutput::InitiateFlashDownload(int bench) {
    m_benches[bench].SendInitiateFlashDownload();
}
void TBenchFlashOutput::WriteFlashMemory(int bench, uint32_t address, const QByteArray& data) {
    // The reader keeps every record within one frame, so this is always sent.
    (void)m_benches[bench].SendWriteFlashMemory(address, data);
}
void TBenchFlashOutput::EndFlashDownload(int bench) {
    m_benches[bench].SendEndFlashDownload();
}
void TBenchFlashOutput::SoftReset(int bench) {
    m_benches[bench].SendSoftReset();
}
