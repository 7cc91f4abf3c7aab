#include "shell/ui/pointers.h"

#include "shell/shipped_files.h"

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

const char* const kBusyProperty = "qcBusy";
const char* const kOwnCursorProperty = "qcCursorBeforeBusy";

// Watches pointer movement over a window's children and applies the window's pointer convention.
class PointerFilter : public QObject {
  public:
    PointerFilter(QWidget& window, const QCursor& custom, std::initializer_list<QWidget*> defaultOver)
        : QObject(&window), window_(window), custom_(custom), defaultOver_(defaultOver) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Enter && event->type() != QEvent::MouseMove)
            return false;
        if (isBusy(window_))
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (qobject_cast<QPushButton*>(widget)) {
            window_.setCursor(custom_);
        } else if (widget == &window_ || qobject_cast<QGroupBox*>(widget) || defaultOver_.contains(widget)) {
            window_.setCursor(Qt::ArrowCursor);
        }
        return false;
    }

  private:
    QWidget& window_;
    QCursor custom_;
    QList<QWidget*> defaultOver_;
};

} // namespace

QCursor handCursorFrom(const QString& curFile) {
    QFile file(curFile);
    if (!file.open(QIODevice::ReadOnly))
        return QCursor(Qt::ArrowCursor);
    const QByteArray bytes = file.readAll();
    // A .cur file: ICONDIR (reserved, type 2, count) then entries whose planes/bit-count words
    // hold the hot spot, which Qt's image reader drops.
    if (bytes.size() < 22 || static_cast<uchar>(bytes[2]) != 2)
        return QCursor(Qt::ArrowCursor);
    auto word = [&](int at) {
        return static_cast<int>(static_cast<uchar>(bytes[at]) | static_cast<uchar>(bytes[at + 1]) << 8);
    };
    const int hotX = word(6 + 4);
    const int hotY = word(6 + 6);
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes, "ICO") && !image.loadFromData(bytes))
        return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
QCursor handCursor() {
    const QString path = programFolder() + QStringLiteral("/HAND-M.CUR");
    return fileExists(path) ? handCursorFrom(path) : QCursor(Qt::ArrowCursor);
}
void installPointerConvention(QWidget& window, const QCursor& custom,
                              std::initializer_list<QWidget*> defaultOver) {
    auto* filter = new PointerFilter(window, custom, defaultOver); // owned by the window
    window.installEventFilter(filter);
    window.setMouseTracking(true);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        child->installEventFilter(filter);
        if (qobject_cast<QGroupBox*>(child))
            child->setMouseTracking(true);
    }
}
void setBusy(QWidget& window, bool busy) {
    window.setProperty(kBusyProperty, busy);
    window.setCursor(busy ? Qt::WaitCursor : Qt::ArrowCursor);
    // Text boxes and other children with a pointer of their own would show it over the hourglass:
    // they take the hourglass too while the window is busy, and get their own pointer back after.
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isWindow())
            continue;
        const QVariant saved = child->property(kOwnCursorProperty);
        if (busy && !saved.isValid() && child->testAttribute(Qt::WA_SetCursor)) {
            child->setProperty(kOwnCursorProperty, QVariant::fromValue(child->cursor()));
            child->setCursor(Qt::WaitCursor);
        } else if (!busy && saved.isValid()) {
            child->setCursor(saved.value<QCursor>());
            child->setProperty(kOwnCursorProperty, QVariant());
        }
    }
}
bool isBusy(const QWidget& window) {
    return window.property(kBusyProperty).toBool();
}
} // namespace qc::shell
