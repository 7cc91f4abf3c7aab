#pragma once
// Enter on a focused push button presses it, as Space does. The buttons are not dialog defaults
// (Enter in a text box must press no button), so Qt alone would let Enter do nothing on them.

#include <QObject>

class QWidget;

namespace qc::shell {

// A window holds one and attaches it once its push buttons exist.
class EnterPressesFocusedButton : public QObject {
  public:
    // Watches every push button `window` holds now.
    void attach(QWidget& window);

    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qc::shell
