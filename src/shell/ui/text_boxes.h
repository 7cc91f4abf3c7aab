#pragma once
// Text boxes, the focus moving between controls and the progress bar's text.

#include <QProgressBar>
#include <QString>

#include <initializer_list>

class QEvent;
class QLineEdit;
class QWidget;

namespace qc::shell {

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

} // namespace qc::shell
