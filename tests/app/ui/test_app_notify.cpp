// An exception that escapes an event handler is shown in an error box and the event loop goes on.
#include "dialogs.h"
#include "x714_application.h"

#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {
class Thrower : public QObject {
public:
    int handled = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            ++handled;
            throw std::runtime_error("handler failed");
        }
        return QObject::event(e);
    }
};
} // namespace

class TestAppNotify : public QObject {
    Q_OBJECT

private slots:
    void escapedExceptionIsShownAndTheLoopGoesOn() {
        ScriptedDialogsScope dialogs;
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents(&thrower, QEvent::User);
        QCOMPARE(thrower.handled, 2);
        QCOMPARE(dialogs.dialogs.Messages(),
                 (QStringList{QStringLiteral("handler failed"), QStringLiteral("handler failed")}));
        QCOMPARE(dialogs.dialogs.shown[0].caption, QStringLiteral("Error"));
        QCOMPARE(dialogs.dialogs.shown[0].icon, IDialogs::Icon::Error);
    }
};

int main(int argc, char** argv) {
    TX714Application app(argc, argv);
    TestAppNotify test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_app_notify.moc"
