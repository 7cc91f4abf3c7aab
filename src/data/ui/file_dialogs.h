#pragma once
// The system dialogs that set the FoxPro target: the folder picker and the file-open dialog. The
// windows call them through this record, so tests can answer them without a display.

#include <QString>

#include <functional>

class QWidget;

namespace qc::data::ui {

// Shows the system folder picker, modal to `owner`, opening at `startFolder` (its default place
// when empty). Returns the chosen folder's full path, or an empty text when cancelled.
QString browseFolder(QWidget* owner, const QString& prompt, const QString& startFolder);

// Shows the file-open dialog, modal to `owner`. Returns the full path of the chosen file, or of a
// file name the user typed that does not exist yet, or an empty text when cancelled.
QString openFileName(QWidget* owner, const QString& title, const QString& filter);

struct FileDialogs {
    std::function<QString(QWidget* owner, const QString& prompt, const QString& startFolder)> chooseFolder =
        browseFolder;
    std::function<QString(QWidget* owner, const QString& title, const QString& filter)> chooseFile =
        openFileName;
};

} // namespace qc::data::ui
