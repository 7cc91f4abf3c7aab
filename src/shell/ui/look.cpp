#include "shell/ui/look.h"

#include "shell/shipped_files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

namespace qc::look {

namespace {

const char* const kBusyProperty = "qcBusy";
const char* const kOwnCursorProperty = "qcCursorBeforeBusy";

// Window, frames, labels, check boxes and option buttons take the background; text boxes, lists,
// push buttons and the progress bar keep their own.
void paintBackground(QWidget& window, const QColor& colour) {
    auto apply = [&](QWidget& w) {
        QPalette palette = w.palette();
        palette.setColor(QPalette::Window, colour);
        w.setPalette(palette);
        // Check boxes and option buttons fill with the button colour unless told otherwise.
        w.setBackgroundRole(QPalette::Window);
        w.setAutoFillBackground(true);
    };
    apply(window);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child) ||
            qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child))
            apply(*child);
    }
}

QColor buttonFace() {
    return QApplication::palette().color(QPalette::Button);
}

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

QString programFolder() {
    return shippedFilesFolder(QCoreApplication::applicationDirPath());
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

int px(int twips) {
    return (twips + 7) / 15;
}

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

QFont windowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont buttonFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

void ApplySkin(QWidget& mainWindow) {
    ApplySkin(mainWindow, programFolder());
}

void ApplySkin(QWidget& mainWindow, const QString& folder) {
    const QString skin = folder + QStringLiteral("/x/o.cjs");
    const QFileInfo info(skin);
    // Only a regular, visible file counts as the skin.
    if (!info.exists() || !info.isFile() || info.isHidden())
        return;
    paintBackground(mainWindow, buttonFace());
    QFile file(skin);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Could not load the skin file " + skin.toStdString() + ".");
    mainWindow.setStyleSheet(QString::fromUtf8(file.readAll()));
}

void ApplyFormColors(QWidget& window) {
    paintBackground(window, buttonFace());
}

void applyWhiteLook(QWidget& window) {
    paintBackground(window, Qt::white);
}

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
    return FileExists(path) ? handCursorFrom(path) : QCursor(Qt::ArrowCursor);
}

void paintApplicationIcon(QPainter& painter, int size) {
    // A database drum with an arrow into a table grid, drawn on a grid of 64 units.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 3));
    painter.setBrush(QColor(0x4a, 0x7f, 0xc1));
    QPainterPath drum;
    drum.addRect(6, 12, 28, 30);
    painter.drawPath(drum);
    painter.drawEllipse(QRectF(6, 6, 28, 12));
    painter.drawArc(QRectF(6, 36, 28, 12), 180 * 16, 180 * 16);
    painter.setBrush(QColor(0xf2, 0xc1, 0x4e));
    painter.drawRect(QRectF(34, 30, 26, 28));
    painter.drawLine(QPointF(34, 39), QPointF(60, 39));
    painter.drawLine(QPointF(34, 48), QPointF(60, 48));
    painter.drawLine(QPointF(47, 30), QPointF(47, 58));
    painter.setPen(QPen(QColor(0xc0, 0x30, 0x30), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(22, 52), QPointF(30, 60));
    painter.drawLine(QPointF(30, 60), QPointF(22, 62));
    painter.restore();
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintApplicationIcon(painter, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
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

} // namespace qc::look
