#pragma once

#include "fhistory.h"
#include "screen_hook.h"

// The list of IR data lines collected by the IR data log; the raw IR view brings it to the front.
class TfHist_ir : public TListScreen, public ICollectedIrData {
    Q_OBJECT
public:
    explicit TfHist_ir(QWidget* parent = nullptr);

    // ---- ICollectedIrData ----
    int LineCount() const override;
    void AddLines(const QStringList& lines) override;
    void RemoveLines(int first, int count) override;
    void ClearLines() override;
    void BringToFront() override;
};
