#include "message.h"

#include "ui_util.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

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
    // The caller goes on to wait without handling events (the shutdown's one-second waits), so the
    // window must be on the screen before this returns: let the window system map and expose it (no
    // input and no serial data are handled meanwhile), then paint it at once.
    constexpr auto flags = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < MaxExposeWaitMs) {
        QCoreApplication::processEvents(flags);
        if (!(windowHandle() && windowHandle()->isExposed())) QThread::msleep(5);
    }
    repaint();
    QCoreApplication::processEvents(flags);
}

void TFMessage::showEvent(QShowEvent* event) {
    CentreOn(this, parentWidget());
    QWidget::showEvent(event);
}
