#include "shell/ui/text_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace qc::shell {

namespace {

// Selects a text box's whole text when it gets the focus. The selection is made once the focus
// event is done, so a mouse click that gave the focus does not undo it.
class SelectAllFilter : public QObject {
  public:
    explicit SelectAllFilter(QLineEdit& box) : QObject(&box), box_(box) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (arrival_.arrives(*event)) {
            box_.selectAll();
            QTimer::singleShot(0, &box_, [box = &box_] { box->selectAll(); });
        }
        return false;
    }

  private:
    QLineEdit& box_;
    FocusArrival arrival_;
};

} // namespace

bool FocusArrival::arrives(const QEvent& event) {
    if (event.type() != QEvent::FocusIn && event.type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent&>(event).reason();
    const bool forAWhile = reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
    if (event.type() == QEvent::FocusOut) {
        leftForAWhile_ = forAWhile;
        return false;
    }
    const bool back = forAWhile && leftForAWhile_;
    leftForAWhile_ = false;
    return !back;
}
void selectAllOnFocus(QLineEdit& box) {
    box.installEventFilter(new SelectAllFilter(box)); // owned by the box
}
void setTabChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}
TextProgressBar::TextProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    setFormat(QStringLiteral("Progress Bar"));
}
} // namespace qc::shell
