#include "x714_application.h"

#include "dialogs.h"

#include <exception>

TX714Application::TX714Application(int& argc, char** argv) : QApplication(argc, argv) {}

void TX714Application::ShowError(const QString& text) {
    Dialogs().Message(text, QStringLiteral("Error"), IDialogs::Icon::Error);
}

bool TX714Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Unexpected error"));
    }
    return false;
}
