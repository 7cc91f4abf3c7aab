#pragma once
// The look every window shares: twips-based geometry, the Arial fonts, the white or button-face
// backgrounds, the optional skin of the main window, and the pointer convention (hand over push
// buttons, default over backgrounds and frames, never replacing the hourglass).

#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QProgressBar>
#include <QRect>
#include <QString>

#include <initializer_list>

class QLineEdit;
class QPainter;
class QWidget;

namespace qc::look {

// The folder of the files the running program ships: beside it in a build folder, its share
// folder once installed (shell/shipped_files.h).
QString programFolder();

// True when the file system can report the path's modification time; false on any failure.
bool FileExists(const QString& path);

// Designed positions are in twips; 15 twips make a pixel.
int px(int twips);
QRect twipsRect(int left, int top, int width, int height);

// Arial 9 pt bold (window texts) and Arial 11.25 pt bold (push buttons).
QFont windowFont();
QFont buttonFont();

// Loads the skin (a Qt style sheet in x/o.cjs in the program's folder) onto the main window, giving the
// window and its frames, labels, check boxes and option buttons the button-face colour. Without
// the file (or when it is not a regular file) the window keeps its white designed look. Throws when
// the file is there but cannot be read.
void ApplySkin(QWidget& mainWindow);
// The same with the skin looked up under `folder` instead of the program's folder.
void ApplySkin(QWidget& mainWindow, const QString& folder);

// Gives a secondary window and its frames, labels, check boxes and option buttons the button face.
void ApplyFormColors(QWidget& window);

// Gives the main window and its frames, labels, check boxes and option buttons the white designed
// background.
void applyWhiteLook(QWidget& window);

// The hand pointer read from HAND-M.CUR in the program's folder (with the hot spot stored in the file),
// or the arrow when that file is missing or unreadable.
QCursor handCursor();
QCursor handCursorFrom(const QString& curFile);

// The program's icon, shown by every window; the build draws the desktop's icon files with the
// same painting, so the menu and the windows show one picture.
QIcon applicationIcon();
void paintApplicationIcon(QPainter& painter, int size);

// The pointer convention on a window: moving over any of its push buttons shows `custom` (the
// hand, or the arrow when no cursor file was found); over the window itself, its frames and the
// listed widgets shows the default pointer; neither replaces the hourglass.
void installPointerConvention(QWidget& window, const QCursor& custom,
                              std::initializer_list<QWidget*> defaultOver = {});

// A progress bar that shows its format as plain text: QProgressBar would expand "%p", "%v" and
// "%m" in it, and the texts shown here carry table names, which may hold a per cent sign. It
// starts as every window has it at rest: 0 of 100 per cent, "Progress Bar" centred on it.
class TextProgressBar : public QProgressBar {
  public:
    explicit TextProgressBar(QWidget* parent = nullptr);
    QString text() const override { return format(); }
};

// Selects the box's whole text whenever it receives the focus.
void selectAllOnFocus(QLineEdit& box);

// Tab moves through the widgets in this order.
void setTabChain(std::initializer_list<QWidget*> widgets);

// Tells, from a text box's focus events, when the user arrives at it (a click, Tab, a shortcut,
// the window's first activation), so that its text is selected whole. The focus also comes back
// when the box's context menu closes (before its Paste runs) and when the user returns from
// another program: the user is in the middle of an edit then, and selecting everything would let
// the next key or paste wipe it.
class FocusArrival {
  public:
    // Call with every event of the box; true for a focus event that is an arrival.
    bool arrives(const QEvent& event);

  private:
    bool leftForAWhile_ = false;
};

// The hourglass on the window (busy) or the default pointer. While busy, the hourglass also shows
// over the window's text boxes and other children that have a pointer of their own.
void setBusy(QWidget& window, bool busy);
bool isBusy(const QWidget& window);

} // namespace qc::look
