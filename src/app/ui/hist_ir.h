#pragma once

#include "fhistory.h"

// The list of IR data lines collected by the IR data log; the raw IR view brings it to the front.
class TfHist_ir : public TListScreen {
    Q_OBJECT
public:
    explicit TfHist_ir(QWidget* parent = nullptr);
};
