#pragma once

#include "status_screen.h"

#include <array>

class QCloseEvent;
class QPushButton;

// The engineering status screen "Service Errors": the engineering status bytes 4..15 of one bench as
// 58 check/OK indicators in the groups "EStat1".."EStat12" (group N shows byte N + 3). Start and Stop
// ask the selected bench for the continuous engineering status stream ($41) or end it; closing the
// screen always ends it for the selected bench.
class TEStatus : public TStatusScreen, public IEngineeringStatusRoutes {
    Q_OBJECT
public:
    TEStatus(TBenchSet& benches, const IActivationBoxes& activation, QWidget* parent = nullptr);

    QPushButton* StartBtn = nullptr;
    QPushButton* StopBtn = nullptr;

    // $41 with rate 2 (continuous) to the selected bench, if any; then Start off and Stop on.
    void StartBtnClick();
    // $41 with rate 0 (stop) to the selected bench, if any; then Start on and Stop off.
    void StopBtnClick();
    // The window closes: with a bench selected, $41 with rate 0 and a wait of at most one second (until
    // the clock's whole-second count has moved on) so that the request leaves before anything else.
    void FormClose();

    // ---- IEngineeringStatusRoutes ----
    void UpdateEngineeringStatus(int bench) override;

protected:
    // A bench shows here once it has delivered engineering status ($41 or $44): the data replies $01
    // and $06 carry bytes 0..3 only, and the zeroes behind them would read as 58 green indicators.
    bool HasStatus(int bench) const override;
    std::vector<TStatusText> Decode(const TStatusBytes& status) const override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::array<bool, 4> m_engineeringDelivered{};
};
