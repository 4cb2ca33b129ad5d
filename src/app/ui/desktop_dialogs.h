#pragma once

#include "dialogs.h"

class QWidget;

// The dialogs of the desktop program: message boxes and questions over QMessageBox, file choices over
// QFileDialog. Boxes are parented to the active window so they sit over the screen that asked.
class DesktopDialogs : public IDialogs {
public:
    void Message(const QString& text, const QString& caption, Icon icon = Icon::None) override;
    bool Confirm(const QString& text, const QString& caption) override;
    QString OpenFileName(const FileRequest& request) override;
    QString SaveFileName(const FileRequest& request) override;
};

// "Log Files|*.LOG" (description and patterns, pairs separated by '|', patterns by ';') as a file
// dialog filter: "Log Files (*.LOG)", pairs separated by ";;".
QString QtFileFilter(const QString& filter);
