#include "title.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TFTitle::TFTitle(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FTitle"));
    setWindowTitle(QStringLiteral("Corrin Title"));
    resize(364, 95);
    Edit1 = new QLineEdit(QStringLiteral("Computer:"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TFTitle::OKBtnClick);
    connect(Edit1, &QLineEdit::returnPressed, this, &TFTitle::OKBtnClick);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Edit1, 1);
    layout->addWidget(OKBtn);
}

void TFTitle::OKBtnClick() {
    if (ApplyTitle) ApplyTitle(Edit1->text());
    close();
}
