#pragma once

#include "flash_download.h"
#include "screen_hook.h"

#include <QDialog>
#include <QTimer>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TBenchSelector;
class TBenchSet;

// The firmware download screen ("Flash Firmware Download"): replaces the firmware of the selected
// bench from an S-record file. The download itself is TFlashDownload; this screen binds its display
// to the controls, asks for the file and receives the bench connections' replies while it runs.
class TFUpgrade : public QDialog, public IFirmwareRoutes, public IBenchSelectorScreen {
    Q_OBJECT
public:
    static constexpr const char* NoBenchText = "No Active Benvhes";
    static constexpr const char* NoFileText = "No File Selected";

    TFUpgrade(TBenchSet& benches, const IActivationBoxes& boxes, QWidget* parent = nullptr);
    ~TFUpgrade() override;

    TFlashDownload& Download() { return m_download; }
    // Paints the download's display now (it is otherwise painted at most 25 times a second).
    void PaintDisplay();

    // ---- IFirmwareRoutes ----
    bool FirmwareScreenVisible() const override { return isVisible(); }
    bool FirmwareDownloadInProgress() const override { return m_download.Busy(); }
    void FirmwareReply(int bench, const TRxPacket& packet) override;

    // ---- IBenchSelectorScreen ----
    void RefreshBenchSelector() override;

    // ---- controls (objectName = member name) ----
    QLabel* BootText = nullptr;
    QLabel* EraseText = nullptr;
    QLabel* ProgrammingText = nullptr;
    QLabel* ProgAddress = nullptr;
    QLabel* HexAddressText = nullptr;
    QLabel* RangeLabel = nullptr;
    QLabel* RangeText = nullptr;
    QLabel* Success = nullptr;
    QProgressBar* CGauge1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    TBenchSelector* Bench = nullptr;

public slots:
    void StartBtnClick();
    void CancelBtnClick();
    // Closing the screen in any way (its close box, Escape, Cancel, shutdown): display reset, idle.
    void reject() override;

signals:
    // The screen was shown (true) or hidden: the main window's one-second timer rests while it shows.
    void VisibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    class Output;

    const IActivationBoxes& m_boxes;
    std::unique_ptr<Output> m_output;
    TFlashDownload m_download;
    QTimer m_paint;
};
