#pragma once

#include "status_screen.h"

class QPushButton;

// The status screen "Status": the customer status bytes 0..3 of one bench as words and colours, in the
// groups "System Status", "Data Status 1, 2" and "Problem Status". It sends nothing of its own; it
// shows what the data replies ($01, $06, $44) of the selected bench last delivered.
class TFCStatus : public TStatusScreen, public IStatusRoutes {
    Q_OBJECT
public:
    TFCStatus(TBenchSet& benches, const IActivationBoxes& activation, QWidget* parent = nullptr);

    QPushButton* UpdateBtn = nullptr;

    // Shows the selected bench afresh: ClearStatus, then ShowStatus.
    void UpdateBtnClick();

    // ---- IStatusRoutes ----
    void UpdateStatusScreen(int bench) override;

protected:
    std::vector<TStatusText> Decode(const TStatusBytes& status) const override;
};
