#include "app/ui/look/window_feedback.h"

#include <QMessageBox>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace qc::look {

Answer showMessageBox(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon) {
    // The texts break lines with CR LF or a lone CR; the box breaks lines at LF.
    const QString shown = QString(text)
                              .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                              .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, shown,
                    buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    // An address or a path in the text can be selected and copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const int pressed = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    // Closing a question without a button counts as No, the answer that changes nothing.
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void showProgressValue(QProgressBar* bar, double percent) {
    if (bar && std::isfinite(percent))
        bar->setValue(static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0))));
}

} // namespace qc::look
