#include "about.h"

#include "captions.h"
#include "ui_util.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(327, 233);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(33, 33);
    Image1->setScaledContents(true);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    Image1->setPixmap(icon.pixmap(33, 33));

    ProductName = new QLabel(Captions::ProgramTitle, this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setWordWrap(true);
    QFont bold = ProductName->font();
    bold.setBold(true);
    ProductName->setFont(bold);

    Version = new QLabel(QStringLiteral("Version ") + Captions::Revision + QStringLiteral(", ") +
                             Captions::DateDay + Captions::DateMonth + Captions::DateYear,
                         this);
    Version->setObjectName(QStringLiteral("Version"));

    Copyright = new QLabel(QStringLiteral("Host program for up to four X714 benches"), this);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setWordWrap(true);

    Comments = new QLabel(QStringLiteral("Comments"), this);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setWordWrap(true);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* frame = new QGridLayout;
    frame->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    frame->addWidget(ProductName, 0, 1);
    frame->addWidget(Version, 1, 1);
    frame->addWidget(Copyright, 2, 1);
    frame->addWidget(Comments, 3, 1);
    frame->setColumnStretch(1, 1);
    frame->setRowStretch(4, 1);

    auto* layout = new QGridLayout(this);
    layout->addLayout(frame, 0, 0);
    layout->addWidget(OKButton, 1, 0, Qt::AlignHCenter);
}

void TAboutBox::showEvent(QShowEvent* event) {
    CentreOn(this, parentWidget());
    QDialog::showEvent(event);
}
