#pragma once

// A main window over four ports in memory, with a manual clock and scripted dialogs. Every frame the
// window sends goes to the wire at once, so a test reads what each bench received with Written().
#include "bench.h"
#include "cedat.h"
#include "clock.h"
#include "command.h"
#include "dialogs.h"
#include "memory_comport.h"
#include "reply_packet.h"
#include "shell.h"

#include <QCheckBox>
#include <QDialog>
#include <QTableView>
#include <QTest>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>

struct UiFixture {
    ManualClockScope clock;
    ScriptedDialogsScope dialogs;
    std::array<MemoryComPort*, 4> ports{};
    std::unique_ptr<TShell> shell;
    TApp* app = nullptr;
    // Answers a modal dialog the window would run; Rejected when unset.
    std::function<int(QDialog*)> onExec;
    QList<QDialog*> executed;

    // COM numbers listed in `absent` have no device at start.
    explicit UiFixture(std::initializer_list<int> absent = {}) {
        MemoryComPort::ResetDevices();
        for (int com : absent)
            MemoryComPort::SetDevice(com, MemoryComPort::Device::Absent);
        // The program as x714 builds it, over ports in memory.
        shell = std::make_unique<TShell>([this](int com) {
            auto port = std::make_unique<MemoryComPort>(com);
            MemoryComPort* raw = port.get();
            QObject::connect(raw, &TApdComPort::Activity, raw, [raw](bool transmit) {
                if (transmit) raw->Transmit();
            });
            ports[com - 1] = raw;
            return port;
        });
        app = &shell->MainWindow();
        app->ExecDialog = [this](QDialog* dialog) {
            executed.append(dialog);
            return onExec ? onExec(dialog) : int(QDialog::Rejected);
        };
    }
    ~UiFixture() {
        shell.reset();
        MemoryComPort::ResetDevices();
    }

    // Clicks activation box of bench i (0..3), as an operator does.
    void Click(int bench) { app->ActiveBench[bench]->click(); }
    void Tick(std::initializer_list<int> benches) {
        for (int b : benches)
            Click(b);
    }
    QByteArray Written(int bench) { return ports[bench]->TakeWritten(); }
    void ClearWritten() {
        for (MemoryComPort* p : ports)
            p->TakeWritten();
    }

    // The reply packet a bench sends: kind, code, length, data, checksum.
    static QByteArray Packet(uint8_t kind, uint8_t code, const QByteArray& data) {
        return replyPacket(kind, code, data);
    }
    // A $01 data reply: status bytes, CO2, CO, HC, O2, NO.
    static QByteArray DataReply(int16_t co2, int16_t co, uint32_t hc, int16_t o2, int16_t no,
                                uint8_t status0 = 0) {
        QByteArray d(16, '\0');
        d[0] = char(status0);
        auto put16 = [&d](int at, int16_t v) {
            d[at] = char(uint16_t(v) >> 8);
            d[at + 1] = char(v & 0xFF);
        };
        put16(4, co2);
        put16(6, co);
        for (int i = 0; i < 4; ++i)
            d[8 + i] = char(hc >> (24 - 8 * i));
        put16(12, o2);
        put16(14, no);
        return Packet(0x06, 0x01, d);
    }
    // The frame of a data command request with its rate and HC flag.
    static QByteArray DataFrame(uint8_t code, uint8_t rate, bool hc = false) {
        TCommand cmd;
        cmd.Begin(code);
        cmd.Push(rate);
        cmd.Push(hc ? 1 : 0);
        return cmd.Frame();
    }

    QString Cell(int row, int column) const {
        return app->Grid->model()->index(row, column).data().toString();
    }
};
