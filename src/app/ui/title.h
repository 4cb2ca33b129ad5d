#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;

// The title dialog (not modal): "OK" hands the text to the main window, which puts it into its caption
// and the application's name, and closes the dialog.
class TFTitle : public QWidget {
    Q_OBJECT
public:
    explicit TFTitle(QWidget* parent = nullptr);

    // Set by the main window: applies a user title.
    std::function<void(const QString&)> ApplyTitle;

    QLineEdit* Edit1;
    QPushButton* OKBtn;

public slots:
    void OKBtnClick();
};
