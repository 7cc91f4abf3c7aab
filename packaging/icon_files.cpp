#include "icon_files.h"

#include "shell/ui/look.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

namespace qc::packaging {

bool writeIconFiles(const QString& folder) {
    const QString scalable = folder + QStringLiteral("/hicolor/scalable/apps");
    if (!QDir().mkpath(scalable))
        return false;
    constexpr int kDrawnSize = 64;
    QSvgGenerator svg;
    svg.setFileName(scalable + QStringLiteral("/marravex.svg"));
    svg.setSize(QSize(kDrawnSize, kDrawnSize));
    svg.setViewBox(QRect(0, 0, kDrawnSize, kDrawnSize));
    svg.setTitle(QStringLiteral("Marravex"));
    QPainter svgPainter;
    if (!svgPainter.begin(&svg))
        return false;
    shell::paintApplicationIcon(svgPainter, kDrawnSize);
    svgPainter.end();

    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sized = folder + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        shell::paintApplicationIcon(painter, size);
        painter.end();
        if (!QDir().mkpath(sized) || !image.save(sized + QStringLiteral("/marravex.png")))
            return false;
    }
    return true;
}

} // namespace qc::packaging
