#pragma once

#include <QWidget>

class QListWidget;

// A window holding a list of text lines that fills it: the history screen (the copied log file) and
// the IR history (lines collected by the IR data log). Closing only hides it.
class TListScreen : public QWidget {
    Q_OBJECT
public:
    TListScreen(const QString& objectName, const QString& caption, QSize size, QWidget* parent);

    QListWidget* ListBox1;

protected:
    void showEvent(QShowEvent* event) override;
};

class THistory : public TListScreen {
    Q_OBJECT
public:
    explicit THistory(QWidget* parent = nullptr);
};
