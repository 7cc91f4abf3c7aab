#include "preview/ui/datatypes_window.h"

#include "shell/error_trap.h"
#include "shell/ui/geometry.h"
#include "shell/ui/look.h"
#include "shell/ui/pointers.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>

namespace qc::preview::ui {

using shell::twipsRect;

DatatypesWindow::DatatypesWindow(DatatypeRows& rows, const shell::WindowSeams& seams, QWidget* owner)
    : QDialog(owner), backButton(QStringLiteral("< Back"), this), typeList(this), rows_(rows),
      port_(*this, seams) {
    setFixedSize(shell::px(8040), shell::px(8340));
    setFont(shell::windowFont());
    backButton.setGeometry(twipsRect(120, 120, 7800, 405));
    backButton.setFont(shell::buttonFont());
    backButton.setAutoDefault(false);
    typeList.setGeometry(twipsRect(120, 630, 7800, 7605));
    typeList.setToolTip(QStringLiteral(
        "Click item to edit it. Move | line to right and out of window to reveal full names."));
    typeList.setSelectionBehavior(QAbstractItemView::SelectRows);
    typeList.setSelectionMode(QAbstractItemView::SingleSelection);
    typeList.setEditTriggers(QAbstractItemView::NoEditTriggers);
    typeList.setShowGrid(false);
    typeList.setWordWrap(false);
    typeList.verticalHeader()->hide();
    typeList.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Rows as high as the list's font, as in a report-style list.
    typeList.verticalHeader()->setMinimumSectionSize(1);
    typeList.verticalHeader()->setDefaultSectionSize(typeList.fontMetrics().height() + 2);
    typeList.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    typeList.horizontalHeader()->setStretchLastSection(false);
    // The headers are longer than their columns in this font: they wrap between words.
    typeList.horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap));
    typeList.horizontalHeader()->setTextElideMode(Qt::ElideNone);
    typeList.horizontalHeader()->setSectionsClickable(false);
    setTabOrder(&typeList, &backButton);
    enterKeys_.attach(*this);
    connect(&backButton, &QPushButton::clicked, this, &DatatypesWindow::onBackClicked);
    load();
}

void DatatypesWindow::load() {
    ErrorTrap trap(port_, QStringLiteral("Form5"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { shell::applyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(shell::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Datatypes Conversion - Marravex")); });
    trap.step(106, [&] {
        shell::installPointerConvention(*this, shell::handCursor(), {&typeList, typeList.viewport()});
    });
    trap.step(108, [&] { typeList.setModel(&rows_); });
    trap.step(110, [&] {
        for (int column = 0; column < 4; ++column)
            typeList.setColumnWidth(column, shell::px(1700));
        fitHeaders();
    });
}

void DatatypesWindow::fitHeaders() {
    QHeaderView& header = *typeList.horizontalHeader();
    const QFontMetrics metrics(header.font());
    const int margins = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header) + 4;
    int height = 0;
    for (int column = 0; column < header.count(); ++column) {
        const QString text = rows_.headerData(column, Qt::Horizontal).toString();
        // A column narrower than the header's longest word is widened to it.
        int widest = 0;
        for (const QString& word : text.split(QLatin1Char(' ')))
            widest = std::max(widest, metrics.horizontalAdvance(word));
        if (widest + margins > typeList.columnWidth(column))
            typeList.setColumnWidth(column, widest + margins);
        const QRect wrapped = metrics.boundingRect(QRect(0, 0, typeList.columnWidth(column) - margins, 1000),
                                                   Qt::TextWordWrap, text);
        height = std::max(height, wrapped.height());
    }
    header.setMinimumHeight(height + margins);
}

void DatatypesWindow::done(int result) {
    // Closing destroys the rows with the window; a second look shows only the headers.
    rows_.clear();
    QDialog::done(result);
}

void DatatypesWindow::onBackClicked() {
    ErrorTrap trap(port_, QStringLiteral("Form5"), QStringLiteral("PushButton5_Click"));
    trap.step(102, [&] { reject(); });
}

} // namespace qc::preview::ui
