#pragma once
// The look every window shares: the Arial fonts, the white or button-face backgrounds, the
// optional skin of the main window and the program's icon.

#include <QFont>
#include <QIcon>
#include <QString>

class QPainter;
class QWidget;

namespace qc::shell {

// Arial 9 pt bold (window texts) and Arial 11.25 pt bold (push buttons).
QFont windowFont();
QFont buttonFont();

// Loads the skin (a Qt style sheet in x/o.cjs in the program's folder) onto the main window, giving the
// window and its frames, labels, check boxes and option buttons the button-face colour. Without
// the file (or when it is not a regular file) the window keeps its white designed look. Throws when
// the file is there but cannot be read.
void applySkin(QWidget& mainWindow);
// The same with the skin looked up under `folder` instead of the program's folder.
void applySkin(QWidget& mainWindow, const QString& folder);

// Gives a secondary window and its frames, labels, check boxes and option buttons the button face.
void applyFormColors(QWidget& window);

// Gives the main window and its frames, labels, check boxes and option buttons the white designed
// background.
void applyWhiteLook(QWidget& window);

// The program's icon, shown by every window; the build draws the desktop's icon files with the
// same painting, so the menu and the windows show one picture.
QIcon applicationIcon();
void paintApplicationIcon(QPainter& painter, int size);

} // namespace qc::shell
