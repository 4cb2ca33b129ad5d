#include "hist_ir.h"

TfHist_ir::TfHist_ir(QWidget* parent)
    : TListScreen(QStringLiteral("fHist_ir"), QStringLiteral("Collected IR data"), QSize(696, 480), parent) {}
