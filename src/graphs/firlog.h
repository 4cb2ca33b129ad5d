#pragma once

#include "ir_log.h"

#include <QWidget>

class QAction;
class QCheckBox;
class ICollectedIrData;
class TIrCycle;

// The IR data log screen ("IR Data Log"): "&File" > "&Open" creates the log file, "&Close" closes it,
// and "Data Logging Enabled" lets the raw IR view write each completed cycle to it. Every line the
// log receives also goes to the main window's "Collected IR data" list. An open file is closed when
// the screen goes at shutdown.
class TIRLog : public QWidget {
    Q_OBJECT
public:
    explicit TIRLog(QWidget* parent = nullptr);

    // The list is created after this screen; until it is set, lines go nowhere but the file.
    void SetCollectedIrData(ICollectedIrData* list) { m_list = list; }
    ICollectedIrData* CollectedIrData() const { return m_list; }

    bool LoggingEnabled() const;
    bool LogOpen() const { return m_log.IsOpen(); }
    const TIrLog& Log() const { return m_log; }

    // A completed cycle: with logging enabled and the log open, one line per sample point to the file
    // (while it has room) and to the list.
    void LogCycle(const TIrCycle& cycle);

    QCheckBox* LoggingOnChk = nullptr;
    QAction* Open1 = nullptr;
    QAction* Close1 = nullptr;

public slots:
    void Open1Click();
    void Close1Click();

signals:
    // The raw IR view's caption names the log file.
    void RawIrCaption(const QString& caption);

private:
    void addToList(const QStringList& lines);

    TIrLog m_log;
    ICollectedIrData* m_list = nullptr;
};
