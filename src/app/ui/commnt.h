#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The log comment dialog: a memo whose lines the main window writes into the log after OK. The memo
// keeps its text between uses.
class TCommentDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCommentDlg(QWidget* parent = nullptr);

    // The memo's lines, as the log receives them (an empty memo is one empty line).
    QStringList Lines() const;

    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

public slots:
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
};
