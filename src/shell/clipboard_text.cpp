#include "shell/clipboard_text.h"

#include <QAbstractItemModel>

#include <vector>

namespace qc {

namespace {

QString cellText(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

void chopTrailingSpaces(QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    text.truncate(end);
}

} // namespace

QString checkedRowsText(const QAbstractItemModel& model, UiPort& ui) {
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    if (rows == 0 || columns == 0)
        return {};

    // qsizetype, not a 16-bit count: a cell of any length is measured and copied.
    std::vector<qsizetype> widths(static_cast<std::size_t>(columns), 0);
    for (int column = 0; column < columns; ++column) {
        for (int row = 0; row < rows; ++row) {
            ui.letEventsThrough();
            const qsizetype length = cellText(model, row, column).size();
            if (length > widths[static_cast<std::size_t>(column)])
                widths[static_cast<std::size_t>(column)] = length;
        }
    }

    QString text;
    for (int row = 0; row < rows; ++row) {
        ui.letEventsThrough();
        if (model.data(model.index(row, 0), Qt::CheckStateRole).toInt() != Qt::Checked)
            continue;
        for (int column = 0; column < columns; ++column) {
            ui.letEventsThrough();
            const QString cell = cellText(model, row, column);
            text += cell;
            const qsizetype padding = widths[static_cast<std::size_t>(column)] - cell.size();
            if (padding > 0)
                text.resize(text.size() + padding, QLatin1Char(' '));
            text += QLatin1Char('\t');
        }
        text.chop(1);
        chopTrailingSpaces(text);
        text += QStringLiteral("\r\n");
    }
    return text;
}

} // namespace qc
