#include "preview/ui/datatypes_window.h"

#include "shell/error_trap.h"
#include "shell/ui/look.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>

namespace qc::preview::ui {

using look::twipsRect;

Form5::Form5(DatatypeRows& rows, const shell::WindowSeams& seams, QWidget* owner)
    : QDialog(owner), PushButton5(QStringLiteral("< Back"), this), ListView1(this), rows_(rows),
      port_(*this, seams) {
    setFixedSize(look::px(8040), look::px(8340));
    setFont(look::windowFont());
    PushButton5.setGeometry(twipsRect(120, 120, 7800, 405));
    PushButton5.setFont(look::buttonFont());
    PushButton5.setAutoDefault(false);
    ListView1.setGeometry(twipsRect(120, 630, 7800, 7605));
    ListView1.setToolTip(QStringLiteral(
        "Click item to edit it. Move | line to right and out of window to reveal full names."));
    ListView1.setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1.setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1.setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1.setShowGrid(false);
    ListView1.setWordWrap(false);
    ListView1.verticalHeader()->hide();
    ListView1.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Rows as high as the list's font, as in a report-style list.
    ListView1.verticalHeader()->setMinimumSectionSize(1);
    ListView1.verticalHeader()->setDefaultSectionSize(ListView1.fontMetrics().height() + 2);
    ListView1.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ListView1.horizontalHeader()->setStretchLastSection(false);
    // The headers are longer than their columns in this font: they wrap between words.
    ListView1.horizontalHeader()->setDefaultAlignment(
        Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap));
    ListView1.horizontalHeader()->setTextElideMode(Qt::ElideNone);
    ListView1.horizontalHeader()->setSectionsClickable(false);
    setTabOrder(&ListView1, &PushButton5);
    enterKeys_.attach(*this);
    connect(&PushButton5, &QPushButton::clicked, this, &Form5::PushButton5_Click);
    Form_Load();
}

void Form5::Form_Load() {
    ErrorTrap trap(port_, QStringLiteral("Form5"), QStringLiteral("Form_Load"));
    trap.step(100, [&] { look::ApplyFormColors(*this); });
    trap.step(102, [&] { setWindowIcon(look::applicationIcon()); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Datatypes Conversion - Marravex")); });
    trap.step(106, [&] {
        look::installPointerConvention(*this, look::handCursor(), {&ListView1, ListView1.viewport()});
    });
    trap.step(108, [&] { ListView1.setModel(&rows_); });
    trap.step(110, [&] {
        for (int column = 0; column < 4; ++column)
            ListView1.setColumnWidth(column, look::px(1700));
        fitHeaders();
    });
}

void Form5::fitHeaders() {
    QHeaderView& header = *ListView1.horizontalHeader();
    const QFontMetrics metrics(header.font());
    const int margins = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header) + 4;
    int height = 0;
    for (int column = 0; column < header.count(); ++column) {
        const QString text = rows_.headerData(column, Qt::Horizontal).toString();
        // A column narrower than the header's longest word is widened to it.
        int widest = 0;
        for (const QString& word : text.split(QLatin1Char(' ')))
            widest = std::max(widest, metrics.horizontalAdvance(word));
        if (widest + margins > ListView1.columnWidth(column))
            ListView1.setColumnWidth(column, widest + margins);
        const QRect wrapped = metrics.boundingRect(QRect(0, 0, ListView1.columnWidth(column) - margins, 1000),
                                                   Qt::TextWordWrap, text);
        height = std::max(height, wrapped.height());
    }
    header.setMinimumHeight(height + margins);
}

void Form5::done(int result) {
    // Closing destroys the rows with the window; a second look shows only the headers.
    rows_.clear();
    QDialog::done(result);
}

void Form5::PushButton5_Click() {
    ErrorTrap trap(port_, QStringLiteral("Form5"), QStringLiteral("PushButton5_Click"));
    trap.step(102, [&] { reject(); });
}

} // namespace qc::preview::ui
