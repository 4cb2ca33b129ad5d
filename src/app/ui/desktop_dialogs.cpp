#include "desktop_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QWidget* owner() {
    return QApplication::activeWindow();
}

QString runFileDialog(const IDialogs::FileRequest& request, bool save) {
    QFileDialog dialog(owner(), request.caption);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !save);
    const QString filter = QtFileFilter(request.filter);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    if (!request.defaultExt.isEmpty()) dialog.setDefaultSuffix(request.defaultExt);
    // A wildcard default name ("*.LOG") only repeats the filter; a plain name is offered as the choice.
    if (!request.initialName.isEmpty() && !request.initialName.contains(QLatin1Char('*')))
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
} // namespace

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out.append(QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.simplified()));
    }
    if (parts.size() % 2 == 1 && !parts.last().isEmpty() && out.isEmpty()) out.append(parts.last());
    return out.join(QStringLiteral(";;"));
}

void DesktopDialogs::Message(const QString& text, const QString& caption, Icon icon) {
    QMessageBox box(owner());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool DesktopDialogs::Confirm(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString DesktopDialogs::OpenFileName(const FileRequest& request) {
    return runFileDialog(request, false);
}

QString DesktopDialogs::SaveFileName(const FileRequest& request) {
    return runFileDialog(request, true);
}
