#include "data/ui/file_dialogs.h"

#include "shell/ui/window_feedback.h"

#include <QFileDialog>

namespace qc::data::ui {

QString browseFolder(QWidget* owner, const QString& prompt, const QString& startFolder) {
    // Only file-system folders can be chosen, as the picker returns nothing else.
    QFileDialog dialog(owner, prompt, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (shell::runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString openFileName(QWidget* owner, const QString& title, const QString& filter) {
    // A new name is accepted too: a user without Visual FoxPro has no container to choose, and
    // "OK" of Advanced Options offers to create one. The dialog itself creates nothing.
    QFileDialog dialog(owner, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setDefaultSuffix(QStringLiteral("dbc"));
    if (shell::runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace qc::data::ui
