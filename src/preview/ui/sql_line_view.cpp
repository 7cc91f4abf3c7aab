#include "preview/ui/sql_line_view.h"

#include "preview/sql_line_list.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

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

QString withBreakMarks(const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            continue; // CR LF is one break: its LF puts the mark
        shown += (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? QChar(kLineBreakMark) : c;
    }
    return shown;
}

QString CheckAwareDelegate::displayText(const QVariant& value, const QLocale& locale) const {
    if (value.typeId() == QMetaType::QString)
        return withBreakMarks(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}

QRect CheckAwareDelegate::checkBoxRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget);
}

SqlLineView::SqlLineView(QWidget* parent)
    : QAbstractItemView(parent), tickAll(QStringLiteral("Tick All Lines")),
      untickAll(QStringLiteral("Untick All Lines")), header_(Qt::Horizontal, this),
      rowHeight_(fontMetrics().height() + 4) {
    setItemDelegate(&delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    header_.setSectionResizeMode(QHeaderView::Interactive);
    header_.setStretchLastSection(false);
    header_.setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_.setSectionsClickable(false);
    connect(&header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });

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
    QAbstractItemView::setModel(model);
    header_.setModel(model);
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

void SqlLineView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        rowHeight_ = fontMetrics().height() + 4;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

void SqlLineView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles) {
    // The base class measures every row of a changed span; with one row height, repainting what
    // shows is enough, also when all million lines changed at once.
    if (topLeft != bottomRight) {
        viewport()->update();
        return;
    }
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

int SqlLineView::rows() const {
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int SqlLineView::firstVisibleRow() const {
    return verticalScrollBar()->value();
}

int SqlLineView::visibleRows() const {
    return std::max(1, viewport()->height() / rowHeight());
}

QRect SqlLineView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.column() != 0)
        return {};
    return QRect(-horizontalOffset(), (index.row() - firstVisibleRow()) * rowHeight(), columnWidth(0),
                 rowHeight());
}

QModelIndex SqlLineView::indexAt(const QPoint& point) const {
    if (model() == nullptr || point.y() < 0)
        return {};
    const int x = point.x() + horizontalOffset();
    const int row = firstVisibleRow() + point.y() / rowHeight();
    if (x < 0 || x >= columnWidth(0) || row >= rows())
        return {};
    return model()->index(row, 0, rootIndex());
}

void SqlLineView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    const int row = index.row();
    const int first = firstVisibleRow();
    const int visible = visibleRows();
    int top = first;
    switch (hint) {
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - visible + 1;
        break;
    case PositionAtCenter:
        top = row - visible / 2;
        break;
    case EnsureVisible:
        if (row < first)
            top = row;
        else if (row >= first + visible)
            top = row - visible + 1;
        break;
    }
    verticalScrollBar()->setValue(std::max(0, top));
}

QRect SqlLineView::checkBoxRect(int row) const {
    const QModelIndex index = model()->index(row, 0, rootIndex());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return delegate_.checkBoxRect(option, index);
}

QModelIndex SqlLineView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
    const int count = rows();
    if (count == 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int row = current;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        row = current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current + 1;
        break;
    case MovePageUp:
        row = current - visibleRows();
        break;
    case MovePageDown:
        row = current + visibleRows();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    default:
        break;
    }
    return model()->index(std::clamp(row, 0, count - 1), 0, rootIndex());
}

int SqlLineView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int SqlLineView::verticalOffset() const {
    return firstVisibleRow() * rowHeight();
}

void SqlLineView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QRect normal = rect.normalized();
    const int last = rows() - 1;
    if (last < 0)
        return;
    const int top = std::clamp(firstVisibleRow() + normal.top() / rowHeight(), 0, last);
    const int bottom = std::clamp(firstVisibleRow() + normal.bottom() / rowHeight(), 0, last);
    selectionModel()->select(
        QItemSelection(model()->index(top, 0, rootIndex()), model()->index(bottom, 0, rootIndex())), command);
}

QRegion SqlLineView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const QRect top = visualRect(model()->index(range.top(), 0, rootIndex()));
        const QRect bottom = visualRect(model()->index(range.bottom(), 0, rootIndex()));
        region += top.united(bottom).intersected(viewport()->rect());
    }
    return region;
}

void SqlLineView::updateGeometries() {
    const int headerHeight = header_.sizeHint().height();
    if (viewportMargins().top() != headerHeight)
        setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header_.setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    header_.setOffset(horizontalOffset());

    const int visible = visibleRows();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, rows() - visible));
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setRange(0, std::max(0, columnWidth(0) - area.width()));
    QAbstractItemView::updateGeometries();
}

void SqlLineView::scrollContentsBy(int, int) {
    header_.setOffset(horizontalOffset());
    viewport()->update();
}

void SqlLineView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int count = rows();
    if (count == 0 || columnWidth(0) <= 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const bool active = isActiveWindow();
    const int first = firstVisibleRow() + event->rect().top() / rowHeight();
    const int last = std::min(count - 1, firstVisibleRow() + event->rect().bottom() / rowHeight());
    for (int row = std::max(0, first); row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem item(option);
        item.rect = visualRect(index);
        item.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_Active);
        if (selectionModel()->isSelected(index))
            item.state |= QStyle::State_Selected;
        if (active)
            item.state |= QStyle::State_Active;
        if (index == current && hasFocus())
            item.state |= QStyle::State_HasFocus;
        if (!isEnabled())
            item.state &= ~QStyle::State_Enabled;
        itemDelegate()->paint(&painter, item, index);
    }
}

void SqlLineView::showLine(int line) {
    const QModelIndex index = model()->index(line - 1, 0, rootIndex());
    if (currentIndex() != index)
        setCurrentIndex(index);
    scrollTo(index, QAbstractItemView::EnsureVisible);
}

} // namespace qc::preview::ui
