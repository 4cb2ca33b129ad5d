#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: product name, version and a comment, opened modally from "&About...".
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments;
    QLabel* Image1;
    QLabel* Copyright;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;
};
