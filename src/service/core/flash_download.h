#pragma once

#include "packet.h"
#include "srecord.h"

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

// What the firmware download screen shows, as plain values: the four step labels, the address and
// range boxes, the line box, the gauge and the success text. The screen paints it; x714ctl flash
// reports from it.
enum class TStepColour { Black, Green, Red };

struct TStepLabel {
    bool Enabled = false;
    TStepColour Colour = TStepColour::Black;
};

struct TFlashDisplay {
    TStepLabel BootText{true, TStepColour::Black}; // "Entering Boot Mode"
    TStepLabel EraseText;                          // "Erasing Program Sectors"
    TStepLabel ProgrammingText;                    // "Programming Flash"
    TStepLabel HexAddressText;                     // the record address (red on a refused write)
    bool ProgAddressEnabled = false;               // "Address:"
    bool RangeLabelEnabled = false;                // "Range:"
    bool RangeTextEnabled = false;
    QString HexAddress = QStringLiteral("000000");
    QString Range = QStringLiteral(" ");
    QString LineNumber; // Edit1: the line in hand
    int Gauge = 0;      // 0..100
    bool SuccessVisible = false;
    bool StartEnabled = true;
};

// Everything the download asks of the program: requests to the bench being downloaded, a repaint,
// and the warning of a failed download.
class IFlashDownloadOutput {
public:
    virtual ~IFlashDownloadOutput() = default;
    virtual void StartBootMode(int bench) = 0;                                              // $25
    virtual void InitiateFlashDownload(int bench) = 0;                                      // $26
    virtual void WriteFlashMemory(int bench, uint32_t address, const QByteArray& data) = 0; // $27
    virtual void EndFlashDownload(int bench) = 0;                                           // $28
    virtual void SoftReset(int bench) = 0;                                                  // $F0
    virtual void DisplayChanged() = 0;
    // A warning box with a single OK button.
    virtual void Warning(const QString& text) = 0;
};

// The firmware download of one bench, driven by its acknowledgements: boot mode, erase, one write per
// record, end, reset. The image is read and checked whole before Start, so a download never begins
// with a record it cannot send. While Busy() every reply of the bench connections is handed to
// Reply(); only the selected bench's acknowledgement of the request in hand moves it on.
class TFlashDownload {
public:
    enum State : int { Idle, BootRequested, EraseRequested, Programming, EndRequested };
    static constexpr std::array<std::string_view, 5> StateNames{"Idle", "Boot Requested", "Erase Requested",
                                                                "Programming", "End Requested"};

    // Failure messages by refused command, and the text of a record that cannot be sent.
    static constexpr const char* BootRefused = "Failed to Unlock Download, NAK";
    static constexpr const char* EraseRefused = "Failed to Erase Flash Sectors, NAK";
    static constexpr const char* WriteRefused = "Flash Write Failure, NAK";
    static constexpr const char* EndRefused = "Failed to End Programming, NAK";
    static constexpr const char* InvalidData = "Invalid data in Hex file";

    explicit TFlashDownload(IFlashDownloadOutput& output) : m_out(output) {}

    const TFlashDisplay& Display() const { return m_display; }
    State CurrentState() const { return m_state; }
    std::string_view StateName() const { return StateNames[size_t(m_state)]; }
    bool Busy() const { return m_state != Idle; }
    int Bench() const { return m_bench; }
    // 1 = S2, 2 = S3: the previous download's format, which a file whose first line does not decide
    // is read in.
    int RecordFormat() const { return m_recordFormat; }
    int LineCount() const { return m_image.LineCount; }
    int LinesDone() const { return m_linesDone; }
    int RecordsSent() const { return m_recordsSent; }
    int RecordCount() const { return int(m_image.Records.size()); }
    qint64 LowAddress() const { return m_low; }
    qint64 HighAddress() const { return m_high; }

    // All labels black, the boot label enabled and the others disabled, boxes and gauge cleared.
    void ResetDisplay();
    // Display reset, then the boot request to the bench. The image must hold at least one record.
    void Start(int bench, const TFirmwareImage& image);
    // A file that was refused before anything was sent: the address box says so, in red.
    void ShowInvalidFile();
    // A reply of any bench while Busy.
    void Reply(int bench, const TRxPacket& packet);
    // Ends the download at once without sending anything (Cancel, closing the screen).
    void Abandon();

private:
    void sendNextRecord();
    void fail(const char* message, TStepLabel TFlashDisplay::*label);
    void changed() { m_out.DisplayChanged(); }

    IFlashDownloadOutput& m_out;
    TFlashDisplay m_display;
    State m_state = Idle;
    int m_bench = -1;
    int m_recordFormat = RecordFormatS2;
    TFirmwareImage m_image;
    size_t m_next = 0; // index of the next record to send
    int m_linesDone = 0;
    int m_recordsSent = 0;
    qint64 m_low = 4294967295LL, m_high = 0;
};

class TBenchSet;

// The requests of a download sent through the bench connections' builders; the screen and the
// command-line tool add the repaint and the warning.
class TBenchFlashOutput : public IFlashDownloadOutput {
public:
    explicit TBenchFlashOutput(TBenchSet& benches) : m_benches(benches) {}
    void StartBootMode(int bench) override;
    void InitiateFlashDownload(int bench) override;
    void WriteFlashMemory(int bench, uint32_t address, const QByteArray& data) override;
    void EndFlashDownload(int bench) override;
    void SoftReset(int bench) override;

private:
    TBenchSet& m_benches;
};
