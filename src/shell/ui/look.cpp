#include "shell/ui/look.h"

#include "shell/ui/geometry.h"

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

namespace qc::shell {

namespace {

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

} // namespace

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

void applySkin(QWidget& mainWindow) {
    applySkin(mainWindow, programFolder());
}

void applySkin(QWidget& mainWindow, const QString& folder) {
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

void applyFormColors(QWidget& window) {
    paintBackground(window, buttonFace());
}

void applyWhiteLook(QWidget& window) {
    paintBackground(window, Qt::white);
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

} // namespace qc::shell
