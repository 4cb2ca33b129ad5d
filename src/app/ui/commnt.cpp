#include "commnt.h"

#include "ui_util.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TCommentDlg::TCommentDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CommentDlg"));
    setWindowTitle(QStringLiteral("Logfile Comment"));
    resize(548, 260);

    Label1 = new QLabel(QStringLiteral("Enter a Comment to be included in the logfile."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Button1 = new QPushButton(QStringLiteral("&Clear Text"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    connect(Button1, &QPushButton::clicked, this, &TCommentDlg::Button1Click);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
}

QStringList TCommentDlg::Lines() const {
    return Memo1->toPlainText().split(QLatin1Char('\n'));
}

void TCommentDlg::Button1Click() {
    Memo1->clear();
}

void TCommentDlg::showEvent(QShowEvent* event) {
    CentreOn(this, parentWidget());
    QDialog::showEvent(event);
}
