#pragma once

#include <QApplication>

// The desktop program's application object: an exception that escapes an event handler is shown in an
// error box and the event loop goes on.
class TX714Application : public QApplication {
    Q_OBJECT
public:
    TX714Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error the way an escaped exception is shown.
    static void ShowError(const QString& text);
};
