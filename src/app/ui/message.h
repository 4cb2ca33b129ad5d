#pragma once

#include <QWidget>

class QPlainTextEdit;

// The system message screen shown while the program shuts down.
class TFMessage : public QWidget {
    Q_OBJECT
public:
    explicit TFMessage(QWidget* parent = nullptr);

    // Shows the screen holding only the given text, painted at once: the caller is about to block.
    void ShowText(const QString& text);

    QPlainTextEdit* Memo1;

    // How long ShowText waits at most for the window system to put the window on the screen.
    static constexpr int MaxExposeWaitMs = 1000;

protected:
    void showEvent(QShowEvent* event) override;
};
