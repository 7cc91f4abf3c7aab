#include "preview/ui/sql_line_view.h"

#include "preview/sql_line_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>

namespace qc::preview::ui {

bool CheckAwareDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
    const bool handled = QStyledItemDelegate::editorEvent(event, model, option, index);
    if (event->type() == QEvent::MouseButtonPress)
        lastReleaseOnCheckBox = false;
    else if (event->type() == QEvent::MouseButtonRelease)
        lastReleaseOnCheckBox = handled;
    return handled;
}

QRect CheckAwareDelegate::checkBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget);
}

SqlLineView::SqlLineView(QWidget* parent)
    : QTableView(parent), tickAll(QStringLiteral("Tick All Lines")),
      untickAll(QStringLiteral("Untick All Lines")) {
    setItemDelegate(&delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);

    addAction(&tickAll);
    addAction(&untickAll);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (!index.isValid() || delegate_.lastReleaseOnCheckBox)
            return;
        emit lineClicked(index.row() + 1);
    });
}

// The delegate is a member and goes before the base class: the view must not reach it then.
SqlLineView::~SqlLineView() {
    setItemDelegate(nullptr);
}

void SqlLineView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    auto* lines = qobject_cast<SqlLineList*>(model);
    if (lines == nullptr)
        return;
    connect(&tickAll, &QAction::triggered, lines, [lines] { lines->setAllChecked(true); });
    connect(&untickAll, &QAction::triggered, lines, [lines] { lines->setAllChecked(false); });
    connect(lines, &SqlLineList::lineSelected, this, &SqlLineView::showLine);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, lines,
            [lines](const QModelIndex& current) {
                if (current.isValid() && lines->selectedLine() != current.row() + 1)
                    lines->select(current.row() + 1);
            });
}

void SqlLineView::showLine(int line) {
    const QModelIndex index = model()->index(line - 1, 0);
    if (currentIndex() != index)
        setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::EnsureVisible);
}

QRect SqlLineView::checkBoxRect(int row) const {
    const QModelIndex index = model()->index(row, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return delegate_.checkBoxRect(option, index);
}

} // namespace qc::preview::ui
