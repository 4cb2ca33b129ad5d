#include "dialogs.h"

namespace {
IDialogs* g_dialogs = nullptr;

ScriptedDialogs& fallback() {
    static ScriptedDialogs dialogs;
    return dialogs;
}
} // namespace

IDialogs& Dialogs() {
    return g_dialogs ? *g_dialogs : fallback();
}

void SetDialogs(IDialogs* dialogs) {
    g_dialogs = dialogs;
}

void ScriptedDialogs::Message(const QString& text, const QString& caption, Icon icon) {
    shown.append({QStringLiteral("message"), text, caption, icon});
    if (m_onMessage) m_onMessage();
}

bool ScriptedDialogs::Confirm(const QString& text, const QString& caption) {
    shown.append({QStringLiteral("confirm"), text, caption, Icon::None});
    return m_confirms.isEmpty() ? false : m_confirms.takeFirst();
}

QString ScriptedDialogs::OpenFileName(const FileRequest& request) {
    shown.append({QStringLiteral("open"), request.filter, request.caption, Icon::None});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QString ScriptedDialogs::SaveFileName(const FileRequest& request) {
    shown.append({QStringLiteral("save"), request.filter, request.caption, Icon::None});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QStringList ScriptedDialogs::Messages() const {
    QStringList texts;
    for (const Shown& s : shown)
        if (s.kind == QLatin1String("message")) texts.append(s.text);
    return texts;
}
