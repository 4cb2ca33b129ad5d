#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Every message box, confirmation and file dialog of the program goes through this interface, so that
// tests can script the answers and read back what an operator would have seen.
class IDialogs {
public:
    enum class Icon { None, Information, Warning, Error };
    struct FileRequest {
        QString caption;
        QString filter;     // e.g. "Log Files|*.LOG"
        QString defaultExt; // without the dot
        QString initialName;
    };
    virtual ~IDialogs() = default;
    // A modal box with one OK button.
    virtual void Message(const QString& text, const QString& caption, Icon icon = Icon::None) = 0;
    // A modal yes/no question; true for yes.
    virtual bool Confirm(const QString& text, const QString& caption) = 0;
    // File dialogs; an empty result means cancelled. Open accepts only existing files; save asks
    // before overwriting.
    virtual QString OpenFileName(const FileRequest& request) = 0;
    virtual QString SaveFileName(const FileRequest& request) = 0;
};

IDialogs& Dialogs();
// Installs the dialogs implementation; nullptr restores the default, which records and answers no.
void SetDialogs(IDialogs* dialogs);

// Test double: records every dialog and answers from queues (no, and cancel, when a queue is empty).
class ScriptedDialogs : public IDialogs {
public:
    struct Shown {
        QString kind; // "message", "confirm", "open", "save"
        QString text;
        QString caption;
        Icon icon = Icon::None;
    };

    void Message(const QString& text, const QString& caption, Icon icon) override;
    bool Confirm(const QString& text, const QString& caption) override;
    QString OpenFileName(const FileRequest& request) override;
    QString SaveFileName(const FileRequest& request) override;

    void QueueConfirm(bool answer) { m_confirms.append(answer); }
    void QueueFileName(const QString& name) { m_files.append(name); }
    // Runs while a message box would be open (events a modal box lets through).
    void SetOnMessage(std::function<void()> hook) { m_onMessage = std::move(hook); }

    QList<Shown> shown;
    // The texts of the message boxes shown so far.
    QStringList Messages() const;
    void Clear() { shown.clear(); }

private:
    QList<bool> m_confirms;
    QStringList m_files;
    std::function<void()> m_onMessage;
};

// Installs a ScriptedDialogs for the lifetime of the guard.
class ScriptedDialogsScope {
public:
    ScriptedDialogsScope() { SetDialogs(&dialogs); }
    ~ScriptedDialogsScope() { SetDialogs(nullptr); }
    ScriptedDialogsScope(const ScriptedDialogsScope&) = delete;
    ScriptedDialogsScope& operator=(const ScriptedDialogsScope&) = delete;
    ScriptedDialogs dialogs;
};
