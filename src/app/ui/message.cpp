#include "message.h"

#include "ui_util.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TFMessage::TFMessage(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FMessage"));
    setWindowTitle(QStringLiteral("System Message"));
    resize(467, 138);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    QFont big = Memo1->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    Memo1->setFont(big);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
}

void TFMessage::ShowText(const QString& text) {
    Memo1->clear();
    Memo1->appendPlainText(text);
    show();
    raise();
    repaint();
}

void TFMessage::showEvent(QShowEvent* event) {
    CentreOn(this, parentWidget());
    QWidget::showEvent(event);
}
