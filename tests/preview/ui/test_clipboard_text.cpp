#include "shell/clipboard_text.h"

#include "support/scripted_ui.h"

#include <QStandardItemModel>

#include <gtest/gtest.h>

using namespace qc;

namespace {

// Rows of cells; a row is checked when its first cell starts with '+', which is not copied.
std::unique_ptr<QStandardItemModel> listOf(const std::vector<std::vector<QString>>& rows) {
    auto model = std::make_unique<QStandardItemModel>();
    for (const auto& cells : rows) {
        QList<QStandardItem*> items;
        for (const QString& cell : cells)
            items.append(new QStandardItem(cell)); // the model takes them
        const bool checked = items[0]->text().startsWith(QLatin1Char('+'));
        if (checked)
            items[0]->setText(items[0]->text().mid(1));
        items[0]->setCheckable(true);
        items[0]->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        model->appendRow(items);
    }
    return model;
}

QString textOf(const std::vector<std::vector<QString>>& rows) {
    test::ScriptedUi ui;
    return checkedRowsText(*listOf(rows), ui);
}

TEST(ClipboardText, ColumnsArePaddedToTheWidestCellOfAllRows) {
    EXPECT_EQ(textOf({{"+ab", "x"}, {"abcd", "yy"}, {"+a", "zzz"}}),
              QStringLiteral("ab  \tx\r\na   \tzzz\r\n"));
}

TEST(ClipboardText, EmptyLastCellLeavesTheTabAfterThePaddedColumn) {
    EXPECT_EQ(textOf({{"+ab", ""}, {"abcd", "yy"}}), QStringLiteral("ab  \t\r\n"));
}

TEST(ClipboardText, OneColumnDropsTrailingSpacesAndEndsEveryLine) {
    EXPECT_EQ(textOf({{"+INSERT 1;   "}, {"not copied"}, {"+   "}, {"+INSERT 2;"}}),
              QStringLiteral("INSERT 1;\r\n\r\nINSERT 2;\r\n"));
}

TEST(ClipboardText, NothingCheckedOrNothingListedGivesEmptyText) {
    EXPECT_EQ(textOf({{"a"}, {"b"}}), QString());
    EXPECT_EQ(textOf({}), QString());
}

TEST(ClipboardText, LinesPastSixteenBitLengthsCopyLikeAnyOther) {
    const QString longLine = QStringLiteral("INSERT INTO [t] VALUES ('") + QString(70000, QLatin1Char('x')) +
                             QStringLiteral("');");
    EXPECT_EQ(textOf({{"+short"}, {QLatin1Char('+') + longLine}}),
              QStringLiteral("short\r\n") + longLine + QStringLiteral("\r\n"));
}

} // namespace
