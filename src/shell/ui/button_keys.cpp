#include "shell/ui/button_keys.h"

#include <QKeyEvent>
#include <QPushButton>

namespace qc::shell {

void EnterPressesFocusedButton::attach(QWidget& window) {
    for (QPushButton* button : window.findChildren<QPushButton*>())
        button->installEventFilter(this);
}

bool EnterPressesFocusedButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || key->isAutoRepeat())
        return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button == nullptr || !button->isEnabled() || !button->hasFocus())
        return false;
    button->click();
    return true;
}

} // namespace qc::shell
