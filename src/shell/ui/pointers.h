#pragma once
// The pointer convention: the hand over push buttons, the default over backgrounds and frames,
// and the hourglass while the window is busy, which neither replaces.

#include <QCursor>

#include <initializer_list>

class QWidget;

namespace qc::shell {

// The hand pointer read from HAND-M.CUR in the program's folder (with the hot spot stored in the file),
// or the arrow when that file is missing or unreadable.
QCursor handCursor();
QCursor handCursorFrom(const QString& curFile);

// The pointer convention on a window: moving over any of its push buttons shows `custom` (the
// hand, or the arrow when no cursor file was found); over the window itself, its frames and the
// listed widgets shows the default pointer; neither replaces the hourglass.
void installPointerConvention(QWidget& window, const QCursor& custom,
                              std::initializer_list<QWidget*> defaultOver = {});

// The hourglass on the window (busy) or the default pointer. While busy, the hourglass also shows
// over the window's text boxes and other children that have a pointer of their own.
void setBusy(QWidget& window, bool busy);
bool isBusy(const QWidget& window);

} // namespace qc::shell
