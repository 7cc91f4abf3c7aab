// The hidden table lists' lookups.
#include "engine/list_box.h"

#include <gtest/gtest.h>

using namespace qc::engine;

TEST(ListBox, IsInListBoxIgnoresLetterCase) {
    QStringListModel list(QStringList{"orders", "Order Details", "Weird]Name"});
    EXPECT_TRUE(IsInListBox(list, QStringLiteral("ORDERS")));
    EXPECT_TRUE(IsInListBox(list, QStringLiteral("order details")));
    EXPECT_TRUE(IsInListBox(list, QStringLiteral("weird]name")));
    EXPECT_FALSE(IsInListBox(list, QStringLiteral("order")));
    EXPECT_FALSE(IsInListBox(QStringListModel(), QStringLiteral("")));
}

TEST(ListBox, RemoveFromListBoxMatchesExactlyAndSkipsTheMovedEntry) {
    QStringListModel list(QStringList{"orders", "Orders", "x", "x", "y"});
    RemoveFromListBox(list, QStringLiteral("Orders"));
    EXPECT_EQ(list.stringList(), (QStringList{"orders", "x", "x", "y"}));
    // The entry that moves into the freed place is not looked at.
    RemoveFromListBox(list, QStringLiteral("x"));
    EXPECT_EQ(list.stringList(), (QStringList{"orders", "x", "y"}));
    RemoveFromListBox(list, QStringLiteral("missing"));
    EXPECT_EQ(list.stringList().size(), 3);
}

TEST(ListBox, ListsBeyondSixteenBitIndexes) {
    QStringList entries;
    for (int i = 0; i < 70000; ++i)
        entries << QStringLiteral("t%1").arg(i);
    QStringListModel list(entries);
    EXPECT_TRUE(IsInListBox(list, QStringLiteral("T69999")));
    RemoveFromListBox(list, QStringLiteral("t69999"));
    EXPECT_EQ(list.rowCount(), 69999);
    EXPECT_FALSE(IsInListBox(list, QStringLiteral("t69999")));
}
