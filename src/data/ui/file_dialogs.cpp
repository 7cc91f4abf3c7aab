#include "data/ui/file_dialogs.h"

#include <QFileDialog>

namespace qc::data::ui {

QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& startFolder) {
    // Only file-system folders can be chosen, as the picker returns nothing else.
    return QFileDialog::getExistingDirectory(owner, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

QString OpenFileName(QWidget* owner, const QString& title, const QString& filter) {
    // The file must exist (read-only open): the dialog does not offer to create one.
    return QFileDialog::getOpenFileName(owner, title, QString(), filter, nullptr, QFileDialog::ReadOnly);
}

} // namespace qc::data::ui
