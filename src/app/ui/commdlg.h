#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class TApdComPort;
class TRadioGroup;

// The communications dialog: line speed of the open bench ports, bench 1's COM number, and a trace of
// bench 1's traffic. It reconfigures the port components only; which benches are active is the main
// window's business.
class TCommDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int BaudRates[] = {9600, 19200, 38400, 57600, 115200};

    TCommDlg(const std::array<TApdComPort*, 4>& ports, QWidget* parent = nullptr);

    // Set by the main window: shows a port label ("Com 5") in bench 1's row.
    std::function<void(const QString&)> ShowBenchOnePort;
    // The port label built by the last successful or failed port check.
    QString PortLabel() const { return m_portLabel; }

    TRadioGroup* Baud;
    QPushButton* TraceBtn;
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* OK1Btn;
    QPushButton* OKBtn;

public slots:
    void BaudClick(int index);
    void TraceBtnClick();
    void OK1BtnClick();

private:
    std::array<TApdComPort*, 4> m_ports;
    QString m_portLabel;
};
